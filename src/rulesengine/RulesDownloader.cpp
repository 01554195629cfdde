#include "rulesengine/RulesDownloader.h"

#include "core/values/SdkError.h"
#include "platformShim/CompressedFileServiceInterface.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "rulesengine/ZipBundleHandler.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* MISSING_SERVICE = "platform_services.missing_service";

template <class Service>
std::shared_ptr<Service> Required(std::shared_ptr<Service> service, const char* message) {
    if (!service) {
        Throw(SdkError(MISSING_SERVICE, message, CurrentDebugInfo()));
    }
    return service;
}

}  // namespace

RulesDownloader::RulesDownloader(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                                 std::string cacheFolder, Callback callback)
    : callback_(std::move(callback)), cacheFolder_(std::move(cacheFolder)) {
    Required(platformServices, "PlatformServices is not available");
    remoteFileManager_ = Required(platformServices->GetRemoteFileManagerService(),
                                  "RemoteFileManagerService is not available");
    cryptoService_ = Required(platformServices->GetCryptoService(), "CryptoService is not available");
    fileSystem_ = Required(platformServices->GetFileSystemService(), "FileSystemService is not available");
    bundleHandler_ = std::make_shared<ZipBundleHandler>(
        fileSystem_,
        Required(platformServices->GetCompressedFileService(), "CompressedFileService is not available"));
}

void RulesDownloader::StartDownload(const std::string& url) {
    url_ = url;
    const RemoteFileResult result = remoteFileManager_->GetFileSync(cacheFolder_, url);
    if (result.HasValue() && result.Value()) {
        Log::Debug(LOG_TAG, "Successfully downloaded Rules from '%s'", url);
        OnDownloadComplete(result.Value()->ToUri());
        return;
    }
    Log::Warning(LOG_TAG, "Error downloading Rules from '%s': %s", url,
                 result.HasValue() ? std::string("no file") : result.Error().GetMessage());
    OnDownloadComplete("");
}

void RulesDownloader::OnDownloadComplete(const std::string& downloadedPath) {
    const std::string directory =
        downloadedPath.empty() || !bundleHandler_ ? "" : ProcessBundle(downloadedPath);
    RulesBundleDownloaded(directory, url_);
}

std::string RulesDownloader::ProcessBundle(const std::string& downloadedPath) {
    if (downloadedPath.empty() || !fileSystem_ || !cryptoService_) {
        return "";
    }
    if (fileSystem_->IsDirectory(downloadedPath)) {
        return downloadedPath;
    }
    if (!fileSystem_->CreateFileHandler(downloadedPath)) {
        return "";
    }
    const std::string outputDirectory = downloadedPath + BUNDLE_DIRECTORY_SUFFIX;
    return bundleHandler_->ProcessDownloadedBundle(downloadedPath, outputDirectory) ? outputDirectory : "";
}

void RulesDownloader::RulesBundleDownloaded(const std::string& directory, const std::string& url) {
    if (callback_) {
        callback_(directory, url);
    }
}

}  // namespace NuvraMobile
