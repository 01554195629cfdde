#pragma once

#include <mutex>
#include <vector>

#include "core/values/Object.h"
#include "services/ui/NotificationSinkInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * The default notification sink: it records what would be scheduled and delivers nothing. The
 * user-notification centre is there until the host says otherwise. Thread-safe.
 */
class RecordingNotificationSink : public Object, public virtual NotificationSinkInterface {
public:
    bool IsUserNotificationCenterSupported() override;
    bool IsLocalNotificationSupported() override;
    void AddNotificationRequest(const NotificationRequest& request) override;
    void ScheduleLocalNotification(const LocalNotification& notification) override;

    void SetSupported(bool userNotificationCenter, bool localNotification);
    std::vector<NotificationRequest> GetRequests() const;
    std::vector<LocalNotification> GetLocalNotifications() const;

private:
    mutable Mutex mutex_;
    bool userNotificationCenter_ NVR_GUARDED_BY(mutex_) = true;
    bool localNotification_ NVR_GUARDED_BY(mutex_) = true;
    std::vector<NotificationRequest> requests_ NVR_GUARDED_BY(mutex_);
    std::vector<LocalNotification> localNotifications_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
