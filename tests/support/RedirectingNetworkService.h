#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/NetworkServiceInterface.h"

namespace NuvraMobile {

/** The URLs a module asked for, in order, and whether the network refuses them. Any thread. */
class NetworkLog {
public:
    /** Records the URL; while refusing, throws what a network service throws for a request it refuses. */
    void Record(const std::string& url);
    void SetRefuse(bool refuse);
    std::vector<std::string> Urls() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> urls_;
    bool refuse_ = false;
};

/**
 * Sends every request to `target` (scheme and authority, e.g. a loopback server's URL) in place of the
 * host the URL names, keeping path and query, after logging the URL as it was asked for. Any thread.
 */
class RedirectingNetworkService : public Object, public virtual NetworkServiceInterface {
public:
    RedirectingNetworkService(std::shared_ptr<NetworkServiceInterface> inner, std::string target,
                              std::shared_ptr<NetworkLog> log);

    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string& url, HttpCommandType command,
                                                        const std::string& payload,
                                                        const std::map<std::string, std::string>& headers,
                                                        std::int64_t connectTimeout, std::int64_t readTimeout) override;
    void ConnectUrlAsync(const std::string& url, HttpCommandType command, const std::string& payload,
                         const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
                         std::int64_t readTimeout, const Callback& callback) override;
    bool Dispose(std::int64_t timeoutMs) override;

private:
    std::string Redirect(const std::string& url) const;

    const std::shared_ptr<NetworkServiceInterface> inner_;
    const std::string target_;
    const std::shared_ptr<NetworkLog> log_;
};

}  // namespace NuvraMobile
