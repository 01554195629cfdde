// A C++ app that exits without disposing its core is not called by the SDK once its exit has begun, whatever
// the order in which it built its statics and its core, and an SDK callback under way as the exit begins ends
// before the app's teardown; nothing but the exit stops the SDK from calling the app. Each run is
// tests/integration/ExitingCoreApp.cpp or ThreadLoadingApp.cpp as a process of its own.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/AppRun.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

constexpr int kExitRuns = 5;

struct ExitCase {
    const char* mode;
    /** What the app went through before this was mended. */
    const char* before;
};

void PrintTo(const ExitCase& exitCase, std::ostream* out) { *out << exitCase.mode; }

class CoreExitProcessTest : public ::testing::TestWithParam<ExitCase> {};

// The app's teardown says when it has ended; before that, each SDK call that reaches a torn-down static says
// so. The app ends with its status, and no call of the app's was left running when its exit went on.
TEST_P(CoreExitProcessTest, TheSdkCallsNoneOfTheAppsCodeOnceItsExitHasBegun) {
    const ExitCase& exitCase = GetParam();
    FileSystemTestFolder scratch;
    for (int run = 0; run < kExitRuns; ++run) {
        // No leak check: the app keeps its core, whose threads run to the end.
        const AppRun ended =
            RunApp(NVR_EXITING_CORE_APP, scratch.PathOf("run" + std::to_string(run)), exitCase.mode, "", false);
        ASSERT_TRUE(ended.ExitedWith(0)) << exitCase.before << "; run " << run << ": " << ended.Describe();
        EXPECT_NE(ended.output.find("the app's teardown ended"), std::string::npos)
            << "run " << run << ": " << ended.output;
        EXPECT_EQ(ended.output.find("the SDK called the app at exit"), std::string::npos)
            << exitCase.before << "; run " << run << ": " << ended.output;
        EXPECT_EQ(ended.output.find("after exit began"), std::string::npos)
            << "run " << run << ": " << ended.output;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, CoreExitProcessTest,
    ::testing::Values(
        ExitCase{"static",
                 "a core built by a static initializer unregistered the app's extension at exit after the app's "
                 "later statics were gone"},
        ExitCase{"later",
                 "answers reached a static the app built after its core while it was destroyed"},
        ExitCase{"inflight", "a callback under way as the exit began read the app's statics being destroyed"},
        ExitCase{"callback",
                 "answers reached a static the app built after its core while an exit from an SDK callback "
                 "destroyed it, or that exit waited for its own callback to end"}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.mode); });

// An SDK callback that never ends holds the exit for a bounded time only: the exit says so, then goes on and
// tears the app down.
TEST(CoreExitBoundProcessTest, TheExitGoesOnPastACallbackThatNeverEnds) {
    FileSystemTestFolder scratch;
    // No leak check: the app keeps its core, whose threads run to the end.
    const AppRun run = RunApp(NVR_EXITING_CORE_APP, scratch.PathOf("run"), "stuck", "", false);
    ASSERT_TRUE(run.ExitedWith(0)) << run.Describe();
    const auto warned =
        run.output.find("1 of the app's calls still ran 2000 ms after exit began; the exit goes on.");
    ASSERT_NE(warned, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("the app's teardown ended", warned), std::string::npos) << run.output;
}

// The thread that loaded the SDK is not the main thread, and its end is no exit: the app has every answer it
// asks for afterwards.
TEST(CoreLoadedOnAThreadProcessTest, TheEndOfTheThreadThatLoadedTheSdkStopsNoAnswer) {
    constexpr int kRequests = 100;
    FileSystemTestFolder scratch;
    // No leak check: the app keeps its core, whose threads run to the end.
    const AppRun run = RunApp(NVR_THREAD_LOADING_APP, scratch.PathOf("run"), std::to_string(kRequests), "", false);
    ASSERT_TRUE(run.ExitedWith(0)) << run.Describe();
    EXPECT_EQ(kRequests, run.NumberAfter("answers")) << run.output;
}

}  // namespace
}  // namespace NuvraMobile
