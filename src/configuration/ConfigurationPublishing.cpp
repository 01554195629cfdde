#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <optional>
#include <utility>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationData.h"
#include "configuration/ConfigurationDispatchers.h"
#include "configuration/ConfigurationDownloader.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "shared/MobilePrivacyStatus.h"
#include "shared/UrlBuilder.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"

// How the Configuration module obtains, merges, resolves, persists and publishes a configuration.

namespace NuvraMobile {

namespace Keys = ConfigurationConstants::EventDataKeys::Configuration;

namespace {

/** Shared between a network wait and the one-time listener that ends it; outlives the wait if need be. */
struct NetworkWaitState {
    Mutex mutex;
    std::condition_variable changed;
    bool listenerRegistered NVR_GUARDED_BY(mutex) = false;
    uint64_t changes NVR_GUARDED_BY(mutex) = 0;
};

/** Registers the one-time listener that wakes the wait; false (and a warning) when the platform refuses. */
bool RegisterNetworkListener(const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
                             const std::shared_ptr<NetworkWaitState>& state) {
    bool registered = true;
    TryCatch(
        [&] {
            systemInfoService->RegisterOneTimeNetworkConnectionStatusListener(
                "configuration_listener", [state] {
                    MutexLock lock(state->mutex);
                    state->listenerRegistered = false;
                    ++state->changes;
                    state->changed.notify_all();
                });
        },
        [&](SdkError& error) {
            Log::Warning(Configuration::LOG_PREFIX, "Unable to listen for network changes: %s",
                         error.GetMessage());
            registered = false;
        });
    return registered;
}

constexpr std::chrono::seconds kNetworkRecheckInterval{1};

/**
 * Warns of each server address that the URL rule refuses: nothing would be sent to that server, and
 * nothing else would say why.
 */
void WarnOfRefusedServerAddresses(const EventData& configuration) {
    for (const char* key : ConfigurationConstants::SERVER_ADDRESS_KEYS) {
        std::string address;
        if (configuration.GetString(key, address) && !address.empty() &&
            UrlBuilder().EnableSsl(true).SetHost(address).Build().empty()) {
            Log::Warning(
                Configuration::LOG_PREFIX,
                "The server address of %s, \"%s\", is refused, so nothing is sent to that server: give a "
                "host name or a public IPv4 address with an optional port, without a scheme (private and "
                "link-local addresses such as 10.x, 172.16-31.x, 192.168.x and 169.254.x are refused)",
                key, address);
        }
    }
}

}  // namespace

// Service lookups.

template <class Service>
std::shared_ptr<Service> Configuration::GetPlatformService(
    std::shared_ptr<Service> (PlatformServicesInterface::*getter)() const, const char* missingMessage) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_PREFIX, "Platform services are not available");
        return nullptr;
    }
    auto service = ((*platformServices).*getter)();
    if (!service) {
        Log::Warning(LOG_PREFIX, missingMessage);
    }
    return service;
}

bool Configuration::GetPlatformSystemInfoService(std::shared_ptr<SystemInfoServiceInterface>& out) {
    out = GetPlatformService(&PlatformServicesInterface::GetSystemInfoService,
                             "System Info services are not available");
    return out != nullptr;
}

bool Configuration::GetPlatformJsonUtilityService(std::shared_ptr<JsonUtilityServiceInterface>& out) {
    out = GetPlatformService(&PlatformServicesInterface::GetJsonUtilityService,
                             "JSON services are not available");
    return out != nullptr;
}

std::shared_ptr<JsonUtilityServiceInterface> Configuration::GetJsonUtilityServiceOrLog(
    const char* missingMessage) {
    std::shared_ptr<JsonUtilityServiceInterface> service;
    if (!GetPlatformJsonUtilityService(service)) {
        Log::Debug(LOG_PREFIX, missingMessage);
    }
    return service;
}

bool Configuration::GetFileSystemService(std::shared_ptr<FileSystemServiceInterface>& out) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Throw(SdkError("platform_services.missing_service", "Platform services are not available.",
                       CurrentDebugInfo()));
    }
    out = platformServices->GetFileSystemService();
    if (!out) {
        Throw(SdkError("platform_services.missing_service",
                       "Failed to retrieve file system storage, platform services are not available.",
                       CurrentDebugInfo()));
    }
    return true;
}

