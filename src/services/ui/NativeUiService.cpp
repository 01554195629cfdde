#include "services/ui/NativeUiService.h"

#include "services/ui/FloatingButton.h"
#include "services/ui/FullscreenMessage.h"
#include "services/ui/NVBAlertHandler.h"
#include "services/ui/NVBLocalNotificationHandler.h"
#include "services/ui/NVBSystemNotificationHandler.h"
#include "services/ui/NVBUrlHandler.h"

namespace NuvraMobile {

NativeUiService::NativeUiService(UiPlatform platform)
    : platform_(std::move(platform)), monitor_(std::make_shared<NVBMessagesMonitor>()) {
    NVBSystemNotificationHandler::sharedInstance();  // app-state tracking starts with the service
}

void NativeUiService::ShowAlert(const std::string& title, const std::string& message,
                                const std::string& positiveButtonText, const std::string& negativeButtonText,
                                const std::shared_ptr<AlertListenerInterface>& listener) {
    NVBAlertHandler::showWithTitle(platform_, AbsentWhenEmpty(title), AbsentWhenEmpty(message),
                                   AbsentWhenEmpty(positiveButtonText), AbsentWhenEmpty(negativeButtonText), listener,
                                   monitor_);
}

std::shared_ptr<FullScreenMessageUiInterface> NativeUiService::CreateFullscreenMessage(
    const std::string& html, const std::shared_ptr<FullscreenListenerInterface>& listener) {
    return FullscreenMessage::CreateFullscreenMessage(platform_, html, listener, monitor_);
}

void NativeUiService::ShowLocalNotification(const std::string& identifier, const std::string& content,
                                            const std::string& sound, const std::string& category,
                                            std::int64_t delay, const std::string& deepLink, std::int64_t fireDate,
                                            const std::string& userInfo) {
    NVBLocalNotificationHandler::scheduleWithArguments(
        platform_, NVBLocalNotificationHandler::MakeArguments(identifier, content, sound, category, delay, deepLink,
                                                              fireDate, userInfo));
}

void NativeUiService::ShowLocalNotification(const std::shared_ptr<ShowLocalNotificationArgs>& args) {
    NVBLocalNotificationHandler::scheduleWithArguments(platform_, args);
}

bool NativeUiService::ShowUrl(const std::string& url) {
    return NVBUrlHandler::showUrl(platform_, AbsentWhenEmpty(url));
}

AppState NativeUiService::GetAppState() const {
    return NVBSystemNotificationHandler::sharedInstance()->getAppState();
}

void NativeUiService::RegisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    NVBSystemNotificationHandler::sharedInstance()->registerListener(listener);
}

void NativeUiService::UnregisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    NVBSystemNotificationHandler::sharedInstance()->unregisterListener(listener);
}

std::shared_ptr<FloatingButtonInterface> NativeUiService::CreateFloatingButton(
    const std::shared_ptr<FloatingButtonListenerInterface>& listener) {
    return std::make_shared<FloatingButton>(platform_, listener);
}

bool NativeUiService::IsMessageDisplayed() {
    return monitor_->isDisplayed();
}

void NativeUiService::ReportApplicationNotification(const ApplicationNotification& notification) {
    platform_.mainQueue->Async(
        [notification] { ApplicationNotificationCenter::defaultCenter()->post(notification); });
}

bool ReportApplicationNotification(const std::shared_ptr<UIServiceInterface>& uiService,
                                   ApplicationNotificationName name) {
    const auto native = std::dynamic_pointer_cast<NativeUiService>(uiService);
    if (native) {
        native->ReportApplicationNotification(ApplicationNotification{name});
    }
    return native != nullptr;
}

std::shared_ptr<UIServiceInterface> CreateNativeUiService() {
    return std::make_shared<NativeUiService>(GetUiPlatform());
}

}  // namespace NuvraMobile
