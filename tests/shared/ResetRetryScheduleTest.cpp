#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "shared/ResetRetrySchedule.h"

namespace NuvraMobile {
namespace {

using Clock = ResetRetrySchedule::Clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// One schedule through two failures: each step moves the clock, then acts, then reads the schedule.
TEST(ResetRetryScheduleTest, AFailedResetIsDueAgainAfterThePauseAndTheFirstRefusalOfEachKindIsLogged) {
    Clock::time_point now{};
    ResetRetrySchedule schedule([&now] { return now; });
    enum class Act { NONE, FAIL, REFUSE_HIT, REFUSE_UPDATE, REFUSE_RESET };
    const struct {
        const char* name;
        Clock::duration later;
        Act act;
        bool due;
        std::int64_t secondsLeft;
        bool logged;
    } steps[] = {
        {"nothing failed yet", {}, Act::NONE, true, 0, false},
        {"a refusal before any failure is not logged", {}, Act::REFUSE_HIT, true, 0, false},
        {"a failure starts the pause", {}, Act::FAIL, false, 30, false},
        {"its first refusal is logged", {}, Act::REFUSE_HIT, false, 30, true},
        {"the next one is not", seconds(10), Act::REFUSE_HIT, false, 20, false},
        {"the first refusal of an update is logged", {}, Act::REFUSE_UPDATE, false, 20, true},
        {"the next one is not", {}, Act::REFUSE_UPDATE, false, 20, false},
        {"the first refused reset is logged", {}, Act::REFUSE_RESET, false, 20, true},
        {"the next one is not", {}, Act::REFUSE_RESET, false, 20, false},
        {"part of a second left counts whole", seconds(19) + milliseconds(1), Act::NONE, false, 1, false},
        {"due when the pause has passed", milliseconds(999), Act::NONE, true, 0, false},
        {"a failure of the next try pauses again", seconds(5), Act::FAIL, false, 30, false},
        {"and its first refusal is logged again", {}, Act::REFUSE_HIT, false, 30, true},
        {"and so is its first refused reset", {}, Act::REFUSE_RESET, false, 30, true},
    };
    const std::map<Act, ResetRetrySchedule::Refusal> refusals = {
        {Act::REFUSE_HIT, ResetRetrySchedule::Refusal::NEW_HIT},
        {Act::REFUSE_UPDATE, ResetRetrySchedule::Refusal::UPDATE},
        {Act::REFUSE_RESET, ResetRetrySchedule::Refusal::RESET},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        now += step.later;
        bool logged = false;
        if (step.act == Act::FAIL) {
            schedule.Failed(std::string("reason at ") + step.name);
        } else if (const auto refusal = refusals.find(step.act); refusal != refusals.end()) {
            logged = schedule.Refuse(refusal->second);
        }
        EXPECT_EQ(step.due, schedule.IsDue());
        EXPECT_EQ(step.secondsLeft, schedule.SecondsUntilDue());
        EXPECT_EQ(step.logged, logged);
    }
    EXPECT_EQ("reason at a failure of the next try pauses again", schedule.Reason());
}

}  // namespace
}  // namespace NuvraMobile
