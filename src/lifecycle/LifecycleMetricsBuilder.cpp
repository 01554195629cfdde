#include "lifecycle/LifecycleMetricsBuilder.h"

#include <utility>

#include "lifecycle/LifecycleConstants.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/DisplayInformationInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace Keys = LifecycleConstants::EventDataKeys::Lifecycle;
namespace StoreKeys = LifecycleConstants::DataStoreKeys;

namespace {

constexpr const char* kTag = LifecycleConstants::LOG_PREFIX;
// "12/31/2024" and its terminating NUL.
constexpr std::size_t kDateBufferSize = 11;
constexpr int kTmYearBase = 1900;

bool IsLeapYear(std::int64_t year) { return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0); }

}  // namespace

LifecycleMetricsBuilder::LifecycleMetricsBuilder(std::shared_ptr<PlatformServicesInterface> platformServices,
                                                 std::int64_t timestamp)
    : platformServices_(std::move(platformServices)), timestamp_(timestamp) {
    if (!platformServices_) {
        Log::Warning(kTag, "Unable to access Platform Services while creating lifecycle metrics builder");
        return;
    }
    const auto storage = platformServices_->GetLocalStorageService();
    if (!storage) {
        Log::Warning(kTag, "Unable to access local storage while creating lifecycle metrics builder");
        return;
    }
    dataStore_ = storage->GetDataStore(LifecycleConstants::DATA_STORE_NAME);
    if (!dataStore_) {
        Log::Warning(kTag, "Unable to access lifecycle data store while creating lifecycle metrics builder");
    }
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddInstallData() {
    lifecycleData_[Keys::DAILY_ENGAGED_EVENT] = LifecycleConstants::DAILY_ENG_USER_VALUE;
    lifecycleData_[Keys::MONTHLY_ENGAGED_EVENT] = LifecycleConstants::MONTHLY_ENG_USER_VALUE;
    lifecycleData_[Keys::INSTALL_EVENT] = LifecycleConstants::INSTALL_EVENT_VALUE;
    SetWhenNotEmpty(Keys::INSTALL_DATE, StringFromTimestamp(timestamp_));
    if (dataStore_) {
        dataStore_->SetLong(StoreKeys::INSTALL_DATE, timestamp_);
    }
    return *this;
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddLaunchData() {
    if (!dataStore_) {
        return *this;
    }
    const auto lastUsed = dataStore_->GetLong(StoreKeys::LAST_USED_DATE, 0);
    SetDaysSince(Keys::DAYS_SINCE_LAST_LAUNCH, lastUsed);
    SetDaysSince(Keys::DAYS_SINCE_FIRST_LAUNCH, dataStore_->GetLong(StoreKeys::INSTALL_DATE, 0));
    const auto lastUsedDate = ConvertToTM(lastUsed);
    const auto now = ConvertToTM(timestamp_);
    if (!lastUsedDate || !now) {
        return *this;
    }
    if (lastUsedDate->tm_mon != now->tm_mon || lastUsedDate->tm_year != now->tm_year) {
        lifecycleData_[Keys::DAILY_ENGAGED_EVENT] = LifecycleConstants::DAILY_ENG_USER_VALUE;
        lifecycleData_[Keys::MONTHLY_ENGAGED_EVENT] = LifecycleConstants::MONTHLY_ENG_USER_VALUE;
    } else if (lastUsedDate->tm_mday != now->tm_mday) {
        lifecycleData_[Keys::DAILY_ENGAGED_EVENT] = LifecycleConstants::DAILY_ENG_USER_VALUE;
    }
    return *this;
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddUpgradeData(bool upgrade) {
    if (upgrade) {
        lifecycleData_[Keys::UPGRADE_EVENT] = LifecycleConstants::UPGRADE_EVENT_VALUE;
    }
    if (!dataStore_) {
        return *this;
    }
    const auto upgradeDate = dataStore_->GetLong(StoreKeys::UPGRADE_DATE, 0);
    if (upgrade) {
        dataStore_->SetLong(StoreKeys::UPGRADE_DATE, timestamp_);
        dataStore_->SetInt(StoreKeys::LAUNCHES_AFTER_UPGRADE, 0);
    } else if (upgradeDate != 0) {
        SetDaysSince(Keys::DAYS_SINCE_LAST_UPGRADE, upgradeDate);
        const auto launches = dataStore_->GetInt(StoreKeys::LAUNCHES_AFTER_UPGRADE, 0) + 1;
        dataStore_->SetInt(StoreKeys::LAUNCHES_AFTER_UPGRADE, launches);
        lifecycleData_[Keys::LAUNCHES_SINCE_UPGRADE] = std::to_string(launches);
    }
    return *this;
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddCrashData(bool previousSessionCrashed) {
    if (previousSessionCrashed) {
        lifecycleData_[Keys::CRASH_EVENT] = LifecycleConstants::CRASH_EVENT_VALUE;
    }
    return *this;
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddGenericData() {
    if (dataStore_) {
        const auto launches = dataStore_->GetInt(StoreKeys::LAUNCHES, 0) + 1;
        dataStore_->SetInt(StoreKeys::LAUNCHES, launches);
        lifecycleData_[Keys::LAUNCHES] = std::to_string(launches);
    }
    if (const auto now = ConvertToTM(timestamp_)) {
        lifecycleData_[Keys::DAY_OF_WEEK] = std::to_string(now->tm_wday + 1);
        lifecycleData_[Keys::HOUR_OF_DAY] = std::to_string(now->tm_hour);
    }
    lifecycleData_[Keys::LAUNCH_EVENT] = LifecycleConstants::LAUNCH_EVENT_VALUE;
    return *this;
}

LifecycleMetricsBuilder& LifecycleMetricsBuilder::AddCoreData() {
    const auto systemInfo = platformServices_ ? platformServices_->GetSystemInfoService() : nullptr;
    if (!systemInfo) {
        return *this;
    }
    SetWhenNotEmpty(Keys::DEVICE_NAME, systemInfo->GetDeviceName());
    SetWhenNotEmpty(Keys::CARRIER_NAME, systemInfo->GetMobileCarrierName());
    SetWhenNotEmpty(Keys::APP_ID, GetApplicationId(*systemInfo));
    SetWhenNotEmpty(Keys::OPERATING_SYSTEM, GetOperatingSystem(*systemInfo));
    SetWhenNotEmpty(Keys::DEVICE_RESOLUTION, GetResolution(*systemInfo));
    SetWhenNotEmpty(Keys::LOCALE, GetLocale(*systemInfo));
    SetWhenNotEmpty(Keys::RUN_MODE, systemInfo->GetRunMode());
    return *this;
}

LifecycleMetricsBuilder::ContextData LifecycleMetricsBuilder::Build() const { return lifecycleData_; }

void LifecycleMetricsBuilder::SetDaysSince(const char* key, std::int64_t storedTimestamp) {
    const auto stored = ConvertToTM(storedTimestamp);
    const auto now = ConvertToTM(timestamp_);
    if (stored && now) {
        lifecycleData_[key] = std::to_string(CalculateDaysBetween(*stored, *now));
    }
}

void LifecycleMetricsBuilder::SetWhenNotEmpty(const char* key, const std::string& value) {
    if (!value.empty()) {
        lifecycleData_[key] = value;
    }
}

std::int64_t LifecycleMetricsBuilder::CalculateDaysBetween(const std::tm& start, const std::tm& end) {
    std::int64_t days = end.tm_yday - start.tm_yday;
    if (start.tm_year >= end.tm_year) {
        return days;
    }
    for (std::int64_t year = start.tm_year + kTmYearBase; year < end.tm_year + kTmYearBase; ++year) {
        days += IsLeapYear(year) ? 366 : 365;
    }
    return days;
}

std::optional<std::tm> LifecycleMetricsBuilder::ConvertToTM(std::int64_t timestamp) {
    const auto time = static_cast<std::time_t>(timestamp);
    std::tm calendar{};
    if (localtime_r(&time, &calendar) == nullptr) {
        return std::nullopt;
    }
    return calendar;
}

std::string LifecycleMetricsBuilder::StringFromTimestamp(std::int64_t timestamp) {
    const auto calendar = ConvertToTM(timestamp);
    char buffer[kDateBufferSize];
    if (!calendar || std::strftime(buffer, sizeof buffer, "%-m/%-d/%Y", &*calendar) == 0) {
        return "";
    }
    return buffer;
}

std::string LifecycleMetricsBuilder::GetApplicationId(const SystemInfoServiceInterface& systemInfo) {
    const auto versionCode = systemInfo.GetApplicationVersionCode();
    const auto version = systemInfo.GetApplicationVersion();
    return StringUtils::FormatString("%s%s%s", systemInfo.GetApplicationName(),
                                     versionCode.empty() ? std::string() : " " + versionCode,
                                     version.empty() ? std::string() : " (" + version + ")");
}

std::string LifecycleMetricsBuilder::GetOperatingSystem(const SystemInfoServiceInterface& systemInfo) {
    return systemInfo.GetOperatingSystemName() + " " + systemInfo.GetOperatingSystemVersion();
}

std::string LifecycleMetricsBuilder::GetResolution(const SystemInfoServiceInterface& systemInfo) {
    // A display of no pixels is the headless system's way of saying that there is none.
    const auto display = systemInfo.GetDisplayInformation();
    if (!display || display->GetWidthPixels() <= 0 || display->GetHeightPixels() <= 0) {
        return "";
    }
    return std::to_string(display->GetWidthPixels()) + "x" + std::to_string(display->GetHeightPixels());
}

std::string LifecycleMetricsBuilder::GetLocale(const SystemInfoServiceInterface& systemInfo) {
    return StringUtils::Replace(systemInfo.GetActiveLocaleName(), "_", "-");
}

}  // namespace NuvraMobile
