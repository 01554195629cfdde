#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Watches whether the internet is reachable and calls queued callbacks once when reachability changes.
 * On Linux the status comes from the kernel's routing tables (a default route that is up means
 * reachable), and changes are noticed through a route netlink socket; when nothing can be determined the
 * status is reachable, since work that waits for reachability would otherwise never run. Tests set the
 * status by hand (SetStatusForTesting), which notifies like a real change, or set the routing tables and
 * announce their change (ChangeRouteTablesForTesting), or set them and have the kernel send route
 * messages to the route socket (ChangeRouteTablesByKernelForTesting), which takes the real change's path.
 *
 * Notifications run on one process-wide serial thread, "NVRCoreReachability". Each callback is called
 * at most once, for the first change after it was queued; callbacks queued together run in order.
 * Every operation may be called from any thread.
 */
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    enum class Status : std::int32_t { NOT_REACHABLE = 0, REACHABLE = 1, UNKNOWN = 2 };

    /** A new observer of the internet route. */
    static std::shared_ptr<Reachability> ForInternetConnection();

    Status GetStatus() const;

    /**
     * Queues the callback for the next change. False when the change watch could not be started: the
     * callback is then dropped and the observer stays idle.
     */
    bool SetCallback(std::function<void()> callback);

    /** Delivers one notification: every queued callback runs once, on the calling thread. */
    void Callback();

    /**
     * The status that the kernel's routing tables give (the texts of /proc/net/route and
     * /proc/net/ipv6_route, empty when unreadable): reachable with a default route that is up, not
     * reachable without one, and reachable when no table could be read.
     */
    static Status StatusFromRouteTables(const std::optional<std::string>& ipv4Routes,
                                        const std::optional<std::string>& ipv6Routes);

    /** Test-only: from now on the status is `status`, for every observer; a change notifies them. */
    static void SetStatusForTesting(Status status);
    /** Test-only: back to the kernel's routing tables; a change notifies every observer. */
    static void ClearStatusForTesting();

    /**
     * Test-only: from now on the routing tables have these texts (nullopt: unreadable) for every
     * observer, whose next status read reads them; a change of status notifies them.
     */
    static void ChangeRouteTablesForTesting(std::optional<std::string> ipv4Routes,
                                            std::optional<std::string> ipv6Routes);
    /**
     * Test-only: from now on the routing tables have these texts for every observer, changed as the
     * kernel changes its own tables, without a word; then the kernel is asked to send route messages to
     * the watched route socket. False when no route socket is watched (no callback queued yet, or the
     * socket could not be opened).
     */
    static bool ChangeRouteTablesByKernelForTesting(std::optional<std::string> ipv4Routes,
                                                    std::optional<std::string> ipv6Routes);
    /** Test-only: back to the kernel's routing tables, read as the new tables of a change are. */
    static void ClearRouteTablesForTesting();

    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

private:
    Reachability() = default;

    Mutex mutex_;
    /** Empty while idle; holds the queued callbacks while armed. */
    std::optional<std::vector<std::function<void()>>> callbacks_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
