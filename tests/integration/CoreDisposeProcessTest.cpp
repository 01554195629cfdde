// A C++ app that disposes its core while a hit is in flight ends promptly, and its hit stays stored for the
// next launch. Each run is tests/integration/DisposingApp.cpp as a process of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/AppRun.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

// Generous bounds, so that a loaded machine does not fail them; waiting for the request's 5 s time-out would
// pass none of them.
constexpr std::chrono::milliseconds kLateness{1000};
constexpr std::chrono::milliseconds kEndAfterDispose{1000};

struct DisposeCase {
    const char* name;
    std::chrono::milliseconds limit;
    /** How long Dispose may take. */
    std::chrono::milliseconds returnsWithin;
};

class CoreDisposeProcessTest : public ::testing::TestWithParam<DisposeCase> {};

// The collector accepts the hit and never answers. Dispose aborts the core's requests as its modules
// unregister (or, at the latest, when its time is up): a short Dispose returns on time, a long one does not
// wait for the server, nothing is left to wait for the network once the disposal ended, so the process ends
// soon after main returns,
// and the next launch, against a collector on the same port that answers, sends the hit. Once the services
// are disposed too, no store or hit database has a file left beside it.
TEST_P(CoreDisposeProcessTest, ADisposeWithAHitInFlightEndsPromptlyAndTheNextLaunchSendsTheHit) {
    const DisposeCase& testCase = GetParam();
    FileSystemTestFolder scratch;
    // The time measured is the SDK's, not the leak check's.
    const AppRun disposed =
        RunApp(NVR_DISPOSING_APP, scratch.Path(), "silent", std::to_string(testCase.limit.count()), false);
    ASSERT_TRUE(disposed.ExitedWith(0)) << disposed.Describe();
    const long long disposing = disposed.NumberAfter("disposing");
    const long long returned = disposed.NumberAfter("disposed");
    ASSERT_TRUE(disposing > 0 && returned > 0) << disposed.output;
    const auto disposeMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(returned - disposing));
    EXPECT_LT(disposeMs.count(), testCase.returnsWithin.count()) << disposed.output;
    EXPECT_LT(disposed.MsToTheEnd("services disposed"), kEndAfterDispose.count()) << disposed.output;
    // The app's road, the core's Dispose (again, should its time run out) and then the services', closes every
    // store and hit database.
    EXPECT_NE(std::string::npos, disposed.output.find("beside the stores:\n")) << disposed.output;
    EXPECT_EQ(std::vector<std::string>(), FilesBesideDatabases(scratch.Path()));

    const AppRun next =
        RunApp(NVR_DISPOSING_APP, scratch.Path(), "deliver", std::to_string(disposed.NumberAfter("port")));
    EXPECT_TRUE(next.ExitedWith(0)) << "the hit in flight at Dispose did not reach the next launch: "
                                    << next.Describe();
}

INSTANTIATE_TEST_SUITE_P(Limits, CoreDisposeProcessTest,
                         ::testing::Values(DisposeCase{"Short", std::chrono::milliseconds(500),
                                                       std::chrono::milliseconds(500) + kLateness},
                                           DisposeCase{"Long", std::chrono::milliseconds(10000),
                                                       2 * kLateness}),
                         [](const ::testing::TestParamInfo<DisposeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace NuvraMobile
