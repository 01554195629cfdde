#include "support/ScriptedNetworkService.h"

#include "services/network/HttpConnection.h"

namespace NuvraMobile {

ScriptedNetworkService::ScriptedNetworkService(std::shared_ptr<NetworkServiceInterface> target)
    : target_(std::move(target)) {}

ScriptedNetworkService& ScriptedNetworkService::ThenAnswer(
    std::int32_t status, std::string body, std::vector<std::pair<std::string, std::string>> headers) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(Answer{status, std::move(headers), std::move(body)});
    return *this;
}

ScriptedNetworkService& ScriptedNetworkService::ThenNoConnection() {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(std::nullopt);
    return *this;
}

std::vector<ScriptedNetworkService::Request> ScriptedNetworkService::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t ScriptedNetworkService::Remaining() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return script_.size();
}

std::shared_ptr<HttpConnectionInterface> ScriptedNetworkService::ConnectUrl(
    const std::string& url, HttpCommandType command, const std::string& payload,
    const std::map<std::string, std::string>& headers, std::int64_t connectTimeout, std::int64_t readTimeout) {
    std::optional<Answer> answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back({url, command, payload, headers});
        if (script_.empty()) {
            return target_ ? target_->ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout)
                           : nullptr;
        }
        answer = std::move(script_.front());
        script_.pop_front();
    }
    if (!answer) {
        return nullptr;
    }
    return std::make_shared<HttpConnection>(answer->status, answer->headers, answer->body);
}

void ScriptedNetworkService::ConnectUrlAsync(const std::string& url, HttpCommandType command,
                                             const std::string& payload,
                                             const std::map<std::string, std::string>& headers,
                                             std::int64_t connectTimeout, std::int64_t readTimeout,
                                             const Callback& callback) {
    std::shared_ptr<HttpConnectionInterface> connection =
        ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout);
    if (callback) {
        callback(connection);
    }
}

bool ScriptedNetworkService::Dispose(std::int64_t timeoutMs) {
    return !target_ || target_->Dispose(timeoutMs);
}

}  // namespace NuvraMobile
