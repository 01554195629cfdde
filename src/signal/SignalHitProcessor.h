#pragma once

#include <memory>

#include "shared/HitProcessor.h"
#include "signal/SignalHit.h"

namespace NuvraMobile {

class NetworkServiceInterface;
class SystemInfoServiceInterface;

/**
 * Sends one stored postback or PII request, synchronously, and tells the queue what to do with its row:
 * 200 and unrecoverable answers are done, 408/503/504 are retried, and a request that gets no answer or
 * is refused by the network service is discarded. Without a network or system-information service the
 * row is kept and the worker stops, so nothing is lost and nothing loops.
 *
 * Threads: called only on the hit queue's worker thread, one hit at a time; it blocks for up to the
 * hit's connect plus read timeout.
 */
class SignalHitProcessor : public HitProcessor<SignalHit> {
public:
    static constexpr const char* LOG_TAG = "Signal Hit Processor";

    SignalHitProcessor(std::shared_ptr<NetworkServiceInterface> networkService,
                       std::shared_ptr<SystemInfoServiceInterface> systemInfoService);

    HitProcessingResult Process(const std::shared_ptr<SignalHit>& hit) override;

private:
    const std::shared_ptr<NetworkServiceInterface> networkService_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
};

}  // namespace NuvraMobile
