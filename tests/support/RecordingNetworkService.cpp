#include "support/RecordingNetworkService.h"

#include <utility>

#include "services/network/HttpConnection.h"

namespace NuvraMobile {

RecordingNetworkService::RecordingNetworkService(Answer answer) : answer_(std::move(answer)) {}

std::shared_ptr<RecordingNetworkService> RecordingNetworkService::Over(
    const std::shared_ptr<NetworkServiceInterface>& inner) {
    return std::make_shared<RecordingNetworkService>([inner](const NetworkCall& call) {
        return inner->ConnectUrl(call.url, call.command, call.payload, call.headers, call.connectTimeout,
                                 call.readTimeout);
    });
}

std::shared_ptr<RecordingNetworkService> RecordingNetworkService::Answering(std::int32_t status) {
    return std::make_shared<RecordingNetworkService>([status](const NetworkCall&) {
        return std::make_shared<HttpConnection>(status, HttpConnection::HeaderFields{}, "");
    });
}

std::shared_ptr<HttpConnectionInterface> RecordingNetworkService::ConnectUrl(
    const std::string& url, HttpCommandType command, const std::string& payload,
    const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
    std::int64_t readTimeout) {
    NetworkCall call{url, command, payload, headers, connectTimeout, readTimeout};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
    }
    return answer_(call);
}

void RecordingNetworkService::ConnectUrlAsync(const std::string& url, HttpCommandType command,
                                              const std::string& payload,
                                              const std::map<std::string, std::string>& headers,
                                              std::int64_t connectTimeout, std::int64_t readTimeout,
                                              const Callback& callback) {
    callback(ConnectUrl(url, command, payload, headers, connectTimeout, readTimeout));
}

bool RecordingNetworkService::Dispose(std::int64_t) { return true; }

std::vector<NetworkCall> RecordingNetworkService::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

NetworkCall RecordingNetworkService::CallTo(const std::string& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& call : calls_) {
        if (call.url.find(text) != std::string::npos) {
            return call;
        }
    }
    return {};
}

}  // namespace NuvraMobile
