#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "configuration/BaseConfigurationOrder.h"
#include "configuration/ConfigurationConstants.h"
#include "configuration/ConfigurationStateVersions.h"
#include "core/module/InternalModule.h"
#include "core/module/WaitingEventQueue.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class ConfigurationData;
class ConfigurationDownloader;
class ConfigurationDispatcherConfigurationRequestContent;
class ConfigurationDispatcherConfigurationResponseContent;
class ConfigurationDispatcherConfigurationResponseIdentity;
class DataStoreInterface;
class Event;
class EventData;
class FileSystemServiceInterface;
class JsonUtilityServiceInterface;
class PlatformServicesInterface;
class SystemInfoServiceInterface;
class TaskExecutorInterface;
class Variant;

/**
 * The module that owns the configuration of the whole system. It obtains the configuration from an
 * app id (remote download with cache and network wait), a file, programmatic updates, the download
 * cache or the file packaged with the application; keeps and persists the programmatic overrides;
 * resolves environment-specific keys; and publishes the result as the shared state
 * "com.nuvra.module.configuration" with a response event. It also answers requests for the current
 * configuration and for the SDK-identities report. A file-path or update request reserves its
 * version of the shared state when it is heard, so that the events dispatched after it read what it
 * leaves (ConfigurationStateVersions).
 *
 * An app id's configuration file is fetched off the module's queue (download, cache, and the wait for
 * the network), so that no request heard meanwhile and no reader waits on the network. The text
 * fetched comes back as the module's own request, "Downloaded Configuration Internal", which reserves
 * its version like the others: it is applied in event order, under every override made before it, and
 * seen by the events after it. It applies only while the app's last base is still that app id
 * (BaseConfigurationOrder); fetches run side by side, and one whose file no longer applies gives up.
 *
 * Until a base configuration, or one that names a server, is published in a run, while an app id's file is
 * fetched, the versions of the fetch's request, of the boot that started it and of every update after it (a
 * privacy choice among them) are held: their readers wait, and each is published with the file that comes
 * and the overrides that stood at its own request, or with those overrides alone when the fetch brings
 * nothing. A configuration without servers would have the events after them dropped for want of one.
 *
 * Threads: listeners run on the hub's workers and only queue named tasks, except the booted-event
 * handler, which does the boot work on the listener call. Every task runs on the module's own
 * sequential queue; fetches run side by side on the "Configuration Downloader" executor, which
 * touches no configuration. The configuration mutex guards the current and overridden configurations
 * and is never held while a shared state is created, an event is sent, a file is read or a download
 * runs.
 */
class Configuration : public InternalModule {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_PREFIX =
        ConfigurationConstants::EventDataKeys::Configuration::SHARED_STATE_NAME;
    /** The configuration-file server; "%s" takes the app id. */
    static constexpr const char* CONFIGURATION_URL_BASE = "https://config.nuvra.com/%s.json";
    static constexpr const char* CONFIG_BUNDLED_FILE_NAME = "NVBMobileConfig.json";
    static constexpr const char* CONFIG_MANIFEST_APPID_KEY = "NVBMobileAppID";
    static constexpr const char* DATASTORE_KEY = "NuvraMobile_ConfigState";
    static constexpr const char* PERSISTED_OVERRIDDEN_CONFIG = "config.overridden.map";
    static constexpr const char* PERSISTED_APPID = "config.appID";
    static constexpr const char* PERSISTED_RULES_URL = "config.last.rules.url";
    static constexpr const char* CACHE_FOLDER = "config";
    static constexpr const char* RULES_CACHE_FOLDER = "configRules";
    static constexpr const char* RULES_JSON_KEY = "rules";
    static constexpr const char* RULES_JSON_FILE_NAME = "rules.json";
    static constexpr const char* RULES_JSON_CONDITION_KEY = "condition";
    static constexpr const char* RULES_JSON_CONSEQUENCES_KEY = "consequences";

    Configuration();
    explicit Configuration(const std::string& name);

    std::string GetSharedStateName() const override;

