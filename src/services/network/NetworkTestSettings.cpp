#include "services/network/NetworkTestSettings.h"

#include <mutex>

namespace NuvraMobile {

namespace NetworkTestSettings {

namespace {

std::mutex& Mutex() {
    static std::mutex* mutex = new std::mutex();  // never destroyed: requests may still start at exit
    return *mutex;
}

std::shared_ptr<const std::string>& Authority() {
    static auto* authority = new std::shared_ptr<const std::string>();
    return *authority;
}

}  // namespace

void SetTrustedCertificateAuthority(const std::string& pem) {
    std::lock_guard<std::mutex> lock(Mutex());
    Authority() = pem.empty() ? nullptr : std::make_shared<const std::string>(pem);
}

std::shared_ptr<const std::string> GetTrustedCertificateAuthority() {
    std::lock_guard<std::mutex> lock(Mutex());
    return Authority();
}

}  // namespace NetworkTestSettings

}  // namespace NuvraMobile
