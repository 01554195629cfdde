#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/network/CurlSession.h"
#include "services/network/TransportFailureLog.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * HTTPS over libcurl. Every request goes through one session, with the time-outs it was given: a pool of
 * connections driven by a thread of its own, on which asynchronous callbacks run. Only https URLs are
 * sent, also on redirects. A failed request answers an empty connection and warns of the URL's host and
 * curl's reason (once a minute per host and kind of failure). A synchronous call waits at most
 * connect + read timeout. Dispose cancels every request (their callbacks receive an empty connection),
 * wakes every waiting call and is final.
 * Any thread may call any operation; callbacks are never called with the service's mutex held.
 */
class NativeNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    explicit NativeNetworkService(std::shared_ptr<SystemInfoServiceInterface> systemInfoService);
    ~NativeNetworkService() override;

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout,
                                                        std::int64_t readTimeout) override;

    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override;

    /** The timeout is ignored; always true. */
    bool Dispose(std::int64_t timeoutMs) override;

private:
    /** What one synchronous call shares with its completion, under the service's mutex. */
    struct ConnectUrlState {
        bool done = false;
        std::shared_ptr<HttpConnectionInterface> connection;
    };

    /** Checks the URL and command and builds the request; throws before anything is sent. */
    CurlRequest BuildRequest(const std::string& url, HttpCommandType command, const std::string& payload,
                             const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                             std::int64_t readTimeout) const;
    void Start(CurlRequest request, const Callback& callback) NVR_EXCLUDES(mutex_);

    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    /** Shared with the completions, which run on the session's thread. */
    const std::shared_ptr<TransportFailureLog> failureLog_;

    Mutex mutex_;
    std::condition_variable requestCompleted_;
    /** Made by the first request. */
    std::shared_ptr<CurlSession> session_ NVR_GUARDED_BY(mutex_);
    bool disposed_ NVR_GUARDED_BY(mutex_) = false;
};

/**
 * A new network service taking its user agent from `systemInfoService`; throws SdkError
 * "platform_services.missing_service" when that is empty.
 */
std::shared_ptr<NetworkServiceInterface> CreateNativeNetworkService(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService);

}  // namespace NuvraMobile
