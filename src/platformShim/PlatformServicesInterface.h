#pragma once

#include <chrono>
#include <memory>

#include "core/values/Object.h"

namespace NuvraMobile {

class LoggingServiceInterface;
class NetworkServiceInterface;
class LocalStorageServiceInterface;
class DatabaseServiceInterface;
class SystemInfoServiceInterface;
class UIServiceInterface;
class JsonUtilityServiceInterface;
class FileSystemServiceInterface;
class RemoteFileManagerServiceInterface;
class CryptoServiceInterface;
class EncodingServiceInterface;
class URLServiceInterface;
class CompressedFileServiceInterface;
class ThreadingServiceInterface;

// Hands out every platform service the core uses; the core never calls the operating system itself.
// An empty pointer means the service is not available, and every caller checks for it.
// All operations may be called from any thread.
class PlatformServicesInterface : public virtual ObjectInterface {
public:
    // Disposes the services this object owns; true when all of them finished within the timeout.
    virtual bool Dispose(std::chrono::milliseconds timeout) = 0;

    virtual std::shared_ptr<LoggingServiceInterface> GetLoggingService() const = 0;
    virtual std::shared_ptr<NetworkServiceInterface> GetNetworkService() const = 0;
    virtual std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const = 0;
    virtual std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const = 0;
    virtual std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const = 0;
    virtual std::shared_ptr<UIServiceInterface> GetUIService() const = 0;
    virtual std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const = 0;
    virtual std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const = 0;
    virtual std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const = 0;
    virtual std::shared_ptr<CryptoServiceInterface> GetCryptoService() const = 0;
    virtual std::shared_ptr<EncodingServiceInterface> GetEncodingService() const = 0;
    virtual std::shared_ptr<URLServiceInterface> GetURLService() const = 0;
    virtual std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const = 0;

    // Empty by default: the core then falls back to its own default threading service.
    virtual std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const { return nullptr; }
};

}  // namespace NuvraMobile
