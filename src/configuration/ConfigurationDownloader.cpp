#include "configuration/ConfigurationDownloader.h"

#include <deque>

#include "configuration/Configuration.h"
#include "core/SdkError.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

ConfigurationDownloader::ConfigurationDownloader(
    const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManager, const std::string& url,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService)
    : url_(url), remoteFileManager_(remoteFileManager), jsonUtilityService_(jsonUtilityService) {
    if (!remoteFileManager_) {
        Throw(SdkError("platform_services.missing_service", "RemoteFileManagerService is not available.",
                       CurrentDebugInfo()));
    }
}

std::string ConfigurationDownloader::DownloadConfig() {
    const RemoteFileResult result = remoteFileManager_->GetFileSync(Configuration::CACHE_FOLDER, url_);
    if (!result.HasValue()) {
        Log::Warning(LOG_TAG, "Failed to download config from %s", url_);
        return "";
    }
    std::string text = result.Value()->ReadJsonStringFromFile();
    if (!text.empty() && !IsJsonObject(text)) {
        // The server answered, but not with a configuration: keep it out of the cache so that it is
        // never taken for this app id's configuration later.
        Log::Warning(LOG_TAG, "Downloaded config from %s is not a JSON object", url_);
        remoteFileManager_->DeleteCachedDataNotInList(Configuration::CACHE_FOLDER, {});
        return "";
    }
    remoteFileManager_->DeleteCachedDataNotInList(Configuration::CACHE_FOLDER, {url_});
    return text;
}

std::string ConfigurationDownloader::LoadCachedConfig() {
    const RemoteFileResult result =
        remoteFileManager_->GetFileFromCache(Configuration::CACHE_FOLDER, url_, true);
    if (!result.HasValue()) {
        Log::Warning(LOG_TAG, "Failed to find cacheed config at %s", url_);
        return "";
    }
    return result.Value()->ReadJsonStringFromFile();
}

bool ConfigurationDownloader::IsJsonObject(const std::string& text) const {
    if (!jsonUtilityService_) {
        return true;
    }
    bool parsed = false;
    TrySwallow([&] { parsed = jsonUtilityService_->CreateJsonObject(text) != nullptr; });
    return parsed;
}

std::string ConfigurationDownloader::ToStringImpl(const ToStringOptions& options) const {
    return StringUtils::FormatString(options, "{ class: \"ConfigurationDownloader\", url: %s, super: %q }",
                                     StringUtils::Quotify(url_, options.maxStringLength),
                                     Object::ToStringImpl(options));
}

}  // namespace NuvraMobile
