#pragma once

#include <chrono>
#include <memory>
#include <mutex>

#include "core/Object.h"
#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * Platform services whose every service a test sets (or leaves missing). Any thread may read; the test
 * sets the services before handing the object out.
 */
class ConfigurablePlatformServices : public Object, public virtual PlatformServicesInterface {
public:
    std::shared_ptr<LoggingServiceInterface> logging;
    std::shared_ptr<NetworkServiceInterface> network;
    std::shared_ptr<LocalStorageServiceInterface> localStorage;
    std::shared_ptr<DatabaseServiceInterface> database;
    std::shared_ptr<SystemInfoServiceInterface> systemInfo;
    std::shared_ptr<UIServiceInterface> ui;
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtility;
    std::shared_ptr<FileSystemServiceInterface> fileSystem;
    std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManager;
    std::shared_ptr<CryptoServiceInterface> crypto;
    std::shared_ptr<EncodingServiceInterface> encoding;
    std::shared_ptr<URLServiceInterface> url;
    std::shared_ptr<CompressedFileServiceInterface> compressedFile;
    std::shared_ptr<ThreadingServiceInterface> threading;

    bool Dispose(std::chrono::milliseconds) override { return true; }
    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const override { return logging; }
    std::shared_ptr<NetworkServiceInterface> GetNetworkService() const override { return network; }
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const override {
        return localStorage;
    }
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const override { return database; }
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const override { return systemInfo; }
    std::shared_ptr<UIServiceInterface> GetUIService() const override { return ui; }
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const override {
        return jsonUtility;
    }
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const override { return fileSystem; }
    std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const override {
        return remoteFileManager;
    }
    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const override { return crypto; }
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const override { return encoding; }
    std::shared_ptr<URLServiceInterface> GetURLService() const override { return url; }
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const override {
        return compressedFile;
    }
    std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const override { return threading; }
};

}  // namespace NuvraMobile
