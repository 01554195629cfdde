#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/Object.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/network/CurlSession.h"

namespace NuvraMobile {

/**
 * HTTPS over libcurl. Requests of one (read, connect) timeout pair share one session: a pool of
 * connections driven by a thread of its own, on which asynchronous callbacks run. Only https URLs are
 * sent, also on redirects. A synchronous call waits at most connect + read timeout. Dispose cancels every
 * request (their callbacks receive an empty connection), wakes every waiting call and is final.
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
    /** What one synchronous call shares with its completion. */
    struct ConnectUrlState {
        bool done = false;
        std::shared_ptr<HttpConnectionInterface> connection;
    };

    /** Checks the URL and command and builds the request; throws before anything is sent. */
    CurlRequest BuildRequest(const std::string& url, HttpCommandType command, const std::string& payload,
                             const std::map<std::string, std::string>& headers) const;
    void Start(CurlRequest request, std::int64_t connectTimeout, std::int64_t readTimeout,
               const Callback& callback);

    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;

    std::mutex mutex_;
    std::condition_variable requestCompleted_;
    std::map<std::string, std::shared_ptr<CurlSession>> sessions_;  // guarded by mutex_
    bool disposed_ = false;                                         // guarded by mutex_
};

/**
 * A new network service taking its user agent from `systemInfoService`; throws SdkError
 * "platform_services.missing_service" when that is empty.
 */
std::shared_ptr<NetworkServiceInterface> CreateNativeNetworkService(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService);

}  // namespace NuvraMobile
