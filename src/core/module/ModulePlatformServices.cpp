#include "core/module/ModulePlatformServices.h"

#include "core/module/ModuleThreadingService.h"

namespace NuvraMobile {

namespace {

class ModulePlatformServices : public Object, public virtual ModulePlatformServicesInterface {
public:
    ModulePlatformServices(std::shared_ptr<PlatformServicesInterface> platformServices,
                           std::shared_ptr<ModuleThreadingServiceInterface> threadingService)
        : platformServices_(std::move(platformServices)), threadingService_(std::move(threadingService)) {}

    bool Dispose(std::chrono::milliseconds timeout) override {
        return !platformServices_ || platformServices_->Dispose(timeout);
    }

    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const override {
        return Forward(&PlatformServicesInterface::GetLoggingService);
    }
    std::shared_ptr<NetworkServiceInterface> GetNetworkService() const override {
        return Forward(&PlatformServicesInterface::GetNetworkService);
    }
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const override {
        return Forward(&PlatformServicesInterface::GetLocalStorageService);
    }
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const override {
        return Forward(&PlatformServicesInterface::GetDatabaseService);
    }
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const override {
        return Forward(&PlatformServicesInterface::GetSystemInfoService);
    }
    std::shared_ptr<UIServiceInterface> GetUIService() const override {
        return Forward(&PlatformServicesInterface::GetUIService);
    }
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const override {
        return Forward(&PlatformServicesInterface::GetJsonUtilityService);
    }
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const override {
        return Forward(&PlatformServicesInterface::GetFileSystemService);
    }
    std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const override {
        return Forward(&PlatformServicesInterface::GetRemoteFileManagerService);
    }
    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const override {
        return Forward(&PlatformServicesInterface::GetCryptoService);
    }
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const override {
        return Forward(&PlatformServicesInterface::GetEncodingService);
    }
    std::shared_ptr<URLServiceInterface> GetURLService() const override {
        return Forward(&PlatformServicesInterface::GetURLService);
    }
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const override {
        return Forward(&PlatformServicesInterface::GetCompressedFileService);
    }
    std::shared_ptr<ThreadingServiceInterface> GetThreadingService() const override {
        return threadingService_;
    }

private:
    template <class Service>
    std::shared_ptr<Service> Forward(std::shared_ptr<Service> (PlatformServicesInterface::*getter)()
                                         const) const {
        return platformServices_ ? ((*platformServices_).*getter)() : nullptr;
    }

    std::shared_ptr<PlatformServicesInterface> platformServices_;
    std::shared_ptr<ModuleThreadingServiceInterface> threadingService_;
};

}  // namespace

std::shared_ptr<ModulePlatformServicesInterface> ModulePlatformServicesInterface::Create(
    const std::shared_ptr<Module>& module, const std::shared_ptr<PlatformServicesInterface>& platformServices,
    const std::shared_ptr<TaskExecutorInterface>& executor) {
    return std::make_shared<ModulePlatformServices>(
        platformServices, ModuleThreadingServiceInterface::Create(module, executor));
}

}  // namespace NuvraMobile
