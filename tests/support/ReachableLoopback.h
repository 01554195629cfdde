#pragma once

#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {

/**
 * While it lives, the device counts as reachable and the network service trusts the loopback server's
 * certificate authority; both are reset when it goes. Declare it after the server it trusts. One test
 * thread.
 */
class ReachableLoopback {
public:
    explicit ReachableLoopback(const LoopbackHttpsServer& server);
    ~ReachableLoopback();
    ReachableLoopback(const ReachableLoopback&) = delete;
    ReachableLoopback& operator=(const ReachableLoopback&) = delete;
};

}  // namespace NuvraMobile
