#pragma once

#include <array>
#include <cstdint>
#include <utility>

namespace NuvraMobile {

/** The vocabulary of the Lifecycle module: stored keys, event-data and context-data keys, fixed values. */
namespace LifecycleConstants {

constexpr const char* LOG_PREFIX = "com.nuvra.module.lifecycle";
constexpr const char* DATA_STORE_NAME = "NuvraMobile_Lifecycle";
/** Seconds: a previous session this long or longer is reported as ignored. */
constexpr std::int64_t MAX_SESSION_LENGTH_SECONDS = 604800;
/** Seconds: the session timeout when the configuration names none. */
constexpr std::int64_t DEFAULT_LIFECYCLE_TIMEOUT = 300;

constexpr const char* INSTALL_EVENT_VALUE = "InstallEvent";
constexpr const char* LAUNCH_EVENT_VALUE = "LaunchEvent";
constexpr const char* CRASH_EVENT_VALUE = "CrashEvent";
constexpr const char* UPGRADE_EVENT_VALUE = "UpgradeEvent";
constexpr const char* DAILY_ENG_USER_VALUE = "DailyEngUserEvent";
constexpr const char* MONTHLY_ENG_USER_VALUE = "MonthlyEngUserEvent";
constexpr const char* SESSION_START_EVENT_NAME = "LifecycleStart";

/** Keys of the data store "NuvraMobile_Lifecycle". */
namespace ContextDataKeys {
/** Lifecycle context-data keys and the names under which the measurement and delivery servers expect them. */
constexpr std::array<std::pair<const char*, const char*>, 24> MAP_TO_CONTEXT_DATA_KEYS = {{
    {"advertisingidentifier", "a.adid"},
    {"appid", "a.AppID"},
    {"carriername", "a.CarrierName"},
    {"crashevent", "a.CrashEvent"},
    {"dailyenguserevent", "a.DailyEngUserEvent"},
    {"dayofweek", "a.DayOfWeek"},
    {"dayssincefirstuse", "a.DaysSinceFirstUse"},
    {"dayssincelastuse", "a.DaysSinceLastUse"},
    {"dayssincelastupgrade", "a.DaysSinceLastUpgrade"},
    {"devicename", "a.DeviceName"},
    {"resolution", "a.Resolution"},
    {"hourofday", "a.HourOfDay"},
    {"ignoredsessionlength", "a.ignoredSessionLength"},
    {"installdate", "a.InstallDate"},
    {"installevent", "a.InstallEvent"},
    {"launchevent", "a.LaunchEvent"},
    {"launches", "a.Launches"},
    {"launchessinceupgrade", "a.LaunchesSinceUpgrade"},
    {"locale", "a.locale"},
    {"monthlyenguserevent", "a.MonthlyEngUserEvent"},
    {"osversion", "a.OSVersion"},
    {"prevsessionlength", "a.PrevSessionLength"},
    {"runmode", "a.RunMode"},
    {"upgradeevent", "a.UpgradeEvent"},
}};
}  // namespace ContextDataKeys

namespace DataStoreKeys {
constexpr const char* INSTALL_DATE = "InstallDate";
constexpr const char* LAST_USED_DATE = "LastDateUsed";
constexpr const char* LAST_VERSION = "LastVersion";
constexpr const char* LAUNCHES = "Launches";
constexpr const char* UPGRADE_DATE = "UpgradeDate";
constexpr const char* LAUNCHES_AFTER_UPGRADE = "LaunchesAfterUpgrade";
constexpr const char* START_DATE = "SessionStart";
constexpr const char* PAUSE_DATE = "PauseDate";
constexpr const char* SUCCESSFUL_CLOSE = "SuccessfulClose";
constexpr const char* LIFECYCLE_DATA = "LifecycleData";
}  // namespace DataStoreKeys

namespace EventDataKeys {
constexpr const char* STATE_OWNER = "stateowner";

namespace Lifecycle {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.lifecycle";
// Request and response events.
constexpr const char* LIFECYCLE_ACTION_KEY = "action";
constexpr const char* LIFECYCLE_START = "start";
constexpr const char* LIFECYCLE_PAUSE = "pause";
constexpr const char* ADDITIONAL_CONTEXT_DATA = "additionalcontextdata";
constexpr const char* SESSION_EVENT = "sessionevent";
constexpr const char* LIFECYCLE_CONTEXT_DATA = "lifecyclecontextdata";
constexpr const char* SESSION_START_TIMESTAMP = "starttimestampseconds";
constexpr const char* MAX_SESSION_LENGTH = "maxsessionlength";
constexpr const char* PREVIOUS_SESSION_START_TIMESTAMP = "previoussessionstarttimestampseconds";
constexpr const char* PREVIOUS_SESSION_PAUSE_TIMESTAMP = "previoussessionpausetimestampseconds";
// Context-data keys.
constexpr const char* INSTALL_EVENT = "installevent";
constexpr const char* INSTALL_DATE = "installdate";
constexpr const char* DAILY_ENGAGED_EVENT = "dailyenguserevent";
constexpr const char* MONTHLY_ENGAGED_EVENT = "monthlyenguserevent";
constexpr const char* DAYS_SINCE_FIRST_LAUNCH = "dayssincefirstuse";
constexpr const char* DAYS_SINCE_LAST_LAUNCH = "dayssincelastuse";
constexpr const char* UPGRADE_EVENT = "upgradeevent";
constexpr const char* LAUNCHES_SINCE_UPGRADE = "launchessinceupgrade";
constexpr const char* DAYS_SINCE_LAST_UPGRADE = "dayssincelastupgrade";
constexpr const char* CRASH_EVENT = "crashevent";
constexpr const char* LAUNCHES = "launches";
constexpr const char* DAY_OF_WEEK = "dayofweek";
constexpr const char* HOUR_OF_DAY = "hourofday";
constexpr const char* LAUNCH_EVENT = "launchevent";
constexpr const char* DEVICE_NAME = "devicename";
constexpr const char* CARRIER_NAME = "carriername";
constexpr const char* APP_ID = "appid";
constexpr const char* OPERATING_SYSTEM = "osversion";
constexpr const char* DEVICE_RESOLUTION = "resolution";
constexpr const char* LOCALE = "locale";
constexpr const char* RUN_MODE = "runmode";
constexpr const char* PREVIOUS_SESSION_LENGTH = "prevsessionlength";
constexpr const char* IGNORED_SESSION_LENGTH = "ignoredsessionlength";
}  // namespace Lifecycle

namespace Configuration {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.configuration";
constexpr const char* LIFECYCLE_CONFIG_SESSION_TIMEOUT = "lifecycle.sessionTimeout";
}  // namespace Configuration

namespace Identity {
constexpr const char* SHARED_STATE_NAME = "com.nuvra.module.identity";
constexpr const char* ADVERTISING_IDENTIFIER = "advertisingidentifier";
}  // namespace Identity
}  // namespace EventDataKeys

}  // namespace LifecycleConstants

}  // namespace NuvraMobile
