#include "services/network/NativeRemoteFileManagerService.h"

#include <utility>

#include "core/values/SdkError.h"
#include "services/network/DownloadCache.h"
#include "services/network/NativeRemoteFile.h"
#include "util/HttpConnectionConstants.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* EXECUTOR_NAME = "ThreadingServiceInterface";

template <typename Service>
const std::shared_ptr<Service>& Required(const std::shared_ptr<Service>& service, const char* name) {
    if (!service) {
        Throw(SdkError("platform_services.missing_service", name, CurrentDebugInfo()));
    }
    return service;
}

RemoteFileResult FileAt(const std::string& path) {
    return RemoteFileResult(std::shared_ptr<RemoteFileInterface>(std::make_shared<NativeRemoteFile>(path)));
}

RemoteFileResult RequestFailed(std::int32_t statusCode) {
    return RemoteFileResult(
        SdkError("remotefilemanager.request_failed", std::to_string(statusCode), CurrentDebugInfo()));
}

void LogFailure(const SdkError& error) {
    Log::Debug(DownloadCache::LOG_TAG, "GetFileCommon failed with error code (%s) and error message (%s)",
               error.GetCode(), error.GetMessage());
}

/** Computes the result, turning an error thrown on the way into the result, and hands it to the callback. */
void Deliver(const RemoteFileManagerServiceInterface::Callback& callback,
             const std::function<RemoteFileResult()>& compute) {
    RemoteFileResult result;
    TryCatch([&] { result = compute(); },
             [&](SdkError& error) {
                 LogFailure(error);
                 result = RemoteFileResult(error);
             });
    if (callback) {
        callback(result);
    }
}

}  // namespace

NativeRemoteFileManagerService::NativeRemoteFileManagerService(
    const std::shared_ptr<NetworkServiceInterface>& networkService,
    const std::shared_ptr<FileSystemServiceInterface>& fileSystemService,
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
    const std::shared_ptr<ThreadingServiceInterface>& threadingService)
    : executor_(Required(threadingService, "Threading Service")->CreateSequentialTaskExecutor(EXECUTOR_NAME)),
      networkService_(Required(networkService, "Network Service")),
      systemInfoService_(Required(systemInfoService, "SystemInfo Service")),
      fileSystemService_(Required(fileSystemService, "FileSystem Service")),
      cacheRoot_(systemInfoService_->GetApplicationCacheDir() + fileSystemService_->GetPathSeparator() +
                 DownloadCache::CACHE_FOLDER_NAME) {}

bool NativeRemoteFileManagerService::Dispose(std::int64_t timeoutMs) {
    return executor_->Dispose(std::chrono::milliseconds(timeoutMs));
}

void NativeRemoteFileManagerService::GetFileAsync(const std::string& folder, const std::string& url,
                                                  const Callback& callback) {
    GetFileAsyncWithProperties(folder, url, {}, callback);
}

RemoteFileResult NativeRemoteFileManagerService::GetFileSync(const std::string& folder,
                                                             const std::string& url) {
    return GetFileSyncWithProperties(folder, url, {});
}

void NativeRemoteFileManagerService::GetFileAsyncWithProperties(
    const std::string& folder, const std::string& url, const std::map<std::string, std::string>& properties,
    const Callback& callback) {
    auto self = ObjectToSharedPtr<NativeRemoteFileManagerService>(*this);
    executor_->AddTask([self, folder, url, properties, callback] {
        self->GetFileCommon(folder, url, properties, false, callback);
    });
}

RemoteFileResult NativeRemoteFileManagerService::GetFileSyncWithProperties(
    const std::string& folder, const std::string& url, const std::map<std::string, std::string>& properties) {
    RemoteFileResult result;
    GetFileCommon(folder, url, properties, true,
                  [&result](const RemoteFileResult& answer) { result = answer; });
    return result;
}

RemoteFileResult NativeRemoteFileManagerService::GetFileFromCache(const std::string& folder,
                                                                  const std::string& url, bool /*flag*/) {
    Expected<std::string, SdkError> cached =
        DownloadCache::FindFileInCache(ConstructBaseCachePathForUrl(folder, url));
    return cached.HasValue() ? FileAt(cached.ConstValue()) : RemoteFileResult(cached.Error());
}

void NativeRemoteFileManagerService::DeleteCachedDataNotInList(const std::string& folder,
                                                               const std::deque<std::string>& urls) {
    std::string folderPath =
        folder.empty() ? cacheRoot_ : cacheRoot_ + fileSystemService_->GetPathSeparator() + folder;
    DownloadCache::DeleteEntriesNotInList(folderPath, urls);
}

