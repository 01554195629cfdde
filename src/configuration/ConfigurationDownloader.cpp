#include "configuration/ConfigurationDownloader.h"

#include <deque>

#include "configuration/Configuration.h"
#include "core/values/SdkError.h"
#include "platformShim/FileHandlerInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

ConfigurationDownloader::ConfigurationDownloader(
    const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManager, const std::string& url,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService,
    const std::shared_ptr<FileSystemServiceInterface>& fileSystem)
    : url_(url),
      remoteFileManager_(remoteFileManager),
      jsonUtilityService_(jsonUtilityService),
      fileSystem_(fileSystem) {
    if (!remoteFileManager_) {
        Throw(SdkError("platform_services.missing_service", "RemoteFileManagerService is not available.",
                       CurrentDebugInfo()));
    }
}

std::string ConfigurationDownloader::DownloadConfig(const std::function<bool()>& isLatest) {
    const RemoteFileResult previous =
        remoteFileManager_->GetFileFromCache(Configuration::CACHE_FOLDER, url_, true);
    const bool hasPrevious = previous.HasValue() && previous.Value();
    // Read now: the download may replace the file.
    const std::string previousText = hasPrevious ? previous.Value()->ReadJsonStringFromFile() : "";
    const RemoteFileResult result = remoteFileManager_->GetFileSync(Configuration::CACHE_FOLDER, url_);
    if (!result.HasValue()) {
        Log::Warning(LOG_TAG, "Failed to download config from %s", url_);
        return "";
    }
    std::string text = result.Value()->ReadJsonStringFromFile();
    if (text.empty() || !IsJsonObject(text)) {
        // The server answered, but not with a configuration (an error page, a body that is not UTF-8):
        // the cached configuration stays the one a later offline start reads.
        const std::string refusedPath = result.Value()->ToUri();
        const std::shared_ptr<FileHandlerInterface> refused =
            fileSystem_ ? fileSystem_->CreateFileHandler(refusedPath) : nullptr;
        Log::Warning(LOG_TAG,
                     "Refused the config downloaded from %s: its %d bytes are not a JSON object; the cached "
                     "copy is kept",
                     url_, refused ? refused->Size() : std::uint64_t{0});
        RestorePreviousCopy(refusedPath, hasPrevious ? previous.Value()->ToUri() : "", previousText);
        return "";
    }
    if (!isLatest || isLatest()) {
        remoteFileManager_->DeleteCachedDataNotInList(Configuration::CACHE_FOLDER, {url_});
    }
    return text;
}

void ConfigurationDownloader::RestorePreviousCopy(const std::string& refusedPath,
                                                  const std::string& previousPath,
                                                  const std::string& previousText) const {
    if (!fileSystem_) {
        return;
    }
    TrySwallow([&] {
        // The remote-file manager stored the refused body in the previous copy's place: under the same
        // name it replaced it, under a new name it removed it.
        const bool restored = !previousPath.empty() && IsJsonObject(previousText) &&
                              WriteWholeFile(previousPath, previousText);
        if (!restored && !previousPath.empty()) {
            Log::Warning(LOG_TAG, "Could not put the cached config of %s back", url_);
        }
        if (refusedPath != previousPath || !restored) {
            fileSystem_->DeleteFile(refusedPath);
        }
    });
}

bool ConfigurationDownloader::WriteWholeFile(const std::string& path, const std::string& text) const {
    // A name of its own that is no cached copy's: the cache reads a file's name as its URL's digest.
    const std::string separator = fileSystem_->GetPathSeparator();
    const size_t nameStart = path.rfind(separator) == std::string::npos ? 0 : path.rfind(separator) + 1;
    const std::string partial = path.substr(0, nameStart) + ".partial-" + path.substr(nameStart);
    const std::shared_ptr<FileHandlerInterface> file = fileSystem_->CreateFileHandler(partial);
    const bool written = file && file->OpenForWriting() &&
                         file->Write(static_cast<std::uint32_t>(text.size()), text.data()) == text.size();
    if (file) {
        file->Close();
    }
    if (written && fileSystem_->Rename(partial, path)) {
        return true;
    }
    fileSystem_->DeleteFile(partial);
    return false;
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
