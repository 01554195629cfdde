#pragma once

#include <chrono>
#include <map>
#include <string>
#include <utility>

#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Tells the host app's log of requests that failed below HTTP (refused redirect, redirect loop, body cap,
 * time-out, TLS or malformed answer): a warning with the URL's host and curl's reason. A failure of the
 * same kind to the same host is warned of once per interval; the repeats go to the debug log, so that an
 * offline app retrying every few seconds does not flood it. Any thread.
 */
class TransportFailureLog {
public:
    using Clock = std::chrono::steady_clock;

    explicit TransportFailureLog(Clock::duration interval = std::chrono::minutes(1));

    /** `kind` tells failures apart where `reason`'s text varies (curl's code); `now` is for tests. */
    void Report(const std::string& url, int kind, const std::string& reason,
                Clock::time_point now = Clock::now());

    /** The host of `url`, or "" when it has none. */
    static std::string HostOf(const std::string& url);

private:
    bool IsFirstInInterval(const std::string& host, int kind, Clock::time_point now) NVR_REQUIRES(mutex_);

    const Clock::duration interval_;
    Mutex mutex_;
    /** When each (host, kind) was last warned of; entries older than the interval are dropped. */
    std::map<std::pair<std::string, int>, Clock::time_point> lastWarned_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