std::shared_ptr<DataStoreInterface> Configuration::GetDataStore() {
    const auto localStorage = GetPlatformService(&PlatformServicesInterface::GetLocalStorageService,
                                                 "Storage services are not available");
    return localStorage ? localStorage->GetDataStore(DATASTORE_KEY) : nullptr;
}

std::shared_ptr<ConfigurationDownloader> Configuration::GetConfigDownloader(const std::string& appId) {
    const auto remoteFileManager = GetPlatformService(&PlatformServicesInterface::GetRemoteFileManagerService,
                                                      "Remote file manager services are not available");
    if (!remoteFileManager) {
        return nullptr;
    }
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService;
    GetPlatformJsonUtilityService(jsonUtilityService);
    const std::shared_ptr<PlatformServicesInterface> services = GetPlatformServices();
    return std::make_shared<ConfigurationDownloader>(remoteFileManager,
                                                     StringUtils::FormatString(CONFIGURATION_URL_BASE, appId),
                                                     jsonUtilityService, services->GetFileSystemService());
}

// App id.

std::string Configuration::RetrieveAppIdFromPersistence() {
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Debug(LOG_PREFIX, "Unable to load appId from persistence, Storage service not initialized");
        return "";
    }
    std::string appId = dataStore->GetString(PERSISTED_APPID, "");
    Log::Trace(LOG_PREFIX, "AppID loaded from persistence - %s", appId);
    return appId;
}

std::string Configuration::GetAppIdFromManifest() {
    std::shared_ptr<SystemInfoServiceInterface> systemInfo;
    if (!GetPlatformSystemInfoService(systemInfo)) {
        Log::Debug(LOG_PREFIX, "Unable to read AppID from manifest, SystemInfo service not available");
        return "";
    }
    std::string appId = systemInfo->GetProperty(CONFIG_MANIFEST_APPID_KEY);
    if (!appId.empty()) {
        Log::Trace(LOG_PREFIX, "Valid AppID was retrieved from manifest - %s", appId);
        SaveAppIdToPersistence(appId);
    }
    return appId;
}

std::string Configuration::GetValidAppID() {
    std::string appId = RetrieveAppIdFromPersistence();
    if (!appId.empty()) {
        Log::Trace(LOG_PREFIX, "Valid AppID is retrieved from persistence - %s", appId);
        return appId;
    }
    return GetAppIdFromManifest();
}

void Configuration::SaveAppIdToPersistence(const std::string& appId) {
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Debug(LOG_PREFIX, "Unable to save appId to persistence, Storage service not initialized");
        return;
    }
    Log::Trace(LOG_PREFIX, "Saving appID to persistence - %s", appId);
    dataStore->SetString(PERSISTED_APPID, appId);
}

bool Configuration::ValidateForInternalEventAppIDChange(const std::shared_ptr<EventData>& data,
                                                        std::string appId) {
    if (!data->OptBoolean(Keys::CONFIGURATION_REQUEST_CONTENT_IS_INTERNAL_EVENT, false)) {
        return true;
    }
    return appId == GetValidAppID();
}

// Requests.

void Configuration::UpdateSharedStateToPreviousConfig(int32_t eventNumber) {
    stateVersions_.RollBack(eventNumber);
    Log::Trace(LOG_PREFIX, "Shared state is updated for event number %s with PREV", eventNumber);
}

void Configuration::EndWithoutConfiguration(const std::shared_ptr<Event>& event) {
    bool wasHolding = false;
    {
        MutexLock lock(configMutex_);
        wasHolding = std::exchange(fetchingFirstConfiguration_, false);
    }
    PublishHeld(nullptr);
    if (!wasHolding || !LoadOverriddenConfig(event)) {
        UpdateSharedStateToPreviousConfig(event->GetEventNumber());
    }
}

bool Configuration::IsConfigured() {
    MutexLock lock(configMutex_);
    return configured_;
}

void Configuration::HoldForFetch(int32_t version) {
    const auto overrides = CreateConfigurationToParse();
    {
        MutexLock lock(configMutex_);
        fetchingFirstConfiguration_ = !configured_;
        if (!fetchingFirstConfiguration_) {
            return;
        }
        RetrieveOverriddenConfigFromPersistence();
        overrides->Put(overriddenConfig_);
    }
    stateVersions_.Hold(version, overrides);
}

