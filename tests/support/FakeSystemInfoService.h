#pragma once

#include <functional>
#include <locale>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/SystemInfoServiceInterface.h"

namespace NuvraMobile {

/** Display information with fixed answers. */
class FakeDisplayInformation : public Object, public virtual DisplayInformationInterface {
public:
    FakeDisplayInformation(std::int32_t width, std::int32_t height, std::int32_t densityDpi)
        : width_(width), height_(height), densityDpi_(densityDpi) {}

    std::int32_t GetWidthPixels() const override { return width_; }
    std::int32_t GetHeightPixels() const override { return height_; }
    std::int32_t GetDensityDpi() const override { return densityDpi_; }

private:
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t densityDpi_;
};

/**
 * A system-information service whose every answer a test sets. Network listeners are kept until the
 * test changes the connection status. Thread-safe.
 */
class FakeSystemInfoService : public Object, public virtual SystemInfoServiceInterface {
public:
    /** Every answer of the service; assets and properties absent from the maps answer "". */
    struct Answers {
        std::locale activeLocale = std::locale::classic();
        std::string activeLocaleName = "en_US";
        std::string applicationBaseDir;
        std::string applicationCacheDir;
        // The cache folder is made when asked for, as the native service makes it.
        bool makesApplicationCacheDir = false;
        std::string applicationName = "TestApp";
        std::string applicationVersion = "1.0";
        std::string applicationVersionCode = "1";
        std::string applicationBundleId = "com.example.testapp";
        std::map<std::string, std::string> assets;
        std::map<std::string, std::string> properties;
        std::string deviceBuildId = "TEST1";
        std::string deviceName = "TestDevice";
        std::shared_ptr<DisplayInformationInterface> displayInformation =
            std::make_shared<FakeDisplayInformation>(1080, 1920, -1);
        std::string mobileCarrierName = "Unknown";
        ConnectionStatus networkConnectionStatus = ConnectionStatus::CONNECTED;
        std::string operatingSystemName = "Linux";
        std::string operatingSystemVersion = "6.1";
        std::string canonicalPlatformName = "ios";
        std::string currentStackTrace;
        std::string runMode = "Application";
        std::string sdkVersion = "2.3.5";
        std::string defaultUserAgent = "Mozilla/5.0 (TestDevice; CPU OS 6_1 like Mac OS X; en_US)";
        DeviceType deviceType = DeviceType::PHONE;
        DisplayOrientation currentOrientation = DisplayOrientation::PORTRAIT;
    };

    FakeSystemInfoService() = default;
    explicit FakeSystemInfoService(Answers answers) : answers_(std::move(answers)) {}

    /** Changes answers under the service's lock: `service->Update([](auto& a) { a.sdkVersion = "9"; })`. */
    void Update(const std::function<void(Answers&)>& change);
    Answers GetAnswers() const;

    /** Sets the status and runs (once) every listener registered so far, outside the lock. */
    void SetNetworkConnectionStatus(ConnectionStatus status);
    /** Names of the listeners that are still waiting for a status change. */
    std::vector<std::string> GetPendingListenerNames() const;
    /** Every name handed to SetCurrentThreadName, in order. */
    std::vector<std::string> GetThreadNames() const;

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
                                                        const std::function<void()>& callback) const override;
    std::string GetApplicationBundleId() const override;
    DeviceType GetDeviceType() const override;
    DisplayOrientation GetCurrentOrientation() const override;
    std::string GetActiveLocaleName() const override;

private:
    template <typename T>
    T Read(T Answers::*field) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return answers_.*field;
    }

    mutable std::mutex mutex_;
    Answers answers_;
    mutable std::vector<std::pair<std::string, std::function<void()>>> listeners_;
    mutable std::vector<std::string> threadNames_;
};

}  // namespace NuvraMobile
