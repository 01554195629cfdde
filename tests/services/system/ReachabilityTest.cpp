#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "services/system/Reachability.h"
#include "support/RouteTableTexts.h"

namespace NuvraMobile {
namespace {

TEST(ReachabilityTest, RoutingTablesDecideTheStatus) {
    const std::string ipv4Default = RouteTableTexts::Ipv4Default();
    const std::string ipv4LocalOnly = RouteTableTexts::Ipv4LocalOnly();
    const std::string ipv4Rejected =
        RouteTableTexts::Ipv4("eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n");
    const std::string ipv4Down =
        RouteTableTexts::Ipv4("eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n");
    const std::string zeros(32, '0');
    const std::string ipv6Default = RouteTableTexts::Ipv6Default();
    const std::string ipv6LoopbackReject =
        zeros + " 00 " + zeros + " 00 " + zeros + " ffffffff 00000001 00000000 00200200       lo\n";
    struct Case {
        const char* name;
        std::optional<std::string> ipv4;
        std::optional<std::string> ipv6;
        Reachability::Status status;
    };
    const Case cases[] = {
        {"IPv4 default route", ipv4Default, ipv6LoopbackReject, Reachability::Status::REACHABLE},
        {"IPv6 default route", ipv4LocalOnly, ipv6Default, Reachability::Status::REACHABLE},
        {"local routes only", ipv4LocalOnly, ipv6LoopbackReject, Reachability::Status::NOT_REACHABLE},
        {"reject route", ipv4Rejected, std::nullopt, Reachability::Status::NOT_REACHABLE},
        {"route down", ipv4Down, std::string(), Reachability::Status::NOT_REACHABLE},
        {"nothing readable", std::nullopt, std::nullopt, Reachability::Status::REACHABLE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.status, Reachability::StatusFromRouteTables(c.ipv4, c.ipv6)) << c.name;
    }
}

}  // namespace
}  // namespace NuvraMobile
