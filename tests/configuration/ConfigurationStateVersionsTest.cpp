#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "configuration/ConfigurationStateVersions.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/EventData.h"
#include "support/FakeEventHub.h"
#include "support/ManualTaskExecutor.h"
#include "support/RecordingModule.h"

namespace NuvraMobile {
namespace {

/** The versions written through a registered owner on a fake hub, each as it stands. */
class ConfigurationStateVersionsTest : public ::testing::Test {
protected:
    void SetUp() override { hub_->Register(owner_, executor_); }

    /** Each version written, as it stands: the "source" of its configuration, or "PREV". */
    std::map<int32_t, std::string> Versions() const {
        std::map<int32_t, std::shared_ptr<EventData>> versions;
        for (const auto& call : hub_->Calls()) {
            if (call.operation == "CreateSharedState") {
                versions.emplace(call.version, call.data);
            } else if (call.operation == "UpdateSharedState" &&
                       versions[call.version] == SHARED_STATE_PENDING) {
                versions[call.version] = call.data;
            }
        }
        std::map<int32_t, std::string> shown;
        for (const auto& [version, data] : versions) {
            shown[version] = data == SHARED_STATE_PREV ? "PREV" : data->OptString("source", "?");
        }
        return shown;
    }

    static std::shared_ptr<EventData> Configuration(const std::string& source) {
        return std::make_shared<EventData>(std::map<std::string, std::string>{{"source", source}});
    }

    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<RecordingModule> owner_ = std::make_shared<RecordingModule>("com.test.owner");
    ConfigurationStateVersions versions_{*owner_};
};

// A publication overtaken by a later reservation belongs to no event: the later version shows it only
// when that version itself changes nothing, and once filled it stands; a still later version that
// changes nothing shows what the filled one left. Its publisher learns that nothing of its own was
// published, so that no module acts on a configuration that no event had.
TEST_F(ConfigurationStateVersionsTest, ACarriedPublicationIsShownOnlyByTheVersionThatCarriesIt) {
    versions_.Reserve(3);
    EXPECT_FALSE(versions_.Publish(2, Configuration("carried, then rolled back")));
    versions_.RollBack(3);

    versions_.Reserve(5);
    EXPECT_FALSE(versions_.Publish(4, Configuration("carried, then filled")));
    EXPECT_TRUE(versions_.Publish(5, Configuration("filling")));
    versions_.Reserve(6);
    versions_.RollBack(6);

    const std::map<int32_t, std::string> expected = {
        {3, "carried, then rolled back"}, {5, "filling"}, {6, "PREV"}};
    EXPECT_EQ(expected, Versions());
}

}  // namespace
}  // namespace NuvraMobile
