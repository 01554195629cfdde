#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** A calendar date in the current time zone, to the second. */
struct DateComponents {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateComponents& other) const {
        return year == other.year && month == other.month && day == other.day && hour == other.hour &&
               minute == other.minute && second == other.second;
    }
};

/** When a notification request is delivered: at once, at a calendar date, or after an interval. */
struct NotificationTrigger {
    enum class Kind { NONE, CALENDAR, TIME_INTERVAL };
    Kind kind = Kind::NONE;
    DateComponents date;
    std::int64_t intervalSeconds = 0;
    bool repeats = false;
};

/** A request for the user-notification centre. Absent fields are not set on the content. */
struct NotificationRequest {
    std::string identifier;
    std::optional<std::string> body;
    /** The named sound, or the platform's default sound when absent. */
    std::optional<std::string> soundName;
    std::optional<std::string> title;
    /** A JSON object as compact text; absent when it would have no entry. */
    std::optional<std::string> userInfo;
    std::optional<std::string> categoryIdentifier;
    NotificationTrigger trigger;
};

/** A notification for the older local-notification facility. */
struct LocalNotification {
    std::optional<std::string> alertBody;
    /** Absent: no sound. */
    std::optional<std::string> soundName;
    std::optional<std::string> alertTitle;
    /** A JSON object as compact text, as in NotificationRequest. */
    std::optional<std::string> userInfo;
    /** Seconds since 1970-01-01 UTC. */
    double fireDate = 0;
    std::optional<std::string> category;
    bool defaultTimeZone = true;
};

/**
 * Where local notifications go: the user-notification centre, or the older facility where the
 * centre is missing. Called on the main queue.
 */
class NotificationSinkInterface : public virtual ObjectInterface {
public:
    virtual bool IsUserNotificationCenterSupported() = 0;
    virtual bool IsLocalNotificationSupported() = 0;
    virtual void AddNotificationRequest(const NotificationRequest& request) = 0;
    virtual void ScheduleLocalNotification(const LocalNotification& notification) = 0;
};

}  // namespace NuvraMobile
