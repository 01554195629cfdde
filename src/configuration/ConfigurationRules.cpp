#include <deque>

#include "configuration/Configuration.h"
#include "configuration/RulesLoader.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "rulesengine/RulesDownloader.h"
#include "util/Log.h"

// The Configuration module's side of the rules: the rules bundle the configuration names is downloaded
// on the rules executor, and its rules become the module's whole rule set. Rules in force are replaced
// only by a bundle that was obtained and read; a failed download or an unreadable bundle keeps them.

namespace NuvraMobile {

namespace {

struct RulesServices {
    std::shared_ptr<FileSystemServiceInterface> fileSystem;
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtility;
};

std::shared_ptr<RemoteFileManagerServiceInterface> RemoteFileManager(Configuration& configuration) {
    const std::shared_ptr<PlatformServicesInterface> services = configuration.GetPlatformServices();
    std::shared_ptr<RemoteFileManagerServiceInterface> manager =
        services ? services->GetRemoteFileManagerService() : nullptr;
    if (!manager) {
        Throw(SdkError("std.bad_cast", "Value type not available.", CurrentDebugInfo()));
    }
    return manager;
}

/** Replaces the module's rules with those of the bundle directory, when it holds a readable rules file. */
void ReplaceRulesFromDirectory(Configuration& configuration, const RulesServices& services,
                               const std::string& directory) {
    std::optional<RulesLoader::Rules> rules =
        RulesLoader::TryLoadRulesFromDirectory(services.fileSystem, services.jsonUtility, directory);
    if (!rules) {
        Log::Warning(Configuration::LOG_PREFIX,
                     "Keeping the rules in force: no rules could be read from '%s'", directory);
        return;
    }
    configuration.ReplaceRulesSet(*rules);
}

void OnRulesDownloaded(Configuration& configuration, const RulesServices& services,
                       const std::string& directory, const std::string& url) {
    const std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManager =
        RemoteFileManager(configuration);
    if (directory.empty()) {
        Log::Debug(Configuration::LOG_PREFIX,
                   "Keeping the rules in force: the rules bundle of '%s' was not obtained", url);
        return;
    }
    remoteFileManager->DeleteCachedDataNotInList(Configuration::RULES_CACHE_FOLDER,
                                                 std::deque<std::string>{url});
    ReplaceRulesFromDirectory(configuration, services, directory);
}

std::string RetrieveLastRulesURLFromPersistence(const std::shared_ptr<DataStoreInterface>& dataStore) {
    if (!dataStore) {
        Log::Debug(Configuration::LOG_PREFIX,
                   "Unable to load rules url from persistence, Storage service not initialized");
        return "";
    }
    const std::string url = dataStore->GetString(Configuration::PERSISTED_RULES_URL, "");
    Log::Trace(Configuration::LOG_PREFIX, "Last known rules url loaded from persistence - %s", url);
    return url;
}

void SaveLastRulesURLToPersistence(const std::shared_ptr<DataStoreInterface>& dataStore,
                                   const std::string& url) {
    if (!dataStore) {
        Log::Debug(Configuration::LOG_PREFIX,
                   "Unable to save rules url to persistence, Storage service not initialized");
        return;
    }
    Log::Trace(Configuration::LOG_PREFIX, "Saving rules url to persistence - %s", url);
    dataStore->SetString(Configuration::PERSISTED_RULES_URL, url);
}

}  // namespace

void Configuration::RetrieveCachedRules() {
    const std::string url = RetrieveLastRulesURLFromPersistence(GetDataStore());
    if (url.empty()) {
        Log::Trace(LOG_PREFIX, "No persisted rules url.");
        return;
    }
    const RemoteFileResult cached = RemoteFileManager(*this)->GetFileFromCache(RULES_CACHE_FOLDER, url, true);
    if (cached.HasValue() && cached.Value()) {
        RulesServices services;
        GetFileSystemService(services.fileSystem);
        GetPlatformJsonUtilityService(services.jsonUtility);
        ReplaceRulesFromDirectory(*this, services, cached.Value()->ToUri());
    }
}

void Configuration::DownloadRules(const std::shared_ptr<EventData>& configuration) {
    if (!configuration) {
        return;
    }
    std::string url;
    if (!configuration->GetString(ConfigurationConstants::EventDataKeys::Configuration::RULES_REMOTE_URL,
                                  url)) {
        Log::Trace(LOG_PREFIX, "Reset the last known rules url");
        SaveLastRulesURLToPersistence(GetDataStore(), "");
        return;
    }
    SaveLastRulesURLToPersistence(GetDataStore(), url);
    if (!rulesExecutor_) {
        return;
    }
    std::shared_ptr<Configuration> self = SharedSelf();
    rulesExecutor_->AddTask([self, url] {
        TryCatch(
            [&] {
                RulesServices services;
                self->GetFileSystemService(services.fileSystem);
                self->GetPlatformJsonUtilityService(services.jsonUtility);
                // The callback runs before StartDownload returns, while this task holds the module.
                RulesDownloader downloader(self->GetPlatformServices(), RULES_CACHE_FOLDER,
                                           [&](const std::string& directory, const std::string& bundleUrl) {
                                               OnRulesDownloaded(*self, services, directory, bundleUrl);
                                           });
                downloader.StartDownload(url);
            },
            [](SdkError& error) {
                Log::Debug(LOG_PREFIX, "Failed to create RulesDownloader (%s)", error.GetMessage());
            });
    });
}

}  // namespace NuvraMobile
