// The User profile module on a real core over the native services and a temporary folder: rule
// consequences and public API calls change the attributes, and later processes over the same folder
// find them.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "services/PlatformServices.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/ChildProcess.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "userprofile/UserProfilePublicApi.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

constexpr const char* kResponse = "UserProfile Response Event";
constexpr const char* kStateName = "com.nuvra.module.userProfile";

class UserProfileIntegrationTest : public ::testing::Test {
protected:
    void TearDown() override { StopSession(); }

    /** A new core over the same folder; the module registers before the start, or after the boot. */
    void StartSession(bool registerAfterBoot = false) {
        if (!shared_) {
            shared_ = SharedPlatformServices::Create();
        }
        core_ = Core::Create([shared = shared_] { return shared->CreatePlatformServices(); });
        observer_ = std::make_shared<ObserverModule>();
        core_->GetEventHub()->RegisterModule(observer_);
        api_ = UserProfilePublicApi::Create(core_->GetEventHub(), nullptr);
        if (!registerAfterBoot) {
            api_->RegisterUserProfile();
        }
        BootCore(*core_);
        booted_ = observer_->WaitForName("EventHub");
        if (!booted_) {
            throw std::runtime_error("the hub did not boot");
        }
        if (registerAfterBoot) {
            api_->RegisterUserProfile();
        }
    }

    void StopSession() {
        if (core_) {
            core_->Dispose(10s);
            core_.reset();
            observer_.reset();
        }
    }

    /** The `count`-th response of this session (from 1), waiting up to 10 s; throws when it never comes. */
    std::shared_ptr<Event> WaitForResponse(size_t count) {
        std::shared_ptr<Event> found;
        observer_->WaitUntil([&](const std::vector<std::shared_ptr<Event>>& events) {
            size_t seen = 0;
            for (const auto& event : events) {
                if (event->GetName() == kResponse && ++seen == count) {
                    found = event;
                    return true;
                }
            }
            return false;
        });
        if (!found) {
            throw std::runtime_error("no response " + std::to_string(count));
        }
        return found;
    }

    /** The attributes of the shared state valid at `event`. */
    VariantMap ProfileAt(const std::shared_ptr<Event>& event) {
        VariantMap profile;
        const auto state = observer_->GetSharedEventState(kStateName, event);
        if (state) {
            state->GetVariantMap("userprofiledata", profile);
        }
        return profile;
    }

    void WriteConsequence(const std::string& key, const std::shared_ptr<Variant>& value) {
        VariantMap detail = {{"operation", Variant::FromString("write")}, {"key", Variant::FromString(key)}};
        if (value) {
            detail["value"] = value;
        }
        core_->DispatchEvent(ConsequenceEvent("csp-" + std::to_string(++consequences_), "csp", detail),
                             nullptr);
    }

    /** The count under a counter attribute's message id; -1 when there is none. */
    static double CountOf(const VariantMap& profile, const std::string& key, const std::string& messageId) {
        VariantMap counters;
        double count = -1;
        if (profile.count(key) && profile.at(key)->GetVariantMap(counters) && counters.count(messageId)) {
            counters.at(messageId)->GetDouble(count);
        }
        return count;
    }

    /**
     * Three clicks on message m1, written in a process of their own that then ends without a clean stop.
     * The process is forked: the test must run in a process with no other thread (RanCurrentTestInFreshProcess).
     */
    void ClickThreeTimesInAnotherProcess() {
        ASSERT_TRUE(RunInChildProcess([this] {
            StartSession();
            for (int click = 0; click < 3; ++click) {
                WriteConsequence("a.clicked", Variant::FromString("m1"));
            }
            if (CountOf(ProfileAt(WaitForResponse(4)), "a.clicked", "m1") != 3) {
                throw std::runtime_error("three clicks were not counted");
            }
        }));
    }

    ScopedAppFolders folders_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<UserProfilePublicApi> api_;
    std::shared_ptr<Event> booted_;
    int consequences_ = 0;
};

