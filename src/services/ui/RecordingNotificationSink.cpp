#include "services/ui/RecordingNotificationSink.h"

#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

bool RecordingNotificationSink::IsUserNotificationCenterSupported() {
    MutexLock lock(mutex_);
    return userNotificationCenter_;
}

bool RecordingNotificationSink::IsLocalNotificationSupported() {
    MutexLock lock(mutex_);
    return localNotification_;
}

void RecordingNotificationSink::AddNotificationRequest(const NotificationRequest& request) {
    Log::Debug("RecordingNotificationSink", "Notification request %s: %s", request.identifier,
               request.body.value_or(""));
    MutexLock lock(mutex_);
    requests_.push_back(request);
}

void RecordingNotificationSink::ScheduleLocalNotification(const LocalNotification& notification) {
    Log::Debug("RecordingNotificationSink", "Local notification at %.0f: %s", notification.fireDate,
               notification.alertBody.value_or(""));
    MutexLock lock(mutex_);
    localNotifications_.push_back(notification);
}

void RecordingNotificationSink::SetSupported(bool userNotificationCenter, bool localNotification) {
    MutexLock lock(mutex_);
    userNotificationCenter_ = userNotificationCenter;
    localNotification_ = localNotification;
}

std::vector<NotificationRequest> RecordingNotificationSink::GetRequests() const {
    MutexLock lock(mutex_);
    return requests_;
}

std::vector<LocalNotification> RecordingNotificationSink::GetLocalNotifications() const {
    MutexLock lock(mutex_);
    return localNotifications_;
}

}  // namespace NuvraMobile
