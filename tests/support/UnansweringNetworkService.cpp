#include "support/UnansweringNetworkService.h"

#include <chrono>

namespace NuvraMobile {

std::shared_ptr<HttpConnectionInterface> UnansweringNetworkService::ConnectUrl(
    const std::string&, HttpCommandType, const std::string&, const std::map<std::string, std::string>&,
    std::int64_t, std::int64_t) {
    disposed_.Hold();
    return nullptr;
}

void UnansweringNetworkService::ConnectUrlAsync(const std::string&, HttpCommandType, const std::string&,
                                                const std::map<std::string, std::string>&, std::int64_t,
                                                std::int64_t, const Callback&) {}

bool UnansweringNetworkService::Dispose(std::int64_t) {
    disposed_.Open();
    return true;
}

bool UnansweringNetworkService::IsDisposed() const { return disposed_.Wait(std::chrono::milliseconds(0)); }

}  // namespace NuvraMobile
