#pragma once

// Counts the disk syncs that SQLite asks for, by file name: a file-system layer installed as SQLite's
// default over the real one, forwarding every call. Install before the first database opens.
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "support/ForwardingVfs.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class SyncCountingVfs : public ForwardingVfs {
public:
    /** Installs the layer as SQLite's default once for the process; the counts start at zero. */
    static SyncCountingVfs& Install() {
        // Never destroyed: connections opened through it may outlive the benchmark.
        static auto* layer = new SyncCountingVfs();
        return *layer;
    }

    std::int64_t Syncs() const { return syncs_; }

    /** The syncs per file name since the layer was installed. */
    std::map<std::string, std::int64_t> SyncsByFile() {
        MutexLock lock(mutex_);
        return byFile_;
    }

private:
    SyncCountingVfs() : ForwardingVfs("nvr-sync-counting", true) {}

    void AfterSync(const std::string& path, sqlite3_file*) override {
        ++syncs_;
        MutexLock lock(mutex_);
        ++byFile_[path.empty() ? "(temporary)" : path];
    }

    std::atomic<std::int64_t> syncs_{0};
    Mutex mutex_;
    std::map<std::string, std::int64_t> byFile_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
