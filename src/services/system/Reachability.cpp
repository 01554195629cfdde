#include "services/system/Reachability.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/route.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* QUEUE_NAME = "NVRCoreReachability";
constexpr size_t MAX_THREAD_NAME_BYTES = 15;
constexpr unsigned REJECT_ROUTE = 0x0200;  // RTF_REJECT
// How long a status read from the routing tables is answered again. A hit queue asks before every hit;
// a watched route change drops the kept status at once.
constexpr std::chrono::milliseconds KERNEL_STATUS_LIFETIME{1000};

/** True when the line of /proc/net/route is a default route that is up and not a reject route. */
bool IsUsableDefaultIpv4Route(const std::string& line) {
    std::istringstream fields(line);
    std::string interface, destination, gateway, flags, refCount, use, metric, mask;
    if (!(fields >> interface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask)) {
        return false;
    }
    unsigned flagBits = std::stoul(flags, nullptr, 16);
    return destination == "00000000" && mask == "00000000" && (flagBits & RTF_UP) != 0 &&
           (flagBits & REJECT_ROUTE) == 0;
}

/** True when the line of /proc/net/ipv6_route is a default route over a real interface that is up. */
bool IsUsableDefaultIpv6Route(const std::string& line) {
    std::istringstream fields(line);
    std::string destination, prefixLength, source, sourceLength, nextHop, metric, refCount, use, flags,
        interface;
    if (!(fields >> destination >> prefixLength >> source >> sourceLength >> nextHop >> metric >> refCount >>
          use >> flags >> interface)) {
        return false;
    }
    unsigned flagBits = std::stoul(flags, nullptr, 16);
    return prefixLength == "00" && destination == std::string(32, '0') && interface != "lo" &&
           (flagBits & RTF_UP) != 0 && (flagBits & REJECT_ROUTE) == 0;
}

std::optional<std::string> ReadTable(const char* path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool HasUsableDefaultRoute(const std::string& table, bool (*isUsableDefault)(const std::string&)) {
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        try {
            if (isUsableDefault(line)) {
                return true;
            }
        } catch (const std::exception&) {
            // A header or malformed line names no route.
        }
    }
    return false;
}

Reachability::Status KernelStatus() {
    return Reachability::StatusFromRouteTables(ReadTable("/proc/net/route"),
                                               ReadTable("/proc/net/ipv6_route"));
}

struct RouteTables {
    std::optional<std::string> ipv4;
    std::optional<std::string> ipv6;
};

/**
 * The process-wide notification queue: a thread that wakes on route changes and on test switches, and
 * notifies the armed observers when the status changed. Started on first use, never stopped.
 */
class ChangeMonitor {
public:
    static ChangeMonitor& Instance() {
        static auto* monitor = new ChangeMonitor();  // never destroyed: its thread lives to process exit
        return *monitor;
    }

    Reachability::Status Status() {
        MutexLock lock(mutex_);
        return override_.value_or(KeptKernelStatusLocked());
    }

    bool Arm(std::shared_ptr<Reachability> observer) {
        MutexLock lock(mutex_);
        if (!StartLocked()) {
            return false;
        }
        armed_.push_back(std::move(observer));
        return true;
    }

    void SetOverride(std::optional<Reachability::Status> status) {
        MutexLock lock(mutex_);
        override_ = status;
        WakeLocked();
    }

    /**
     * Tables read in place of the kernel's from now on. The status kept from the old ones is dropped with
     * them, so that the next read, here or on the monitor's thread, reads the new ones.
     */
    void SetTestRouteTables(std::optional<RouteTables> tables) {
        MutexLock lock(mutex_);
        testRouteTables_ = std::move(tables);
        keptKernelStatus_.reset();
        WakeLocked();
    }

