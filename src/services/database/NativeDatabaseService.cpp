#include "services/database/NativeDatabaseService.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
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
    const std::string name = RemoveRelativePathComponent(fileName);
    std::shared_ptr<Database> database;
    std::optional<SdkError> failure;
    TryCatch(
        [&] {
            mutex_.AssertHeld();
            database = OpenLocked(name);
        },
        [&](SdkError& error) { failure = error; });
    if (SdkError reason; failure && Database::IsUnwritable(*failure) && failure->GetInner(reason)) {
        unwritable_[name] = reason.GetMessage();
    }
    if (failure) {
        Throw(*failure);
    }
    return database;
}

// The folder is asked for (and so made) at every open: one that went while CloseEveryDatabase had the
// file closed is made again before the file is opened again.
std::shared_ptr<Database> NativeDatabaseService::OpenLocked(const std::string& name) {
    const std::string directory = systemInfoService_->GetApplicationCacheDir();
    const auto held = databases_.find(name);
    if (held != databases_.end()) {
        held->second->OpenAgainIfClosed();
        return held->second;
    }
    auto database = std::make_shared<Database>(name, directory);
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
    const std::string directory = systemInfoService_->GetApplicationCacheDir();
    auto database = Database::OpenInMemory(name);
    inMemory_.emplace(name, database);
    const auto unwritable = unwritable_.find(name);
    if (unwritable == unwritable_.end()) {
        Log::Error(Database::DATABASE_SERVICE_LOG_PREFIX,
                   "Cannot open %s in %s; its hits are kept in memory only, and are lost when the app ends",
                   name, directory);
    } else {
        Log::Error(Database::DATABASE_SERVICE_LOG_PREFIX,
                   "Cannot write %s in %s: %s; this run's hits are kept in memory only, and are lost when the "
                   "app ends; the stored ones stay in the file, unsent, for a launch that can write it",
                   name, directory, unwritable->second);
    }
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

void NativeDatabaseService::CloseEveryDatabase() {
    MutexLock lock(mutex_);
    for (const auto& [name, database] : databases_) {
        database->CloseUntilNextUse();
    }
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

// With every connection of both files closed: closing the last connection of a file in write-ahead-log
// mode folds the log into it and removes it.
bool RenameOver(const fs::path& target, const fs::path& source, const std::string& directory) {
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

}  // namespace

bool NativeDatabaseService::ReplaceDatabase(const std::string& fileName, const std::string& replacement) {
    MutexLock lock(mutex_);
    const std::string name = RemoveRelativePathComponent(fileName);
    const std::string replacementName = RemoveRelativePathComponent(replacement);
    const std::string directory = systemInfoService_->GetApplicationCacheDir();
    if (directory.empty() || name.empty() || replacementName.empty() || name == replacementName) {
        return false;
    }
    CloseLocked(replacementName);
    bool replaced = false;
    const auto replace = [&] {
        replaced = RenameOver(fs::path(directory) / name, fs::path(directory) / replacementName, directory);
    };
    const auto held = databases_.find(name);
    if (held == databases_.end()) {
        replace();
        return replaced;
    }
    // Every holder of the database goes on with the file found under its name: the new one, or the old one
    // when it stayed. One whose file cannot be opened again is forgotten, so the next open tries afresh.
    bool reopened = true;
    TryCatch([&] { held->second->ReopenAfter(replace); }, [&](SdkError&) { reopened = false; });
    if (!reopened) {
        databases_.erase(held);
    }
    return replaced;
}

}  // namespace NuvraMobile
