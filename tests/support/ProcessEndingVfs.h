#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace NuvraMobile {

/**
 * A SQLite file layer over the default one that ends the process, as a crash would, when SQLite asks the
 * file system for its Nth change of any file (a write, a sync, a truncation or a deletion): that change
 * is not made. Every other call goes to the real layer. Installed as SQLite's default for the process;
 * install it before the first database opens, then arm it in the child that is to end.
 */
class ProcessEndingVfs {
public:
    /** The exit status of a process the layer ended. */
    static constexpr int ENDED_STATUS = 86;

    /** Installs the layer once for the process, unarmed. */
    static ProcessEndingVfs& Install();

    /** Counts changes from zero again; the `change`th from now ends the process (0: none does). */
    void EndAtChange(std::int64_t change);
    /** The changes since the last EndAtChange. */
    std::int64_t Changes() const { return changes_; }

private:
    ProcessEndingVfs();
    /** Counts one change, ending the process when it is the armed one. */
    void Change();

    static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags);
    static int Delete(sqlite3_vfs* vfs, const char* name, int syncDirectory);
    const sqlite3_io_methods& MethodsOver(const sqlite3_io_methods& real);
    size_t RealMethodsOffset() const;
    /** The real methods a file was opened with, kept after the real layer's file. */
    static const sqlite3_io_methods*& RealMethods(sqlite3_file* file);

    sqlite3_vfs* real_ = nullptr;
    sqlite3_vfs vfs_{};
    std::mutex mutex_;
    // Per set of real file methods, a copy with the changing ones replaced.
    std::map<const sqlite3_io_methods*, std::unique_ptr<sqlite3_io_methods>> methods_;
    std::atomic<std::int64_t> changes_{0};
    std::atomic<std::int64_t> endAt_{0};
};

}  // namespace NuvraMobile