    /**
     * Tables read in place of the kernel's from now on, changed as the kernel changes its own: nothing
     * kept is dropped and nothing is woken; the kernel then sends route messages to the route socket.
     * False when no route socket is watched.
     */
    bool SetTestRouteTablesAndRequestRouteMessages(RouteTables tables) {
        MutexLock lock(mutex_);
        if (routes_ < 0) {
            return false;
        }
        testRouteTables_ = std::move(tables);
        return RequestRouteDump(routes_);
    }

private:
    bool StartLocked() NVR_REQUIRES(mutex_) {
        if (started_) {
            return true;
        }
        wake_ = eventfd(0, EFD_CLOEXEC);
        if (wake_ < 0) {
            return false;
        }
        routes_ = OpenRouteSocket();
        lastStatus_ = override_.value_or(RouteTableStatusLocked());
        try {
            std::thread([this] { Run(); }).detach();
        } catch (const std::system_error&) {
            close(wake_);
            wake_ = -1;
            return false;
        }
        started_ = true;
        return true;
    }

    void WakeLocked() NVR_REQUIRES(mutex_) {
        if (wake_ >= 0) {
            uint64_t one = 1;
            [[maybe_unused]] ssize_t written = write(wake_, &one, sizeof(one));
        }
    }

    static int OpenRouteSocket() {
        int routes = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (routes < 0) {
            return -1;
        }
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups =
            RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
        if (bind(routes, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            close(routes);
            return -1;
        }
        return routes;
    }

    void Run() {
        pthread_setname_np(pthread_self(), std::string(QUEUE_NAME).substr(0, MAX_THREAD_NAME_BYTES).c_str());
        for (;;) {
            pollfd watched[2] = {{wake_, POLLIN, 0}, {routes_, POLLIN, 0}};
            if (poll(watched, routes_ >= 0 ? 2 : 1, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if ((watched[0].revents & POLLIN) != 0) {
                uint64_t count = 0;
                [[maybe_unused]] ssize_t read = ::read(wake_, &count, sizeof(count));
            }
            const bool routesChanged = routes_ >= 0 && (watched[1].revents & POLLIN) != 0;
            if (routesChanged) {
                DrainRouteMessages();
            }
            NotifyOnChange(routesChanged);
        }
    }

    /** The kernel answers a dump request with its IPv4 routes: route messages on the socket that asked. */
    static bool RequestRouteDump(int routes) {
        struct {
            nlmsghdr header;
            rtmsg route;
        } request{};
        request.header.nlmsg_len = sizeof(request);
        request.header.nlmsg_type = RTM_GETROUTE;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.route.rtm_family = AF_INET;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        return sendto(routes, &request, sizeof(request), 0, reinterpret_cast<sockaddr*>(&kernel),
                      sizeof(kernel)) == static_cast<ssize_t>(sizeof(request));
    }

    /** The messages only say that something changed; the status is read from the tables afterwards. */
    void DrainRouteMessages() const {
        char buffer[8192];
        while (recv(routes_, buffer, sizeof(buffer), MSG_DONTWAIT) > 0) {
        }
    }

    Reachability::Status KeptKernelStatusLocked() NVR_REQUIRES(mutex_) {
        const auto now = std::chrono::steady_clock::now();
        if (!keptKernelStatus_ || now - keptAt_ >= KERNEL_STATUS_LIFETIME) {
            keptKernelStatus_ = RouteTableStatusLocked();
            keptAt_ = now;
        }
        return *keptKernelStatus_;
    }

    Reachability::Status RouteTableStatusLocked() const NVR_REQUIRES(mutex_) {
        if (testRouteTables_) {
            return Reachability::StatusFromRouteTables(testRouteTables_->ipv4, testRouteTables_->ipv6);
        }
        return KernelStatus();
    }

    /** A route change makes the kept status stale: the status it may have changed is read afresh. */
    void NotifyOnChange(bool routesChanged) {
        std::vector<std::shared_ptr<Reachability>> notified;
        {
            MutexLock lock(mutex_);
            if (routesChanged) {
                keptKernelStatus_.reset();
            }
            Reachability::Status status = override_.value_or(KeptKernelStatusLocked());
            if (status == lastStatus_) {
                return;
            }
            lastStatus_ = status;
            notified.swap(armed_);
        }
        for (auto& observer : notified) {
            observer->Callback();
        }
    }

    Mutex mutex_;
    bool started_ NVR_GUARDED_BY(mutex_) = false;
    // Set once under mutex_ before the thread starts, which then reads them without it.
    int wake_ = -1;
    int routes_ = -1;
    std::optional<Reachability::Status> override_ NVR_GUARDED_BY(mutex_);
    std::optional<RouteTables> testRouteTables_ NVR_GUARDED_BY(mutex_);
    std::optional<Reachability::Status> keptKernelStatus_ NVR_GUARDED_BY(mutex_);
    std::chrono::steady_clock::time_point keptAt_ NVR_GUARDED_BY(mutex_);
    Reachability::Status lastStatus_ NVR_GUARDED_BY(mutex_) = Reachability::Status::REACHABLE;
    std::vector<std::shared_ptr<Reachability>> armed_ NVR_GUARDED_BY(mutex_);
};

}  // namespace

Reachability::Status Reachability::StatusFromRouteTables(const std::optional<std::string>& ipv4Routes,
                                                         const std::optional<std::string>& ipv6Routes) {
    if (!ipv4Routes && !ipv6Routes) {
        return Status::REACHABLE;
    }
    bool reachable = (ipv4Routes && HasUsableDefaultRoute(*ipv4Routes, IsUsableDefaultIpv4Route)) ||
                     (ipv6Routes && HasUsableDefaultRoute(*ipv6Routes, IsUsableDefaultIpv6Route));
    return reachable ? Status::REACHABLE : Status::NOT_REACHABLE;
}

std::shared_ptr<Reachability> Reachability::ForInternetConnection() {
    return std::shared_ptr<Reachability>(new Reachability());
}

Reachability::Status Reachability::GetStatus() const { return ChangeMonitor::Instance().Status(); }

bool Reachability::SetCallback(std::function<void()> callback) {
    // Arming under the observer's lock is safe: the monitor never holds its own lock while it calls
    // an observer.
    MutexLock lock(mutex_);
    if (callbacks_.has_value()) {
        callbacks_->push_back(std::move(callback));
        return true;
    }
    if (!ChangeMonitor::Instance().Arm(shared_from_this())) {
        // Stay idle, so that the next call tries to arm again rather than queueing behind nothing.
        return false;
    }
    callbacks_.emplace().push_back(std::move(callback));
    return true;
}

void Reachability::Callback() {
    std::vector<std::function<void()>> taken;
    {
        MutexLock lock(mutex_);
        if (callbacks_.has_value()) {
            taken = std::move(*callbacks_);
            callbacks_.reset();
        }
    }
    for (auto& callback : taken) {
        if (!callback) {
            continue;
        }
        try {
            callback();
        } catch (...) {
            // One failing callback must neither stop the others nor the notification thread.
        }
    }
}

void Reachability::SetStatusForTesting(Status status) { ChangeMonitor::Instance().SetOverride(status); }

void Reachability::ClearStatusForTesting() { ChangeMonitor::Instance().SetOverride(std::nullopt); }

void Reachability::ChangeRouteTablesForTesting(std::optional<std::string> ipv4Routes,
                                               std::optional<std::string> ipv6Routes) {
    ChangeMonitor::Instance().SetTestRouteTables(RouteTables{std::move(ipv4Routes), std::move(ipv6Routes)});
}

bool Reachability::ChangeRouteTablesByKernelForTesting(std::optional<std::string> ipv4Routes,
                                                       std::optional<std::string> ipv6Routes) {
    return ChangeMonitor::Instance().SetTestRouteTablesAndRequestRouteMessages(
        RouteTables{std::move(ipv4Routes), std::move(ipv6Routes)});
}

void Reachability::ClearRouteTablesForTesting() {
    ChangeMonitor::Instance().SetTestRouteTables(std::nullopt);
}

}  // namespace NuvraMobile
