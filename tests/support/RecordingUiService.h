#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"

namespace NuvraMobile {

/** A UI service that records the URLs it is asked to open and ignores everything else. Thread-safe. */
class RecordingUiService : public Object, public virtual UIServiceInterface {
public:
    void ShowAlert(const std::string&, const std::string&, const std::string&, const std::string&,
                   const std::shared_ptr<AlertListenerInterface>&) override {}
    std::shared_ptr<FullScreenMessageUiInterface> CreateFullscreenMessage(
        const std::string&, const std::shared_ptr<FullscreenListenerInterface>&) override {
        return nullptr;
    }
    void ShowLocalNotification(const std::string&, const std::string&, const std::string&, const std::string&,
                               std::int64_t, const std::string&, std::int64_t, const std::string&) override {}
    bool ShowUrl(const std::string& url) override;
    AppState GetAppState() const override { return AppState::FOREGROUND; }
    void RegisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>&) override {}
    void UnregisterAppStateListener(const std::shared_ptr<AppStateListenerInterface>&) override {}
    std::shared_ptr<FloatingButtonInterface> CreateFloatingButton(
        const std::shared_ptr<FloatingButtonListenerInterface>&) override {
        return nullptr;
    }
    bool IsMessageDisplayed() override { return false; }
    void ShowLocalNotification(const std::shared_ptr<ShowLocalNotificationArgs>&) override {}

    /** Waits up to 10 s for a URL to be opened; the URLs opened so far. */
    std::vector<std::string> WaitForUrls(std::size_t count);

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    std::vector<std::string> urls_;
};

}  // namespace NuvraMobile
