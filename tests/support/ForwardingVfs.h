#pragma once

#include <sqlite3.h>

#include <string>

namespace NuvraMobile {

/**
 * A file-system layer under SQLite that forwards every call to the layer that was SQLite's default, for
 * tests and benchmarks that watch or bend what SQLite asks of the disk: a subclass overrides the hooks.
 * While the object lives it is SQLite's default, so every database opened meanwhile goes through it, with
 * its journals, logs and temporary files (all get the same forwarding methods); it must outlive the
 * connections opened through it (a forked child that never closes them will do).
 */
class ForwardingVfs {
public:
    /** `sharedMemory` false leaves out the shared-memory calls, as a file system without them would. */
    ForwardingVfs(const char* name, bool sharedMemory);
    virtual ~ForwardingVfs();
    ForwardingVfs(const ForwardingVfs&) = delete;
    ForwardingVfs& operator=(const ForwardingVfs&) = delete;

protected:
    /**
     * Before each open of a named file, with SQLite's open `flags`, which it may change (to open the file
     * for reading only, say): SQLITE_OK to go on, or the result code the open fails with.
     */
    virtual int BeforeOpen(const std::string& path, int& flags) {
        static_cast<void>(path);
        static_cast<void>(flags);
        return SQLITE_OK;
    }
    /** Before each write to a file; `path` is the name SQLite opened it by. */
    virtual void BeforeWrite(const std::string& path) { static_cast<void>(path); }
    /** Whether a write of `amount` bytes may reach the file; a refused one fails as on a full disk. */
    virtual bool AllowsWrite(const std::string& path, int amount) {
        static_cast<void>(path);
        static_cast<void>(amount);
        return true;
    }
    /** Before each sync of a file. */
    virtual void BeforeSync(const std::string& path) { static_cast<void>(path); }
    /** Before each truncation of a file. */
    virtual void BeforeTruncate(const std::string& path) { static_cast<void>(path); }
    /** After each sync that succeeded; `real` may be read with ReadWholeFile. */
    virtual void AfterSync(const std::string& path, sqlite3_file* real) {
        static_cast<void>(path);
        static_cast<void>(real);
    }
    /** Before SQLite deletes a file (a journal or log it is done with), whether or not it exists. */
    virtual void BeforeDelete(const std::string& path) { static_cast<void>(path); }
    /** After SQLite deleted a file. */
    virtual void AfterDelete(const std::string& path) { static_cast<void>(path); }

    /** Everything the file holds now; empty when it cannot be read. */
    static std::string ReadWholeFile(sqlite3_file* real);

private:
    struct File;
    static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags);
    static int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory);
    static int Close(sqlite3_file* file);
    static int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset);
    static int Sync(sqlite3_file* file, int flags);
    static int Truncate(sqlite3_file* file, sqlite3_int64 size);
    void FillMethods(bool sharedMemory);

    sqlite3_vfs* real_ = nullptr;
    sqlite3_vfs vfs_{};
    sqlite3_io_methods methods_{};
};

}  // namespace NuvraMobile
