#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "loopback/LoopbackHttpsServer.h"
#include "services/network/NetworkTestSettings.h"

namespace NuvraMobile {

/**
 * The collector of the helper apps that tests start as processes of their own (an app that exits, an app
 * that disposes): it answers the identity sync, and takes every other request as a hit, noting whether
 * one carried the app's stored action. A silent collector accepts hits and never answers. Never
 * destroyed: a handler that never answers would hold the server's destructor for ever, and the SDK may
 * call the server until the process ends.
 */
class HelperAppCollector {
public:
    /** On `port` (any free one for 0; a port that is still taken is tried again for 10 s), trusted. */
    static HelperAppCollector& Start(bool answersHits, int port, const std::string& storedAction) {
        auto* collector = new HelperAppCollector(NewServer(port));
        NetworkTestSettings::SetTrustedCertificateAuthority(collector->server_.CertificateAuthorityPem());
        collector->server_.Handle("/id", [](const LoopbackRequest&) {
            return LoopbackResponse{200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
        });
        collector->server_.SetDefaultHandler(
            [collector, answersHits, storedAction](const LoopbackRequest& request) {
                if (request.body.find(storedAction) != std::string::npos) {
                    collector->storedHitArrived_.store(true);
                }
                collector->hitArrived_.store(true);
                while (!answersHits) {
                    std::this_thread::sleep_for(std::chrono::hours(1));  // accepted, never answered
                }
                return LoopbackResponse{200, {}, ""};
            });
        return *collector;
    }

    int Port() const { return server_.Port(); }

    /** True once a hit arrived; false after 30 s. */
    bool WaitForAHit() const { return WaitFor(hitArrived_); }
    /** True once the hit of the stored action arrived; false after 30 s. */
    bool WaitForTheStoredHit() const { return WaitFor(storedHitArrived_); }

    /** Prints `word` and the steady clock's time (CLOCK_MONOTONIC) in nanoseconds. */
    static void PrintNow(const char* word) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf(
            "%s %lld\n", word,
            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
    }

private:
    explicit HelperAppCollector(LoopbackHttpsServer* server) : server_(*server) {}

    static LoopbackHttpsServer* NewServer(int port) {
        if (port == 0) {
            return new LoopbackHttpsServer();
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            try {
                return new LoopbackHttpsServer(port);
            } catch (const std::runtime_error&) {
                if (std::chrono::steady_clock::now() > deadline) {
                    throw;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
    }

    static bool WaitFor(const std::atomic<bool>& flag) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!flag.load()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    LoopbackHttpsServer& server_;
    std::atomic<bool> hitArrived_{false};
    std::atomic<bool> storedHitArrived_{false};
};

}  // namespace NuvraMobile
