#pragma once

#include <memory>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/ApplicationNotificationCenter.h"
#include "services/ui/NVBMessagesMonitor.h"
#include "services/ui/UiPlatform.h"

namespace NuvraMobile {

/**
 * The UI service: a thin front over the presenters (alerts, full-screen messages, floating button,
 * local notifications, URL opening, app state). It owns the monitor that keeps alerts and full-screen
 * messages to one on screen at a time. Any thread may call; presenters move their work to the main
 * queue, so operations return before anything is drawn, except GetAppState's bounded wait.
 * Creating it starts the process-wide app-state observer.
 */
class NativeUiService : public Object, public virtual UIServiceInterface {
public:
    explicit NativeUiService(UiPlatform platform);

    void ShowAlert(const std::string& title, const std::string& message, const std::string& positiveButtonText,
                   const std::string& negativeButtonText,
                   const std::shared_ptr<AlertListenerInterface>& listener) override;
    std::shared_ptr<FullScreenMessageUiInterface> CreateFullscreenMessage(
        const std::string& html, const std::shared_ptr<FullscreenListenerInterface>& listener) override;
    void ShowLocalNotification(const std::string& identifier, const std::string& content, const std::string& sound,
                               const std::string& category, std::int64_t delay, const std::string& deepLink,
                               std::int64_t fireDate, const std::string& userInfo) override;
    bool ShowUrl(const std::string& url) override;
    AppState GetAppState() const override;
    void RegisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) override;
    void UnregisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>& listener) override;
    std::shared_ptr<FloatingButtonInterface> CreateFloatingButton(
        const std::shared_ptr<FloatingButtonListenerInterface>& listener) override;
    bool IsMessageDisplayed() override;
    void ShowLocalNotification(const std::shared_ptr<ShowLocalNotificationArgs>& args) override;

    /**
     * For the host program on Linux, where no system tells the SDK: the application launched, went
     * to the background or is coming to the foreground. Posted on the main queue; returns at once.
     */
    void ReportApplicationNotification(const ApplicationNotification& notification);

    const UiPlatform& GetPlatform() const { return platform_; }

private:
    const UiPlatform platform_;
    const std::shared_ptr<NVBMessagesMonitor> monitor_;
};

/**
 * The host's lifecycle report through the UI service it was given (see
 * NativeUiService::ReportApplicationNotification); false when that is not this UI service.
 */
bool ReportApplicationNotification(const std::shared_ptr<UIServiceInterface>& uiService,
                                   ApplicationNotificationName name);

/** The UI service over the process's UI platform. */
std::shared_ptr<UIServiceInterface> CreateNativeUiService();

}  // namespace NuvraMobile
