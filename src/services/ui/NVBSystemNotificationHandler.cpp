#include "services/ui/NVBSystemNotificationHandler.h"

#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "AppState";
}

std::shared_ptr<NVBSystemNotificationHandler> NVBSystemNotificationHandler::sharedInstance() {
    static const std::shared_ptr<NVBSystemNotificationHandler> instance = [] {
        auto handler =
            std::make_shared<NVBSystemNotificationHandler>(std::make_shared<AppStateHandler>(GetUiPlatform()));
        const auto center = ApplicationNotificationCenter::defaultCenter();
        for (ApplicationNotificationName name :
             {ApplicationNotificationName::DID_FINISH_LAUNCHING, ApplicationNotificationName::DID_ENTER_BACKGROUND,
              ApplicationNotificationName::WILL_ENTER_FOREGROUND}) {
            handler->registerForNotification(center, name);
        }
        return handler;
    }();
    return instance;
}

NVBSystemNotificationHandler::NVBSystemNotificationHandler(std::shared_ptr<AppStateHandler> appStateHandler)
    : appStateHandler_(std::move(appStateHandler)) {}

std::shared_ptr<AppStateHandler> NVBSystemNotificationHandler::appStateHandler() const {
    MutexLock lock(mutex_);
    return appStateHandler_;
}

AppState NVBSystemNotificationHandler::getAppState() {
    return appStateHandler()->GetAppState();
}

void NVBSystemNotificationHandler::registerListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    appStateHandler()->RegisterListener(listener);
}

void NVBSystemNotificationHandler::unregisterListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    appStateHandler()->UnregisterListener(listener);
}

size_t NVBSystemNotificationHandler::getNumListeners() {
    return appStateHandler()->GetNumListeners();
}

void NVBSystemNotificationHandler::registerForNotification(const std::shared_ptr<ApplicationNotificationCenter>& center,
                                                           ApplicationNotificationName name) {
    // The centre does not keep its observers alive, as the process-wide instance outlives its use.
    std::weak_ptr<NVBSystemNotificationHandler> weakSelf =
        std::static_pointer_cast<NVBSystemNotificationHandler>(shared_from_this());
    center->addObserver(this, name, [weakSelf](const ApplicationNotification& notification) {
        if (auto self = weakSelf.lock()) {
            self->handleAppNotification(notification);
        }
    });
}

void NVBSystemNotificationHandler::handleAppNotification(const ApplicationNotification& notification) {
    if (notification.launchOptionsLocation) {
        Log::Debug(LOG_TAG, "ignoring launch notification (triggered by location change)");
        return;
    }
    if (notification.launchOptionsNewsstandDownloads) {
        Log::Debug(LOG_TAG, "ignoring launch notification (triggered by a Newsstand download request)");
        return;
    }
    switch (notification.name) {
        case ApplicationNotificationName::DID_FINISH_LAUNCHING: {
            const AppState launched = appStateHandler()->ReadApplicationState();
            StoreAndNotify(launched);
            if (launched == AppState::BACKGROUND) {
                Log::Debug(LOG_TAG, "ignoring launch notification (app is in the background)");
            }
            break;
        }
        case ApplicationNotificationName::DID_ENTER_BACKGROUND:
            StoreAndNotify(AppState::BACKGROUND);
            break;
        case ApplicationNotificationName::WILL_ENTER_FOREGROUND:
            StoreAndNotify(AppState::FOREGROUND);
            break;
    }
}

void NVBSystemNotificationHandler::StoreAndNotify(AppState state) {
    const auto handler = appStateHandler();
    handler->SetAppState(state);  // listeners see the new state when they read it
    handler->NotifyListeners(state);
}

}  // namespace NuvraMobile
