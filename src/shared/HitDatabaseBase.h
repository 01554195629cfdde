#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/DatabaseInterface.h"
#include "shared/ResetRetrySchedule.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class DatabaseHitSchemaBase;
class DatabaseServiceInterface;
class Query;

/**
 * Owns the open database of one hit table and the table operations that do not depend on the hit
 * type: open or create, close, delete rows, drop the table, count rows, reset a broken database and
 * migrate a table whose columns no longer match the schema. Failures are logged and reported by the
 * results; nothing is raised to the caller. A statement that fails for a passing reason (full disk, I/O
 * error, busy, locked, out of memory) keeps every row; any other failure of a writing statement or of a
 * hit query resets the database file, carrying over the rows that can still be read.
 *
 * A reset is atomic: the readable rows are written to a new file in one transaction, and that file is
 * renamed over the damaged one, so a process ended at any moment of it leaves either the damaged file
 * (salvaged again by the next reset) or the whole new one. A row the new table refuses is left out, and
 * a new file that cannot be written is removed and written once more at once. A reset that still fails
 * (no room on the disk, or the table's columns cannot be read) keeps the damaged file and pauses: until
 * the pause has passed no statement that meets that file resets it again, and new hits and updates are
 * refused; each of these, and any failing statement that resets nothing (a count), is logged as an error
 * once per pause. The first write or failing statement after the pause tries the reset again.
 *
 * A sent hit whose deletion failed is kept aside: DeleteSentHitKeptAside deletes it before the worker
 * sends anything else, and a reset leaves it out of the new file. Until then the file keeps its row, so a
 * process that ends first sends it again at the next launch, and no hit is lost.
 *
 * When the file cannot be opened (its folder cannot be made or written, or the file can only be read), at the
 * first open or when a statement opens it again after the services' Dispose closed it (also when the service
 * hands back the closed database, which then fails to open the file itself), the database service's
 * stand-in in memory holds the new hits for the rest of the object's life: they are sent
 * while the app runs and lost when it ends. The rows of a file that can only be read stay in it, unsent, for
 * the first launch that can write it. No file is made, salvaged or renamed for it then, and a reset only
 * makes the table again.
 *
 * The table's row count is kept here, so asking for the size does not visit every row: it is counted
 * once when first asked after an open, and every write that adds or removes rows changes it under the
 * write lock; after a failed write, or one that would take it below zero, it is counted again.
 *
 * Any thread may call it: the database handle and status are read and replaced under a mutex, and
 * statements run outside it (the database serialises them itself). Every write (insert, update, delete)
 * and every reset are serialised under the write lock, and a write takes the handle under it: it never
 * lands in a file that a reset has read or replaced, and when its own failure reset the file it runs
 * again on the new one. A read that failed on a database which a reset has replaced since the read
 * started does not reset again. Every holder of the same file through the same service (a second queue
 * over its name) shares the write lock and the row count: its writes wait for another's reset, and it
 * goes on with the new file after it, since the service opens its database again on it.
 */
class HitDatabaseBase : public Object {
public:
    static constexpr const char* LOG_PREFIX = "HitDatabase";
    static constexpr std::int32_t DATABASE_STATUS_OK = 0;
    /**
     * A reset could not replace the file: inserts and updates are refused until a reset succeeds, and an
     * insert tries the reset again once a pause has passed.
     */
    static constexpr std::int32_t DATABASE_STATUS_FATAL = 1;
    /** Rows read per statement while the rows of a broken file are saved. */
    static constexpr size_t SALVAGE_BATCH_ROWS = 256;

    /** Copies the table and database names of `schema`; nothing is opened yet. */
    HitDatabaseBase(std::shared_ptr<DatabaseServiceInterface> databaseService,
                    const std::shared_ptr<DatabaseHitSchemaBase>& schema);

