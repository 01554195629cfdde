#pragma once

#include <chrono>
#include <memory>

#include "core/values/Object.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SharedPlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * The native services that every core of the process shares, created once, in a fixed order (the
 * system-info service second, because the database service needs it), and never changed afterwards.
 * Its Dispose closes every store file of the process (hit databases and key-value stores), so that a run
 * that ended leaves no write-ahead log or shared-memory file beside them (a database inside a transaction
 * closes when the transaction ends); a store used afterwards opens its file again as a first open does.
 * The services themselves end only when the last holder lets them go. The UI
 * service is not available on this platform yet (an empty pointer). Making them tells the door to the app's
 * code (AppCalls) which thread is the main thread. Any thread may call the getters.
 */
class SharedPlatformServices : public Object, public virtual SharedPlatformServicesInterface {
public:
    /** Throws what a service factory throws; the services made so far are released. */
    static std::shared_ptr<SharedPlatformServices> Create();

    /** Closes every store file; never waits. */
    bool Dispose(std::chrono::milliseconds timeout) override;
    /** A new per-core services object over these shared services. */
    std::shared_ptr<PlatformServicesInterface> CreatePlatformServices() override;

    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const { return cryptoService_; }
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const { return databaseService_; }
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const { return encodingService_; }
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const { return fileSystemService_; }
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const { return jsonUtilityService_; }
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const {
        return localStorageService_;
    }
    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const { return loggingService_; }
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const { return systemInfoService_; }
    std::shared_ptr<UIServiceInterface> GetUIService() const { return uiService_; }
    std::shared_ptr<URLServiceInterface> GetURLService() const { return urlService_; }
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const {
        return compressedFileService_;
    }
    std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const { return threadingService_; }

private:
    SharedPlatformServices();

    std::shared_ptr<CryptoServiceInterface> cryptoService_;
    std::shared_ptr<DatabaseServiceInterface> databaseService_;
    std::shared_ptr<EncodingServiceInterface> encodingService_;
    std::shared_ptr<FileSystemServiceInterface> fileSystemService_;
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    std::shared_ptr<LocalStorageServiceInterface> localStorageService_;
    std::shared_ptr<LoggingServiceInterface> loggingService_;
    std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    std::shared_ptr<UIServiceInterface> uiService_;
    std::shared_ptr<URLServiceInterface> urlService_;
    std::shared_ptr<CompressedFileServiceInterface> compressedFileService_;
    std::shared_ptr<ThreadingServiceInterface> threadingService_;
};

/**
 * The services of one core: its own network and remote-file-manager services, every other getter
 * forwarding to the shared services. Dispose ends only its own two services; the shared ones stay
 * usable. Getters read pointers that never change, so any thread may call them.
 */
class PlatformServices : public Object, public virtual PlatformServicesInterface {
public:
    /** Creates its own network and remote-file-manager services; throws what the network factory throws. */
    explicit PlatformServices(const std::shared_ptr<SharedPlatformServices>& sharedServices);
    /** Over the given network and remote-file-manager services. */
    PlatformServices(const std::shared_ptr<SharedPlatformServices>& sharedServices,
                     const std::shared_ptr<NetworkServiceInterface>& networkService,
                     const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManagerService);

    /** Disposes the network, then the remote-file-manager service; true only when both ended in time. */
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
    const std::shared_ptr<SharedPlatformServices> sharedServices_;
    const std::shared_ptr<NetworkServiceInterface> networkService_;
    const std::shared_ptr<RemoteFileManagerServiceInterface> remoteFileManagerService_;
};

/** A new per-core services object over `sharedServices`. */
std::shared_ptr<PlatformServicesInterface> CreateNativePlatformServices(
    const std::shared_ptr<SharedPlatformServices>& sharedServices);

/** The process's shared services. */
std::shared_ptr<SharedPlatformServicesInterface> CreateNativeSharedPlatformServices();

}  // namespace NuvraMobile