bool Configuration::HoldsForFirstFetch() {
    MutexLock lock(configMutex_);
    return fetchingFirstConfiguration_;
}

// Each held version gets the configuration that came with the overrides of its own request, so that an event
// reads the choices made before it and none made after it.
void Configuration::PublishHeld(const std::shared_ptr<ConfigurationData>& base) {
    for (const auto& [version, overrides] : stateVersions_.TakeHeld()) {
        auto configuration = CreateConfigurationToParse();
        configuration->Put(base);
        ApplyOverrides(*configuration, *overrides);
        if (configuration->IsEmpty()) {
            UpdateSharedStateToPreviousConfig(version);
        } else {
            stateVersions_.Publish(version, ToPublished(configuration->GetEventData()));
        }
    }
}

void Configuration::ProcessConfigureWithAppIdEvent(const std::shared_ptr<Event>& event) {
    const auto& data = event->GetData();
    std::string appId;
    data->GetString(Keys::CONFIGURATION_REQUEST_CONTENT_JSON_APP_ID, appId);
    if (appId.empty()) {
        Log::Error(LOG_PREFIX, "App ID was not found processing event - %s", appId);
        UpdateSharedStateToPreviousConfig(event->GetEventNumber());
        return;
    }
    const bool savedAppId = data->OptBoolean(Keys::CONFIGURATION_REQUEST_CONTENT_IS_INTERNAL_EVENT, false);
    if (savedAppId && !baseOrder_.Wants(appId)) {
        Log::Debug(LOG_PREFIX, "The saved app id %s is not fetched: the app asked for another configuration",
                   appId);
        return;
    }
    if (!ValidateForInternalEventAppIDChange(data, appId)) {
        Log::Error(LOG_PREFIX, "App ID is changed. Ignoring the setAppID Internal event");
        EndWithoutConfiguration(event);
        return;
    }
    if (!savedAppId) {
        baseOrder_.Ask(appId);
    }
    Log::Trace(LOG_PREFIX, "Processing ConfigureWithAppID event. AppID -(%s)", appId);
    SaveAppIdToPersistence(appId);

    const auto downloader = GetConfigDownloader(appId);
    if (!downloader) {
        Log::Error(LOG_PREFIX,
                   "Failed to retrieve Configuration Downloader. Rolling back to previous configuraiton.");
        EndWithoutConfiguration(event);
        return;
    }
    HoldForFetch(event->GetEventNumber());
    if (!baseOrder_.StartFetch(appId)) {
        Log::Debug(LOG_PREFIX, "The file of app id %s is being fetched already: the request waits for it",
                   appId);
        return;
    }
    // Handed back also when nothing was fetched: the end of the fetch takes its place in event order.
    const auto fetch = [self = SharedSelf(), downloader, appId] {
        std::optional<std::string> text = std::string();
        TryCatch([&] { text = self->FetchConfiguration(appId, *downloader); },
                 [](SdkError& error) {
                     Log::Warning(LOG_PREFIX, "Fetching the configuration failed: %s", error.GetMessage());
                 });
        if (!text) {
            return;
        }
        self->baseOrder_.EndFetch(appId);
        if (text->empty()) {
            Log::Error(LOG_PREFIX, "Unable to fetch config. Rolling back to previous configuration.");
        }
        self->requestContentDispatcher_->DispatchInternalDownloadedConfigurationEvent(*text, appId);
    };
    if (!downloadsExecutor_ || !downloadsExecutor_->AddTask(fetch)) {
        baseOrder_.EndFetch(appId);
        EndWithoutConfiguration(event);
    }
}

// Fetches run side by side, and each step that may take long (the wait for the network, a download) is
// skipped once a later base made the file of no use, or the module was unregistered (its core disposed, the
// network with it): nothing is then handed back.
std::optional<std::string> Configuration::FetchConfiguration(const std::string& appId,
                                                             ConfigurationDownloader& downloader) {
    const auto givenUp = [this, &appId] { return !IsRegistered() || baseOrder_.GiveUpFetchUnlessWanted(appId); };
    const auto wanted = [this, &appId] { return baseOrder_.Wants(appId); };
    if (givenUp()) {
        return std::nullopt;
    }
    std::string text = downloader.DownloadConfig(wanted);
    if (text.empty()) {
        text = downloader.LoadCachedConfig();
    }
    if (!text.empty()) {
        return text;
    }
    std::shared_ptr<SystemInfoServiceInterface> systemInfo;
    if (GetPlatformSystemInfoService(systemInfo) &&
        systemInfo->GetNetworkConnectionStatus() != ConnectionStatus::CONNECTED) {
        WaitForNetworkConnection(systemInfo, wanted);
    }
    if (givenUp()) {
        return std::nullopt;
    }
    return downloader.DownloadConfig(wanted);
}

