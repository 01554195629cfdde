#include "services/ui/RecordingNotificationSink.h"

#include "util/Log.h"

namespace NuvraMobile {

bool RecordingNotificationSink::IsUserNotificationCenterSupported() {
    std::lock_guard<std::mutex> lock(mutex_);
    return userNotificationCenter_;
}

bool RecordingNotificationSink::IsLocalNotificationSupported() {
    std::lock_guard<std::mutex> lock(mutex_);
    return localNotification_;
}

void RecordingNotificationSink::AddNotificationRequest(const NotificationRequest& request) {
    Log::Debug("RecordingNotificationSink", "Notification request %s: %s", request.identifier,
               request.body.value_or(""));
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
}

void RecordingNotificationSink::ScheduleLocalNotification(const LocalNotification& notification) {
    Log::Debug("RecordingNotificationSink", "Local notification at %.0f: %s", notification.fireDate,
               notification.alertBody.value_or(""));
    std::lock_guard<std::mutex> lock(mutex_);
    localNotifications_.push_back(notification);
}

void RecordingNotificationSink::SetSupported(bool userNotificationCenter, bool localNotification) {
    std::lock_guard<std::mutex> lock(mutex_);
    userNotificationCenter_ = userNotificationCenter;
    localNotification_ = localNotification;
}

std::vector<NotificationRequest> RecordingNotificationSink::GetRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<LocalNotification> RecordingNotificationSink::GetLocalNotifications() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return localNotifications_;
}

}  // namespace NuvraMobile
