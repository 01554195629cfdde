#pragma once

// Counts the disk syncs that SQLite asks for, by file name: a file-system layer installed as SQLite's
// default over the real one, forwarding every call. Install before the first database opens.
#include <sqlite3.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace NuvraMobile {

class SyncCountingVfs {
public:
    /** Installs the layer as SQLite's default once for the process; the counts start at zero. */
    static SyncCountingVfs& Install() {
        static SyncCountingVfs layer;
        return layer;
    }

    std::int64_t Syncs() const { return syncs_; }

    /** The syncs per file name since the layer was installed. */
    std::map<std::string, std::int64_t> SyncsByFile() {
        std::lock_guard<std::mutex> lock(mutex_);
        return byFile_;
    }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        std::string* name;
    };

    SyncCountingVfs() {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "nvr-sync-counting";
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.xOpen = &Open;
        vfs_.pAppData = this;
        methods_.iVersion = 3;
        methods_.xClose = &Close;
        methods_.xSync = &Sync;
        methods_.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
            return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
        };
        methods_.xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
            return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
        };
        methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            return Real(f)->pMethods->xTruncate(Real(f), size);
        };
        methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            return Real(f)->pMethods->xFileSize(Real(f), size);
        };
        methods_.xLock = [](sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); };
        methods_.xUnlock = [](sqlite3_file* f, int level) {
            return Real(f)->pMethods->xUnlock(Real(f), level);
        };
        methods_.xCheckReservedLock = [](sqlite3_file* f, int* reserved) {
            return Real(f)->pMethods->xCheckReservedLock(Real(f), reserved);
        };
        methods_.xFileControl = [](sqlite3_file* f, int operation, void* argument) {
            return Real(f)->pMethods->xFileControl(Real(f), operation, argument);
        };
        methods_.xSectorSize = [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); };
        methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
            return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
        };
        methods_.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** memory) {
            return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, memory);
        };
        methods_.xShmLock = [](sqlite3_file* f, int offset, int count, int flags) {
            return Real(f)->pMethods->xShmLock(Real(f), offset, count, flags);
        };
        methods_.xShmBarrier = [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); };
        methods_.xShmUnmap = [](sqlite3_file* f, int deleteFlag) {
            return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
        };
        methods_.xFetch = [](sqlite3_file* f, sqlite3_int64 offset, int amount, void** page) {
            return Real(f)->pMethods->xFetch(Real(f), offset, amount, page);
        };
        methods_.xUnfetch = [](sqlite3_file* f, sqlite3_int64 offset, void* page) {
            return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
        };
        sqlite3_vfs_register(&vfs_, 1);
    }

    static sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

    static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
        auto* layer = static_cast<SyncCountingVfs*>(vfs->pAppData);
        auto* counted = reinterpret_cast<File*>(file);
        counted->real = reinterpret_cast<sqlite3_file*>(counted + 1);
        const int result = layer->real_->xOpen(layer->real_, name, counted->real, flags, outFlags);
        if (result != SQLITE_OK || counted->real->pMethods == nullptr) {
            file->pMethods = nullptr;
            return result;
        }
        counted->name = new std::string(name == nullptr ? "(temporary)" : name);
        file->pMethods = &layer->methods_;
        return SQLITE_OK;
    }

    static int Close(sqlite3_file* file) {
        auto* counted = reinterpret_cast<File*>(file);
        delete counted->name;
        return counted->real->pMethods->xClose(counted->real);
    }

    static int Sync(sqlite3_file* file, int flags) {
        auto* counted = reinterpret_cast<File*>(file);
        SyncCountingVfs& layer = Install();
        ++layer.syncs_;
        {
            std::lock_guard<std::mutex> lock(layer.mutex_);
            ++layer.byFile_[*counted->name];
        }
        return counted->real->pMethods->xSync(counted->real, flags);
    }

    sqlite3_vfs* real_ = nullptr;
    sqlite3_vfs vfs_{};
    sqlite3_io_methods methods_{};
    std::atomic<std::int64_t> syncs_{0};
    std::mutex mutex_;
    std::map<std::string, std::int64_t> byFile_;
};

}  // namespace NuvraMobile
