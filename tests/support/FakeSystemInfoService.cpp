#include "FakeSystemInfoService.h"

#include <filesystem>
#include <system_error>

namespace NuvraMobile {

namespace {

std::string Lookup(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

}  // namespace

void FakeSystemInfoService::Update(const std::function<void(Answers&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(answers_);
}

FakeSystemInfoService::Answers FakeSystemInfoService::GetAnswers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_;
}

void FakeSystemInfoService::SetNetworkConnectionStatus(ConnectionStatus status) {
    std::vector<std::pair<std::string, std::function<void()>>> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_.networkConnectionStatus = status;
        due.swap(listeners_);
    }
    for (const auto& listener : due) {
        if (listener.second) {
            listener.second();
        }
    }
}

std::vector<std::string> FakeSystemInfoService::GetPendingListenerNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const auto& listener : listeners_) {
        names.push_back(listener.first);
    }
    return names;
}

std::vector<std::string> FakeSystemInfoService::GetThreadNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threadNames_;
}

std::locale FakeSystemInfoService::GetActiveLocale() const { return Read(&Answers::activeLocale); }
std::string FakeSystemInfoService::GetApplicationBaseDir() const {
    return Read(&Answers::applicationBaseDir);
}
std::string FakeSystemInfoService::GetApplicationCacheDir() const {
    const std::string folder = Read(&Answers::applicationCacheDir);
    if (Read(&Answers::makesApplicationCacheDir) && !folder.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
    }
    return folder;
}
std::string FakeSystemInfoService::GetApplicationName() const { return Read(&Answers::applicationName); }
std::string FakeSystemInfoService::GetApplicationVersion() const {
    return Read(&Answers::applicationVersion);
}
std::string FakeSystemInfoService::GetApplicationVersionCode() const {
    return Read(&Answers::applicationVersionCode);
}
std::string FakeSystemInfoService::GetAsset(const std::string& fileName) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Lookup(answers_.assets, fileName);
}
std::string FakeSystemInfoService::GetDeviceBuildId() const { return Read(&Answers::deviceBuildId); }
std::string FakeSystemInfoService::GetDeviceName() const { return Read(&Answers::deviceName); }
std::shared_ptr<DisplayInformationInterface> FakeSystemInfoService::GetDisplayInformation() const {
    return Read(&Answers::displayInformation);
}
std::string FakeSystemInfoService::GetMobileCarrierName() const { return Read(&Answers::mobileCarrierName); }
ConnectionStatus FakeSystemInfoService::GetNetworkConnectionStatus() const {
    return Read(&Answers::networkConnectionStatus);
}
std::string FakeSystemInfoService::GetOperatingSystemName() const {
    return Read(&Answers::operatingSystemName);
}
std::string FakeSystemInfoService::GetCanonicalPlatformName() const {
    return Read(&Answers::canonicalPlatformName);
}
std::string FakeSystemInfoService::GetCurrentStackTrace() const { return Read(&Answers::currentStackTrace); }
std::string FakeSystemInfoService::GetOperatingSystemVersion() const {
    return Read(&Answers::operatingSystemVersion);
}
std::string FakeSystemInfoService::GetProperty(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Lookup(answers_.properties, name);
}
std::string FakeSystemInfoService::GetRunMode() const { return Read(&Answers::runMode); }
std::string FakeSystemInfoService::GetSdkVersion() const { return Read(&Answers::sdkVersion); }
std::string FakeSystemInfoService::GetDefaultUserAgent() const { return Read(&Answers::defaultUserAgent); }

void FakeSystemInfoService::SetCurrentThreadName(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    threadNames_.push_back(name);
}

void FakeSystemInfoService::RegisterOneTimeNetworkConnectionStatusListener(
    const std::string& name, const std::function<void()>& callback) const {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.emplace_back(name, callback);
}

std::string FakeSystemInfoService::GetApplicationBundleId() const {
    return Read(&Answers::applicationBundleId);
}
DeviceType FakeSystemInfoService::GetDeviceType() const { return Read(&Answers::deviceType); }
DisplayOrientation FakeSystemInfoService::GetCurrentOrientation() const {
    return Read(&Answers::currentOrientation);
}
std::string FakeSystemInfoService::GetActiveLocaleName() const { return Read(&Answers::activeLocaleName); }

}  // namespace NuvraMobile
