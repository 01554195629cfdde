#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "loopback/LoopbackHttpsServer.h"

namespace NuvraHost {

/**
 * The demo's stand-in for the measurement and identity servers: an HTTPS server on 127.0.0.1 whose
 * throwaway certificate authority the SDK's network service is told to trust for this process. It
 * answers identity syncs (a visitor id, a blob and a location hint) and analytics-id requests (both on
 * "/id", told apart by their query) and takes measurement hits on "/b/ss/...", printing each one decoded
 * as it arrives. Handlers run on the server's connection threads; the other methods may be called from
 * any thread.
 */
class Collector {
public:
    /** Listens on `port` when it is free, else on a free one; trusts the server's authority. */
    explicit Collector(int port);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    /** "127.0.0.1:<port>", the host value the configuration names servers by. */
    std::string Host() const;
    int HitCount() const;
    /** Waits until more than `count` hits arrived or `timeout` passed; returns the hit count. */
    int WaitForMoreHitsThan(int count, std::chrono::milliseconds timeout) const;
    /**
     * Has the stored hits sent (`sendStored`) and waits until `storedHits` shows none and at least
     * `expected` arrived, or `timeout` passed; returns the hits that arrived. It asks again while hits are
     * stored and none arrives: an ask made while Analytics holds its hits for a launch's lifecycle data (up
     * to a second after a lifecycle start) sends nothing, and a batch limit then keeps them stored.
     */
    int AwaitDelivery(int expected, const std::function<std::int64_t()>& storedHits,
                      const std::function<void()>& sendStored, std::chrono::milliseconds timeout) const;

    /**
     * Stops taking requests and waits for the handlers under way: every hit received is printed by then,
     * and HitCount is final. The destructor does it too.
     */
    void Stop();

    /** The analytics id the collector hands out. */
    static constexpr const char* kAnalyticsId = "3A1F0C2B9D8E7F60-1B2C3D4E5F607182";

private:
    NuvraMobile::LoopbackResponse ReceiveHit(const NuvraMobile::LoopbackRequest& request);

    std::unique_ptr<NuvraMobile::LoopbackHttpsServer> server_;
    mutable std::mutex mutex_;
    mutable std::condition_variable received_;
    int hits_ = 0;
};

/** Prints a hit body as a table: its variables, then its context data with the nested keys joined by ".". */
std::string DescribeHit(const std::string& body);

}  // namespace NuvraHost
