#include "services/network/NetworkTestSettings.h"

#include "services/network/CurlSession.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace NetworkTestSettings {

namespace {

struct Settings {
    Mutex mutex;
    std::shared_ptr<const std::string> authority NVR_GUARDED_BY(mutex);
    std::optional<size_t> maxResponseBodyBytes NVR_GUARDED_BY(mutex);
};

Settings& GetSettings() {
    static auto* settings = new Settings();  // never destroyed: requests may still start at exit
    return *settings;
}

}  // namespace

void SetTrustedCertificateAuthority(const std::string& pem) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    settings.authority = pem.empty() ? nullptr : std::make_shared<const std::string>(pem);
}

std::shared_ptr<const std::string> GetTrustedCertificateAuthority() {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    return settings.authority;
}

void SetMaxResponseBodyBytes(std::optional<size_t> bytes) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    settings.maxResponseBodyBytes = bytes;
}

size_t GetMaxResponseBodyBytes() {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    return settings.maxResponseBodyBytes.value_or(MAX_RESPONSE_BODY_BYTES);
}

}  // namespace NetworkTestSettings

}  // namespace NuvraMobile
