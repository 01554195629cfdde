#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class FileSystemServiceInterface;
class JsonUtilityServiceInterface;
class RemoteFileManagerServiceInterface;

/**
 * Fetches the remote configuration file of one app id through the remote-file manager, freshly or
 * from the download cache folder "config", and returns its text without applying it. A download whose
 * body is not a JSON object counts as failed: it is logged with its size and leaves the cache as it was
 * before, the previous copy still in place. Called from the Configuration module's tasks; a download
 * blocks the calling thread.
 */
class ConfigurationDownloader : public Object {
public:
    static constexpr const char* LOG_TAG = "ConfigurationDownloader";

    /**
     * Throws SdkError "platform_services.missing_service" when `remoteFileManager` is null. Without a
     * JSON utility service downloaded bodies are not checked; without a file system a refused body is
     * only removed, and the previous copy cannot be put back.
     */
    ConfigurationDownloader(const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManager,
                            const std::string& url,
                            const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService = nullptr,
                            const std::shared_ptr<FileSystemServiceInterface>& fileSystem = nullptr);

    /**
     * Downloads the file now; its text, or "" on failure. The cached copies of other app ids are removed
     * unless `isLatest` says that a later request asked for another: its copy must not go.
     */
    virtual std::string DownloadConfig(const std::function<bool()>& isLatest = nullptr);
    /** The text of the cached copy, or "" when there is none. */
    virtual std::string LoadCachedConfig();
    std::string GetUrl() const { return url_; }

    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    bool IsJsonObject(const std::string& text) const;
    /** Puts the previous copy back in the cache in the place of a refused download. */
    void RestorePreviousCopy(const std::string& refusedPath, const std::string& previousPath,
                             const std::string& previousText) const;
    /** Writes the text to a file beside `path`, then moves it onto `path`; false when nothing moved. */
    bool WriteWholeFile(const std::string& path, const std::string& text) const;

    const std::string url_;
    const std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManager_;
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const std::shared_ptr<FileSystemServiceInterface> fileSystem_;
};

}  // namespace NuvraMobile
