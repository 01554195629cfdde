#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

enum class ApplicationNotificationName { DID_FINISH_LAUNCHING, DID_ENTER_BACKGROUND, WILL_ENTER_FOREGROUND };

/** One of the application's lifecycle notifications, with the launch options that matter here. */
struct ApplicationNotification {
    ApplicationNotificationName name = ApplicationNotificationName::DID_FINISH_LAUNCHING;
    /** The launch was caused by a location change. */
    bool launchOptionsLocation = false;
    /** The launch was caused by a Newsstand download request. */
    bool launchOptionsNewsstandDownloads = false;
};

/**
 * Hands the application's lifecycle notifications to the observers of their name, on the thread that
 * posts them (the host posts on the main queue). Any thread may subscribe or post; observers are
 * called unlocked, in subscription order.
 */
class ApplicationNotificationCenter : public Object {
public:
    using Callback = std::function<void(const ApplicationNotification&)>;

    static std::shared_ptr<ApplicationNotificationCenter> defaultCenter();

    void addObserver(const void* observer, ApplicationNotificationName name, Callback callback);
    void removeObserver(const void* observer);
    void post(const ApplicationNotification& notification);

private:
    struct Subscription {
        const void* observer;
        ApplicationNotificationName name;
        Callback callback;
    };

    Mutex mutex_;
    std::vector<Subscription> subscriptions_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
