#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "core/execution/TaskExecutorInterface.h"
#include "core/values/Object.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "platformShim/ThreadingServiceInterface.h"

namespace NuvraMobile {

/**
 * Downloads files over HTTPS into the download cache ("nvbdownloadcache" under the application cache
 * folder), sending conditional requests built from the cached file's name so that an unchanged file is
 * not transferred again. Synchronous operations run wholly on the calling thread (the request waits at
 * most 60 s); asynchronous ones set up on the service's own sequential executor and finish on the
 * network service's thread. Takes no lock: two downloads of one URL at once may replace each other's
 * file, but a file, when present, is always complete. Any thread may call.
 */
class NativeRemoteFileManagerService : public Object, public virtual RemoteFileManagerServiceInterface {
public:
    static constexpr std::int64_t CONNECT_TIMEOUT_SECONDS = 30;
    static constexpr std::int64_t READ_TIMEOUT_SECONDS = 30;

    /** Throws SdkError "platform_services.missing_service" when a service is missing. */
    NativeRemoteFileManagerService(const std::shared_ptr<NetworkServiceInterface>& networkService,
                                   const std::shared_ptr<FileSystemServiceInterface>& fileSystemService,
                                   const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
                                   const std::shared_ptr<ThreadingServiceInterface>& threadingService);

    /** Disposes the executor of the asynchronous operations only. */
    bool Dispose(std::int64_t timeoutMs) override;
    void GetFileAsync(const std::string& folder, const std::string& url, const Callback& callback) override;
    RemoteFileResult GetFileSync(const std::string& folder, const std::string& url) override;
    void GetFileAsyncWithProperties(const std::string& folder, const std::string& url,
                                    const std::map<std::string, std::string>& properties,
                                    const Callback& callback) override;
    RemoteFileResult GetFileSyncWithProperties(const std::string& folder, const std::string& url,
                                               const std::map<std::string, std::string>& properties) override;
    /** The flag changes nothing. */
    RemoteFileResult GetFileFromCache(const std::string& folder, const std::string& url, bool flag) override;
    void DeleteCachedDataNotInList(const std::string& folder, const std::deque<std::string>& urls) override;

    /** The cache root, or root + separator + folder when a folder is named, + separator + the URL's digest.
     */
    std::string ConstructBaseCachePathForUrl(const std::string& folder, const std::string& url) const;

private:
    /** Where one download stands once its request has been sent. */
    struct Download {
        std::string url;
        std::string folder;
        std::string basePath;
        Expected<std::string, SdkError> cachedPath;
    };

    void GetFileCommon(const std::string& folder, const std::string& url,
                       const std::map<std::string, std::string>& properties, bool synchronous,
                       const Callback& callback);
    RemoteFileResult ProcessConnection(const Download& download,
                                       const std::shared_ptr<HttpConnectionInterface>& connection) const;

    std::shared_ptr<TaskExecutorInterface> executor_;
    std::shared_ptr<NetworkServiceInterface> networkService_;
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    std::shared_ptr<FileSystemServiceInterface> fileSystemService_;
    std::string cacheRoot_;
};

/** A new remote file manager; empty when a service is missing (logged at trace level only). */
std::shared_ptr<RemoteFileManagerServiceInterface> CreateNativeRemoteFileManagerService(
    const std::shared_ptr<NetworkServiceInterface>& networkService,
    const std::shared_ptr<FileSystemServiceInterface>& fileSystemService,
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
    const std::shared_ptr<ThreadingServiceInterface>& threadingService);

}  // namespace NuvraMobile
