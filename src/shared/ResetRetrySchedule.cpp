#include "shared/ResetRetrySchedule.h"

#include <utility>

namespace NuvraMobile {

ResetRetrySchedule::ResetRetrySchedule(std::function<Clock::time_point()> now)
    : now_(std::move(now)), due_(now_()) {}

void ResetRetrySchedule::Failed(std::string reason) {
    due_ = now_() + PAUSE;
    reason_ = std::move(reason);
    refusalsLogged_ = 0;
}

bool ResetRetrySchedule::IsDue() const { return now_() >= due_; }

bool ResetRetrySchedule::Refuse(Refusal refusal) {
    const auto bit = static_cast<std::uint8_t>(1U << static_cast<unsigned>(refusal));
    const bool first = (refusalsLogged_ & bit) == 0;
    refusalsLogged_ |= bit;
    return first;
}

std::int64_t ResetRetrySchedule::SecondsUntilDue() const {
    const Clock::duration left = due_ - now_();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    return std::chrono::ceil<std::chrono::seconds>(left).count();
}

}  // namespace NuvraMobile
