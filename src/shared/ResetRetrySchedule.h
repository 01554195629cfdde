#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace NuvraMobile {

/**
 * When a hit database whose damaged file could not be replaced tries its reset again, and which of the
 * refusals it makes meanwhile are told of: the reset waits a pause after each failure (a full disk needs
 * time to get room, and a salvage reads every row), and the refusals of each kind in one pause are logged
 * once, with the reason, so that an app tracking fast does not flood its log. Not thread-safe: the owner
 * serialises the calls.
 */
class ResetRetrySchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds PAUSE{30};

    /** What is refused while the reset waits: each kind is told of once per pause. */
    enum class Refusal : std::uint8_t {
        NEW_HIT,
        UPDATE,
        // A statement met the damaged file, and no reset follows it.
        RESET,
    };

    explicit ResetRetrySchedule(std::function<Clock::time_point()> now = &Clock::now);

    /** A reset failed for `reason`: the next one is due once the pause has passed. */
    void Failed(std::string reason);
    /** True once the pause after the last failure has passed (at once when none failed). */
    bool IsDue() const;
    /** Counts one refusal; true for the first of its kind after each failure, the one to log. */
    bool Refuse(Refusal refusal);
    /** The reason given with the last failure. */
    const std::string& Reason() const { return reason_; }
    /** Whole seconds until the next reset is due, rounded up; 0 when it is due. */
    std::int64_t SecondsUntilDue() const;

private:
    std::function<Clock::time_point()> now_;
    Clock::time_point due_;
    std::string reason_;
    // The kinds of refusal logged since the last failure, one bit each; all of them before any failure.
    std::uint8_t refusalsLogged_ = 0xFF;
};

}  // namespace NuvraMobile
