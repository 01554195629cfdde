#pragma once

#include <memory>
#include <string>

#include "core/Object.h"

namespace NuvraMobile {

class JsonUtilityServiceInterface;
class RemoteFileManagerServiceInterface;

/**
 * Fetches the remote configuration file of one app id through the remote-file manager, freshly or
 * from the download cache folder "config", and returns its text without applying it. A download whose
 * body is not a JSON object counts as failed and is removed from the cache. Called from the
 * Configuration module's tasks; a download blocks the calling thread.
 */
class ConfigurationDownloader : public Object {
public:
    static constexpr const char* LOG_TAG = "ConfigurationDownloader";

    /**
     * Throws SdkError "platform_services.missing_service" when `remoteFileManager` is null. Without a
     * JSON utility service downloaded bodies are not checked.
     */
    ConfigurationDownloader(const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManager,
                            const std::string& url,
                            const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService = nullptr);

    /** Downloads the file now; its text, or "" on failure. */
    virtual std::string DownloadConfig();
    /** The text of the cached copy, or "" when there is none. */
    virtual std::string LoadCachedConfig();
    std::string GetUrl() const { return url_; }

    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    bool IsJsonObject(const std::string& text) const;

    const std::string url_;
    const std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManager_;
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
};

}  // namespace NuvraMobile
