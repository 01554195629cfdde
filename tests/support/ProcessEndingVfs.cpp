#include "support/ProcessEndingVfs.h"

#include <unistd.h>

#include <memory>
#include <mutex>

namespace NuvraMobile {

// A file is the real layer's file followed by a pointer to the real methods it was opened with, so that
// only the changing methods need a stand-in: every other one is the real one, called on the same file.
ProcessEndingVfs& ProcessEndingVfs::Install() {
    static ProcessEndingVfs& layer = *new ProcessEndingVfs();
    return layer;
}

ProcessEndingVfs::ProcessEndingVfs() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "nvr-process-ending";
    vfs_.szOsFile = static_cast<int>(RealMethodsOffset() + sizeof(const sqlite3_io_methods*));
    vfs_.pAppData = this;
    vfs_.xOpen = &Open;
    vfs_.xDelete = &Delete;
    sqlite3_vfs_register(&vfs_, 1);
}

void ProcessEndingVfs::EndAtChange(std::int64_t change) {
    changes_ = 0;
    endAt_ = change;
}

void ProcessEndingVfs::Change() {
    if (++changes_ == endAt_) {
        _exit(ENDED_STATUS);
    }
}

size_t ProcessEndingVfs::RealMethodsOffset() const {
    constexpr size_t alignment = alignof(const sqlite3_io_methods*);
    return (static_cast<size_t>(real_->szOsFile) + alignment - 1) / alignment * alignment;
}

const sqlite3_io_methods*& ProcessEndingVfs::RealMethods(sqlite3_file* file) {
    return *reinterpret_cast<const sqlite3_io_methods**>(reinterpret_cast<char*>(file) +
                                                         Install().RealMethodsOffset());
}

int ProcessEndingVfs::Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* layer = static_cast<ProcessEndingVfs*>(vfs->pAppData);
    const int result = layer->real_->xOpen(layer->real_, name, file, flags, outFlags);
    const sqlite3_io_methods* real = file->pMethods;
    if (result != SQLITE_OK || real == nullptr) {
        return result;
    }
    RealMethods(file) = real;
    file->pMethods = &layer->MethodsOver(*real);
    return SQLITE_OK;
}

// The real layer gives its database files, journals and logs different methods (they lock differently):
// each set gets its own copy.
const sqlite3_io_methods& ProcessEndingVfs::MethodsOver(const sqlite3_io_methods& real) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<sqlite3_io_methods>& methods = methods_[&real];
    if (!methods) {
        methods = std::make_unique<sqlite3_io_methods>(real);
        methods->xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
            Install().Change();
            return RealMethods(f)->xWrite(f, data, amount, offset);
        };
        methods->xSync = [](sqlite3_file* f, int syncFlags) {
            Install().Change();
            return RealMethods(f)->xSync(f, syncFlags);
        };
        methods->xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            Install().Change();
            return RealMethods(f)->xTruncate(f, size);
        };
    }
    return *methods;
}

int ProcessEndingVfs::Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory) {
    auto* layer = static_cast<ProcessEndingVfs*>(vfs->pAppData);
    layer->Change();
    return layer->real_->xDelete(layer->real_, name, syncDirectory);
}

}  // namespace NuvraMobile
