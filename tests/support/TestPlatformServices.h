#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "core/Object.h"
#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * Platform services for tests in which every service is missing, except a threading service the
 * test may hand in; counts the Dispose calls it receives. Any thread.
 */
class TestPlatformServices : public Object, public virtual PlatformServicesInterface {
public:
    explicit TestPlatformServices(std::shared_ptr<ThreadingServiceInterface> threadingService = nullptr);

    bool Dispose(std::chrono::milliseconds timeout) override;
    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const override;
    std::shared_ptr<NetworkServiceInterface> GetNetworkService() const override;
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const override;
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const override;
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const override;
    std::shared_ptr<UIServiceInterface> GetUIService() const override;
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const override;
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const override;
    std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const override;
    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const override;
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const override;
    std::shared_ptr<URLServiceInterface> GetURLService() const override;
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const override;
    std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const override;

    int GetDisposeCount() const;

private:
    const std::shared_ptr<ThreadingServiceInterface> threadingService_;
    std::atomic<int> disposeCount_{0};
};

}  // namespace NuvraMobile
