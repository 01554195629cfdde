#include "support/RedirectingNetworkService.h"

#include "core/values/SdkError.h"

namespace NuvraMobile {

void NetworkLog::Record(const std::string& url) {
    std::lock_guard<std::mutex> lock(mutex_);
    urls_.push_back(url);
    if (refuse_) {
        Throw("std.logic_error.invalid_argument", "refused");
    }
}

void NetworkLog::SetRefuse(bool refuse) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuse_ = refuse;
}

std::vector<std::string> NetworkLog::Urls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return urls_;
}

RedirectingNetworkService::RedirectingNetworkService(std::shared_ptr<NetworkServiceInterface> inner,
                                                     std::string target, std::shared_ptr<NetworkLog> log)
    : inner_(std::move(inner)), target_(std::move(target)), log_(std::move(log)) {}

std::shared_ptr<HttpConnectionInterface> RedirectingNetworkService::ConnectUrl(
    const std::string& url, HttpCommandType command, const std::string& payload,
    const std::map<std::string, std::string>& headers, std::int64_t connectTimeout, std::int64_t readTimeout) {
    log_->Record(url);
    return inner_->ConnectUrl(Redirect(url), command, payload, headers, connectTimeout, readTimeout);
}

void RedirectingNetworkService::ConnectUrlAsync(const std::string& url, HttpCommandType command,
                                                const std::string& payload,
                                                const std::map<std::string, std::string>& headers,
                                                std::int64_t connectTimeout, std::int64_t readTimeout,
                                                const Callback& callback) {
    log_->Record(url);
    inner_->ConnectUrlAsync(Redirect(url), command, payload, headers, connectTimeout, readTimeout, callback);
}

bool RedirectingNetworkService::Dispose(std::int64_t timeoutMs) { return inner_->Dispose(timeoutMs); }

std::string RedirectingNetworkService::Redirect(const std::string& url) const {
    const size_t path = url.find('/', url.find("://") + 3);
    return target_ + (path == std::string::npos ? "" : url.substr(path));
}

}  // namespace NuvraMobile
