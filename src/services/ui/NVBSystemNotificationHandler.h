#pragma once

#include <memory>
#include <mutex>

#include "core/values/Object.h"
#include "services/ui/AppStateHandler.h"
#include "services/ui/ApplicationNotificationCenter.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Turns the application's launch, background and foreground notifications into the app state and
 * tells the app-state listeners. One process-wide instance, made at the first `sharedInstance` over
 * the process's UI platform; it observes the default application notification centre from then on.
 * Notifications are handled on the thread that posts them, the main queue; the rest on any thread.
 */
class NVBSystemNotificationHandler : public Object {
public:
    static std::shared_ptr<NVBSystemNotificationHandler> sharedInstance();

    /** A handler over `appStateHandler`, not yet observing anything. */
    explicit NVBSystemNotificationHandler(std::shared_ptr<AppStateHandler> appStateHandler);

    AppState getAppState();
    void registerListener(const std::shared_ptr<AppStateListenerInterface>& listener);
    void unregisterListener(const std::shared_ptr<AppStateListenerInterface>& listener);
    size_t getNumListeners();

    /** Stores the state the notification means, then tells the listeners. */
    void handleAppNotification(const ApplicationNotification& notification);

    void registerForNotification(const std::shared_ptr<ApplicationNotificationCenter>& center,
                                 ApplicationNotificationName name);

    std::shared_ptr<AppStateHandler> appStateHandler() const;

private:
    void StoreAndNotify(AppState state);

    mutable Mutex mutex_;
    std::shared_ptr<AppStateHandler> appStateHandler_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