    /**
     * Opens (or reopens) the database and creates the table through InitializeDatabase; a database kept in
     * memory stays.
     */
    virtual bool OpenOrCreateDatabase();
    /** Creates the table in `database` (the queue's own, or the new file of a reset). */
    virtual bool InitializeDatabase(const std::shared_ptr<DatabaseInterface>& database) = 0;
    /**
     * Runs after a successful reset, under the write lock that every holder of the file shares: it must
     * not wait for a write on another thread. Empty here.
     */
    virtual void PostReset();
    virtual bool DeleteAllHits();
    virtual bool DeleteTable();
    virtual bool DeleteHitWithIdentifier(const std::string& identifier);
    /** The rows in the table, from the kept count. */
    virtual std::int32_t GetSize();
    /**
     * The number of rows the query selects; counted without reading them unless the query groups or
     * limits its rows.
     */
    virtual std::int32_t GetSize(const std::shared_ptr<Query>& query);
    /**
     * Replaces the database file by one holding the rows of the old file that could still be read; the
     * others are lost. When the file cannot be replaced, inserts and updates are refused until a reset
     * succeeds.
     */
    virtual void Reset();

    /** Asks the database to close; the handle is kept until the next open replaces it. */
    void CloseDatabase();
    /**
     * Migrates the table when its columns differ from the schema's; keeps it as it is when they cannot be
     * read. True when the table matches the schema or was migrated to it.
     */
    bool MigrateDatabaseIfNeeded(const std::shared_ptr<DatabaseHitSchemaBase>& schema);
    /** True when the table's columns equal the schema's, position by position (false when unread). */
    bool HitSchemaMatchesExistingTableSchema(const std::shared_ptr<DatabaseHitSchemaBase>& schema);
    bool MigrateDatabase(const std::shared_ptr<DatabaseHitSchemaBase>& schema);

    /** For tests: the clock that times the pause before a failed reset is tried again. */
    void SetClockForTesting(std::function<ResetRetrySchedule::Clock::time_point()> now)
        NVR_EXCLUDES(writeMutex_);

protected:
    std::shared_ptr<DatabaseInterface> GetDatabase() const;
    std::int32_t GetDatabaseStatus() const;
    /**
     * True when a hit may be stored or rows updated (as `refusal` says): the status is OK, or a failed reset
     * was due to be tried again and succeeded. The first refusal of its kind after a failed reset is logged
     * as an error with its reason, the others of that pause at debug level.
     */
    bool AcceptsWrite(ResetRetrySchedule::Refusal refusal) NVR_EXCLUDES(writeMutex_);
    /**
     * DeleteHitWithIdentifier for a hit the server has received: its commit does not wait for the disk,
     * so a power failure before the next commit that waits may bring the row back, to be sent again. When
     * the deletion fails the hit is kept aside, in place of any kept before.
     */
    bool DeleteSentHit(const std::string& identifier) NVR_EXCLUDES(writeMutex_);
    /** True when no sent hit is kept aside, or when the one kept aside is deleted now. */
    bool DeleteSentHitKeptAside() NVR_EXCLUDES(writeMutex_);

    /**
     * Runs `statement` on `database`; a raised error is logged under `tag` with `errorFormat` (its %s takes
     * the error's message) and, when `resetOnError` is set, resets the database. False after an error.
     */
    bool RunStatement(const std::shared_ptr<DatabaseInterface>& database,
                      const std::function<bool()>& statement, const char* tag, const char* errorFormat,
                      bool resetOnError);

    /** How a write that succeeded changes a known row count. */
    using Recount = std::function<std::int64_t(std::int64_t)>;

    /**
     * The one road of every write. Takes the write lock, then the database handle under it, so that no
     * reset can replace the file between the two; runs `statement` on it, and once more on the new file
     * when the statement's own failure reset the old one. A failure is logged under `tag` with
     * `errorFormat`; `reportNoDatabase` (when given) logs that there was no database to write to. When the
     * write succeeds a known row count becomes `recount` of it (and is counted again when that would be
     * below zero: rows written beside the queue were never counted); after a failure it is counted again
     * when next asked.
     */
    bool Write(const std::function<bool(DatabaseInterface&)>& statement, const Recount& recount, const char* tag,
               const char* errorFormat, const std::function<void()>& reportNoDatabase) NVR_EXCLUDES(databaseMutex_);

