#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "analytics/AnalyticsVersionProvider.h"

namespace NuvraMobile {
namespace {

// Every NVRAnalytics call sets the version that the hit worker reads while it builds hit URLs.
TEST(NVRAnalyticsVersionConcurrencyTest, TheHitWorkerReadsOnlyWholeVersionsWhileCallsSetThem) {
    const std::string first = "OIP-2.2.1-2.3.5";
    const std::string second = "OIP-2.2.1-2.3.5-RN";
    AnalyticsVersionProvider::SetVersion(first);
    std::vector<std::thread> callers;
    for (const std::string* version : {&first, &second}) {
        callers.emplace_back([version] {
            for (int call = 0; call < 2000; ++call) {
                AnalyticsVersionProvider::SetVersion(*version);
            }
        });
    }
    for (int read = 0; read < 2000; ++read) {
        const std::string version = AnalyticsVersionProvider::GetVersion();
        ASSERT_TRUE(version == first || version == second) << version;
    }
    for (auto& caller : callers) {
        caller.join();
    }
    AnalyticsVersionProvider::SetVersion("");
}

}  // namespace
}  // namespace NuvraMobile
