#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/values/Object.h"
#include "shared/MobilePrivacyStatus.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class AnalyticsDatabaseHitSchema;
class AnalyticsHit;
class AnalyticsHitQueue;
class AnalyticsProperties;
class AnalyticsState;
class HttpConnectionInterface;
class NetworkServiceInterface;
class PlatformServicesInterface;

/**
 * The module's front of the persistent measurement-hit queue. It stores hits, decides when stored hits
 * may go out (privacy, offline batching, launch wait timers, forced sends), fills placeholder and
 * waiting rows, points every row at the current base URL before it lets the worker run, and sends one
 * hit for the processor.
 *
 * Threads: called from the module's queue, from the wait timers' threads (Kick) and from the hit
 * queue's worker (sending). The last state is guarded by `mutex_`, the last hit timestamp is atomic,
 * and `rowsMutex_` keeps inserting a row and rewriting every row's server in one order, so the record
 * of which server all rows carry stays true. Table operations are serialised by the hit queue.
 * Dispose stops the wait timers and the hit queue; it does not wait for the module's queue.
 */
class AnalyticsHitDatabase : public Object {
public:
    static constexpr const char* LOG_PREFIX = "AnalyticsHitDatabase";
    static constexpr std::uint64_t RANDOM_INT_BOUND = 100000000;
    static constexpr std::int64_t TIMESTAMP_DISABLED_WAIT_THRESHOLD_SECONDS = 60;
    static constexpr std::int64_t CONNECTION_TIMEOUT_SECONDS = 5;

    /** Receives a sent hit's response to hand on: body, headers, request event id, host and URL. */
    using ResponseHandler = std::function<void(
        const std::string& response, const std::map<std::string, std::string>& headers,
        const std::string& requestEventIdentifier, const std::string& hitHost, const std::string& hitUrl)>;

    /** Without a response handler, responses are dropped. */
    AnalyticsHitDatabase(const std::shared_ptr<AnalyticsHitQueue>& hitQueue,
                         const std::shared_ptr<PlatformServicesInterface>& platformServices,
                         const std::shared_ptr<AnalyticsProperties>& properties,
                         ResponseHandler responseHandler);

    /** Stops the wait timers and the hit queue; true when all stopped within the timeout. */
    virtual bool Dispose(std::chrono::milliseconds timeout);
    /** Merges `data` into the context data of the oldest waiting row, then kicks. */
    virtual void KickWithAdditionalData(const std::shared_ptr<AnalyticsState>& state,
                                        const std::map<std::string, std::string>& data);
    /** Stores one hit; with a state that yields a server it kicks. */
    virtual void Queue(const std::shared_ptr<AnalyticsState>& state, const std::string& payload,
                       std::int64_t timestampSeconds, bool waiting, bool placeholder);
    /** Kick that ignores the batch limit. */
    virtual void ForceKick(const std::shared_ptr<AnalyticsState>& state);
    /**
     * Lets the worker send, unless a wait timer runs, privacy is not opted in, or offline batching
     * holds the rows (no more rows than the batch limit and not forced). Without a state the last one.
     */
    virtual void Kick(const std::shared_ptr<AnalyticsState>& state, bool force);
    /**
     * The send gate: the privacy in event order, that of the newest configuration the module has met at
     * a built request or a configuration answer. Once set, every kick and every hit the worker takes
     * follow it, whatever state the kick carries: a hit built under unknown privacy stays until an opt-in
     * at a later event, and a hit built under opt-in stays once a later event made privacy unknown.
     */
    virtual void SetPrivacyStatus(MobilePrivacyStatus status);
    /** For the worker, before it sends a hit: false while the send gate is set and not opted in. */
    virtual bool IsSendingAllowed() const;
    virtual void ClearTrackingQueue();
    /** Rows that are not placeholders. */
    virtual std::int64_t GetTrackingQueueSize();
    virtual void ResetIsWaitingFlag();
    /** Fills the newest placeholder row with the backdated hit (queues it when there is none), kicks. */
    virtual void UpdateBackdatedHit(const std::shared_ptr<AnalyticsState>& state, const std::string& payload,
                                    std::int64_t timestampSeconds);
    virtual bool IsHitWaiting();
    /**
     * For the worker, before it sends a waiting hit: false while a wait timer holds waiting hits.
     * Otherwise the hit takes the body stored now: data that ends a wait is written into the row
     * before the wait ends, possibly after the worker read the row.
     */
    virtual bool ReleaseWaitingHit(AnalyticsHit& hit);
    /** Posts the body to the server plus a random number; no connection when none was made. */
    virtual std::shared_ptr<HttpConnectionInterface> SendAnalyticsHitToServer(const std::string& server,
                                                                              const std::string& body);
    /** Reads the answer, publishes it when forwarding or the debug API asks, records the hit's time. */
    virtual void HandleNetworkConnection(const std::shared_ptr<HttpConnectionInterface>& connection,
                                         const std::shared_ptr<AnalyticsHit>& hit);
    /** Moves an offline hit that is older than the last sent one to one second after it (in memory). */
    virtual void UpdateTimestampIfNeeded(const std::shared_ptr<AnalyticsHit>& hit, std::int64_t last);

    /** The body with `data` merged into its context-data block, which then stands at the end. */
    std::string AppendContextData(const std::map<std::string, std::string>& data, const std::string& body);

    std::shared_ptr<AnalyticsHitQueue> GetHitQueue() const { return hitQueue_; }
    std::int64_t GetLastHitTimestamp() const { return lastHitTimestamp_; }

private:
    std::shared_ptr<AnalyticsState> GetLastState() const;
    void SetLastState(const std::shared_ptr<AnalyticsState>& state);
    bool IsDebugApiEnabled() const;
    /** The send gate's privacy; `fallback` before the module has set it. */
    MobilePrivacyStatus GatePrivacy(MobilePrivacyStatus fallback) const;
    /** Inserts the hit; forgets the all-rows server unless the hit carries it. */
    void InsertHit(const std::shared_ptr<AnalyticsHit>& hit);
    /** Writes the server into every row unless all rows are known to carry it already. */
    void PointAllRowsAt(const std::string& server);
    static void FillFromState(AnalyticsHit& hit, const std::shared_ptr<AnalyticsState>& state);

    mutable Mutex mutex_;
    std::shared_ptr<AnalyticsState> lastState_ NVR_GUARDED_BY(mutex_);
    std::optional<MobilePrivacyStatus> privacyStatus_ NVR_GUARDED_BY(mutex_);
    const std::shared_ptr<AnalyticsProperties> properties_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
    std::shared_ptr<NetworkServiceInterface> networkService_;
    const ResponseHandler responseHandler_;
    std::shared_ptr<AnalyticsDatabaseHitSchema> schema_;
    std::shared_ptr<AnalyticsHitQueue> hitQueue_;
    std::atomic<std::int64_t> lastHitTimestamp_{0};
    Mutex rowsMutex_;
    /** The server every row carries, when known. */
    std::optional<std::string> serverOfAllRows_ NVR_GUARDED_BY(rowsMutex_);
};

}  // namespace NuvraMobile
