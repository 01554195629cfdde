#pragma once

#include <set>
#include <string>

#include "support/ForwardingVfs.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * A file layer under SQLite (see ForwardingVfs) on which chosen files and folders cannot be written, as
 * another user's files or a read-only mount would be, whatever the user running the test (root writes
 * anywhere): a read-only file is opened for reading only, and in a read-only folder no file can be made
 * (its files themselves take writes). Installed as SQLite's default for the process, changing nothing
 * until told; install it before the databases it is to refuse open. Thread-safe.
 */
class UnwritableVfs : public ForwardingVfs {
public:
    /** Installs the layer once for the process. */
    static UnwritableVfs& Install();

    void MakeFileReadOnly(const std::string& path);
    void MakeFolderReadOnly(const std::string& folder);
    /** Every file and folder takes writes again. */
    void Clear();

private:
    UnwritableVfs() : ForwardingVfs("nvr-unwritable", true) {}

    int BeforeOpen(const std::string& path, int& flags) override;

    Mutex mutex_;
    std::set<std::string> files_ NVR_GUARDED_BY(mutex_);
    std::set<std::string> folders_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