    const std::string tableName;
    const std::string databaseName;

private:
    /**
     * RunStatement that resets on error, and runs the statement once more on the new database when its
     * failure reset the old one: a write that found the file damaged is kept, not refused.
     */
    bool RunStatementAgainAfterReset(const std::shared_ptr<DatabaseInterface>& database,
                                     const std::function<bool(DatabaseInterface&)>& statement,
                                     const char* tag, const char* errorFormat) NVR_REQUIRES(writeMutex_);
    void SetDatabase(std::shared_ptr<DatabaseInterface> database);
    void SetDatabaseStatus(std::int32_t status);
    /**
     * Resets after `failed` met damage, reported by `reportFailure` (as an error when its argument is
     * true): not within the pause after a failed reset, nor when a reset has replaced that database
     * already, that is when `failed` is no longer the database or a reset has opened another since the
     * failed statement started, when OpenedCount was `opened` (the service may hand out the same object,
     * opened again on the new file, so the object alone does not tell).
     */
    void ResetAfterFailureOf(const std::shared_ptr<DatabaseInterface>& failed, std::uint64_t opened,
                             const std::function<void(bool)>& reportFailure) NVR_EXCLUDES(writeMutex_);
    /**
     * After a statement on `failed` found its file closed and could not open it again: opens the database
     * as OpenOrCreateDatabase does, unless another statement did so since OpenedCount was `opened`. When the
     * service hands back a database that cannot open its file either, takes the stand-in in memory.
     */
    void OpenAgainAfterFailureOf(const std::shared_ptr<DatabaseInterface>& failed, std::uint64_t opened)
        NVR_EXCLUDES(writeMutex_);
    /** How many databases were opened so far (each reset opens one). */
    std::uint64_t OpenedCount() const NVR_EXCLUDES(databaseMutex_);
    /**
     * Within the pause after a failed reset: reports a failure with `reportFailure`, as an error for the
     * first one of the pause (told why no reset follows), and answers true; false outside it.
     */
    bool ReportedOnceInThePause(const std::function<void(bool)>& reportFailure) NVR_REQUIRES(writeMutex_);
    /** Whether the table's columns equal the schema's; none when they could not be read. */
    std::optional<bool> SchemaMatches(const std::shared_ptr<DatabaseHitSchemaBase>& schema);
    void ResetLocked() NVR_REQUIRES(writeMutex_);
    /** Opens the file a reset put in place; a failure fails the reset, to be tried again after the pause. */
    void OpenNewFile() NVR_REQUIRES(writeMutex_);
    /** The database stays as it is: writes are refused, and a reset is tried again after a pause. */
    void FailReset(const std::string& reason) NVR_REQUIRES(writeMutex_);
    /** True within the pause after a failed reset. */
    bool WaitsToResetAgain() NVR_REQUIRES(writeMutex_);
    /** Rows that leave out the sent hit kept aside: its deletion is owed. */
    std::vector<DatabaseInterface::ColumnValues> WithoutSentHit(
        std::vector<DatabaseInterface::ColumnValues> rows) NVR_REQUIRES(writeMutex_);
    void ResetInMemory() NVR_REQUIRES(writeMutex_);
    /** The database file, or the service's stand-in in memory when the file cannot be opened. */
    std::shared_ptr<DatabaseInterface> OpenFileOrMemory() NVR_EXCLUDES(databaseMutex_);
    /** True once a database the service handed back could not open its file: opens skip the file then. */
    bool FileUnopenable() const NVR_EXCLUDES(databaseMutex_);
    /** True once the file could not be opened: the database stays in memory for the object's life. */
    bool IsInMemory() const NVR_EXCLUDES(databaseMutex_);
    /**
     * Writes `rows` into a new file and renames it over the database file; the reason when either step
     * failed, leaving the database file as it was.
     */
    std::optional<std::string> ReplaceWithRows(const std::vector<DatabaseInterface::ColumnValues>& rows);
    /** Writes `rows` into the file `salvageName`, removed when that fails; the reason of a failure. */
    std::optional<std::string> WriteSalvage(const std::string& salvageName,
                                            const std::vector<DatabaseInterface::ColumnValues>& rows);
    std::optional<std::string> WriteTable(const std::shared_ptr<DatabaseInterface>& database,
                                          const std::vector<DatabaseInterface::ColumnValues>& rows);
    std::optional<std::string> InsertEachRow(DatabaseInterface& database,
                                             const std::vector<DatabaseInterface::ColumnValues>& rows);
    /**
     * Appends the rows that can be read; the reason when the rows cannot be told, as when the table's
     * columns cannot be read for a reason that may pass: a reset then keeps the file.
     */
    std::optional<std::string> ReadableRows(std::vector<DatabaseInterface::ColumnValues>& rows);
    /** MAX(ID); the largest identifier there can be when it cannot be read. */
    std::int64_t LargestIdentifier(DatabaseInterface& database);
    /**
     * From an identifier after which no row can be read, the smallest found after which rows can be read
     * again, up to `last`; none when there is none.
     */
    std::optional<std::int64_t> StepOverUnreadable(DatabaseInterface& database,
                                                   const std::vector<std::string>& columns,
                                                   std::int64_t unreadable, std::int64_t last);
    /**
     * Appends up to `count` rows with identifiers above `after`; the last identifier read (the largest
     * one when there are none left), or none when the rows cannot be read.
     */
    std::optional<std::int64_t> ReadRowsAfter(DatabaseInterface& database, const std::vector<std::string>& columns,
                                              std::int64_t after, size_t count,
                                              std::vector<DatabaseInterface::ColumnValues>& rows);
    /** Runs `counter` on the database, logging a failure; none without a database or after a failure. */
    std::optional<std::int64_t> CountRows(const std::function<std::int64_t(DatabaseInterface&)>& counter);
    bool DeleteRow(const std::string& identifier, bool waitForDisk);
    /** Deletes a sent hit's row, keeping the hit aside when that fails. */
    bool DeleteSentHitLocked(const std::string& identifier) NVR_REQUIRES(writeMutex_);
    /** Write for a statement that leaves the table empty (or gone): the sent hit kept aside goes with it. */
    bool WriteEmptyTable(const std::function<bool(DatabaseInterface&)>& statement, const char* errorFormat,
                         const char* noDatabaseFormat) NVR_EXCLUDES(writeMutex_);

