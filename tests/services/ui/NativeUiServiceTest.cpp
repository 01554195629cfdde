#include <gtest/gtest.h>

#include "services/PlatformServices.h"
#include "services/ui/NVBSystemNotificationHandler.h"
#include "services/ui/NativeUiService.h"
#include "services/ui/RecordingNotificationSink.h"
#include "services/ui/RecordingUiBackend.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

class CountingAppStateListener : public Object, public virtual AppStateListenerInterface {
public:
    void OnForeground() override { foreground.Raise(); }
    void OnBackground() override { background.Raise(); }
    SignalCounter foreground;
    SignalCounter background;
};

class NativeUiServiceTest : public ::testing::Test {
protected:
    void Drain() { ASSERT_TRUE(platform_.mainQueue->RunAndWait([] {}, SIGNAL_TIMEOUT)); }

    UiPlatform platform_ = GetUiPlatform();
    std::shared_ptr<RecordingUiBackend> backend_ = std::dynamic_pointer_cast<RecordingUiBackend>(platform_.backend);
    std::shared_ptr<RecordingNotificationSink> sink_ =
        std::dynamic_pointer_cast<RecordingNotificationSink>(platform_.notificationSink);
    std::shared_ptr<NativeUiService> service_ = std::make_shared<NativeUiService>(platform_);
};

TEST_F(NativeUiServiceTest, TheFactoryHandsOutTheUiServiceOverTheRecordingDefaults) {
    auto shared = SharedPlatformServices::Create();
    ASSERT_TRUE(std::dynamic_pointer_cast<NativeUiService>(shared->CreatePlatformServices()->GetUIService()));
    ASSERT_TRUE(backend_);
    ASSERT_TRUE(sink_);
    EXPECT_FALSE(InstallUiPlatform(UiPlatform{}));  // in use already
}

TEST_F(NativeUiServiceTest, TheOneMessageFlagIsSharedByEveryServiceAndEmptyUrlsAreRefused) {
    auto other = std::make_shared<NativeUiService>(platform_);
    service_->ShowAlert("Title", "", "OK", "", nullptr);
    Drain();
    EXPECT_TRUE(service_->IsMessageDisplayed());
    EXPECT_TRUE(other->IsMessageDisplayed());
    ASSERT_EQ(backend_->GetAlertsOnScreen().size(), 1u);
    EXPECT_EQ(backend_->GetAlertsOnScreen()[0].alert.message, std::nullopt);
    ASSERT_TRUE(backend_->PressAlertButton(std::string("OK")));
    EXPECT_FALSE(other->IsMessageDisplayed());

    EXPECT_FALSE(service_->ShowUrl(""));
    EXPECT_TRUE(service_->ShowUrl("https://example.com/"));
}

TEST_F(NativeUiServiceTest, OnlyTheRecordFormCarriesATitle) {
    const size_t before = sink_->GetRequests().size();
    service_->ShowLocalNotification("field", "Body", "", "", 0, "app://deep", 0, "");
    auto args = ShowLocalNotificationArgs::Create();
    args->identifier = "record";
    args->title = "Title";
    service_->ShowLocalNotification(args);
    service_->ShowLocalNotification(nullptr);
    Drain();
    const auto requests = sink_->GetRequests();
    ASSERT_EQ(requests.size(), before + 2);
    EXPECT_EQ(requests[before].identifier, "field");
    EXPECT_EQ(requests[before].title, std::nullopt);
    EXPECT_EQ(requests[before].userInfo, std::optional<std::string>(R"({"nvb_deeplink":"app://deep"})"));
    EXPECT_EQ(requests[before + 1].title, std::optional<std::string>("Title"));
}

TEST_F(NativeUiServiceTest, TheHostsLifecycleReportsReachTheStateAndItsListeners) {
    auto listener = std::make_shared<CountingAppStateListener>();
    service_->RegisterAppStateListener(listener);
    service_->RegisterAppStateListener(listener);
    service_->RegisterAppStateListener(nullptr);
    EXPECT_EQ(NVBSystemNotificationHandler::sharedInstance()->getNumListeners(), 1u);

    service_->ReportApplicationNotification({ApplicationNotificationName::DID_FINISH_LAUNCHING});
    ASSERT_TRUE(listener->foreground.WaitFor(1));
    EXPECT_EQ(service_->GetAppState(), AppState::FOREGROUND);
    EXPECT_FALSE(ReportApplicationNotification(nullptr, ApplicationNotificationName::DID_ENTER_BACKGROUND));
    EXPECT_TRUE(ReportApplicationNotification(service_, ApplicationNotificationName::DID_ENTER_BACKGROUND));
    ASSERT_TRUE(listener->background.WaitFor(1));
    EXPECT_EQ(service_->GetAppState(), AppState::BACKGROUND);
    service_->ReportApplicationNotification({ApplicationNotificationName::WILL_ENTER_FOREGROUND});
    ASSERT_TRUE(listener->foreground.WaitFor(2));
    EXPECT_EQ(service_->GetAppState(), AppState::FOREGROUND);

    service_->UnregisterAppStateListener(listener);
    service_->UnregisterAppStateListener(nullptr);
    EXPECT_EQ(NVBSystemNotificationHandler::sharedInstance()->getNumListeners(), 0u);
}

}  // namespace
}  // namespace NuvraMobile
