#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/NetworkServiceInterface.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * A network service that records every request and answers from a script, in order: a connection (an
 * answer) or none (no connection). Once the script is used up, a request gets what the fallback answer
 * returns (which may also throw), else goes to the service it wraps, else finds no connection.
 * Asynchronous requests call back on the caller's thread before returning, except those that go to the
 * wrapped service, which calls back as it does. Thread-safe.
 */
class ScriptedNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    /** One request as the service was given it. */
    struct Request {
        std::string url;
        HttpCommandType command = HttpCommandType::GET;
        std::string payload;
        std::map<std::string, std::string> headers;
        std::int64_t connectTimeout = 0;
        std::int64_t readTimeout = 0;
    };
    using Answer = std::function<std::shared_ptr<HttpConnectionInterface>(const Request&)>;

    /** Once the script is used up, requests go to `target`; none when it is null. */
    explicit ScriptedNetworkService(std::shared_ptr<NetworkServiceInterface> target = nullptr);
    /** Once the script is used up, requests get what `fallback` returns. */
    explicit ScriptedNetworkService(Answer fallback);

    /** An answer of this status, body and header fields. */
    static std::shared_ptr<HttpConnectionInterface> Connection(
        std::int32_t status, std::string body = "",
        std::vector<std::pair<std::string, std::string>> headers = {});
    /** A fallback that answers every request with this status and body. */
    static Answer Status(std::int32_t status, std::string body = "");

    /** Appends a step: the connection (none for null). */
    ScriptedNetworkService& Then(std::shared_ptr<HttpConnectionInterface> connection);
    /** Appends an answer to the script. */
    ScriptedNetworkService& ThenAnswer(std::int32_t status, std::string body = "",
                                       std::vector<std::pair<std::string, std::string>> headers = {});
    /** Appends a request that finds no connection. */
    ScriptedNetworkService& ThenNoConnection();
    /** Replaces the fallback answer. */
    void SetFallback(Answer fallback);

    std::vector<Request> Requests() const;
    /** Waits up to `timeout` until `count` requests came; returns those that came. */
    std::vector<Request> WaitForRequests(size_t count,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    /** The first request whose URL contains `text`; an empty one when there is none. */
    Request RequestTo(const std::string& text) const;
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
    /** What a request is to get: a scripted step or the fallback's answer, or nothing for the target. */
    struct Step {
        bool toTarget = false;
        std::shared_ptr<HttpConnectionInterface> connection;
    };

    /** Records the request and takes the step for it. */
    Step Take(const Request& request);

    const std::shared_ptr<NetworkServiceInterface> target_;
    mutable Mutex mutex_;
    mutable std::condition_variable requested_;
    Answer fallback_ NVR_GUARDED_BY(mutex_);
    std::deque<std::shared_ptr<HttpConnectionInterface>> script_ NVR_GUARDED_BY(mutex_);
    std::vector<Request> requests_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
