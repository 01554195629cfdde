#pragma once

#include <string>

namespace NuvraMobile {

/** Texts as /proc/net/route and /proc/net/ipv6_route give them, for the reachability tests. */
namespace RouteTableTexts {

inline std::string Ipv4(const std::string& routes) {
    return "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n" + routes;
}

/** A default route over eth0 that is up. */
inline std::string Ipv4Default() {
    return Ipv4("eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
}

/** The local network only: no default route. */
inline std::string Ipv4LocalOnly() {
    return Ipv4("eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");
}

/** A default route over eth0 that is up. */
inline std::string Ipv6Default() {
    const std::string zeros(32, '0');
    return zeros + " 00 " + zeros +
           " 00 fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
}

}  // namespace RouteTableTexts

}  // namespace NuvraMobile