void Configuration::ProcessDownloadedConfigEvent(const std::shared_ptr<Event>& event) {
    const auto& data = event->GetData();
    const std::string appId = data->OptString(Keys::CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_FOR, "");
    if (!baseOrder_.Wants(appId)) {
        Log::Debug(LOG_PREFIX,
                   "The configuration fetched for an app id is not applied: the app asked for another "
                   "configuration since");
        return;
    }
    const auto configuration = CreateConfigurationToParse();
    configuration->Put(data->OptString(Keys::CONFIGURATION_REQUEST_CONTENT_DOWNLOADED_CONFIG, ""));
    if (!configuration->IsEmpty()) {
        ApplyConfiguration(configuration, event, true);
        return;
    }
    // A request for the app id after this fetch ended started another, which may still bring the file.
    if (!baseOrder_.IsFetching(appId)) {
        EndWithoutConfiguration(event);
    }
}

bool Configuration::WaitForNetworkConnection(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
    const std::function<bool()>& wanted) {
    auto state = std::make_shared<NetworkWaitState>();
    while (IsRegistered() && wanted()) {
        if (systemInfoService->GetNetworkConnectionStatus() == ConnectionStatus::CONNECTED) {
            return true;
        }
        MutexLock lock(state->mutex);
        const uint64_t seenChanges = state->changes;
        if (!state->listenerRegistered) {
            state->listenerRegistered = true;
            // Registered without the lock: a platform may call the listener at once.
            lock.Unlock();
            const bool registered = RegisterNetworkListener(systemInfoService, state);
            lock.Lock();
            state->listenerRegistered = state->listenerRegistered && registered;
        }
        const auto recheckAt = std::chrono::steady_clock::now() + kNetworkRecheckInterval;
        while (state->changes == seenChanges && lock.WaitUntil(state->changed, recheckAt)) {
        }
    }
    return false;
}

void Configuration::ProcessConfigWithFilePathEvent(const std::shared_ptr<Event>& event) {
    std::string path;
    event->GetData()->GetString(Keys::CONFIGURATION_REQUEST_CONTENT_JSON_FILE_PATH, path);
    if (path.empty()) {
        Log::Error(LOG_PREFIX, "JSON file path was not found processing event - %s", path);
        UpdateSharedStateToPreviousConfig(event->GetEventNumber());
        return;
    }
    std::shared_ptr<FileSystemServiceInterface> fileSystem;
    GetFileSystemService(fileSystem);
    Log::Trace(LOG_PREFIX, "Processing configWithFilePath Event. \n %s", path);
    std::string text;
    TrySwallow([&] { text = fileSystem->ReadStringFromFile(path); });
    Log::Trace(LOG_PREFIX, "Configuration obtained from file path %s is \n %s", path, text);
    // A file that brings no configuration is no base: the one before it, or the fetch it waits for, stands.
    if (ConfigureWithJsonString(text, event, true)) {
        baseOrder_.Ask("");
    }
}

bool Configuration::ConfigureWithJsonString(const std::string& json, const std::shared_ptr<Event>& event,
                                            bool downloadRules) {
    const auto configuration = CreateConfigurationToParse();
    configuration->Put(json);
    return ApplyConfiguration(configuration, event, downloadRules);
}

std::shared_ptr<ConfigurationData> Configuration::CreateConfigurationToParse() {
    return std::make_shared<ConfigurationData>(
        GetJsonUtilityServiceOrLog("Unable to configure, JSONUtilityService service not available"));
}

