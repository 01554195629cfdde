#include "services/PlatformServices.h"

#include "core/execution/AppCalls.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "services/compression/NativeCompressedFileService.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/database/NativeDatabaseService.h"
#include "services/encoding/NativeEncodingService.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/logging/NativeLoggingService.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NativeRemoteFileManagerService.h"
#include "services/storage/KeyValueStore.h"
#include "services/storage/NativeLocalStorageService.h"
#include "services/system/NativeSystemInfoService.h"
#include "services/threading/MainThread.h"
#include "services/threading/NativeThreadingService.h"
#include "services/ui/NativeUiService.h"
#include "services/url/NativeUrlService.h"

namespace NuvraMobile {

SharedPlatformServices::SharedPlatformServices()
    : cryptoService_(CreateNativeCryptoService()), systemInfoService_(CreateNativeSystemInfoService()) {
    databaseService_ = CreateNativeDatabaseService(systemInfoService_);
    encodingService_ = CreateNativeEncodingService();
    fileSystemService_ = CreateNativeFileSystemService();
    jsonUtilityService_ = CreateNativeJsonUtilityService();
    localStorageService_ = CreateNativeLocalStorageService();
    loggingService_ = CreateNativeLoggingService();
    urlService_ = CreateNativeUrlService();
    compressedFileService_ = CreateNativeCompressedFileService();
    threadingService_ = CreateNativeThreadingService();
    uiService_ = CreateNativeUiService();
    AppCalls::KnowTheMainThreadBy(IsMainThread);
}

std::shared_ptr<SharedPlatformServices> SharedPlatformServices::Create() {
    return std::shared_ptr<SharedPlatformServices>(new SharedPlatformServices());
}

bool SharedPlatformServices::Dispose(std::chrono::milliseconds /*timeout*/) {
    if (const auto databases = std::dynamic_pointer_cast<NativeDatabaseService>(databaseService_)) {
        databases->CloseEveryDatabase();
    }
    KeyValueStore::CloseEveryStore();
    return true;
}

std::shared_ptr<PlatformServicesInterface> SharedPlatformServices::CreatePlatformServices() {
    return CreateNativePlatformServices(
        std::dynamic_pointer_cast<SharedPlatformServices>(shared_from_this()));
}

PlatformServices::PlatformServices(const std::shared_ptr<SharedPlatformServices>& sharedServices)
    : sharedServices_(sharedServices),
      networkService_(CreateNativeNetworkService(sharedServices->GetSystemInfoService())),
      remoteFileManagerService_(CreateNativeRemoteFileManagerService(
          networkService_, sharedServices->GetFileSystemService(), sharedServices->GetSystemInfoService(),
          sharedServices->GetThreadingService())) {}

PlatformServices::PlatformServices(
    const std::shared_ptr<SharedPlatformServices>& sharedServices,
    const std::shared_ptr<NetworkServiceInterface>& networkService,
    const std::shared_ptr<RemoteFileManagerServiceInterface>& remoteFileManagerService)
    : sharedServices_(sharedServices),
      networkService_(networkService),
      remoteFileManagerService_(remoteFileManagerService) {}

bool PlatformServices::Dispose(std::chrono::milliseconds timeout) {
    bool disposed = true;
    if (networkService_) {
        disposed = networkService_->Dispose(timeout.count());
    }
    if (remoteFileManagerService_) {
        disposed = remoteFileManagerService_->Dispose(timeout.count()) && disposed;
    }
    return disposed;
}

std::shared_ptr<LoggingServiceInterface> PlatformServices::GetLoggingService() const {
    return sharedServices_->GetLoggingService();
}
std::shared_ptr<NetworkServiceInterface> PlatformServices::GetNetworkService() const {
    return networkService_;
}
std::shared_ptr<LocalStorageServiceInterface> PlatformServices::GetLocalStorageService() const {
    return sharedServices_->GetLocalStorageService();
}
std::shared_ptr<DatabaseServiceInterface> PlatformServices::GetDatabaseService() const {
    return sharedServices_->GetDatabaseService();
}
std::shared_ptr<SystemInfoServiceInterface> PlatformServices::GetSystemInfoService() const {
    return sharedServices_->GetSystemInfoService();
}
std::shared_ptr<UIServiceInterface> PlatformServices::GetUIService() const {
    return sharedServices_->GetUIService();
}
std::shared_ptr<JsonUtilityServiceInterface> PlatformServices::GetJsonUtilityService() const {
    return sharedServices_->GetJsonUtilityService();
}
std::shared_ptr<FileSystemServiceInterface> PlatformServices::GetFileSystemService() const {
    return sharedServices_->GetFileSystemService();
}
std::shared_ptr<RemoteFileManagerServiceInterface> PlatformServices::GetRemoteFileManagerService() const {
    return remoteFileManagerService_;
}
std::shared_ptr<CryptoServiceInterface> PlatformServices::GetCryptoService() const {
    return sharedServices_->GetCryptoService();
}
std::shared_ptr<EncodingServiceInterface> PlatformServices::GetEncodingService() const {
    return sharedServices_->GetEncodingService();
}
std::shared_ptr<URLServiceInterface> PlatformServices::GetURLService() const {
    return sharedServices_->GetURLService();
}
std::shared_ptr<CompressedFileServiceInterface> PlatformServices::GetCompressedFileService() const {
    return sharedServices_->GetCompressedFileService();
}
std::shared_ptr<ThreadingServiceInterface> PlatformServices::GetThreadingService() const {
    return sharedServices_->GetThreadingService();
}

std::shared_ptr<PlatformServicesInterface> CreateNativePlatformServices(
    const std::shared_ptr<SharedPlatformServices>& sharedServices) {
    return std::make_shared<PlatformServices>(sharedServices);
}

std::shared_ptr<SharedPlatformServicesInterface> CreateNativeSharedPlatformServices() {
    return SharedPlatformServices::Create();
}

}  // namespace NuvraMobile