    virtual void HandleConfigurationEvent(const std::shared_ptr<Event>& event);
    virtual void HandleLifeCycleEvent();
    virtual void HandleBootEvent(const std::shared_ptr<Event>& event);
    virtual void HandleGetSdkIdentitiesEvent(const std::shared_ptr<Event>& event);
    virtual void HandleSharedStateChangeEvent();
    /** Identities requests not answered yet, oldest first; touched only from the module's tasks. */
    virtual WaitingEventQueue<>& GetEventQueue();
    virtual void QueueGetSDKIdentitiesEvent(const std::shared_ptr<Event>& event);
    virtual void ProcessConfigWithFilePathEvent(const std::shared_ptr<Event>& event);
    virtual void ProcessUpdateConfigEvent(const std::shared_ptr<Event>& event);
    virtual void ProcessBootConfigEvent(const std::shared_ptr<Event>& event);
    /**
     * Starts the fetch of the app id's file, or shares the one under way, unless the file no longer applies.
     */
    virtual void ProcessConfigureWithAppIdEvent(const std::shared_ptr<Event>& event);
    virtual void ProcessPublishConfigurationEvent(const std::shared_ptr<Event>& event);
    /** Applies the configuration text that a fetch for an app id handed back; ends the request when empty. */
    virtual void ProcessDownloadedConfigEvent(const std::shared_ptr<Event>& event);
    /** Applies the configuration in `json` with the overrides over it; true when one was published. */
    virtual bool ConfigureWithJsonString(const std::string& json, const std::shared_ptr<Event>& event,
                                         bool downloadRules);
    virtual void ProcessGetSdkIdsEvent();
    virtual std::shared_ptr<ConfigurationDownloader> GetConfigDownloader(const std::string& appId);

    /**
     * The configuration as it is published: keys beginning with "__" dropped, and each key K taking
     * the value of "__E__K" when "build.environment" names E and that key exists. The input is not
     * changed.
     */
    static std::shared_ptr<EventData> GetEnvironmentAwareEventData(const std::shared_ptr<EventData>& data);
    /** "__" + environment + "__" + key; the key itself when the environment is empty. */
    static std::string GetKeyForEnvironment(const std::string& key, const std::string& environment);

protected:
    void OnRegistered() override;
    void OnUnregistered() override;
    /** The identities requests still waiting for the states they report. */
    std::size_t CountRequestsLeftWaiting() override;

    /** Publishes `data` (privacy default added, environment resolved) for the event and answers it. */
    void ChangeConfiguration(const std::shared_ptr<Event>& event, const std::shared_ptr<EventData>& data,
                             bool downloadRules);
    bool LoadCachedConfig(const std::string& appId, const std::shared_ptr<Event>& event);
    bool LoadBundledConfig(const std::shared_ptr<Event>& event);
    bool LoadOverriddenConfig(const std::shared_ptr<Event>& event);
    VariantMap GetEnvironmentAwareOverriddenConfig(const VariantMap& updates);
    std::string GetValidAppID();
    std::string GetAppIdFromManifest();
    std::string RetrieveAppIdFromPersistence();
    void SaveAppIdToPersistence(const std::string& appId);
    void SaveOverriddenConfigToPersistence(const std::shared_ptr<ConfigurationData>& overrides);
    /** Reloads the overrides from the data store. */
    void RetrieveOverriddenConfigFromPersistence() NVR_REQUIRES(configMutex_);
    /**
     * After the data store lost what it held (damaged or emptied), the user's privacy choice is unknown:
     * unless the overrides that survived carry one, privacy becomes "optunknown" as the app's own
     * setting, stored, so that no configuration opts the user in before the app sets privacy again.
     */
    void HoldPrivacyAfterLostStore() NVR_REQUIRES(configMutex_);
    bool ValidateForInternalEventAppIDChange(const std::shared_ptr<EventData>& data, std::string appId);
    /**
     * The app id's configuration text: downloaded, else the cached copy, else downloaded once more after
     * waiting for the network; empty when none was had, none when the fetch gave up because the file no
     * longer applies. Blocks: runs on the downloads executor.
     */
    std::optional<std::string> FetchConfiguration(const std::string& appId,
                                                  ConfigurationDownloader& downloader);
    /**
     * Blocks until the network is connected (true), or the module is no longer registered or `wanted` says
     * no (false).
     */
    bool WaitForNetworkConnection(const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
                                  const std::function<bool()>& wanted);
    std::string GetBundledFileContent();
    /** Where the packaged configuration file is read from, for messages. */
    std::string GetBundledFilePath();
    std::shared_ptr<DataStoreInterface> GetDataStore();
    bool GetPlatformSystemInfoService(std::shared_ptr<SystemInfoServiceInterface>& out);
    bool GetPlatformJsonUtilityService(std::shared_ptr<JsonUtilityServiceInterface>& out);
    /** Throws SdkError "platform_services.missing_service" when there is no file system service. */
    bool GetFileSystemService(std::shared_ptr<FileSystemServiceInterface>& out);
    /** Rolls back: readers see the configuration that stands for this event number. */
    void UpdateSharedStateToPreviousConfig(int32_t eventNumber);
    /**
     * A fetch or app-id request that brought no configuration: what was held for the first fetch is published
     * with its overrides alone, and so are the overrides at the event; else it rolls back.
     */
    void EndWithoutConfiguration(const std::shared_ptr<Event>& event);

