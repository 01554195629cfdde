#pragma once

#include <cstdint>
#include <functional>
#include <locale>
#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"
#include "platformShim/DisplayInformationInterface.h"

namespace NuvraMobile {

/** Network reachability as the core sees it; hit queues send only while CONNECTED. */
enum class ConnectionStatus : std::int32_t { CONNECTED = 0, DISCONNECTED = 1, UNKNOWN = 2 };

enum class DeviceType : std::int32_t { PHONE = 0, TABLET = 1 };

enum class DisplayOrientation : std::int32_t { PORTRAIT = 0, LANDSCAPE = 1, UNKNOWN = 2 };

/**
 * Facts about the device, the application and the running process. Every operation may be called from
 * any core thread; implementations serialise what needs it.
 *
 * The process keeps one current instance (SetCurrentService/GetCurrentService) for code that has no
 * access to the platform services, such as the stack trace of an error.
 */
class SystemInfoServiceInterface : public virtual ObjectInterface {
public:
    /** The user's current locale. */
    virtual std::locale GetActiveLocale() const = 0;
    virtual std::string GetApplicationBaseDir() const = 0;
    /** Writable folder for databases and downloads. */
    virtual std::string GetApplicationCacheDir() const = 0;
    virtual std::string GetApplicationName() const = 0;
    virtual std::string GetApplicationVersion() const = 0;
    virtual std::string GetApplicationVersionCode() const = 0;
    /** The text of a file packaged with the application; empty when absent. */
    virtual std::string GetAsset(const std::string& fileName) const = 0;
    virtual std::string GetDeviceBuildId() const = 0;
    virtual std::string GetDeviceName() const = 0;
    virtual std::shared_ptr<DisplayInformationInterface> GetDisplayInformation() const = 0;
    virtual std::string GetMobileCarrierName() const = 0;
    virtual ConnectionStatus GetNetworkConnectionStatus() const = 0;
    virtual std::string GetOperatingSystemName() const = 0;
    virtual std::string GetCanonicalPlatformName() const = 0;
    /** The calling thread's stack, one line per frame. */
    virtual std::string GetCurrentStackTrace() const = 0;
    virtual std::string GetOperatingSystemVersion() const = 0;
    /** An application property; empty when absent. */
    virtual std::string GetProperty(const std::string& name) const = 0;
    /** "Application" or "Extension". */
    virtual std::string GetRunMode() const = 0;
    virtual std::string GetSdkVersion() const = 0;
    /** The user agent that the network service sends with every request. */
    virtual std::string GetDefaultUserAgent() const = 0;
    /** Names the calling thread. */
    virtual void SetCurrentThreadName(const std::string& name) const = 0;
    /** `callback` runs once, on another thread, when the connection status next changes. */
    virtual void RegisterOneTimeNetworkConnectionStatusListener(
        const std::string& name, const std::function<void()>& callback) const = 0;
    virtual std::string GetApplicationBundleId() const = 0;
    virtual DeviceType GetDeviceType() const = 0;
    virtual DisplayOrientation GetCurrentOrientation() const = 0;
    virtual std::string GetActiveLocaleName() const = 0;

    /** The process-wide current instance; empty until the core installs one. Thread-safe. */
    static std::shared_ptr<SystemInfoServiceInterface> GetCurrentService();
    /** Installs (or, with an empty pointer, clears) the process-wide current instance. Thread-safe. */
    static void SetCurrentService(const std::shared_ptr<SystemInfoServiceInterface>& service);
};

}  // namespace NuvraMobile
