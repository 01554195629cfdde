#include "support/ForwardingVfs.h"

namespace NuvraMobile {

// SQLite hands the layer a block of szOsFile bytes per file: this header, then the real layer's file.
struct ForwardingVfs::File {
    sqlite3_file base;
    ForwardingVfs* layer;
    std::string* path;

    sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    static File& Of(sqlite3_file* file) { return *reinterpret_cast<File*>(file); }
};

ForwardingVfs::ForwardingVfs(const char* name, bool sharedMemory) : real_(sqlite3_vfs_find(nullptr)) {
    vfs_ = *real_;
    vfs_.zName = name;
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = &Open;
    vfs_.xDelete = &Delete;
    vfs_.pAppData = this;
    FillMethods(sharedMemory);
    sqlite3_vfs_register(&vfs_, 1);
}

// The layer that was the default before becomes the default again.
ForwardingVfs::~ForwardingVfs() { sqlite3_vfs_unregister(&vfs_); }

std::string ForwardingVfs::ReadWholeFile(sqlite3_file* real) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    const bool read = bytes.empty() ||
                      real->pMethods->xRead(real, bytes.data(), static_cast<int>(bytes.size()), 0) == SQLITE_OK;
    return read ? bytes : std::string();
}

int ForwardingVfs::Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* layer = static_cast<ForwardingVfs*>(vfs->pAppData);
    File& forwarded = File::Of(file);
    int openFlags = flags;
    const int refused = name == nullptr ? SQLITE_OK : layer->BeforeOpen(name, openFlags);
    if (refused != SQLITE_OK) {
        file->pMethods = nullptr;
        return refused;
    }
    const int result = layer->real_->xOpen(layer->real_, name, forwarded.Real(), openFlags, outFlags);
    if (result != SQLITE_OK || forwarded.Real()->pMethods == nullptr) {
        file->pMethods = nullptr;
        return result;
    }
    forwarded.layer = layer;
    forwarded.path = new std::string(name == nullptr ? "" : name);
    file->pMethods = &layer->methods_;
    return SQLITE_OK;
}

int ForwardingVfs::Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory) {
    auto* layer = static_cast<ForwardingVfs*>(vfs->pAppData);
    layer->BeforeDelete(name);
    const int result = layer->real_->xDelete(layer->real_, name, syncDirectory);
    if (result == SQLITE_OK) {
        layer->AfterDelete(name);
    }
    return result;
}

int ForwardingVfs::Close(sqlite3_file* file) {
    File& forwarded = File::Of(file);
    delete forwarded.path;
    return forwarded.Real()->pMethods->xClose(forwarded.Real());
}

int ForwardingVfs::Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    File& forwarded = File::Of(file);
    forwarded.layer->BeforeWrite(*forwarded.path);
    if (!forwarded.layer->AllowsWrite(*forwarded.path, amount)) {
        return SQLITE_FULL;
    }
    return forwarded.Real()->pMethods->xWrite(forwarded.Real(), data, amount, offset);
}

int ForwardingVfs::Sync(sqlite3_file* file, int flags) {
    File& forwarded = File::Of(file);
    forwarded.layer->BeforeSync(*forwarded.path);
    const int result = forwarded.Real()->pMethods->xSync(forwarded.Real(), flags);
    if (result == SQLITE_OK) {
        forwarded.layer->AfterSync(*forwarded.path, forwarded.Real());
    }
    return result;
}

int ForwardingVfs::Truncate(sqlite3_file* file, sqlite3_int64 size) {
    File& forwarded = File::Of(file);
    forwarded.layer->BeforeTruncate(*forwarded.path);
    return forwarded.Real()->pMethods->xTruncate(forwarded.Real(), size);
}

void ForwardingVfs::FillMethods(bool sharedMemory) {
    methods_.iVersion = sharedMemory ? 3 : 1;
    methods_.xClose = &Close;
    methods_.xWrite = &Write;
    methods_.xSync = &Sync;
    methods_.xTruncate = &Truncate;
    methods_.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xRead(real, data, amount, offset);
    };
    methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xFileSize(real, size);
    };
    methods_.xLock = [](sqlite3_file* f, int level) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xLock(real, level);
    };
    methods_.xUnlock = [](sqlite3_file* f, int level) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xUnlock(real, level);
    };
    methods_.xCheckReservedLock = [](sqlite3_file* f, int* reserved) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xCheckReservedLock(real, reserved);
    };
    methods_.xFileControl = [](sqlite3_file* f, int operation, void* argument) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xFileControl(real, operation, argument);
    };
    methods_.xSectorSize = [](sqlite3_file* f) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xSectorSize(real);
    };
    methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xDeviceCharacteristics(real);
    };
    if (!sharedMemory) {
        return;
    }
    methods_.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** memory) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xShmMap(real, region, size, extend, memory);
    };
    methods_.xShmLock = [](sqlite3_file* f, int offset, int count, int flags) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xShmLock(real, offset, count, flags);
    };
    methods_.xShmBarrier = [](sqlite3_file* f) {
        sqlite3_file* real = File::Of(f).Real();
        real->pMethods->xShmBarrier(real);
    };
    methods_.xShmUnmap = [](sqlite3_file* f, int deleteFlag) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xShmUnmap(real, deleteFlag);
    };
    methods_.xFetch = [](sqlite3_file* f, sqlite3_int64 offset, int amount, void** page) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xFetch(real, offset, amount, page);
    };
    methods_.xUnfetch = [](sqlite3_file* f, sqlite3_int64 offset, void* page) {
        sqlite3_file* real = File::Of(f).Real();
        return real->pMethods->xUnfetch(real, offset, page);
    };
}

}  // namespace NuvraMobile