std::string NativeRemoteFileManagerService::ConstructBaseCachePathForUrl(const std::string& folder,
                                                                         const std::string& url) const {
    std::string separator = fileSystemService_->GetPathSeparator();
    std::string path = cacheRoot_ + separator;
    if (!folder.empty()) {
        path += folder + separator;
    }
    return path + DownloadCache::GetDigestForUrl(url);
}

void NativeRemoteFileManagerService::GetFileCommon(const std::string& folder, const std::string& url,
                                                   const std::map<std::string, std::string>& properties,
                                                   bool synchronous, const Callback& callback) {
    std::optional<SdkError> failure;
    TryCatch(
        [&] {
            if (!StringUtils::StringIsUrl(url)) {
                Throw(SdkError("std.logic_error.invalid_argument", "Invalid url", CurrentDebugInfo()));
            }
            std::string basePath = ConstructBaseCachePathForUrl(folder, url);
            Download download{url, folder, basePath, DownloadCache::FindFileInCache(basePath)};
            std::map<std::string, std::string> headers =
                DownloadCache::GetFileRequestProperties(download.cachedPath);
            headers.insert(properties.begin(), properties.end());  // the cache's conditional headers win
            if (synchronous) {
                auto connection = networkService_->ConnectUrl(url, HttpCommandType::GET, "", headers,
                                                              CONNECT_TIMEOUT_SECONDS, READ_TIMEOUT_SECONDS);
                Deliver(callback, [&] { return ProcessConnection(download, connection); });
                return;
            }
            auto self = ObjectToSharedPtr<NativeRemoteFileManagerService>(*this);
            networkService_->ConnectUrlAsync(
                url, HttpCommandType::GET, "", headers, CONNECT_TIMEOUT_SECONDS, READ_TIMEOUT_SECONDS,
                [self, download, callback](const std::shared_ptr<HttpConnectionInterface>& connection) {
                    Deliver(callback, [&] { return self->ProcessConnection(download, connection); });
                });
        },
        [&](SdkError& error) {
            LogFailure(error);
            failure = error;
        });
    if (failure && callback) {
        callback(RemoteFileResult(*failure));
    }
}

RemoteFileResult NativeRemoteFileManagerService::ProcessConnection(
    const Download& download, const std::shared_ptr<HttpConnectionInterface>& connection) const {
    if (!connection) {
        return RemoteFileResult(
            SdkError("std.logic_error.invalid_argument", "Invalid connection interface", CurrentDebugInfo()));
    }
    std::int32_t statusCode = connection->GetResponseCode();
    if (statusCode == HttpConnectionConstants::HTTP_NOT_FOUND) {
        return RequestFailed(statusCode);
    }
    if (statusCode != HttpConnectionConstants::HTTP_OK) {
        // Not modified, or any other answer: the cached copy, when there is one, stays good.
        return download.cachedPath.HasValue() ? FileAt(download.cachedPath.ConstValue())
                                              : RequestFailed(statusCode);
    }
    std::string lastModified = connection->GetResponsePropertyValue("Last-Modified");
    std::string entityTag = connection->GetResponsePropertyValue("ETag");
    if (lastModified.empty()) {
        Log::Debug(DownloadCache::LOG_TAG, "Server did not return Last-Modified for %s", download.url);
    }
    if (entityTag.empty()) {
        Log::Debug(DownloadCache::LOG_TAG, "Server did not return ETag for %s", download.url);
    }
    std::string written = DownloadCache::WriteFileToCache(
        connection->GetResponseRawData(), cacheRoot_, download.folder, download.basePath,
        DownloadCache::NewCachePath(download.basePath, lastModified, entityTag));
    // A failed write keeps the older copy; without one, reading the empty lookup raises its error.
    return FileAt(written.empty() ? download.cachedPath.ConstValue() : written);
}

std::shared_ptr<RemoteFileManagerServiceInterface> CreateNativeRemoteFileManagerService(
    const std::shared_ptr<NetworkServiceInterface>& networkService,
    const std::shared_ptr<FileSystemServiceInterface>& fileSystemService,
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService,
    const std::shared_ptr<ThreadingServiceInterface>& threadingService) {
    std::shared_ptr<RemoteFileManagerServiceInterface> service;
    TrySwallow([&] {
        service = std::make_shared<NativeRemoteFileManagerService>(networkService, fileSystemService,
                                                                   systemInfoService, threadingService);
    });
    return service;
}

}  // namespace NuvraMobile