TEST_F(UserProfileIntegrationTest, ClickCountersSurviveARestart) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ClickThreeTimesInAnotherProcess();

    StartSession();
    const auto boot = WaitForResponse(1);
    EXPECT_EQ(3, CountOf(ProfileAt(boot), "a.clicked", "m1"));
    WriteConsequence("a.clicked", Variant::FromString("m1"));
    WriteConsequence("a.clicked", Variant::FromString("m2"));
    const auto profile = ProfileAt(WaitForResponse(3));
    EXPECT_EQ(4, CountOf(profile, "a.clicked", "m1"));
    EXPECT_EQ(1, CountOf(profile, "a.clicked", "m2"));
}

TEST_F(UserProfileIntegrationTest, AClickCounterAtThe32BitLimitStaysThere) {
    CreateNativeLocalStorageService()
        ->GetDataStore("NVBUserProfile")
        ->SetString("user_profile", R"({"a.clicked": {"m1": 2147483647, "m2": 2147483646}})");
    StartSession();
    WriteConsequence("a.clicked", Variant::FromString("m1"));
    WriteConsequence("a.clicked", Variant::FromString("m2"));
    const auto profile = ProfileAt(WaitForResponse(3));
    EXPECT_EQ(2147483647, CountOf(profile, "a.clicked", "m1"));
    EXPECT_EQ(2147483647, CountOf(profile, "a.clicked", "m2"));
}

TEST_F(UserProfileIntegrationTest, ClickBeforeTheStoreIsLoadedCountsOnTheStoredCounters) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ClickThreeTimesInAnotherProcess();

    // Registered after the boot, the module has not loaded the store when the click arrives.
    StartSession(true);
    WriteConsequence("a.clicked", Variant::FromString("m1"));
    EXPECT_EQ(4, CountOf(ProfileAt(WaitForResponse(1)), "a.clicked", "m1"));
}

TEST_F(UserProfileIntegrationTest, NullOrMissingValueRemovesTheAttribute) {
    StartSession();
    api_->UpdateUserAttributes({{"a", Variant::FromString("1")},
                                {"b", Variant::FromString("2")},
                                {"c", Variant::FromString("3")},
                                {"a.viewed", Variant::FromString("m1")}});
    api_->UpdateUserAttribute("a", "");
    WriteConsequence("b", Variant::FromNull());
    WriteConsequence("a.viewed", nullptr);
    WriteConsequence("never.set", Variant::FromNull());

    const auto profile = ProfileAt(WaitForResponse(6));
    EXPECT_EQ((std::vector<std::string>{"c"}), [&] {
        std::vector<std::string> keys;
        for (const auto& entry : profile) {
            keys.push_back(entry.first);
        }
        return keys;
    }());
}

TEST_F(UserProfileIntegrationTest, PublicApiChangesRoundTripThroughTheSharedState) {
    StartSession();
    api_->UpdateUserAttributes({{"age", Variant::FromString("30")},
                                {"score", Variant::FromInteger(5)},
                                {"vip", Variant::FromBoolean(true)}});
    const auto updated = WaitForResponse(2);
    auto profile = ProfileAt(updated);
    std::string age;
    ASSERT_TRUE(profile.count("age"));
    EXPECT_TRUE(profile.at("age")->GetString(age));
    EXPECT_EQ("30", age);
    EXPECT_EQ(VariantKind::VARIANT_INTEGER, profile.at("score")->GetKind());
    EXPECT_EQ(VariantKind::VARIANT_BOOLEAN, profile.at("vip")->GetKind());
    // The state and the response each hold their own data object.
    EXPECT_NE(observer_->GetSharedEventState(kStateName, updated).get(), updated->GetData().get());

    // Each request waits for the previous answer, so the state at an answer is that request's.
    api_->RemoveUserAttribute("age");
    WaitForResponse(3);
    api_->RemoveUserAttribute("not.stored");
    api_->UpdateUserAttribute("name", "Ada");
    profile = ProfileAt(WaitForResponse(4));
    EXPECT_EQ(0u, profile.count("age"));
    EXPECT_EQ(1u, profile.count("name"));
    EXPECT_EQ(3u, profile.size());
    StopSession();

    StartSession();
    EXPECT_EQ(3u, ProfileAt(WaitForResponse(1)).size());
}

}  // namespace
}  // namespace NuvraMobile
