#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "core/Object.h"
#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * Platform services that hand out whatever services a test sets (none by default) and count their
 * disposals. Set the services before sharing the object between threads.
 */
class FakePlatformServices : public Object, public virtual PlatformServicesInterface {
public:
    std::shared_ptr<LoggingServiceInterface> loggingService;
    std::shared_ptr<NetworkServiceInterface> networkService;
    std::shared_ptr<LocalStorageServiceInterface> localStorageService;
    std::shared_ptr<DatabaseServiceInterface> databaseService;
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService;
    std::shared_ptr<UIServiceInterface> uiService;
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService;
    std::shared_ptr<FileSystemServiceInterface> fileSystemService;
    std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManagerService;
    std::shared_ptr<CryptoServiceInterface> cryptoService;
    std::shared_ptr<EncodingServiceInterface> encodingService;
    std::shared_ptr<URLServiceInterface> urlService;
    std::shared_ptr<CompressedFileServiceInterface> compressedFileService;
    std::shared_ptr<ThreadingServiceInterface> threadingService;
    std::atomic<int> disposals{0};

    bool Dispose(std::chrono::milliseconds) override {
        ++disposals;
        return true;
    }
    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const override { return loggingService; }
    std::shared_ptr<NetworkServiceInterface> GetNetworkService() const override { return networkService; }
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const override {
        return localStorageService;
    }
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const override { return databaseService; }
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const override {
        return systemInfoService;
    }
    std::shared_ptr<UIServiceInterface> GetUIService() const override { return uiService; }
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const override {
        return jsonUtilityService;
    }
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const override {
        return fileSystemService;
    }
    std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const override {
        return remoteFileManagerService;
    }
    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const override { return cryptoService; }
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const override { return encodingService; }
    std::shared_ptr<URLServiceInterface> GetURLService() const override { return urlService; }
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const override {
        return compressedFileService;
    }
    std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const override {
        return threadingService;
    }
};

}  // namespace NuvraMobile
