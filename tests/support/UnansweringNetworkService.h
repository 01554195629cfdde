#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/NetworkServiceInterface.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {

/**
 * A network service whose requests reach a server that never answers: a synchronous one blocks until the
 * service is disposed, then finds no connection; an asynchronous one is never called back. Each request
 * raises `requests` as it starts (services may share one counter). Thread-safe.
 */
class UnansweringNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    explicit UnansweringNetworkService(
        std::shared_ptr<SignalCounter> requests = std::make_shared<SignalCounter>());

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout,
                                                        std::int64_t readTimeout) override;
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override;
    bool Dispose(std::int64_t timeoutMs) override;

    bool IsDisposed() const;

private:
    const std::shared_ptr<SignalCounter> requests_;
    Gate disposed_;
};

}  // namespace NuvraMobile
