#include "services/database/NativeDatabaseService.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/values/SdkError.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/database/Database.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace fs = std::filesystem;

std::shared_ptr<DatabaseServiceInterface> CreateNativeDatabaseService(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService) {
    if (!systemInfoService) {
        Throw(SdkError("platform_services.missing_service", "SystemInfo Service", CurrentDebugInfo()));
    }
    return std::make_shared<NativeDatabaseService>(systemInfoService);
}

NativeDatabaseService::NativeDatabaseService(std::shared_ptr<SystemInfoServiceInterface> systemInfoService)
    : systemInfoService_(std::move(systemInfoService)) {}

std::string NativeDatabaseService::RemoveRelativePathComponent(const std::string& fileName) {
    std::string name = StringUtils::Replace(fileName, "\\", "_");
    name = StringUtils::Replace(name, "/", "_");
    name = StringUtils::Replace(name, "..", "");
    return StringUtils::Replace(name, "__", "_");
}

std::shared_ptr<DatabaseInterface> NativeDatabaseService::OpenDatabase(const std::string& fileName) {
    MutexLock lock(mutex_);
    std::string name = RemoveRelativePathComponent(fileName);
    auto found = databases_.find(name);
    if (found != databases_.end()) {
        return found->second;
    }
    auto database = std::make_shared<Database>(name, systemInfoService_->GetApplicationCacheDir());
    databases_.emplace(name, database);
    return database;
}

bool NativeDatabaseService::DeleteDatabase(const std::string& fileName) {
    MutexLock lock(mutex_);
    if (fileName.empty()) {
        return false;
    }
    std::string name = RemoveRelativePathComponent(fileName);
    auto found = databases_.find(name);
    if (found == databases_.end()) {
        return false;
    }
    found->second->CloseConnection();
    databases_.erase(found);

    std::string directory = systemInfoService_->GetApplicationCacheDir();
    if (directory.empty()) {
        return false;
    }
    fs::path path = fs::path(directory) / name;
    std::error_code error;
    for (const char* sideFile : {"-wal", "-shm", "-journal"}) {
        fs::remove(path.string() + sideFile, error);
    }
    error.clear();
    return fs::remove(path, error) && !error;
}

}  // namespace NuvraMobile
