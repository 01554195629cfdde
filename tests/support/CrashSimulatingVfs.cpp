#include "support/CrashSimulatingVfs.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "services/database/SqliteConnection.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {

namespace {

// Not 0 or 1, which a forked child ends with when its body returns or throws.
constexpr int ENDED_AT_WRITE_STATUS = 86;

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

CrashSimulatingVfs::CrashSimulatingVfs(Options options)
    : ForwardingVfs("nvr-crash-simulating", options.sharedMemory), keptFolder_(std::move(options.keptFolder)) {
    if (!keptFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(keptFolder_, ignored);
    }
}

void CrashSimulatingVfs::EndProcessAtWrite(const std::string& fileName, int count) {
    MutexLock lock(mutex_);
    endingFile_ = fileName;
    writesBeforeEnd_ = count;
}

void CrashSimulatingVfs::BeforeWrite(const std::string& path) {
    MutexLock lock(mutex_);
    if (writesBeforeEnd_ > 0 && FileNameOf(path) == endingFile_ && --writesBeforeEnd_ == 0) {
        _exit(ENDED_AT_WRITE_STATUS);
    }
}

void CrashSimulatingVfs::AfterSync(const std::string& path, sqlite3_file* real) {
    if (!keptFolder_.empty()) {
        WriteFileBytes(KeptCopyOf(path), ReadWholeFile(real));
    }
}

void CrashSimulatingVfs::AfterDelete(const std::string& path) {
    if (!keptFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(KeptCopyOf(path), ignored);
    }
}

std::string CrashSimulatingVfs::KeptCopyOf(const std::string& path) const {
    return (std::filesystem::path(keptFolder_) / FileNameOf(path)).string();
}

std::string IntegrityCheckOf(const std::string& path) {
    SqliteConnection database(path, SQLITE_OPEN_READWRITE);
    std::string verdict;
    const int result = database.Execute("PRAGMA integrity_check", &verdict);
    return result == SQLITE_OK ? verdict : SqliteConnection::ResultText(result);
}

}  // namespace NuvraMobile
