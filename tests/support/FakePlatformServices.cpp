#include "support/FakePlatformServices.h"

namespace NuvraMobile {

FakePlatformServices::FakePlatformServices(std::shared_ptr<PlatformServicesInterface> inner)
    : inner_(std::move(inner)) {}

bool FakePlatformServices::Dispose(std::chrono::milliseconds timeout) {
    ++disposals;
    return !inner_ || inner_->Dispose(timeout);
}

std::shared_ptr<LoggingServiceInterface> FakePlatformServices::GetLoggingService() const {
    return SetOrInner(loggingService, &PlatformServicesInterface::GetLoggingService);
}

std::shared_ptr<NetworkServiceInterface> FakePlatformServices::GetNetworkService() const {
    return SetOrInner(networkService, &PlatformServicesInterface::GetNetworkService);
}

std::shared_ptr<LocalStorageServiceInterface> FakePlatformServices::GetLocalStorageService() const {
    return SetOrInner(localStorageService, &PlatformServicesInterface::GetLocalStorageService);
}

std::shared_ptr<DatabaseServiceInterface> FakePlatformServices::GetDatabaseService() const {
    return SetOrInner(databaseService, &PlatformServicesInterface::GetDatabaseService);
}

std::shared_ptr<SystemInfoServiceInterface> FakePlatformServices::GetSystemInfoService() const {
    return SetOrInner(systemInfoService, &PlatformServicesInterface::GetSystemInfoService);
}

std::shared_ptr<UIServiceInterface> FakePlatformServices::GetUIService() const {
    return SetOrInner(uiService, &PlatformServicesInterface::GetUIService);
}

std::shared_ptr<JsonUtilityServiceInterface> FakePlatformServices::GetJsonUtilityService() const {
    return SetOrInner(jsonUtilityService, &PlatformServicesInterface::GetJsonUtilityService);
}

std::shared_ptr<FileSystemServiceInterface> FakePlatformServices::GetFileSystemService() const {
    return SetOrInner(fileSystemService, &PlatformServicesInterface::GetFileSystemService);
}

std::shared_ptr<RemoteFileManagerServiceInterface> FakePlatformServices::GetRemoteFileManagerService() const {
    return SetOrInner(remoteFileManagerService, &PlatformServicesInterface::GetRemoteFileManagerService);
}

std::shared_ptr<CryptoServiceInterface> FakePlatformServices::GetCryptoService() const {
    return SetOrInner(cryptoService, &PlatformServicesInterface::GetCryptoService);
}

std::shared_ptr<EncodingServiceInterface> FakePlatformServices::GetEncodingService() const {
    return SetOrInner(encodingService, &PlatformServicesInterface::GetEncodingService);
}

std::shared_ptr<URLServiceInterface> FakePlatformServices::GetURLService() const {
    return SetOrInner(urlService, &PlatformServicesInterface::GetURLService);
}

std::shared_ptr<CompressedFileServiceInterface> FakePlatformServices::GetCompressedFileService() const {
    return SetOrInner(compressedFileService, &PlatformServicesInterface::GetCompressedFileService);
}

std::shared_ptr<ThreadingServiceInterface> FakePlatformServices::GetThreadingService() const {
    return SetOrInner(threadingService, &PlatformServicesInterface::GetThreadingService);
}

}  // namespace NuvraMobile
