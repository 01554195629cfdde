#pragma once

#include <string>

#include "support/ForwardingVfs.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * A file layer under SQLite (see ForwardingVfs) that fakes the ways a device loses what SQLite wrote:
 * - a power failure: with a kept folder, every sync copies the file into that folder under its own file
 *   name (a deletion removes the copy), so the folder holds each file as the disk would after a power
 *   failure at this moment: as of its last sync, and no file that was never synced;
 * - a process that ends in the middle of its writes: EndProcessAtWrite;
 * - a file system that gives SQLite no shared memory (no write-ahead log then).
 * Meant for a forked child (RunInChildProcess), whose connections never close; the parent then opens
 * what was left.
 */
class CrashSimulatingVfs : public ForwardingVfs {
public:
    struct Options {
        bool sharedMemory = true;
        /** Where the synced copies go; empty for none. Created when missing. */
        std::string keptFolder;
    };

    explicit CrashSimulatingVfs(Options options);

    /**
     * The process ends (_exit, nothing flushed or closed) at the `count`th write from now to the file
     * named `fileName` (a name without folder, as "hits.sqlite" or "hits.sqlite-journal"), before that
     * write reaches the file.
     */
    void EndProcessAtWrite(const std::string& fileName, int count);

private:
    void BeforeWrite(const std::string& path) override;
    void AfterSync(const std::string& path, sqlite3_file* real) override;
    void AfterDelete(const std::string& path) override;
    std::string KeptCopyOf(const std::string& path) const;

    const std::string keptFolder_;
    Mutex mutex_;
    std::string endingFile_ NVR_GUARDED_BY(mutex_);
    int writesBeforeEnd_ NVR_GUARDED_BY(mutex_) = 0;
};

/**
 * What SQLite's integrity_check says of the database at `path` ("ok" when sound), opened read-write so
 * that a journal left by an ended process is rolled back first.
 */
std::string IntegrityCheckOf(const std::string& path);

}  // namespace NuvraMobile
