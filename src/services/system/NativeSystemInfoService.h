#pragma once

#include <functional>
#include <locale>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/values/Object.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/system/Reachability.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Application, device and process facts on Linux. The app bundle is the folder that the host names
 * (AppFolders): its "Info.properties" gives the bundle properties, its files the assets. Device facts come
 * from uname and /etc/os-release, the locale from LC_ALL or LANG ("C" when that locale is not installed),
 * the network status from the reachability observer. Wire constants (platform name "ios", the user-agent
 * format) stay fixed. The operating-system name and version, the user agent and the run mode are computed
 * once per service. Any thread may call; listeners run on the reachability thread.
 */
class NativeSystemInfoService : public Object, public virtual SystemInfoServiceInterface {
public:
    NativeSystemInfoService();

    std::locale GetActiveLocale() const override;
    std::string GetApplicationBaseDir() const override;
    std::string GetApplicationCacheDir() const override;
    std::string GetApplicationName() const override;
    std::string GetApplicationVersion() const override;
    std::string GetApplicationVersionCode() const override;
    std::string GetAsset(const std::string& fileName) const override;
    std::string GetDeviceBuildId() const override;
    std::string GetDeviceName() const override;
    std::shared_ptr<DisplayInformationInterface> GetDisplayInformation() const override;
    std::string GetMobileCarrierName() const override;
    ConnectionStatus GetNetworkConnectionStatus() const override;
    std::string GetOperatingSystemName() const override;
    std::string GetCanonicalPlatformName() const override;
    std::string GetCurrentStackTrace() const override;
    std::string GetOperatingSystemVersion() const override;
    std::string GetProperty(const std::string& name) const override;
    std::string GetRunMode() const override;
    std::string GetSdkVersion() const override;
    std::string GetDefaultUserAgent() const override;
    void SetCurrentThreadName(const std::string& name) const override;
    void RegisterOneTimeNetworkConnectionStatusListener(const std::string& name,
                                                        const std::function<void()>& listener) const override;
    std::string GetApplicationBundleId() const override;
    DeviceType GetDeviceType() const override;
    DisplayOrientation GetCurrentOrientation() const override;
    std::string GetActiveLocaleName() const override;

private:
    /** Texts read from the system once, on first use. */
    struct CachedTexts {
        std::optional<std::string> operatingSystemName;
        std::optional<std::string> operatingSystemVersion;
        std::optional<std::string> defaultUserAgent;
        std::optional<std::string> runMode;
    };

    /** Reports a bundle folder that is missing (or is no folder) at error level, once per folder. */
    void ReportIfBundleIsMissing(const std::string& folder) const NVR_EXCLUDES(mutex_);
    bool IsFirstReportOfMissingBundle(const std::string& folder) const NVR_EXCLUDES(mutex_);

    /** The cached text, computed under the mutex on first use. */
    std::string Cached(std::optional<std::string> CachedTexts::*text,
                       const std::function<std::string()>& compute) const;

    const std::shared_ptr<Reachability> reachability_;
    mutable Mutex mutex_;
    mutable CachedTexts cached_ NVR_GUARDED_BY(mutex_);
    mutable std::set<std::string> reportedMissingBundles_ NVR_GUARDED_BY(mutex_);
};

std::shared_ptr<SystemInfoServiceInterface> CreateNativeSystemInfoService();

}  // namespace NuvraMobile
