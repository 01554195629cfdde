#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "platformShim/UIServiceInterface.h"
#include "services/ui/UiPlatform.h"

namespace NuvraMobile {

/**
 * Schedules local notifications: through the user-notification centre, else through the older
 * facility, else not at all. Any thread may call; scheduling runs on the main queue.
 */
class NVBLocalNotificationHandler {
public:
    static constexpr const char* DEEP_LINK_KEY = "nvb_deeplink";

    /** Queues the scheduling of `args` and returns; null is ignored. */
    static void scheduleWithArguments(const UiPlatform& platform,
                                      const std::shared_ptr<ShowLocalNotificationArgs>& args);

    /** Durations in seconds, cut toward zero to whole seconds; the title stays empty. */
    static void scheduleWithIdentifier(const UiPlatform& platform, const std::string& identifier,
                                       const std::string& content, const std::string& sound,
                                       const std::string& category, double delay, const std::string& deepLink,
                                       double fireDate, const std::string& userInfo);

    /** A record of the given values with an empty title. */
    static std::shared_ptr<ShowLocalNotificationArgs> MakeArguments(
        const std::string& identifier, const std::string& content, const std::string& sound,
        const std::string& category, std::int64_t delay, const std::string& deepLink, std::int64_t fireDate,
        const std::string& userInfo);

    static bool isUNUserNotificationSupported(const UiPlatform& platform);
    static bool isUILocalNotificationSupported(const UiPlatform& platform);

    /** The deep link under "nvb_deeplink", then the entries of the userInfo JSON object over it. */
    static nlohmann::json BuildUserInfo(const ShowLocalNotificationArgs& args);

private:
    static void Schedule(const UiPlatform& platform, const ShowLocalNotificationArgs& args);
};

}  // namespace NuvraMobile