    /** What the holders of one database file through one service share. */
    struct SharedFile;
    /** The SharedFile of `databaseName` through `service`, made for its first holder. */
    static std::shared_ptr<SharedFile> ShareFile(const DatabaseServiceInterface* service,
                                                 const std::string& databaseName);

    const std::shared_ptr<DatabaseServiceInterface> databaseService;
    const std::shared_ptr<SharedFile> sharedFile_;
    mutable Mutex databaseMutex_;
    std::shared_ptr<DatabaseInterface> database_ NVR_GUARDED_BY(databaseMutex_);
    std::int32_t databaseStatus_ NVR_GUARDED_BY(databaseMutex_) = DATABASE_STATUS_OK;
    bool inMemory_ NVR_GUARDED_BY(databaseMutex_) = false;
    // A failure inside the open of OpenAgainAfterFailureOf found the database the service handed back unable
    // to open its file: the open that follows takes the service's stand-in in memory, as a first open does
    // for a file the service cannot open.
    bool fileUnopenable_ NVR_GUARDED_BY(databaseMutex_) = false;
    std::uint64_t opened_ NVR_GUARDED_BY(databaseMutex_) = 0;
    // Held by resets and by every write, of every holder of the file: a write of one must not land in the
    // file after another's reset has read it. Recursive: a write's failure resets under it, and a
    // PostReset hook may run a statement whose failure asks for another reset.
    RecursiveMutex& writeMutex_;
    // The rows in the table, for every holder of the file; none until counted after an open, after a
    // failed write, or after one that would have taken it below zero.
    std::optional<std::int64_t>& rowCount_ NVR_GUARDED_BY(writeMutex_);
    ResetRetrySchedule resetRetry_ NVR_GUARDED_BY(writeMutex_);
    // Set while OpenAgainAfterFailureOf opens the database, so that a failure inside that open opens nothing.
    bool openingAgain_ NVR_GUARDED_BY(writeMutex_) = false;
    // A hit the server received whose deletion failed; the worker sends no other until it is deleted.
    std::optional<std::string> sentHitKeptAside_ NVR_GUARDED_BY(writeMutex_);
};

}  // namespace NuvraMobile
