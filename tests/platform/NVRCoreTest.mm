#import "platform/NVRCore.h"

#include <gmock/gmock.h>

#include <atomic>

#include "PlatformTestSupport.h"
#include "core/hub/EventHub.h"
#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "platform/MobileMarketingCoreBridge.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/storage/AppInfo.h"
#include "services/ui/NVBUrlHandler.h"
#include "support/CapturingLoggingService.h"
#include "support/ChildProcess.h"
#include "support/RecordingModule.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using testing::HasSubstr;

bool SystemStarted() {
    return Log::GetLoggingService() != nullptr || SystemInfoServiceInterface::GetCurrentService() != nullptr;
}

// The system starts once per process: these tests each need a process of their own.

TEST(NVRCoreSettingsTest, SettingsDoNotStartTheSystem) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ScratchApp app;
    [NVRCore setWrapperType:NVRMobileWrapperTypeReactNative];
    EXPECT_TRUE([[NVRCore extensionVersion] isEqualToString:@"2.3.5-RN"]);
    [NVRCore setWrapperType:NVRMobileWrapperTypeNone];
    EXPECT_TRUE([[NVRCore extensionVersion] isEqualToString:@"2.3.5"]);
    [NVRCore setAppGroup:@"group.example"];
    EXPECT_EQ(AppInfo::GetAppGroup(), "group.example");
    [NVRCore setAppGroup:nil];
    EXPECT_EQ(AppInfo::GetAppGroup(), "");
    [NVRCore setLogLevel:NVRMobileLogLevelDebug];
    EXPECT_EQ([NVRCore logLevel], NVRMobileLogLevelDebug);
    [NVRCore registerURLHandler:^BOOL(NSString*) { return NO; }];
    EXPECT_FALSE(SystemStarted());

    [NVRCore lifecyclePause];
    EXPECT_TRUE(SystemStarted());
}

TEST(NVRCoreSettingsTest, NilResultBlocksAreRefusedWithoutStartingTheSystem) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ScratchApp app;
    [NVRCore getPrivacyStatus:nil];
    [NVRCore getSdkIdentities:nil];
    [NVRCore registerURLHandler:nil];
    EXPECT_FALSE(SystemStarted());
}

// The UI service asks the SDK's own URL handler, which must offer each URL to the block the app set.
TEST(NVRCoreUrlHandlerTest, TheAppsHandlerIsOfferedEveryUrlBeforeItIsOpened) {
    if (RanCurrentTestInFreshProcess()) {
        return;
    }
    ScratchApp app;
    std::vector<std::string> offered;
    std::vector<std::string>* sink = &offered;
    [NVRCore registerURLHandler:^BOOL(NSString* url) {
      sink->push_back([url UTF8String]);
      return [url hasPrefix:@"app://"];
    }];
    const auto handler = NuvraMobile::NVBUrlHandler::sharedInstance();
    EXPECT_FALSE(handler->continueOpenUrl("app://home"));
    EXPECT_TRUE(handler->continueOpenUrl("https://example.com/a"));
    EXPECT_EQ((std::vector<std::string>{"app://home", "https://example.com/a"}), offered);
}

/** A started system with a module that records every event, and the log lines from then on. */
class NVRCoreTest : public testing::Test {
protected:
    void SetUp() override {
        if (RanCurrentTestInFreshProcess()) {
            GTEST_SKIP() << "ran in a process of its own";
        }
        recorder_ = std::make_shared<RecordingModule>("test.recorder");
        MobileMarketingCoreBridge::GetInstance2()->GetCore()->GetEventHub()->RegisterModule(recorder_);
        log_ = std::make_unique<ScopedCapturingLog>(LoggingMode::Trace);
        Gate started;
        Gate* startedGate = &started;
        [NVRCore start:^{
          startedGate->Open();
        }];
        ASSERT_TRUE(started.Wait());
    }

    void TearDown() override { log_.reset(); }

    std::shared_ptr<EventData> DataOfEvent(const std::string& name) {
        const auto event = WaitForEventNamed(*recorder_, name);
        return event ? event->GetData() : nullptr;
    }

    std::vector<CapturingLoggingService::Line> LinesTagged(const std::string& tag) {
        std::vector<CapturingLoggingService::Line> tagged;
        for (const auto& line : log_->Service().GetLines()) {
            if (line.tag == tag) {
                tagged.push_back(line);
            }
        }
        return tagged;
    }

    ScratchApp app_;
    std::shared_ptr<RecordingModule> recorder_;
    std::unique_ptr<ScopedCapturingLog> log_;
};

TEST_F(NVRCoreTest, TrackActionSendsOnlyTheStringEntriesAndWarnsOnce) {
    NSDictionary* contextData = [NSDictionary
        dictionaryWithObjectsAndKeys:@"blue", @"color", [NSNumber numberWithInt:3], @"count", nil];
    [NVRCore trackAction:@"purchase" data:contextData];

    const auto data = DataOfEvent("AnalyticsTrack");
    ASSERT_NE(data, nullptr);
    std::string action;
    EXPECT_TRUE(data->GetString("action", action));
    EXPECT_EQ(action, "purchase");
    std::map<std::string, std::string> sent;
    EXPECT_TRUE(data->GetStringMap("contextdata", sent));
    EXPECT_EQ(sent, (std::map<std::string, std::string>{{"color", "blue"}}));
    const auto warnings = LinesTagged("Analytics");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].level, LoggingMode::Warning);
    EXPECT_THAT(warnings[0].message, HasSubstr("count"));
    EXPECT_THAT(warnings[0].message, testing::Not(HasSubstr("color")));
}

