#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"

namespace NuvraMobile {

/**
 * Faults a test plans for the databases of one FaultInjectingDatabaseService: statements counted across
 * all of them, from 1, each either passed to the real database or failed with a chosen SQLite result
 * code, raised exactly as the real database raises it. Thread-safe.
 */
class DatabaseFaultPlan {
public:
    /** Statements `first` to `first + count - 1` (counted from the first one ever) fail with `resultCode`. */
    void FailStatements(std::int64_t first, int resultCode, std::int64_t count = 1);
    /** The next `count` statements fail with `resultCode`. */
    void FailNextStatements(int resultCode, std::int64_t count = 1);
    /** Every statement from the next on fails with `resultCode` until Clear. */
    void FailEveryStatement(int resultCode);
    /** Every statement that writes, from the next on, fails with `resultCode` until Clear; reads run. */
    void FailEveryWrite(int resultCode);
    /** The `nth` statement from now on (counted from 1) on a database of the file `fileName` fails. */
    void FailStatementOn(const std::string& fileName, std::int64_t nth, int resultCode);
    /** The next `count` deletions (or replacements) of a database file answer false and leave the file. */
    void RefuseNextDeletions(int count);
    /** Every open of `fileName`, in a file or in memory, raises as a file that cannot be opened, until Clear. */
    void RefuseOpensOf(const std::string& fileName);
    /** The next statement waits before it runs until ReleaseHeldStatement. */
    void HoldNextStatement();
    /** The next statement on a database of the file `fileName` waits before it runs until ReleaseHeldStatement. */
    void HoldNextStatementOn(const std::string& fileName);
    /** Blocks until the held statement is waiting. */
    void WaitForHeldStatement();
    void ReleaseHeldStatement();
    /** Forgets every planned fault; the counters stay. */
    void Clear();

    std::int64_t StatementCount() const;
    std::int64_t FailedStatementCount() const;

    /**
     * Counts one statement on the file `fileName` (one that `writes`, or a read); the SQLite result code it
     * must fail with, or 0 to run it.
     */
    int NextStatement(const std::string& fileName, bool writes);
    /** Counts one deletion; true when it must be refused. */
    bool NextDeletionRefused();
    /** True when an open of `fileName` must be refused. */
    bool OpenRefused(const std::string& fileName) const;

private:
    struct Fault {
        std::int64_t first;
        std::int64_t last;
        int resultCode;
        bool writesOnly = false;
    };
    struct FileFault {
        std::string fileName;
        // Statements on the file still to run before the one that fails.
        std::int64_t before;
        int resultCode;
    };

    /** Under `mutex_`: the result code of the planned fault that statement `number` meets, or 0. */
    int FaultOf(std::int64_t number, const std::string& fileName, bool writes);

    mutable std::mutex mutex_;
    std::condition_variable holdCondition_;
    std::int64_t heldStatement_ = 0;
    // The file whose next statement is held; empty when none is.
    std::string heldFile_;
    bool holding_ = false;
    std::vector<Fault> faults_;
    std::vector<FileFault> fileFaults_;
    std::int64_t statements_ = 0;
    std::int64_t failed_ = 0;
    int refusedDeletions_ = 0;
    std::string refusedOpens_;
};

/**
 * A database service over a real one whose databases fail the statements a DatabaseFaultPlan names
 * (full disk, I/O error, busy, corrupt file...) and whose deletions can be refused; everything else goes
 * to the real service. A statement is any operation that runs SQL and raises on failure. Thread-safe.
 */
class FaultInjectingDatabaseService : public Object, public virtual DatabaseServiceInterface {
public:
    explicit FaultInjectingDatabaseService(std::shared_ptr<DatabaseServiceInterface> target);

    std::shared_ptr<DatabaseInterface> OpenDatabase(const std::string& fileName) override;
    std::shared_ptr<DatabaseInterface> OpenInMemoryDatabase(const std::string& fileName) override;
    bool DeleteDatabase(const std::string& fileName) override;
    /** Counts as a deletion (of the replaced file). */
    bool ReplaceDatabase(const std::string& fileName, const std::string& replacement) override;

    DatabaseFaultPlan& Faults() { return *plan_; }

private:
    /** Raises the open error of a file that cannot be opened when the plan refuses opens of `fileName`. */
    void CheckOpen(const std::string& fileName) const;
    std::shared_ptr<DatabaseInterface> WithFaults(const std::shared_ptr<DatabaseInterface>& database,
                                                  const std::string& fileName) const;

    const std::shared_ptr<DatabaseServiceInterface> target_;
    const std::shared_ptr<DatabaseFaultPlan> plan_ = std::make_shared<DatabaseFaultPlan>();
};

}  // namespace NuvraMobile
