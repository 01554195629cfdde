#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class CryptoServiceInterface;
class FileSystemServiceInterface;
class PlatformServicesInterface;
class RemoteFileManagerServiceInterface;
class RulesBundleNetworkProtocolHandler;

/**
 * Fetches one rules bundle through the download cache, unpacks it next to the downloaded file (the
 * file's path followed by "_dir") and reports the directory to its caller. Built for one download and
 * used on the caller's thread; the callback runs on that thread before StartDownload returns.
 */
class RulesDownloader : public Object {
public:
    /** (rules directory, URL); the directory is empty when nothing could be obtained. */
    using Callback = std::function<void(const std::string& directory, const std::string& url)>;

    static constexpr const char* LOG_TAG = "RulesDownloader";
    static constexpr const char* BUNDLE_DIRECTORY_SUFFIX = "_dir";

    /**
     * Throws SdkError "platform_services.missing_service" naming the first of the platform services,
     * the remote-file manager, crypto, file system or compressed-file service that is missing.
     */
    RulesDownloader(const std::shared_ptr<PlatformServicesInterface>& platformServices,
                    std::string cacheFolder, Callback callback);

    /** Downloads, unpacks and calls the callback once; errors of the callback reach the caller. */
    virtual void StartDownload(const std::string& url);

    void OnDownloadComplete(const std::string& downloadedPath);
    /** The rules directory for a downloaded path, or empty text. */
    std::string ProcessBundle(const std::string& downloadedPath);
    void RulesBundleDownloaded(const std::string& directory, const std::string& url);

private:
    std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManager_;
    std::shared_ptr<FileSystemServiceInterface> fileSystem_;
    std::shared_ptr<CryptoServiceInterface> cryptoService_;
    std::shared_ptr<RulesBundleNetworkProtocolHandler> bundleHandler_;
    const Callback callback_;
    std::string url_;
    const std::string cacheFolder_;
};

}  // namespace NuvraMobile