    /** Loads the rules of the last known rules URL from the download cache. */
    virtual void RetrieveCachedRules();
    /** Starts the download of the rules bundle that the published configuration names. */
    virtual void DownloadRules(const std::shared_ptr<EventData>& configuration);

private:
    using RequestBody = void (Configuration::*)(const std::shared_ptr<Event>&);

    // What the module does on hearing each kind of request, in event order.
    void HearAppIdRequest(const std::shared_ptr<Event>& event);
    void HearFileRequest(const std::shared_ptr<Event>& event);
    void HearUpdateRequest(const std::shared_ptr<Event>& event);
    void HearCurrentConfigurationRequest(const std::shared_ptr<Event>& event);
    void HearDownloadedConfiguration(const std::shared_ptr<Event>& event);
    /** Reserves the request's version now and queues its task, which fills that version however it ends. */
    void QueueWithReservedVersion(const char* taskName, RequestBody body,
                                  const std::shared_ptr<Event>& event);
    bool IsConfigured() NVR_EXCLUDES(configMutex_);
    /**
     * Notes that a fetch is under way for the base that stands; until a configuration is published, it holds
     * the reserved `version` and the requests after it.
     */
    void HoldForFetch(int32_t version) NVR_EXCLUDES(configMutex_);
    /** True when an update must be held for the first fetch, which then publishes it. */
    bool HoldsForFirstFetch() NVR_EXCLUDES(configMutex_);
    /** Publishes each held version: `base` (none: nothing) with the overrides of its request over it. */
    void PublishHeld(const std::shared_ptr<ConfigurationData>& base);
    /** The configuration as published: the privacy default added, the environment resolved. */
    static std::shared_ptr<EventData> ToPublished(const std::shared_ptr<EventData>& data);
    static bool NamesAServer(const EventData& configuration);
    /** The service from the module's platform services, or null with a warning naming what is missing. */
    template <class Service>
    std::shared_ptr<Service> GetPlatformService(
        std::shared_ptr<Service> (PlatformServicesInterface::*getter)() const, const char* missingMessage);
    /** Makes the overrides win over `configuration`, also over its environment-specific keys. */
    static void ApplyOverrides(ConfigurationData& configuration, const ConfigurationData& overrides);
    /** A sequential or parallel executor of the threading service, else of the module's own making. */
    std::shared_ptr<TaskExecutorInterface> CreateExecutor(const std::string& name, bool parallel);
    /** Runs one boot step; an error is logged and counts as "nothing applied". */
    static bool RunBootStep(const char* stepName, const std::function<bool()>& step);
    std::shared_ptr<Configuration> SharedSelf();
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityServiceOrLog(const char* missingMessage);
    /** An empty configuration over the JSON utility service, to parse a configuration text into. */
    std::shared_ptr<ConfigurationData> CreateConfigurationToParse();
    /** Applies a parsed configuration with the overrides over it; an empty one rolls back. */
    bool ApplyConfiguration(const std::shared_ptr<ConfigurationData>& configuration,
                            const std::shared_ptr<Event>& event, bool downloadRules);

    std::shared_ptr<ConfigurationDispatcherConfigurationRequestContent> requestContentDispatcher_;
    std::shared_ptr<ConfigurationDispatcherConfigurationResponseContent> responseContentDispatcher_;
    std::shared_ptr<ConfigurationDispatcherConfigurationResponseIdentity> responseIdentityDispatcher_;
    Mutex configMutex_;
    std::shared_ptr<ConfigurationData> currentConfig_ NVR_GUARDED_BY(configMutex_);
    std::shared_ptr<ConfigurationData> overriddenConfig_ NVR_GUARDED_BY(configMutex_);
    /**
     * Whether a base configuration (a file, a fetched, cached or packaged one) or one that names a server was
     * published in this run; until then an app-id fetch holds the requests after it.
     */
    bool configured_ NVR_GUARDED_BY(configMutex_) = false;
    /** Whether the first configuration is awaited from a fetch under way. */
    bool fetchingFirstConfiguration_ NVR_GUARDED_BY(configMutex_) = false;
    BaseConfigurationOrder baseOrder_;
    WaitingEventQueue<> identityRequests_;
    std::shared_ptr<TaskExecutorInterface> rulesExecutor_;
    std::shared_ptr<TaskExecutorInterface> downloadsExecutor_;
    ConfigurationStateVersions stateVersions_{*this};
};

}  // namespace NuvraMobile
