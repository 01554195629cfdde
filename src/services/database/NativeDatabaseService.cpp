#include "services/database/NativeDatabaseService.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/values/SdkError.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "services/database/Database.h"
#include "util/Log.h"
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

std::shared_ptr<DatabaseInterface> NativeDatabaseService::OpenInMemoryDatabase(const std::string& fileName) {
    MutexLock lock(mutex_);
    const std::string name = RemoveRelativePathComponent(fileName);
    auto found = inMemory_.find(name);
    if (found != inMemory_.end()) {
        return found->second;
    }
    auto database = Database::OpenInMemory(name);
    inMemory_.emplace(name, database);
    Log::Error(Database::DATABASE_SERVICE_LOG_PREFIX,
               "Cannot open %s in %s; its hits are kept in memory only, and are lost when the app ends", name,
               systemInfoService_->GetApplicationCacheDir());
    return database;
}

bool NativeDatabaseService::DeleteDatabase(const std::string& fileName) {
    MutexLock lock(mutex_);
    if (fileName.empty()) {
        return false;
    }
    std::string name = RemoveRelativePathComponent(fileName);
    if (!CloseLocked(name)) {
        return false;
    }
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

bool NativeDatabaseService::CloseLocked(const std::string& name) {
    auto found = databases_.find(name);
    if (found == databases_.end()) {
        return false;
    }
    found->second->CloseConnection();
    databases_.erase(found);
    return true;
}

namespace {

bool HasLogOrJournal(const fs::path& path) {
    std::error_code error;
    return fs::exists(path.string() + "-wal", error) || fs::exists(path.string() + "-journal", error);
}

void SyncFolder(const std::string& directory) {
    const int descriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

}  // namespace

bool NativeDatabaseService::ReplaceDatabase(const std::string& fileName, const std::string& replacement) {
    MutexLock lock(mutex_);
    const std::string name = RemoveRelativePathComponent(fileName);
    const std::string replacementName = RemoveRelativePathComponent(replacement);
    const std::string directory = systemInfoService_->GetApplicationCacheDir();
    if (directory.empty() || name.empty() || replacementName.empty() || name == replacementName) {
        return false;
    }
    // Closing the last connection of a file in write-ahead-log mode folds the log into it and removes it.
    CloseLocked(name);
    CloseLocked(replacementName);
    const fs::path target = fs::path(directory) / name;
    const fs::path source = fs::path(directory) / replacementName;
    if (HasLogOrJournal(target) || HasLogOrJournal(source)) {
        return false;
    }
    std::error_code error;
    fs::remove(target.string() + "-shm", error);
    error.clear();
    fs::rename(source, target, error);
    if (error) {
        return false;
    }
    SyncFolder(directory);
    return true;
}

}  // namespace NuvraMobile