TEST_F(NVRCoreTest, TrackStateWithNilNameAndDataSendsEmptyValues) {
    [NVRCore trackState:nil data:nil];

    const auto data = DataOfEvent("AnalyticsTrack");
    ASSERT_NE(data, nullptr);
    std::string state = "unset";
    EXPECT_TRUE(data->GetString("state", state));
    EXPECT_EQ(state, "");
    EXPECT_TRUE(LinesTagged("Analytics").empty());
}

TEST_F(NVRCoreTest, ASecondStartOnlyLogsAndItsBlockNeverRuns) {
    std::atomic<bool> secondRan{false};
    std::atomic<bool>* secondRanFlag = &secondRan;
    [NVRCore start:^{
      *secondRanFlag = true;
    }];
    EXPECT_TRUE(log_->Service().Contains("Can't execute Core start action more than once."));

    // Answered on the hub's thread after everything queued before it.
    Gate answered;
    Gate* answeredGate = &answered;
    __block NVRMobilePrivacyStatus status = NVRMobilePrivacyStatusOptIn;
    [NVRCore getPrivacyStatus:^(NVRMobilePrivacyStatus published) {
      status = published;
      answeredGate->Open();
    }];
    ASSERT_TRUE(answered.Wait());
    EXPECT_EQ(status, NVRMobilePrivacyStatusUnknown);
    EXPECT_FALSE(secondRan);
}

TEST_F(NVRCoreTest, ThePushTokenIsSentAsUpperCaseHex) {
    const unsigned char token[] = {0x0A, 0xFF};
    [NVRCore setPushIdentifier:[NSData dataWithBytes:token length:2]];

    const auto data = DataOfEvent("SetPushIdentifier");
    ASSERT_NE(data, nullptr);
    std::string pushIdentifier;
    EXPECT_TRUE(data->GetString(CoreConstants::EventDataKeys::Identity::PUSH_IDENTIFIER, pushIdentifier));
    EXPECT_EQ(pushIdentifier, "0AFF");
}

TEST_F(NVRCoreTest, MessageInfoKeepsAnyValueUnderANonEmptyKey) {
    NSDictionary* info = [NSDictionary
        dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:3], @"count", @"dropped", @"", nil];
    [NVRCore collectMessageInfo:info];

    const auto data = DataOfEvent("CollectData");
    ASSERT_NE(data, nullptr);
    const auto sent = data->AsMapCopy();
    ASSERT_EQ(sent.size(), 1u);
    std::int32_t count = 0;
    EXPECT_TRUE(sent.at("count")->GetInteger(count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(LinesTagged("collectMessageInfo").size(), 1u);
}

TEST_F(NVRCoreTest, LaunchInfoIsSentWithTheNotificationKeysMapped) {
    NSDictionary* launch = [NSDictionary
        dictionaryWithObjectsAndKeys:@"app://offer", @"nvb_deeplink", @"m-1", @"nvb_m_id", @"x", @"other", nil];
    [NVRCore collectLaunchInfo:launch];

    const auto data = DataOfEvent("CollectData");
    ASSERT_NE(data, nullptr);
    std::map<std::string, std::string> sent;
    for (const auto& [key, value] : data->AsMapCopy()) {
        value->GetString(sent[key]);
    }
    EXPECT_EQ(sent, (std::map<std::string, std::string>{
                        {"deeplink", "app://offer"}, {"pushmessageid", "m-1"}, {"other", "x"}}));
}

TEST_F(NVRCoreTest, LifecycleStartDropsEntriesThatAreNotStrings) {
    NSDictionary* contextData =
        [NSDictionary dictionaryWithObjectsAndKeys:@"v", @"k", [NSNull null], @"n", nil];
    [NVRCore lifecycleStart:contextData];

    ASSERT_NE(DataOfEvent("LifecycleResume"), nullptr);
    EXPECT_EQ(LinesTagged("Lifecycle Start").size(), 1u);
}

TEST_F(NVRCoreTest, TheAppsLogLinesNeedATagAndAMessage) {
    [NVRCore setLogLevel:NVRMobileLogLevelDebug];
    testing::internal::CaptureStderr();
    [NVRCore log:NVRMobileLogLevelDebug tag:@"" message:@"no tag"];
    [NVRCore log:NVRMobileLogLevelDebug tag:@"App" message:nil];
    [NVRCore log:NVRMobileLogLevelTrace tag:@"App" message:@"above the level"];
    [NVRCore log:NVRMobileLogLevelWarning tag:@"App" message:@"written"];
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[NuvraMobileSDK WARNING <App>]: written\n");
}

}  // namespace
}  // namespace NuvraMobile