bool Configuration::ApplyConfiguration(const std::shared_ptr<ConfigurationData>& configuration,
                                       const std::shared_ptr<Event>& event, bool downloadRules) {
    if (configuration->IsEmpty()) {
        Log::Debug(
            LOG_PREFIX,
            "Empty configuration found when processing JSON string. Rolling back to previous configuration.");
        UpdateSharedStateToPreviousConfig(event->GetEventNumber());
        return false;
    }
    // Before the overrides of now are merged into it.
    PublishHeld(configuration);
    std::shared_ptr<EventData> data;
    {
        MutexLock lock(configMutex_);
        configured_ = true;
        RetrieveOverriddenConfigFromPersistence();
        currentConfig_ = configuration;
        ApplyOverrides(*currentConfig_, *overriddenConfig_);
        data = currentConfig_->GetEventData();
    }
    ChangeConfiguration(event, data, downloadRules);
    return true;
}

void Configuration::ApplyOverrides(ConfigurationData& configuration, const ConfigurationData& overrides) {
    configuration.Put(overrides.GetEntries());
    std::string environment;
    const auto& entries = configuration.GetEntries();
    const auto environmentEntry = entries.find(Keys::BUILD_ENVIRONMENT);
    if (environmentEntry == entries.end() || !environmentEntry->second->GetString(environment) ||
        environment.empty()) {
        return;
    }
    // An environment-specific key would otherwise win over the override when published.
    VariantMap environmentOverrides;
    for (const auto& [key, value] : overrides.GetEntries()) {
        if (StringUtils::StartsWith(key, Keys::ENVIRONMENT_PREFIX_DELIMITER)) {
            continue;
        }
        const std::string environmentKey = GetKeyForEnvironment(key, environment);
        if (entries.count(environmentKey) != 0) {
            environmentOverrides.emplace(environmentKey, value);
        }
    }
    configuration.Put(environmentOverrides);
}

void Configuration::RetrieveOverriddenConfigFromPersistence() {
    const auto jsonUtilityService = GetJsonUtilityServiceOrLog(
        "Unable to load overridden config from persistence, JSONUtilityService service not available");
    overriddenConfig_ = std::make_shared<ConfigurationData>(jsonUtilityService);
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Debug(LOG_PREFIX,
                   "Unable to load overridden config from persistence, Storage service not initialized");
        return;
    }
    const std::string text = dataStore->GetString(PERSISTED_OVERRIDDEN_CONFIG, "");
    Log::Trace(LOG_PREFIX, "Loading overridden configuration from persistence - \n %s", text);
    overriddenConfig_->Put(text);
}

void Configuration::HoldPrivacyAfterLostStore() {
    const auto dataStore = GetDataStore();
    if (!dataStore || !dataStore->LostEarlierValues() ||
        overriddenConfig_->GetEntries().count(Keys::GLOBAL_CONFIG_PRIVACY) != 0) {
        return;
    }
    Log::Error(
        LOG_PREFIX,
        "The stored settings were damaged or emptied, so the user's privacy choice is unknown: privacy "
        "is optunknown and nothing is sent until the app sets privacy again");
    overriddenConfig_->Put(
        VariantMap{{Keys::GLOBAL_CONFIG_PRIVACY,
                    Variant::FromString(MobilePrivacyStatusToString(MobilePrivacyStatus::UNKNOWN))}});
    SaveOverriddenConfigToPersistence(overriddenConfig_);
}

void Configuration::ProcessUpdateConfigEvent(const std::shared_ptr<Event>& event) {
    VariantMap updates;
    event->GetData()->GetVariantMap(Keys::CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG, updates);
    updates = GetEnvironmentAwareOverriddenConfig(updates);
    if (updates.empty()) {
        Log::Error(LOG_PREFIX, "Configuration update data was either not provided in event or is empty.");
        UpdateSharedStateToPreviousConfig(event->GetEventNumber());
        return;
    }
    const auto jsonUtilityService = GetJsonUtilityServiceOrLog(
        "Unable to create current configuration, JSONUtilityService service not available");
    Log::Trace(LOG_PREFIX, "Processing updateConfiguration Event. \n %s", updates);
    std::shared_ptr<EventData> data;
    const auto overrides = std::make_shared<ConfigurationData>(jsonUtilityService);
    {
        MutexLock lock(configMutex_);
        RetrieveOverriddenConfigFromPersistence();
        overriddenConfig_->Put(updates);
        SaveOverriddenConfigToPersistence(overriddenConfig_);
        if (!currentConfig_) {
            currentConfig_ = std::make_shared<ConfigurationData>(jsonUtilityService);
        }
        ApplyOverrides(*currentConfig_, *overriddenConfig_);
        data = currentConfig_->GetEventData();
        overrides->Put(overriddenConfig_);
    }
    if (HoldsForFirstFetch()) {
        Log::Debug(LOG_PREFIX, "The configuration update waits for the app id's file being fetched");
        stateVersions_.Hold(event->GetEventNumber(), overrides);
        return;
    }
    ChangeConfiguration(event, data, true);
}

