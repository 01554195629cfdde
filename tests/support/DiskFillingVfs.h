#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "support/ForwardingVfs.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * A file layer under SQLite (see ForwardingVfs) over a disk that fills up: once a budget of bytes is
 * spent, every write fails as on a full disk (SQLITE_FULL) and none of it reaches the file; reads go on.
 * Installed as SQLite's default for the process, with no budget until FailWritesAfter; install it before
 * the databases it is to fill open. Thread-safe.
 */
class DiskFillingVfs : public ForwardingVfs {
public:
    /** Installs the layer once for the process; writes are not limited. */
    static DiskFillingVfs& Install();

    /** From now on at most `bytes` more bytes are written; a write that does not fit fails whole. */
    void FailWritesAfter(std::uint64_t bytes);
    /** Writes succeed again. */
    void Clear();

private:
    DiskFillingVfs() : ForwardingVfs("nvr-disk-filling", true) {}

    bool AllowsWrite(const std::string& path, int amount) override;

    Mutex mutex_;
    std::uint64_t budget_ NVR_GUARDED_BY(mutex_) = std::numeric_limits<std::uint64_t>::max();
};

}  // namespace NuvraMobile
