#pragma once

#include <map>
#include <memory>
#include <string>

#include "identity/IdentityDatabaseHit.h"
#include "shared/HitProcessor.h"

namespace NuvraMobile {

class Identity;
class IdentityObject;
class JsonObject;
class JsonUtilityServiceInterface;
class NetworkServiceInterface;
class SystemInfoServiceInterface;

/**
 * Sends one stored sync request to the identity server (HTTPS GET) and hands the parsed answer to the
 * Identity module, which applies it on its own task queue. Only the statuses 408, 503 and 504 keep the
 * hit for a retry; every other final answer is reported to the module exactly once, as an empty answer
 * when it carries nothing usable.
 *
 * Threads: Process runs on the identity hit queue's worker, one hit at a time, and blocks it for the
 * request (at most the 2 s connect plus 2 s read timeout). The processor keeps no state between hits.
 * It holds the module weakly: once the module is gone, answers are dropped.
 */
class IdentityHitProcessor : public HitProcessor<IdentityDatabaseHit> {
public:
    IdentityHitProcessor(std::shared_ptr<NetworkServiceInterface> networkService,
                         std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                         std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                         const std::shared_ptr<Identity>& identity);

    HitProcessingResult Process(const std::shared_ptr<IdentityDatabaseHit>& hit) override;

    /** "Accept-Language" of the active locale and the form content type; empty without system info. */
    std::map<std::string, std::string> BuildIdentityRequestPropertyMap(bool unused = false);
    /** The answer's fields, or empty for a null or member-less object. */
    std::shared_ptr<IdentityObject> CreateIdentityObjectFromResponseJsonObject(
        const std::shared_ptr<JsonObject>& jsonObject);

private:
    std::shared_ptr<JsonObject> ParseResponse(const std::string& body);
    void Report(const std::shared_ptr<IdentityObject>& answer, const IdentityDatabaseHit& hit);

    const std::shared_ptr<NetworkServiceInterface> networkService_;
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    const std::weak_ptr<Identity> identity_;
};

}  // namespace NuvraMobile