Configuration::VariantMap Configuration::GetEnvironmentAwareOverriddenConfig(const VariantMap& updates) {
    std::shared_ptr<EventData> current;
    {
        MutexLock lock(configMutex_);
        current = currentConfig_ ? currentConfig_->GetEventData() : nullptr;
    }
    if (!current) {
        return updates;
    }
    const std::string environment = current->OptString(Keys::BUILD_ENVIRONMENT, "");
    VariantMap result;
    for (const auto& [key, value] : updates) {
        const std::string environmentKey = GetKeyForEnvironment(key, environment);
        if (current->ContainsKey(environmentKey)) {
            Log::Trace(
                LOG_PREFIX,
                "Input key from UpdateConfiguration call has been modified to be specific to the current "
                "build environment.  Old key: %s.  New key: %s.",
                key, environmentKey);
            result.emplace(environmentKey, value);
        } else {
            result.emplace(key, value);
        }
    }
    return result;
}

std::string Configuration::GetKeyForEnvironment(const std::string& key, const std::string& environment) {
    if (environment.empty()) {
        return key;
    }
    return StringUtils::FormatString("%s%s%s%s", Keys::ENVIRONMENT_PREFIX_DELIMITER, environment,
                                     Keys::ENVIRONMENT_PREFIX_DELIMITER, key);
}

void Configuration::SaveOverriddenConfigToPersistence(const std::shared_ptr<ConfigurationData>& overrides) {
    const auto dataStore = GetDataStore();
    if (!dataStore) {
        Log::Debug(LOG_PREFIX,
                   "Unable to save overridden config to persistence, Storage service not initialized");
        return;
    }
    if (Log::Precheck(LoggingMode::Trace)) {
        Log::Trace(LOG_PREFIX, "Saving the overridden configuration to persistence - \n %s",
                   overrides->ToString(ToStringOptions::Pretty()));
    }
    const std::string text = overrides->GetJsonString();
    if (text.empty() && !overrides->IsEmpty()) {
        // Writing the empty text would erase the overrides stored so far.
        Log::Debug(LOG_PREFIX,
                   "Unable to save overridden config to persistence, it could not be written as JSON");
        return;
    }
    dataStore->SetString(PERSISTED_OVERRIDDEN_CONFIG, text);
}

// Publication.

std::shared_ptr<EventData> Configuration::ToPublished(const std::shared_ptr<EventData>& data) {
    if (!data->ContainsKey(Keys::GLOBAL_CONFIG_PRIVACY)) {
        data->PutString(Keys::GLOBAL_CONFIG_PRIVACY,
                        MobilePrivacyStatusToString(MobilePrivacyStatus::UNKNOWN));
    }
    return GetEnvironmentAwareEventData(data);
}

bool Configuration::NamesAServer(const EventData& configuration) {
    for (const char* key : ConfigurationConstants::SERVER_ADDRESS_KEYS) {
        if (!configuration.OptString(key, "").empty()) {
            return true;
        }
    }
    return false;
}

void Configuration::ChangeConfiguration(const std::shared_ptr<Event>& event,
                                        const std::shared_ptr<EventData>& data, bool downloadRules) {
    const auto published = ToPublished(data);
    WarnOfRefusedServerAddresses(*published);
    {
        MutexLock lock(configMutex_);
        configured_ = configured_ || NamesAServer(*published);
        fetchingFirstConfiguration_ = false;
    }
    const bool ownVersion = stateVersions_.Publish(event->GetEventNumber(), published);
    if (Log::Precheck(LoggingMode::Debug)) {
        Log::Debug(LOG_PREFIX, "Shared state has been created for event #%s with data: %s",
                   event->GetEventNumber(), published->PrettyString(1));
    }
    if (downloadRules) {
        DownloadRules(published);
    }
    // A carried configuration is one no event had: the later version's answer says what stands.
    if (ownVersion) {
        responseContentDispatcher_->DispatchConfigResponseWithEventData(published, event->GetPairID());
    }
}

