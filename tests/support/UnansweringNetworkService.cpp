#include "support/UnansweringNetworkService.h"

#include <chrono>
#include <utility>

namespace NuvraMobile {

UnansweringNetworkService::UnansweringNetworkService(std::shared_ptr<SignalCounter> requests)
    : requests_(std::move(requests)) {}

std::shared_ptr<HttpConnectionInterface> UnansweringNetworkService::ConnectUrl(
    const std::string&, HttpCommandType, const std::string&, const std::map<std::string, std::string>&,
    std::int64_t, std::int64_t) {
    requests_->Raise();
    disposed_.Hold();
    return nullptr;
}

void UnansweringNetworkService::ConnectUrlAsync(const std::string&, HttpCommandType, const std::string&,
                                                const std::map<std::string, std::string>&, std::int64_t,
                                                std::int64_t, const Callback&) {
    requests_->Raise();
}

bool UnansweringNetworkService::Dispose(std::int64_t) {
    disposed_.Open();
    return true;
}

bool UnansweringNetworkService::IsDisposed() const { return disposed_.Wait(std::chrono::milliseconds(0)); }

}  // namespace NuvraMobile
