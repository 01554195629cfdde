#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "core/values/Object.h"
#include "platformShim/PlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * Platform services that forward every call to the services they wrap (none by default), except the
 * services a test sets in the fields below, which are handed out instead. Counts disposals and passes
 * them on. Set the fields before sharing the object between threads.
 */
class FakePlatformServices : public Object, public virtual PlatformServicesInterface {
public:
    explicit FakePlatformServices(std::shared_ptr<PlatformServicesInterface> inner = nullptr);

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

private:
    /** `set` when the test set it, else what the wrapped services hand out through `get`. */
    template <class Service>
    std::shared_ptr<Service> SetOrInner(const std::shared_ptr<Service>& set,
                                        std::shared_ptr<Service> (PlatformServicesInterface::*get)()
                                            const) const {
        return set || !inner_ ? set : ((*inner_).*get)();
    }

    const std::shared_ptr<PlatformServicesInterface> inner_;
};

}  // namespace NuvraMobile
