#include "support/ScriptedNetworkService.h"

#include "services/network/HttpConnection.h"

namespace NuvraMobile {

ScriptedNetworkService::ScriptedNetworkService(std::shared_ptr<NetworkServiceInterface> target)
    : target_(std::move(target)) {}

ScriptedNetworkService::ScriptedNetworkService(Answer fallback) : fallback_(std::move(fallback)) {}

std::shared_ptr<HttpConnectionInterface> ScriptedNetworkService::Connection(
    std::int32_t status, std::string body, std::vector<std::pair<std::string, std::string>> headers) {
    return std::make_shared<HttpConnection>(status, std::move(headers), std::move(body));
}

ScriptedNetworkService::Answer ScriptedNetworkService::Status(std::int32_t status, std::string body) {
    return [status, body](const Request&) { return Connection(status, body); };
}

ScriptedNetworkService& ScriptedNetworkService::Then(std::shared_ptr<HttpConnectionInterface> connection) {
    MutexLock lock(mutex_);
    script_.push_back(std::move(connection));
    return *this;
}

ScriptedNetworkService& ScriptedNetworkService::ThenAnswer(
    std::int32_t status, std::string body, std::vector<std::pair<std::string, std::string>> headers) {
    return Then(Connection(status, std::move(body), std::move(headers)));
}

ScriptedNetworkService& ScriptedNetworkService::ThenNoConnection() { return Then(nullptr); }

void ScriptedNetworkService::SetFallback(Answer fallback) {
    MutexLock lock(mutex_);
    fallback_ = std::move(fallback);
}

std::vector<ScriptedNetworkService::Request> ScriptedNetworkService::Requests() const {
    MutexLock lock(mutex_);
    return requests_;
}

std::vector<ScriptedNetworkService::Request> ScriptedNetworkService::WaitForRequests(
    size_t count, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    MutexLock lock(mutex_);
    while (requests_.size() < count && lock.WaitUntil(requested_, deadline)) {
    }
    return requests_;
}

ScriptedNetworkService::Request ScriptedNetworkService::RequestTo(const std::string& text) const {
    MutexLock lock(mutex_);
    for (const Request& request : requests_) {
        if (request.url.find(text) != std::string::npos) {
            return request;
        }
    }
    return {};
}

size_t ScriptedNetworkService::Remaining() const {
    MutexLock lock(mutex_);
    return script_.size();
}

ScriptedNetworkService::Step ScriptedNetworkService::Take(const Request& request) {
    Answer fallback;
    {
        MutexLock lock(mutex_);
        requests_.push_back(request);
        requested_.notify_all();
        if (!script_.empty()) {
            Step step{false, std::move(script_.front())};
            script_.pop_front();
            return step;
        }
        fallback = fallback_;
    }
    if (fallback) {
        return {false, fallback(request)};  // outside the lock: the answer may call back into the service
    }
    return {target_ != nullptr, nullptr};
}

std::shared_ptr<HttpConnectionInterface> ScriptedNetworkService::ConnectUrl(
    const std::string& url, HttpCommandType command, const std::string& payload,
    const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
    std::int64_t readTimeout) {
    const Step step = Take({url, command, payload, headers, connectTimeout, readTimeout});
    return step.toTarget ? target_->ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout)
                         : step.connection;
}

void ScriptedNetworkService::ConnectUrlAsync(const std::string& url, HttpCommandType command,
                                             const std::string& payload,
                                             const std::map<std::string, std::string>& headers,
                                             std::int64_t connectTimeout, std::int64_t readTimeout,
                                             const Callback& callback) {
    const Step step = Take({url, command, payload, headers, connectTimeout, readTimeout});
    if (step.toTarget) {
        target_->ConnectUrlAsync(url, command, payload, headers, connectTimeout, readTimeout, callback);
    } else if (callback) {
        callback(step.connection);
    }
}

bool ScriptedNetworkService::Dispose(std::int64_t timeoutMs) {
    return !target_ || target_->Dispose(timeoutMs);
}

}  // namespace NuvraMobile
