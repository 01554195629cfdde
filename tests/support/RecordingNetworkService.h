#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Object.h"
#include "platformShim/NetworkServiceInterface.h"

namespace NuvraMobile {

/** One ConnectUrl call as the network service was given it. */
struct NetworkCall {
    std::string url;
    HttpCommandType command = HttpCommandType::GET;
    std::string payload;
    std::map<std::string, std::string> headers;
    std::int64_t connectTimeout = 0;
    std::int64_t readTimeout = 0;
};

/**
 * A network service that records every synchronous request and answers it with what `answer` returns
 * (which may forward to a real service, return null or throw). Thread-safe.
 */
class RecordingNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    using Answer = std::function<std::shared_ptr<HttpConnectionInterface>(const NetworkCall&)>;

    explicit RecordingNetworkService(Answer answer);
    /** Forwards every request to `inner`. */
    static std::shared_ptr<RecordingNetworkService> Over(
        const std::shared_ptr<NetworkServiceInterface>& inner);
    /** Answers every request with this status and an empty body. */
    static std::shared_ptr<RecordingNetworkService> Answering(std::int32_t status);

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout,
                                                        std::int64_t readTimeout) override;
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override;
    bool Dispose(std::int64_t timeoutMs) override;

    std::vector<NetworkCall> Calls() const;
    /** The first recorded call whose URL contains `text`. */
    NetworkCall CallTo(const std::string& text) const;

private:
    const Answer answer_;
    mutable std::mutex mutex_;
    std::vector<NetworkCall> calls_;
};

}  // namespace NuvraMobile
