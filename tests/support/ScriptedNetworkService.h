#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Object.h"
#include "platformShim/NetworkServiceInterface.h"

namespace NuvraMobile {

/**
 * A network service that answers requests from a script, in order: an answer (status, header fields,
 * body) or no connection at all. Once the script is used up, requests go to the real service it wraps,
 * or find no connection when it wraps none. Asynchronous requests call back on the caller's thread
 * before returning. Records every request. Thread-safe.
 */
class ScriptedNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    struct Answer {
        std::int32_t status = 200;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
    };
    struct Request {
        std::string url;
        HttpCommandType command;
        std::string payload;
        std::map<std::string, std::string> headers;
    };

    explicit ScriptedNetworkService(std::shared_ptr<NetworkServiceInterface> target = nullptr);

    /** Appends an answer to the script. */
    ScriptedNetworkService& ThenAnswer(std::int32_t status, std::string body = "",
                                       std::vector<std::pair<std::string, std::string>> headers = {});
    /** Appends a request that finds no connection. */
    ScriptedNetworkService& ThenNoConnection();

    std::vector<Request> Requests() const;
    /** How many scripted steps are still to come. */
    size_t Remaining() const;

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout,
                                                        std::int64_t readTimeout) override;
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override;
    bool Dispose(std::int64_t timeoutMs) override;

private:
    const std::shared_ptr<NetworkServiceInterface> target_;
    mutable std::mutex mutex_;
    std::deque<std::optional<Answer>> script_;
    std::vector<Request> requests_;
};

}  // namespace NuvraMobile
