#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "support/ForwardingVfs.h"

namespace NuvraMobile {

/**
 * A file layer under SQLite (see ForwardingVfs) that ends the process, as a crash would, when SQLite asks
 * the file system for its Nth change of any file (a write, a sync, a truncation or a deletion): that
 * change is not made. Installed as SQLite's default for the process; install it before the first database
 * opens, then arm it in the child that is to end.
 */
class ProcessEndingVfs : public ForwardingVfs {
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
    ProcessEndingVfs() : ForwardingVfs("nvr-process-ending", true) {}

    void BeforeWrite(const std::string&) override { Change(); }
    void BeforeSync(const std::string&) override { Change(); }
    void BeforeTruncate(const std::string&) override { Change(); }
    void BeforeDelete(const std::string&) override { Change(); }
    /** Counts one change, ending the process when it is the armed one. */
    void Change();

    std::atomic<std::int64_t> changes_{0};
    std::atomic<std::int64_t> endAt_{0};
};

}  // namespace NuvraMobile
