#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class PivoraParameters;
class PivoraPrefetch;
class PivoraRequest;
class PlatformServicesInterface;
class SdkError;
class Variant;

/**
 * The core-side entry point of personalisation: each operation turns its arguments into one request
 * event of type pivora and dispatches it; it never touches module state. Operations that hand
 * something back register a one-time listener for the answer's pair id before dispatching, and the
 * module's answer calls the callback once. There is no time-out: an answer that never comes (no
 * module registered) never calls back.
 *
 * Threads: every operation may be called from any thread and returns at once; callbacks run on the
 * event hub's thread, except those of an immediate failure, which run on the caller's thread before
 * the operation returns. A callback that blocks holds up the hub.
 */
class PivoraPublicApi : public Object {
public:
    using StringCallback = std::function<void(const std::string&)>;
    using StringMap = std::map<std::string, std::string>;
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    /** The hub is required; the platform services (for pair-id UUIDs) may be null. */
    static std::shared_ptr<PivoraPublicApi> Create(const std::shared_ptr<EventHub>& eventHub,
                                                   const std::shared_ptr<PlatformServicesInterface>& platformServices);

    /** Registers the personalisation module once. */
    void RegisterPivora();

    /** The callback gets the error text; empty means success. */
    void PivoraPrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                               const StringMap& profileParameters, const StringCallback& callback);
    void PivoraPrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                               const std::shared_ptr<PivoraParameters>& parameters, const StringCallback& callback);
    /** Each request's own callback gets its content or its default content. */
    void PivoraLoadRequests(const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                            const StringMap& profileParameters);
    void PivoraGetLocationContent(const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                                  const std::shared_ptr<PivoraParameters>& parameters);
    void PivoraLocationsDisplayed(const std::vector<std::shared_ptr<Variant>>& mboxNames,
                                  const std::shared_ptr<PivoraParameters>& parameters);
    void PivoraLocationClicked(const std::string& mboxName, const std::shared_ptr<PivoraParameters>& parameters);
    void PivoraLocationClicked(const std::string& mboxName, const StringMap& mboxParameters,
                               const StringMap& productParameters, const VariantMap& orderParameters,
                               const StringMap& profileParameters);
    void PivoraSetThirdPartyId(const std::string& thirdPartyId);
    void PivoraGetThirdPartyId(const StringCallback& callback);
    void PivoraGetQtxId(const StringCallback& callback);
    void PivoraResetExperience();
    void PivoraClearPrefetchCache();
    void PivoraSetPreviewRestartDeepLink(const std::string& deepLink);

    PivoraPublicApi(std::shared_ptr<EventHub> eventHub, std::shared_ptr<PlatformServicesInterface> platformServices);

private:
    void PivoraIdentityRequest(const std::string& key, const StringCallback& callback);
    void PrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                         const std::function<void(EventData&)>& addParameters, const StringCallback& callback);
    void LoadRequests(const char* operation, const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                      const std::function<void(EventData&)>& addParameters);
    /** Registers `onResponse` for the pair id; a failure runs `onFailure` with the error. */
    void RegisterPairedListener(const std::string& pairId,
                                const std::function<void(const std::shared_ptr<Event>&)>& onResponse,
                                const std::function<void(const SdkError&)>& onFailure);
    std::string MakePairIdPrefix();

    const std::shared_ptr<EventHub> eventHub_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
};

}  // namespace NuvraMobile
