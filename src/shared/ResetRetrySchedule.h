#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace NuvraMobile {

/**
 * When a hit database whose damaged file could not be replaced tries its reset again, and which of the
 * hits it refuses meanwhile are told of: the reset waits a pause after each failure (a full disk needs
 * time to get room, and a salvage reads every row), and the refusals of one pause are logged once, with
 * the reason, so that an app tracking fast does not flood its log. Not thread-safe: the owner serialises
 * the calls.
 */
class ResetRetrySchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds PAUSE{30};

    explicit ResetRetrySchedule(std::function<Clock::time_point()> now = &Clock::now);

    /** A reset failed for `reason`: the next one is due once the pause has passed. */
    void Failed(std::string reason);
    /** True once the pause after the last failure has passed (at once when none failed). */
    bool IsDue() const;
    /** Counts one refused hit; true for the first after each failure, the one to log. */
    bool Refuse();
    /** The reason given with the last failure. */
    const std::string& Reason() const { return reason_; }
    /** Whole seconds until the next reset is due, rounded up; 0 when it is due. */
    std::int64_t SecondsUntilDue() const;

private:
    std::function<Clock::time_point()> now_;
    Clock::time_point due_;
    std::string reason_;
    bool refusalLogged_ = true;
};

}  // namespace NuvraMobile