std::shared_ptr<EventData> Configuration::GetEnvironmentAwareEventData(
    const std::shared_ptr<EventData>& data) {
    const std::string environment = data->OptString(Keys::BUILD_ENVIRONMENT, "");
    const VariantMap entries = data->AsMapCopy();
    VariantMap published;
    for (const auto& [key, value] : entries) {
        if (StringUtils::StartsWith(key, Keys::ENVIRONMENT_PREFIX_DELIMITER)) {
            continue;
        }
        const auto environmentEntry = entries.find(GetKeyForEnvironment(key, environment));
        published.emplace_hint(published.end(), key,
                               environmentEntry != entries.end() ? environmentEntry->second : value);
    }
    return std::make_shared<EventData>(published);
}

bool Configuration::LoadCachedConfig(const std::string& appId, const std::shared_ptr<Event>& event) {
    const auto downloader = GetConfigDownloader(appId);
    if (!downloader) {
        return false;
    }
    const std::string text = downloader->LoadCachedConfig();
    if (text.empty()) {
        Log::Trace(LOG_PREFIX, "Cached configuration not found");
        return false;
    }
    Log::Trace(LOG_PREFIX, "Cached configuration loaded");
    return ConfigureWithJsonString(text, event, false);
}

std::string Configuration::GetBundledFileContent() {
    std::shared_ptr<SystemInfoServiceInterface> systemInfo;
    if (!GetPlatformSystemInfoService(systemInfo)) {
        return "";
    }
    std::string text;
    TrySwallow([&] { text = systemInfo->GetAsset(CONFIG_BUNDLED_FILE_NAME); });
    return text;
}

std::string Configuration::GetBundledFilePath() {
    std::shared_ptr<SystemInfoServiceInterface> systemInfo;
    const std::string folder =
        GetPlatformSystemInfoService(systemInfo) ? systemInfo->GetApplicationBaseDir() : "";
    return folder.empty() ? CONFIG_BUNDLED_FILE_NAME : folder + "/" + CONFIG_BUNDLED_FILE_NAME;
}

bool Configuration::LoadBundledConfig(const std::shared_ptr<Event>& event) {
    const std::string text = GetBundledFileContent();
    if (text.empty()) {
        Log::Trace(LOG_PREFIX, "Nothing is loaded from bundled file");
        return false;
    }
    Log::Debug(LOG_PREFIX, "Bundled configuration loaded. \n %s", text);
    const auto configuration = CreateConfigurationToParse();
    const std::string refusal = configuration->ParseAndPut(text);
    if (!refusal.empty()) {
        // At the default level: the app runs on, its tracked calls waiting for a configuration.
        Log::Error(
            LOG_PREFIX,
            "The packaged configuration %s is not a JSON object, so it is not used and the SDK waits for "
            "another configuration: %s",
            GetBundledFilePath(), refusal);
    }
    return ApplyConfiguration(configuration, event, true);
}

bool Configuration::LoadOverriddenConfig(const std::shared_ptr<Event>& event) {
    std::shared_ptr<EventData> data;
    {
        MutexLock lock(configMutex_);
        if (!overriddenConfig_ || overriddenConfig_->IsEmpty()) {
            return false;
        }
        data = overriddenConfig_->GetEventData();
    }
    ChangeConfiguration(event, data, true);
    return true;
}

void Configuration::ProcessPublishConfigurationEvent(const std::shared_ptr<Event>& event) {
    Log::Trace(LOG_PREFIX, "Processing publish configuration event");
    const auto jsonUtilityService = GetJsonUtilityServiceOrLog(
        "Unable to publish current configuration, JSONUtilityService service not available");
    auto answer = std::make_shared<ConfigurationData>(jsonUtilityService);
    {
        MutexLock lock(configMutex_);
        answer->Put(currentConfig_).Put(overriddenConfig_);
    }
    responseContentDispatcher_->DispatchConfigResponseWithEventData(answer->GetEventData(),
                                                                    event->GetResponsePairID());
}

}  // namespace NuvraMobile
