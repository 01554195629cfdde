#include "support/UnwritableVfs.h"

#include <filesystem>
#include <system_error>

namespace NuvraMobile {

namespace fs = std::filesystem;

namespace {
// SQLite opens files by their full path, with the links resolved.
std::string FullPath(const fs::path& path) {
    std::error_code error;
    const fs::path full = fs::weakly_canonical(path, error);
    return (error ? path : full).string();
}
}  // namespace

UnwritableVfs& UnwritableVfs::Install() {
    // Never destroyed: connections opened through it may outlive every test.
    static UnwritableVfs& layer = *new UnwritableVfs();
    return layer;
}

void UnwritableVfs::MakeFileReadOnly(const std::string& path) {
    MutexLock lock(mutex_);
    files_.insert(FullPath(path));
}

void UnwritableVfs::MakeFolderReadOnly(const std::string& folder) {
    MutexLock lock(mutex_);
    folders_.insert(FullPath(folder));
}

void UnwritableVfs::Clear() {
    MutexLock lock(mutex_);
    files_.clear();
    folders_.clear();
}

// As the system's own layer answers: a file that refuses writes is opened for reading only, and a file
// that cannot be made fails to open (a journal or log with SQLite's code for a read-only folder).
int UnwritableVfs::BeforeOpen(const std::string& path, int& flags) {
    const std::string full = FullPath(path);
    std::error_code error;
    const bool exists = fs::exists(full, error);
    MutexLock lock(mutex_);
    if (!exists && folders_.count(fs::path(full).parent_path().string()) > 0) {
        return (flags & SQLITE_OPEN_MAIN_DB) != 0 ? SQLITE_CANTOPEN : SQLITE_READONLY_DIRECTORY;
    }
    if (files_.count(full) > 0 && (flags & SQLITE_OPEN_READWRITE) != 0) {
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    }
    return SQLITE_OK;
}

}  // namespace NuvraMobile
