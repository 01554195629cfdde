#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "core/module/InternalModule.h"
#include "core/module/WaitingEventQueue.h"
#include "shared/MobilePrivacyStatus.h"
#include "signal/SignalConstants.h"

namespace NuvraMobile {

class Event;
class SignalHitsDatabase;
class UIServiceInterface;
class URLServiceInterface;
class Variant;

/**
 * The module that acts on three kinds of rule consequences: "pb" (postback) and "pii" (personal
 * information request) become requests stored in its persistent hit queue, which sends them; "url"
 * asks the UI service to open a URL at once. Postbacks and PII requests obey the privacy status of the
 * configuration valid for their event, and wait in memory, in arrival order, while that configuration
 * is not known; the next configuration response or the next "pb"/"pii" consequence tries them again.
 * It publishes no shared state and dispatches no events.
 *
 * Threads: listeners run on the hub's workers and only queue named tasks; the waiting events and the
 * hits database are touched only by those tasks, one at a time on the module's own queue, so the
 * module takes no lock. Requests are sent on the hit queue's own worker.
 *
 * Shutdown: unregistration stops the hit queue at once without waiting, then waits for its worker in
 * one-second slices from a task that still runs while the module unregisters, a bounded number of
 * times, so a request in flight cannot hold the hub's shutdown. Waiting events are not persisted; stored
 * hits stay in the database for the next run.
 */
class Signal : public InternalModule {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_PREFIX = SignalConstants::LOG_PREFIX;
    /** How long unregistration waits for the hit queue's worker (a postback in flight) before going on. */
    static constexpr std::chrono::milliseconds UNREGISTRATION_DISPOSE_LIMIT{5000};

    Signal();

    std::string GetSharedStateName() const override;

    /** Queues "SignalUpdatePrivacyStatus". */
    virtual void UpdatePrivacyStatus(MobilePrivacyStatus status);
    /** Queues "SignalProcessingRulesConsequence" for a "pb" or "pii" consequence event. */
    virtual void HandleSignalConsequenceEvent(const std::shared_ptr<Event>& event);
    /** Queues "SignalProcessingRulesOpenUrlConsequence" with a copy of the detail. */
    virtual void HandleOpenUrlConsequence(const VariantMap& detail);

protected:
    void OnRegistered() override;
    void OnUnregistered() override;
    /** The signal consequences waiting for a configuration. */
    std::size_t CountRequestsLeftWaiting() override;

    virtual std::shared_ptr<SignalHitsDatabase> CreateDatabase();
    /** Processes the waiting events from the front until one must keep waiting. */
    virtual void TryProcessQueuedEvent();
    /** True when the event is finished (its hit stored, or dropped); false when it must keep waiting. */
    virtual bool ProcessSignalEvent(const std::shared_ptr<Event>& event);

    std::shared_ptr<URLServiceInterface> GetURLService();
    std::shared_ptr<UIServiceInterface> GetUIService();

private:
    std::shared_ptr<Signal> SharedSelf();
    void OpenUrl(const VariantMap& detail);
    void ApplyPrivacyStatus(MobilePrivacyStatus status);
    void DisposeHitsDatabase();

    std::shared_ptr<SignalHitsDatabase> hitsDatabase_;
    WaitingEventQueue<> waitingEvents_;
};

}  // namespace NuvraMobile
