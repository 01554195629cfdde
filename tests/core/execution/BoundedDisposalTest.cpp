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

struct DisposalCase {
    const char* label;
    milliseconds limit;
    /** Calls that report "not yet" before one reports done; -1: never done. */
    int refusals;
    bool expectedResult;
    int expectedCalls;
    bool expectedWarning;
};

TEST(BoundedDisposalTest, RetriesUntilDoneOrTimeIsUpAndNamesWhatDidNotEnd) {
    const DisposalCase cases[] = {
        {"done at once", milliseconds(1000), 0, true, 1, false},
        {"done on a later slice", milliseconds(60000), 2, true, 3, false},
        // A dispose that gives up at once is not called again before its slice ends: no busy loop.
        {"never done within one slice", milliseconds(30), -1, false, 1, true},
        {"zero limit only starts, silently", milliseconds(0), -1, false, 1, false},
    };
    for (const auto& disposal : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        int calls = 0;
        std::vector<milliseconds> given;
        const bool result = DisposeWithin(
            disposal.limit,
            [&](milliseconds timeout) {
                given.push_back(timeout);
                return disposal.refusals >= 0 && calls++ >= disposal.refusals;
            },
            "Test", "The test queue");
        EXPECT_EQ(disposal.expectedResult, result) << disposal.label;
        EXPECT_EQ(disposal.expectedCalls, static_cast<int>(given.size())) << disposal.label;
        for (const auto timeout : given) {
            EXPECT_LE(timeout, std::min(disposal.limit, milliseconds(1000))) << disposal.label;
        }
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
