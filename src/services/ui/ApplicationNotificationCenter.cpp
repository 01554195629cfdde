#include "services/ui/ApplicationNotificationCenter.h"

#include <algorithm>

#include "util/Mutex.h"

namespace NuvraMobile {

std::shared_ptr<ApplicationNotificationCenter> ApplicationNotificationCenter::defaultCenter() {
    static const std::shared_ptr<ApplicationNotificationCenter> center =
        std::make_shared<ApplicationNotificationCenter>();
    return center;
}

void ApplicationNotificationCenter::addObserver(const void* observer, ApplicationNotificationName name,
                                                Callback callback) {
    MutexLock lock(mutex_);
    subscriptions_.push_back(Subscription{observer, name, std::move(callback)});
}

void ApplicationNotificationCenter::removeObserver(const void* observer) {
    MutexLock lock(mutex_);
    subscriptions_.erase(std::remove_if(subscriptions_.begin(), subscriptions_.end(),
                                        [observer](const Subscription& s) { return s.observer == observer; }),
                         subscriptions_.end());
}

void ApplicationNotificationCenter::post(const ApplicationNotification& notification) {
    std::vector<Callback> callbacks;
    {
        MutexLock lock(mutex_);
        for (const Subscription& subscription : subscriptions_) {
            if (subscription.name == notification.name) {
                callbacks.push_back(subscription.callback);
            }
        }
    }
    for (const Callback& callback : callbacks) {
        callback(notification);
    }
}

}  // namespace NuvraMobile
