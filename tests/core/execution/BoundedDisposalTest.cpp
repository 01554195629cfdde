#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/execution/BoundedDisposal.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

/** A clock that moves only when the disposal pauses or the callee spends its time. */
struct ManualDisposalClock {
    TimePoint now{};
    /** Milliseconds since the start of the clock at which each pause ended. */
    std::vector<long long> pausedUntil;

    DisposalClock Clock() {
        return DisposalClock{[this] { return now; },
                             [this](TimePoint until) {
                                 pausedUntil.push_back(Elapsed(until));
                                 now = std::max(now, until);
                             }};
    }
    static long long Elapsed(TimePoint at) {
        return std::chrono::duration_cast<milliseconds>(at - TimePoint{}).count();
    }
};

struct DisposalCase {
    const char* label;
    milliseconds limit;
    /** Calls that report "not yet" before one reports done; -1: never done. */
    int refusals;
    /** Whether a call that is not done spends all the time it is given, or gives up at once. */
    bool spendsItsTime;
    bool expectedResult;
    /** Milliseconds given to each call. */
    std::vector<long long> expectedGiven;
    /** Milliseconds since the start at which each pause ended. */
    std::vector<long long> expectedPauses;
    bool expectedWarning;
};

TEST(BoundedDisposalTest, GivesTheWholeLimitAndRetriesWhatIsLeftWithoutABusyLoop) {
    const DisposalCase cases[] = {
        {"done at once", milliseconds(1000), 0, false, true, {1000}, {}, false},
        {"done on a later call",
         milliseconds(60000),
         2,
         false,
         true,
         {60000, 59000, 58000},
         {1000, 2000},
         false},
        // One call over the whole limit: a callee that shares its time out (the hub's drain) gets its share.
        {"spends the whole limit in one call", milliseconds(10000), -1, true, false, {10000}, {}, true},
        // A callee that gives up at once is called again a second later, never in a loop, until the limit.
        {"gives up at once over several seconds",
         milliseconds(3500),
         -1,
         false,
         false,
         {3500, 2500, 1500, 500},
         {1000, 2000, 3000, 3500},
         true},
        {"gives up at once within its first second", milliseconds(30), -1, false, false, {30}, {30}, true},
        {"zero limit only starts, silently", milliseconds(0), -1, false, false, {0}, {}, false},
    };
    // Far more calls than any case expects: a busy loop is stopped here, so that it fails instead of hanging.
    constexpr std::size_t BUSY_LOOP_CALLS = 100;
    for (const auto& disposal : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        ManualDisposalClock clock;
        std::vector<long long> given;
        const bool result = DisposeWithin(
            disposal.limit,
            [&](milliseconds timeout) {
                given.push_back(timeout.count());
                if (disposal.refusals >= 0 && static_cast<int>(given.size()) > disposal.refusals) {
                    return true;
                }
                if (disposal.spendsItsTime || given.size() >= BUSY_LOOP_CALLS) {
                    clock.now += timeout;
                }
                return false;
            },
            "Test", "The test queue", clock.Clock());
        EXPECT_EQ(disposal.expectedResult, result) << disposal.label;
        EXPECT_EQ(disposal.expectedGiven, given) << disposal.label;
        EXPECT_EQ(disposal.expectedPauses, clock.pausedUntil) << disposal.label;
        EXPECT_EQ(disposal.expectedWarning, log.Service().Contains("The test queue did not end within"))
            << disposal.label;
    }
}

TEST(BoundedDisposalTest, AnErrorEndsTheWaitWithALoggedWarning) {
    ScopedCapturingLog log(LoggingMode::Warning);
    int calls = 0;
    EXPECT_FALSE(DisposeWithin(
        milliseconds(60000),
        [&](milliseconds) -> bool {
            ++calls;
            throw std::runtime_error("broken queue");
        },
        "Test", "The test queue"));
    EXPECT_EQ(1, calls);
    EXPECT_TRUE(log.Service().Contains("Disposing The test queue failed"));
}

}  // namespace
}  // namespace NuvraMobile
