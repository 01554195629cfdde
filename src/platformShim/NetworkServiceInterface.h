#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"
#include "platformShim/HttpConnectionInterface.h"

namespace NuvraMobile {

/** The request method; only a POST carries the payload. */
enum class HttpCommandType : std::int32_t { GET = 0, POST = 1 };

/**
 * The system's only way onto the network: one HTTPS request per call, answered by a connection
 * holding the status, the header fields and the body. Timeouts are whole seconds. Any thread may call.
 */
class NetworkServiceInterface : public virtual ObjectInterface {
public:
    using Callback = std::function<void(const std::shared_ptr<HttpConnectionInterface>&)>;

    /**
     * Sends the request and waits at most connectTimeout + readTimeout seconds for the answer. Empty when
     * no answer came in time, the request failed or the service is disposed.
     */
    virtual std::shared_ptr<HttpConnectionInterface> ConnectUrl(
        const std::string& url, HttpCommandType command, const std::string& payload,
        const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
        std::int64_t readTimeout) = 0;

    /** The same request without waiting; `callback` runs once, on a thread of the service. */
    virtual void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                                 const std::map<std::string, std::string>& headers,
                                 std::int64_t connectTimeout, std::int64_t readTimeout,
                                 const Callback& callback) = 0;

    /** Later and pending requests complete with an empty connection. */
    virtual bool Dispose(std::int64_t timeoutMs) = 0;
};

}  // namespace NuvraMobile
