#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace NuvraMobile {

class DataStoreInterface;
class PlatformServicesInterface;
class SystemInfoServiceInterface;

/**
 * Computes the lifecycle context data of one handling step: install, launch, upgrade, crash, engagement,
 * counters and calendar keys, and the device keys; advances the counters and dates these depend on in the
 * store "NuvraMobile_Lifecycle". Each Add operation sets its keys by assignment and returns the builder.
 * Calendar values are local time; a time that cannot be converted or formatted leaves its keys out.
 * Lives for one step on the Lifecycle module's task queue; no lock.
 */
class LifecycleMetricsBuilder {
public:
    using ContextData = std::map<std::string, std::string>;

    /** `timestamp` is "now" in seconds. A missing service leaves the store null, with a warning. */
    LifecycleMetricsBuilder(std::shared_ptr<PlatformServicesInterface> platformServices, std::int64_t timestamp);
    virtual ~LifecycleMetricsBuilder() = default;

    virtual LifecycleMetricsBuilder& AddInstallData();
    virtual LifecycleMetricsBuilder& AddLaunchData();
    virtual LifecycleMetricsBuilder& AddGenericData();
    virtual LifecycleMetricsBuilder& AddCrashData(bool previousSessionCrashed);
    virtual LifecycleMetricsBuilder& AddUpgradeData(bool upgrade);
    virtual LifecycleMetricsBuilder& AddCoreData();
    virtual ContextData Build() const;

    /** Whole calendar days from `start` to `end`, ignoring the time of day (negative when end is earlier). */
    static std::int64_t CalculateDaysBetween(const std::tm& start, const std::tm& end);
    /** The local calendar time of the timestamp (seconds); empty when it cannot be computed. */
    static std::optional<std::tm> ConvertToTM(std::int64_t timestamp);
    /** The local date as "%-m/%-d/%Y" (3/7/2024); empty when it cannot be computed. */
    static std::string StringFromTimestamp(std::int64_t timestamp);

    static std::string GetApplicationId(const SystemInfoServiceInterface& systemInfo);
    static std::string GetOperatingSystem(const SystemInfoServiceInterface& systemInfo);
    static std::string GetResolution(const SystemInfoServiceInterface& systemInfo);
    static std::string GetLocale(const SystemInfoServiceInterface& systemInfo);

private:
    /** Sets the key to the days from the stored time to now, when both convert. */
    void SetDaysSince(const char* key, std::int64_t storedTimestamp);
    void SetWhenNotEmpty(const char* key, const std::string& value);

    const std::shared_ptr<PlatformServicesInterface> platformServices_;
    const std::int64_t timestamp_;
    std::shared_ptr<DataStoreInterface> dataStore_;
    ContextData lifecycleData_;
};

}  // namespace NuvraMobile
