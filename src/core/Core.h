#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class ExternalModuleInterface;
class PlatformServicesInterface;
class SdkError;
class Variant;

/**
 * The facade through which every call of the host application reaches the event-driven logic. It
 * owns the event hub (with the Configuration module registered on it) and the platform services, and
 * turns each public operation into one request event for the hub. Start is once per process.
 *
 * Threads: Create, Init and Dispose run on the caller's thread and are serialised by the caller. The
 * request operations may be called from any thread and return at once; response callbacks run on the
 * hub's event thread.
 */
class Core : public Object {
public:
    using PlatformServicesFactory = std::function<std::shared_ptr<PlatformServicesInterface>()>;
    using ErrorCallback = std::function<void(const SdkError&)>;
    using EventCallback = std::function<void(const std::shared_ptr<Event>&)>;

    static constexpr const char* LOG_TAG = "Core";
    static constexpr std::chrono::milliseconds DEFAULT_DISPOSE_TIMEOUT{15000};

    /**
     * Seeds the C random generator and builds a core over the factory's services. With a hub given,
     * the core adopts it and registers no module on it. Throws SdkError
     * "std.logic_error.invalid_argument" for an empty factory or null services.
     */
    static std::shared_ptr<Core> Create(const PlatformServicesFactory& factory,
                                        const std::shared_ptr<EventHub>& eventHub = nullptr);
    /** Disposes as Dispose(10 s) does: the hub drains for its share of the whole limit. */
    ~Core() override;

    /** Ends module registration and boots the hub; only the first call in the process does so. */
    void Start(const std::function<void()>& callback);
    /**
     * Disposes the hub, then the services; false when either was not done before the timeout. Once they
     * are done, false when the hub's disposal dropped work dispatched before it (a track not yet handled, a
     * task not yet run, a track a module still held waiting for a configuration), which it reports in one
     * warning line, unless an earlier call has already said false: so that the core says false once for
     * what was left, and a caller that retries until true ends as soon as the disposal has. Called from one of the hub's own tasks (a response callback, a listener,
     * the start callback) it only starts the hub's disposal, logs that, and returns false at once: waiting
     * there could never end.
     */
    bool Dispose(std::chrono::milliseconds timeout);
    bool Dispose();

    void ConfigureWithAppId(const std::string& appId);
    void ConfigureWithFileInPath(const std::string& filePath);
    void UpdateConfiguration(const std::map<std::string, std::shared_ptr<Variant>>& configuration);
    void SetPrivacyStatus(MobilePrivacyStatus status);
    /** The callback receives the privacy status as published, on the hub's thread. */
    void GetPrivacyStatus(const std::function<void(MobilePrivacyStatus)>& callback);
    void GetSDKIdentities(const std::function<void(const std::string&)>& callback);
    void CollectPii(const std::map<std::string, std::string>& data);
    void LifecycleStart(const std::map<std::string, std::string>& additionalContextData);
    void LifecyclePause();
    void SetAdvertisingIdentifier(const std::string& identifier);
    void SetPushIdentifier(const std::string& identifier);
    /** Dispatches a copy of the data; null or empty data dispatches nothing. */
    void Track(const std::shared_ptr<EventData>& data);
    void CollectData(const std::map<std::string, std::shared_ptr<Variant>>& data);
    void DownloadRules();

    /**
     * Registers an extension's module with the hub. A failure (an empty or taken name) reaches the
     * error callback on the calling thread before this returns.
     */
    void RegisterExternalModule(const std::shared_ptr<ExternalModuleInterface>& module,
                                const ErrorCallback& errorCallback);
    /** A copy of the event; errors reach the error callback. */
    void DispatchEvent(const std::shared_ptr<Event>& event, const ErrorCallback& errorCallback);
    /** A copy of the request; the response paired to it reaches the response callback. */
    void DispatchEventWithResponseCallback(const std::shared_ptr<Event>& requestEvent,
                                           const EventCallback& responseCallback,
                                           const ErrorCallback& errorCallback);
    /** A copy of the response, paired to the request's response pair id. */
    void DispatchResponseEvent(const std::shared_ptr<Event>& responseEvent,
                               const std::shared_ptr<Event>& requestEvent,
                               const ErrorCallback& errorCallback);

    std::shared_ptr<EventHub> GetEventHub() const { return eventHub_; }

private:
    class Nvsdk7218Hack;
    /** Ends the SDK at process exit, which needs to know whether its threads ended, whatever was dropped. */
    friend class MobileMarketingCoreBridge;

    /** Dispose without the dropped work: true when the hub and the services were done before the timeout. */
    bool End(std::chrono::milliseconds timeout);

    Core();
    void Init(const PlatformServicesFactory& factory, const std::shared_ptr<EventHub>& eventHub);
    void Dispatch(const std::shared_ptr<Event>& event);
    /** Registers the one-time listener for the request's response; `onFailure` runs when that fails. */
    void RegisterResponseListener(const std::shared_ptr<Event>& request, const EventCallback& listener,
                                  const std::function<void(const SdkError&)>& onFailure);
    void RunExtensionOperation(const std::function<void()>& work, const ErrorCallback& errorCallback);
    /** Clears the process-wide logging and system-information services when they are this core's. */
    void ClearOwnProcessWideServices();

    std::shared_ptr<EventHub> eventHub_;
    std::shared_ptr<PlatformServicesInterface> platformServices_;
    /** Set by the first Dispose that returned false, whatever for: the dropped work is not said again. */
    std::atomic<bool> saidFalse_{false};
};

}  // namespace NuvraMobile
