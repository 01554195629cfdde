#include "support/TestPlatformServices.h"

#include <utility>

namespace NuvraMobile {

TestPlatformServices::TestPlatformServices(std::shared_ptr<ThreadingServiceInterface> threadingService)
    : threadingService_(std::move(threadingService)) {}

bool TestPlatformServices::Dispose(std::chrono::milliseconds) {
    ++disposeCount_;
    return true;
}

std::shared_ptr<LoggingServiceInterface> TestPlatformServices::GetLoggingService() const { return nullptr; }
std::shared_ptr<NetworkServiceInterface> TestPlatformServices::GetNetworkService() const { return nullptr; }
std::shared_ptr<LocalStorageServiceInterface> TestPlatformServices::GetLocalStorageService() const {
    return nullptr;
}
std::shared_ptr<DatabaseServiceInterface> TestPlatformServices::GetDatabaseService() const { return nullptr; }
std::shared_ptr<SystemInfoServiceInterface> TestPlatformServices::GetSystemInfoService() const {
    return nullptr;
}
std::shared_ptr<UIServiceInterface> TestPlatformServices::GetUIService() const { return nullptr; }
std::shared_ptr<JsonUtilityServiceInterface> TestPlatformServices::GetJsonUtilityService() const {
    return nullptr;
}
std::shared_ptr<FileSystemServiceInterface> TestPlatformServices::GetFileSystemService() const {
    return nullptr;
}
std::shared_ptr<RemoteFileManagerServiceInterface> TestPlatformServices::GetRemoteFileManagerService() const {
    return nullptr;
}
std::shared_ptr<CryptoServiceInterface> TestPlatformServices::GetCryptoService() const { return nullptr; }
std::shared_ptr<EncodingServiceInterface> TestPlatformServices::GetEncodingService() const { return nullptr; }
std::shared_ptr<URLServiceInterface> TestPlatformServices::GetURLService() const { return nullptr; }
std::shared_ptr<CompressedFileServiceInterface> TestPlatformServices::GetCompressedFileService() const {
    return nullptr;
}
std::shared_ptr<ThreadingServiceInterface> TestPlatformServices::GetThreadingService() const {
    return threadingService_;
}

int TestPlatformServices::GetDisposeCount() const { return disposeCount_.load(); }

}  // namespace NuvraMobile
