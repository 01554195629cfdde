#include "services/ui/NVBLocalNotificationHandler.h"

#include <ctime>

#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "LocalNotificationHandler";

DateComponents LocalDateOf(std::int64_t secondsSince1970) {
    const std::time_t time = static_cast<std::time_t>(secondsSince1970);
    std::tm local{};
    localtime_r(&time, &local);
    return DateComponents{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::optional<std::string> UnlessEmpty(const nlohmann::json& userInfo) {
    return userInfo.empty() ? std::nullopt : std::optional<std::string>(userInfo.dump());
}

NotificationRequest MakeRequest(const ShowLocalNotificationArgs& args, const nlohmann::json& userInfo) {
    NotificationRequest request;
    request.identifier = args.identifier;
    request.body = AbsentWhenEmpty(args.content);
    request.soundName = AbsentWhenEmpty(args.sound);
    request.title = AbsentWhenEmpty(args.title);
    request.userInfo = UnlessEmpty(userInfo);
    request.categoryIdentifier = AbsentWhenEmpty(args.category);
    if (args.fireDate != 0) {
        request.trigger.kind = NotificationTrigger::Kind::CALENDAR;
        request.trigger.date = LocalDateOf(args.fireDate);
    } else if (args.delay > 0) {
        request.trigger.kind = NotificationTrigger::Kind::TIME_INTERVAL;
        request.trigger.intervalSeconds = args.delay;
    }
    return request;
}

LocalNotification MakeLocalNotification(const ShowLocalNotificationArgs& args, const nlohmann::json& userInfo) {
    LocalNotification notification;
    notification.alertBody = AbsentWhenEmpty(args.content);
    notification.soundName = AbsentWhenEmpty(args.sound);
    notification.alertTitle = AbsentWhenEmpty(args.title);
    notification.userInfo = UnlessEmpty(userInfo);
    notification.fireDate = args.fireDate != 0 ? static_cast<double>(args.fireDate)
                                               : static_cast<double>(std::time(nullptr) + args.delay);
    notification.category = AbsentWhenEmpty(args.category);
    return notification;
}

}  // namespace

void NVBLocalNotificationHandler::scheduleWithArguments(const UiPlatform& platform,
                                                        const std::shared_ptr<ShowLocalNotificationArgs>& args) {
    if (!args) {
        return;
    }
    // A copy: the caller may reuse its record once this returns.
    platform.mainQueue->Async([platform, args = *args] { Schedule(platform, args); });
}

void NVBLocalNotificationHandler::scheduleWithIdentifier(const UiPlatform& platform, const std::string& identifier,
                                                         const std::string& content, const std::string& sound,
                                                         const std::string& category, double delay,
                                                         const std::string& deepLink, double fireDate,
                                                         const std::string& userInfo) {
    scheduleWithArguments(platform, MakeArguments(identifier, content, sound, category, static_cast<std::int64_t>(delay),
                                                  deepLink, static_cast<std::int64_t>(fireDate), userInfo));
}

std::shared_ptr<ShowLocalNotificationArgs> NVBLocalNotificationHandler::MakeArguments(
    const std::string& identifier, const std::string& content, const std::string& sound, const std::string& category,
    std::int64_t delay, const std::string& deepLink, std::int64_t fireDate, const std::string& userInfo) {
    auto args = ShowLocalNotificationArgs::Create();
    args->identifier = identifier;
    args->content = content;
    args->sound = sound;
    args->category = category;
    args->delay = delay;
    args->deepLink = deepLink;
    args->fireDate = fireDate;
    args->userInfo = userInfo;
    args->title.clear();
    return args;
}

bool NVBLocalNotificationHandler::isUNUserNotificationSupported(const UiPlatform& platform) {
    return platform.notificationSink->IsUserNotificationCenterSupported();
}

bool NVBLocalNotificationHandler::isUILocalNotificationSupported(const UiPlatform& platform) {
    return platform.notificationSink->IsLocalNotificationSupported();
}

nlohmann::json NVBLocalNotificationHandler::BuildUserInfo(const ShowLocalNotificationArgs& args) {
    nlohmann::json userInfo = nlohmann::json::object();
    if (!args.deepLink.empty()) {
        userInfo[DEEP_LINK_KEY] = args.deepLink;
    }
    if (args.userInfo.empty()) {
        return userInfo;
    }
    const nlohmann::json parsed = nlohmann::json::parse(args.userInfo, nullptr, false);
    if (parsed.is_discarded()) {
        Log::Debug(LOG_TAG, "ignoring invalid userInfo json for notification (id: %s)", args.identifier);
    } else if (parsed.is_object()) {
        for (const auto& entry : parsed.items()) {
            userInfo[entry.key()] = entry.value();
        }
    }
    return userInfo;
}

void NVBLocalNotificationHandler::Schedule(const UiPlatform& platform, const ShowLocalNotificationArgs& args) {
    const nlohmann::json userInfo = BuildUserInfo(args);
    NotificationSinkInterface& sink = *platform.notificationSink;
    if (sink.IsUserNotificationCenterSupported()) {
        TryCatch([&] { sink.AddNotificationRequest(MakeRequest(args, userInfo)); },
                 [](SdkError& error) {
                     Log::Error(LOG_TAG, "Unable to show notification with UNNotificationRequest %s %s",
                                error.GetCode(), error.GetMessage());
                 });
    } else if (sink.IsLocalNotificationSupported()) {
        TryCatch([&] { sink.ScheduleLocalNotification(MakeLocalNotification(args, userInfo)); },
                 [](SdkError&) { Log::Error(LOG_TAG, "Unable to show notification with UILocalNotification"); });
    }
}

}  // namespace NuvraMobile
