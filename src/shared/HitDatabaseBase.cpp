#include "shared/HitDatabaseBase.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/Query.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "shared/DatabaseHitSchemaBase.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
// Added to the database's name for the file a reset writes the saved rows into.
constexpr const char* SALVAGE_SUFFIX = ".salvage";

std::string TableNameOf(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return schema ? schema->GetTableName() : std::string();
}

std::string DatabaseNameOf(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return schema ? schema->GetDatabaseName() : std::string();
}

// The message of the last statement failure RunStatement logged on this thread: the reason when a hook
// that answers only true or false (InitializeDatabase) fails.
thread_local std::string lastLoggedFailure;

struct StatementFailure {
    std::string reason;
    // The statement was refused for the row it writes, not for the file.
    bool rowRefused = false;
};

/** Runs `statement`; how it failed (raised, or answered false), or none. */
std::optional<StatementFailure> FailureOf(const std::function<bool()>& statement) {
    std::optional<StatementFailure> failure;
    TryCatch(
        [&] {
            if (!statement()) {
                failure = StatementFailure{"the statement was refused"};
            }
        },
        [&](SdkError& error) {
            failure = StatementFailure{error.GetMessage(), DatabaseInterface::IsRowRefusal(error)};
        });
    return failure;
}
}  // namespace

struct HitDatabaseBase::SharedFile {
    RecursiveMutex writeMutex;
    // The row count of each table of the file; entries are made, and never removed, under the lock.
    std::map<std::string, std::optional<std::int64_t>> rowCounts NVR_GUARDED_BY(writeMutex);

    std::optional<std::int64_t>& RowCountOf(const std::string& table) {
        RecursiveMutexLock lock(writeMutex);
        return rowCounts[table];
    }
};

// A SharedFile is made for the first holder of its file and forgotten when the last one goes.
std::shared_ptr<HitDatabaseBase::SharedFile> HitDatabaseBase::ShareFile(
    const DatabaseServiceInterface* service, const std::string& databaseName) {
    using Key = std::pair<const DatabaseServiceInterface*, std::string>;
    struct Registry {
        Mutex mutex;
        std::map<Key, std::weak_ptr<SharedFile>> files NVR_GUARDED_BY(mutex);
    };
    // Never destroyed: a holder may go after the static objects have.
    static auto* const registry = new Registry;
    const Key key{service, databaseName};
    MutexLock lock(registry->mutex);
    std::weak_ptr<SharedFile>& entry = registry->files[key];
    std::shared_ptr<SharedFile> file = entry.lock();
    if (file) {
        return file;
    }
    file = std::shared_ptr<SharedFile>(new SharedFile, [key](SharedFile* gone) {
        {
            MutexLock lock(registry->mutex);
            const auto found = registry->files.find(key);
            // A holder that came once the last one had let go made a new one under the key.
            if (found != registry->files.end() && found->second.expired()) {
                registry->files.erase(found);
            }
        }
        delete gone;
    });
    entry = file;
    return file;
}

HitDatabaseBase::HitDatabaseBase(std::shared_ptr<DatabaseServiceInterface> databaseService,
                                 const std::shared_ptr<DatabaseHitSchemaBase>& schema)
    : tableName(TableNameOf(schema)),
      databaseName(DatabaseNameOf(schema)),
      databaseService(std::move(databaseService)),
      sharedFile_(ShareFile(this->databaseService.get(), databaseName)),
      writeMutex_(sharedFile_->writeMutex),
      rowCount_(sharedFile_->RowCountOf(tableName)) {}

std::shared_ptr<DatabaseInterface> HitDatabaseBase::GetDatabase() const {
    MutexLock lock(databaseMutex_);
    return database_;
}

void HitDatabaseBase::SetDatabase(std::shared_ptr<DatabaseInterface> database) {
    MutexLock lock(databaseMutex_);
    database_ = std::move(database);
    ++opened_;
}

std::uint64_t HitDatabaseBase::OpenedCount() const {
    MutexLock lock(databaseMutex_);
    return opened_;
}

std::int32_t HitDatabaseBase::GetDatabaseStatus() const {
    MutexLock lock(databaseMutex_);
    return databaseStatus_;
}

void HitDatabaseBase::SetDatabaseStatus(std::int32_t status) {
    MutexLock lock(databaseMutex_);
    databaseStatus_ = status;
}

void HitDatabaseBase::SetClockForTesting(std::function<ResetRetrySchedule::Clock::time_point()> now) {
    RecursiveMutexLock lock(writeMutex_);
    resetRetry_ = ResetRetrySchedule(std::move(now));
}

bool HitDatabaseBase::AcceptsWrite(ResetRetrySchedule::Refusal refusal) {
    if (GetDatabaseStatus() != DATABASE_STATUS_FATAL) {
        return true;
    }
    RecursiveMutexLock lock(writeMutex_);
    if (GetDatabaseStatus() == DATABASE_STATUS_FATAL && resetRetry_.IsDue()) {
        ResetLocked();
    }
    if (GetDatabaseStatus() != DATABASE_STATUS_FATAL) {
        return true;
    }
    const bool newHit = refusal == ResetRetrySchedule::Refusal::NEW_HIT;
    const char* const refused = newHit ? "hit" : "update of stored hits";
    if (resetRetry_.Refuse(refusal)) {
        Log::Error(
            LOG_PREFIX,
            "Ignoring %s due to database error: the damaged file %s could not be replaced (%s); %s are "
            "refused until the reset tried again in %d s succeeds",
            refused, databaseName, resetRetry_.Reason(), newHit ? "hits" : "updates",
            resetRetry_.SecondsUntilDue());
    } else {
        Log::Debug(LOG_PREFIX, "Ignoring %s due to database error", refused);
    }
    return false;
}

bool HitDatabaseBase::RunStatement(const std::shared_ptr<DatabaseInterface>& database,
                                   const std::function<bool()>& statement, const char* tag,
                                   const char* errorFormat, bool resetOnError) {
    const std::uint64_t opened = OpenedCount();
    bool result = false;
    bool failed = false;
    bool passing = false;
    bool unopened = false;
    TryCatch([&] { result = statement(); },
             [&](SdkError& error) {
                 lastLoggedFailure = error.GetMessage();
                 failed = true;
                 passing = DatabaseInterface::IsPassingFailure(error);
                 unopened = DatabaseInterface::IsOpenFailure(error);
             });
    if (!failed) {
        return result;
    }
    const auto reportFailure = [&](bool asError) {
        asError ? Log::Error(tag, errorFormat, lastLoggedFailure)
                : Log::Debug(tag, errorFormat, lastLoggedFailure);
    };
    if (unopened) {
        // The open says what became of the file, as at the first open.
        reportFailure(false);
        OpenAgainAfterFailureOf(database, opened);
        return false;
    }
    if (resetOnError && !passing) {
        ResetAfterFailureOf(database, opened, reportFailure);
        return false;
    }
    if (!resetOnError) {
        RecursiveMutexLock lock(writeMutex_);
        if (ReportedOnceInThePause(reportFailure)) {
            return false;
        }
    }
    reportFailure(true);
    if (resetOnError) {
        // A full disk or a busy file says nothing about the rows: they stay for the next attempt.
        Log::Warning(LOG_PREFIX, "Keeping the stored hits of %s: the failure may pass", databaseName);
    }
    return false;
}

bool HitDatabaseBase::RunStatementAgainAfterReset(const std::shared_ptr<DatabaseInterface>& database,
                                                  const std::function<bool(DatabaseInterface&)>& statement,
                                                  const char* tag, const char* errorFormat) {
    const std::uint64_t opened = OpenedCount();
    if (RunStatement(
            database, [&] { return statement(*database); }, tag, errorFormat, true)) {
        return true;
    }
    const std::shared_ptr<DatabaseInterface> replaced = GetDatabase();
    if (!replaced || OpenedCount() == opened || GetDatabaseStatus() != DATABASE_STATUS_OK) {
        return false;
    }
    return RunStatement(
        replaced, [&] { return statement(*replaced); }, tag, errorFormat, true);
}

bool HitDatabaseBase::Write(const std::function<bool(DatabaseInterface&)>& statement, const Recount& recount,
                            const char* tag, const char* errorFormat,
                            const std::function<void()>& reportNoDatabase) {
    RecursiveMutexLock lock(writeMutex_);
    const std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        if (reportNoDatabase) {
            reportNoDatabase();
        }
        return false;
    }
    const bool written = RunStatementAgainAfterReset(database, statement, tag, errorFormat);
    if (!written) {
        // A failed commit may or may not have reached the file.
        rowCount_.reset();
    } else if (rowCount_) {
        rowCount_ = recount(*rowCount_);
        if (*rowCount_ < 0) {
            rowCount_.reset();
        }
    }
    return written;
}

bool HitDatabaseBase::OpenOrCreateDatabase() {
    {
        RecursiveMutexLock lock(writeMutex_);
        rowCount_.reset();
    }
    if (GetDatabase()) {
        CloseDatabase();
    }
    if (databaseName.empty()) {
        Log::Error(LOG_PREFIX, "Database creation failed, invalid file path");
        return false;
    }
    if (!databaseService) {
        Log::Error(LOG_PREFIX, "Database service is not available");
        return false;
    }
    const std::shared_ptr<DatabaseInterface> opened = IsInMemory() ? GetDatabase() : OpenFileOrMemory();
    SetDatabase(opened);
    if (!opened) {
        Log::Error(LOG_PREFIX, "Database creation failed for %s", databaseName);
        return false;
    }
    return InitializeDatabase(opened);
}

// A file that cannot be opened (its folder cannot be made or written) would lose every hit: they are
// kept in memory instead, for as long as the process runs, and no file is touched.
std::shared_ptr<DatabaseInterface> HitDatabaseBase::OpenFileOrMemory() {
    std::shared_ptr<DatabaseInterface> opened;
    if (!FileUnopenable()) {
        TryCatch([&] { opened = databaseService->OpenDatabase(databaseName); },
                 [&](SdkError& error) {
                     Log::Debug(LOG_PREFIX, "Opening %s failed: %s", databaseName, error.GetMessage());
                 });
    }
    if (opened) {
        return opened;
    }
    TryCatch([&] { opened = databaseService->OpenInMemoryDatabase(databaseName); },
             [&](SdkError& error) {
                 Log::Debug(LOG_PREFIX, "Opening %s in memory failed: %s", databaseName, error.GetMessage());
             });
    MutexLock lock(databaseMutex_);
    inMemory_ = opened != nullptr;
    return opened;
}

bool HitDatabaseBase::FileUnopenable() const {
    MutexLock lock(databaseMutex_);
    return fileUnopenable_;
}

bool HitDatabaseBase::IsInMemory() const {
    MutexLock lock(databaseMutex_);
    return inMemory_;
}

void HitDatabaseBase::PostReset() {}

void HitDatabaseBase::CloseDatabase() {
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to close database at %s (database was null)", databaseName);
        return;
    }
    RunStatement(
        database,
        [&] {
            database->Close();
            return true;
        },
        LOG_PREFIX, "Unable to close database.  Query failed with error %s", false);
}

bool HitDatabaseBase::DeleteAllHits() {
    return WriteEmptyTable([this](DatabaseInterface& database) { return database.Delete(tableName, "", {}); },
                           "Unable to remove from database.  DeleteAllHits failed with error %s",
                           "Failed to delete all hits for database at %s (database was null)");
}

bool HitDatabaseBase::DeleteTable() {
    return WriteEmptyTable([this](DatabaseInterface& database) { return database.DeleteTable(tableName); },
                           "Unable to remove from database.  DeleteTable failed with error %s",
                           "Failed to delete table for database at %s (database was null)");
}

// A table made again numbers its rows from 1: the identifier of a sent hit kept aside could name a new hit.
bool HitDatabaseBase::WriteEmptyTable(const std::function<bool(DatabaseInterface&)>& statement,
                                      const char* errorFormat, const char* noDatabaseFormat) {
    RecursiveMutexLock lock(writeMutex_);
    const bool emptied = Write(
        statement, [](std::int64_t) { return 0; }, LOG_PREFIX, errorFormat,
        [&] { Log::Error(LOG_PREFIX, noDatabaseFormat, databaseName); });
    if (emptied) {
        sentHitKeptAside_.reset();
    }
    return emptied;
}

bool HitDatabaseBase::DeleteHitWithIdentifier(const std::string& identifier) {
    return DeleteRow(identifier, true);
}

bool HitDatabaseBase::DeleteSentHit(const std::string& identifier) {
    RecursiveMutexLock lock(writeMutex_);
    return DeleteSentHitLocked(identifier);
}

bool HitDatabaseBase::DeleteSentHitKeptAside() {
    RecursiveMutexLock lock(writeMutex_);
    if (!sentHitKeptAside_) {
        return true;
    }
    // A copy: a reset that the deletion starts forgets the hit kept aside.
    const std::string identifier = *sentHitKeptAside_;
    return DeleteSentHitLocked(identifier);
}

bool HitDatabaseBase::DeleteSentHitLocked(const std::string& identifier) {
    const bool deleted = DeleteRow(identifier, false);
    if (deleted) {
        sentHitKeptAside_.reset();
    } else {
        sentHitKeptAside_ = identifier;
    }
    return deleted;
}

bool HitDatabaseBase::DeleteRow(const std::string& identifier, bool waitForDisk) {
    if (identifier.empty()) {
        Log::Warning(LOG_PREFIX, "Unable to delete hit with empty identifier");
        return false;
    }
    // Counted in the file the deletion runs on, so that the count loses only a row that was there; a row
    // that a reset could not carry over is gone already, and deleting it again succeeds.
    std::int64_t present = 0;
    return Write(
        [&](DatabaseInterface& database) {
            present = database.CountRows(tableName, "ID = ?", {identifier});
            return waitForDisk ? database.Delete(tableName, "ID = ?", {identifier})
                               : database.DeleteUnsynced(tableName, "ID = ?", {identifier});
        },
        [&present](std::int64_t count) { return count - present; }, LOG_PREFIX,
        "Unable to delete hit due to unexpected error.  Query failed with error %s", [&] {
            Log::Error(LOG_PREFIX, "Failed to delete hit with id %s for database at %s (database was null)",
                       identifier, databaseName);
        });
}

namespace {
std::int32_t ClampedSize(std::int64_t count) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}
}  // namespace

std::int32_t HitDatabaseBase::GetSize() {
    RecursiveMutexLock lock(writeMutex_);
    if (!rowCount_) {
        rowCount_ =
            CountRows([this](DatabaseInterface& database) { return database.CountRows(tableName, "", {}); });
    }
    return ClampedSize(rowCount_.value_or(0));
}

std::int32_t HitDatabaseBase::GetSize(const std::shared_ptr<Query>& query) {
    if (GetDatabase() && !query) {
        Log::Error(LOG_PREFIX, "Failed to get size for database at %s (query was null)", databaseName);
        return 0;
    }
    return ClampedSize(CountRows([&query](DatabaseInterface& database) -> std::int64_t {
        // A grouped or limited query selects other rows than its selection matches: those are read.
        if (query->GetGroupBy().empty() && query->GetHaving().empty() && query->GetLimit().empty()) {
            return database.CountRows(query->GetTable(), query->GetSelection(), query->GetSelectionArgs());
        }
        const std::shared_ptr<QueryResultInterface> result = database.RunQuery(query);
        if (!result) {
            Log::Error(LOG_PREFIX, "Unable to get tracking queue size");
            return 0;
        }
        const std::int32_t count = result->GetCount();
        result->Close();
        return count;
    }).value_or(0));
}

std::optional<std::int64_t> HitDatabaseBase::CountRows(
    const std::function<std::int64_t(DatabaseInterface&)>& counter) {
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to get size for database at %s (database was null)", databaseName);
        return std::nullopt;
    }
    std::optional<std::int64_t> count;
    RunStatement(
        database,
        [&] {
            count = counter(*database);
            return true;
        },
        LOG_PREFIX, "Query failed with error %s", false);
    return count;
}

// The file closed by the services' Dispose could not be opened again (its folder gone for good, the file
// read-only since): the first open's path takes it from here, with the stand-in in memory when it must.
void HitDatabaseBase::OpenAgainAfterFailureOf(const std::shared_ptr<DatabaseInterface>& failed,
                                              std::uint64_t opened) {
    RecursiveMutexLock lock(writeMutex_);
    // The open's own statement (the table's creation) met the file closed again: the service handed back a
    // database that cannot open it. Opening it again from inside the open would meet it again, without end.
    if (openingAgain_) {
        MutexLock databaseLock(databaseMutex_);
        fileUnopenable_ = true;
        return;
    }
    if (GetDatabase() != failed || OpenedCount() != opened) {
        return;
    }
    openingAgain_ = true;
    OpenOrCreateDatabase();
    if (FileUnopenable()) {
        OpenOrCreateDatabase();
    }
    openingAgain_ = false;
}

void HitDatabaseBase::Reset() {
    RecursiveMutexLock lock(writeMutex_);
    ResetLocked();
}

// Within the pause a reset would read every row and fail again as it did: the damaged file is met by each
// statement of the worker, and Analytics kicks it on every track.
void HitDatabaseBase::ResetAfterFailureOf(const std::shared_ptr<DatabaseInterface>& failed, std::uint64_t opened,
                                          const std::function<void(bool)>& reportFailure) {
    RecursiveMutexLock lock(writeMutex_);
    const bool replaced = GetDatabase() != failed || OpenedCount() != opened;
    if (!replaced && ReportedOnceInThePause(reportFailure)) {
        return;
    }
    reportFailure(true);
    if (replaced) {
        return;
    }
    ResetLocked();
}

// A statement that resets nothing (a count, say) meets the damaged file as often as it is asked for.
bool HitDatabaseBase::ReportedOnceInThePause(const std::function<void(bool)>& reportFailure) {
    if (!WaitsToResetAgain()) {
        return false;
    }
    const bool first = resetRetry_.Refuse(ResetRetrySchedule::Refusal::RESET);
    reportFailure(first);
    if (first) {
        Log::Error(LOG_PREFIX,
                   "Not resetting the damaged file %s again before the reset that failed (%s) is tried again "
                   "in %d s; until then its failures are logged at debug level",
                   databaseName, resetRetry_.Reason(), resetRetry_.SecondsUntilDue());
    }
    return true;
}

bool HitDatabaseBase::WaitsToResetAgain() {
    return GetDatabaseStatus() == DATABASE_STATUS_FATAL && !resetRetry_.IsDue();
}

void HitDatabaseBase::ResetLocked() {
    Log::Error(LOG_PREFIX, "Database in unrecoverable state, resetting.");
    if (IsInMemory()) {
        ResetInMemory();
        return;
    }
    if (databaseName.empty()) {
        OpenOrCreateDatabase();
        return;
    }
    // The new file of a reset that could not open it is in place already, holding the saved rows.
    if (!GetDatabase()) {
        OpenNewFile();
        return;
    }
    std::vector<DatabaseInterface::ColumnValues> rows;
    std::optional<std::string> failure = ReadableRows(rows);
    if (!failure) {
        failure = ReplaceWithRows(WithoutSentHit(std::move(rows)));
    }
    if (failure) {
        Log::Error(LOG_PREFIX, "Failed to replace the damaged database file (%s): %s", databaseName,
                   *failure);
        // The damaged file again: a statement that fails on it after the pause resets once more.
        OpenOrCreateDatabase();
        FailReset(*failure);
        return;
    }
    sentHitKeptAside_.reset();
    OpenNewFile();
}

// The row count is read again when asked: the new table may have refused some of the rows.
void HitDatabaseBase::OpenNewFile() {
    if (OpenOrCreateDatabase()) {
        PostReset();
        SetDatabaseStatus(DATABASE_STATUS_OK);
    } else {
        FailReset("the new file could not be opened");
    }
}

void HitDatabaseBase::FailReset(const std::string& reason) {
    SetDatabaseStatus(DATABASE_STATUS_FATAL);
    resetRetry_.Failed(reason);
}

std::vector<DatabaseInterface::ColumnValues> HitDatabaseBase::WithoutSentHit(
    std::vector<DatabaseInterface::ColumnValues> rows) {
    if (!sentHitKeptAside_) {
        return rows;
    }
    const std::string& sent = *sentHitKeptAside_;
    const auto isSent = [&sent](const DatabaseInterface::ColumnValues& row) {
        const auto identifier = row.find("ID");
        std::string text;
        return identifier != row.end() && identifier->second && identifier->second->GetString(text) &&
               text == sent;
    };
    rows.erase(std::remove_if(rows.begin(), rows.end(), isSent), rows.end());
    return rows;
}

// No file to salvage or rename, and none may be made: the table is made again should it have gone, and
// the rows stay.
void HitDatabaseBase::ResetInMemory() {
    rowCount_.reset();
    if (InitializeDatabase(GetDatabase())) {
        PostReset();
        SetDatabaseStatus(DATABASE_STATUS_OK);
    }
}

// The new file is written whole before the rename, and the rename is the only step that touches the
// damaged file: a process ended before it keeps that file, one ended after it has the whole new file.
std::optional<std::string> HitDatabaseBase::ReplaceWithRows(
    const std::vector<DatabaseInterface::ColumnValues>& rows) {
    if (!databaseService) {
        return "no database service";
    }
    const std::string salvageName = databaseName + SALVAGE_SUFFIX;
    // A file that could not be written (left damaged by an earlier process, say) is gone: a new one may be.
    std::optional<std::string> failure = WriteSalvage(salvageName, rows);
    if (failure) {
        failure = WriteSalvage(salvageName, rows);
    }
    if (failure) {
        return failure;
    }
    bool replaced = false;
    TrySwallow([&] { replaced = databaseService->ReplaceDatabase(databaseName, salvageName); });
    return replaced ? std::nullopt : std::optional<std::string>("the new file could not be renamed over it");
}

std::optional<std::string> HitDatabaseBase::WriteSalvage(
    const std::string& salvageName, const std::vector<DatabaseInterface::ColumnValues>& rows) {
    std::optional<std::string> failure = "it could not be opened";
    TryCatch(
        [&] {
            if (const std::shared_ptr<DatabaseInterface> salvage =
                    databaseService->OpenDatabase(salvageName)) {
                failure = WriteTable(salvage, rows);
            }
        },
        [&](SdkError& error) { failure = error.GetMessage(); });
    if (!failure) {
        return std::nullopt;
    }
    Log::Error(LOG_PREFIX, "Unable to write the saved hits into %s: %s", salvageName, *failure);
    // Removed whatever the failure, so that no later reset meets it again; closing its connection also
    // ends a transaction left open.
    TrySwallow([&] { databaseService->DeleteDatabase(salvageName); });
    return failure;
}

// A file left by a salvage that was ended may hold the table already: it is written afresh. The rows
// go in one statement; only when the table refuses one of them are they written one by one.
std::optional<std::string> HitDatabaseBase::WriteTable(
    const std::shared_ptr<DatabaseInterface>& database,
    const std::vector<DatabaseInterface::ColumnValues>& rows) {
    if (const std::optional<StatementFailure> failure =
            FailureOf([&] { return database->DeleteTable(tableName); })) {
        return failure->reason;
    }
    lastLoggedFailure = "the table could not be created";
    if (!InitializeDatabase(database)) {
        return lastLoggedFailure;
    }
    if (rows.empty()) {
        return std::nullopt;
    }
    const std::optional<StatementFailure> failure =
        FailureOf([&] { return database->InsertRows(tableName, rows); });
    if (failure && failure->rowRefused) {
        return InsertEachRow(*database, rows);
    }
    return failure ? std::optional<std::string>(failure->reason) : std::nullopt;
}

// One transaction, so the rows cost one commit: a row the table refuses (an identifier read twice from a
// damaged file, say) is left out alone, and any other failure ends the copy.
std::optional<std::string> HitDatabaseBase::InsertEachRow(
    DatabaseInterface& database, const std::vector<DatabaseInterface::ColumnValues>& rows) {
    if (const auto failure = FailureOf(
            [&] { return database.BeginTransaction(DatabaseInterface::TransactionType::IMMEDIATE); })) {
        return failure->reason;
    }
    size_t refused = 0;
    std::string firstRefusal;
    for (const DatabaseInterface::ColumnValues& row : rows) {
        const std::optional<StatementFailure> failure =
            FailureOf([&] { return database.Insert(tableName, row); });
        if (failure && !failure->rowRefused) {
            return failure->reason;
        }
        if (failure && refused++ == 0) {
            firstRefusal = failure->reason;
        }
    }
    if (const auto failure = FailureOf([&] { return database.EndTransaction(); })) {
        return failure->reason;
    }
    if (refused > 0) {
        Log::Error(LOG_PREFIX, "Left out %d saved hits of %s that the new table refused (first: %s)", refused,
                   databaseName, firstRefusal);
    }
    return std::nullopt;
}

namespace {

// Identifier arithmetic in unsigned integers: the distances span the whole signed range without overflow.
std::uint64_t Distance(std::int64_t from, std::int64_t to) {
    return static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
}

std::int64_t Advance(std::int64_t from, std::uint64_t distance) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(from) + distance);
}

}  // namespace

// Reads in batches in identifier order, so that a damaged page loses the rows on it and not those
// after it: a batch that fails is read again row by row, and a row that cannot be read is stepped over.
// The largest identifier only bounds the stepping; when it cannot be read, every identifier is tried.
// A file whose schema is damaged has no row left to read; a column read that failed for any other reason
// (an I/O error, a closed connection) says nothing about the rows, which a reset must then keep.
std::optional<std::string> HitDatabaseBase::ReadableRows(std::vector<DatabaseInterface::ColumnValues>& rows) {
    const std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        return "there was no database to read its rows from";
    }
    std::vector<std::string> columns;
    std::optional<std::string> failure;
    TryCatch([&] { columns = database->GetColumnNamesForTable(tableName); },
             [&](SdkError& error) {
                 if (!DatabaseInterface::IsDamagedFile(error)) {
                     failure = "the table's columns could not be read: " + error.GetMessage();
                 }
             });
    if (failure || std::find(columns.begin(), columns.end(), "ID") == columns.end()) {
        return failure;
    }
    const std::int64_t lastIdentifier = LargestIdentifier(*database);
    std::int64_t after = std::numeric_limits<std::int64_t>::min();
    size_t batch = SALVAGE_BATCH_ROWS;
    while (after < lastIdentifier) {
        // Damaged pages can answer rows out of order: only a step forward counts as a read.
        const std::optional<std::int64_t> lastRead = ReadRowsAfter(*database, columns, after, batch, rows);
        if (lastRead && *lastRead > after) {
            after = *lastRead;
            batch = SALVAGE_BATCH_ROWS;
        } else if (batch > 1) {
            batch = 1;
        } else if (const auto readable = StepOverUnreadable(*database, columns, after, lastIdentifier)) {
            after = *readable;
        } else {
            break;
        }
    }
    if (!rows.empty()) {
        Log::Error(LOG_PREFIX, "Saved %d readable hits of %s into the new database", rows.size(),
                   databaseName);
    }
    return std::nullopt;
}

std::int64_t HitDatabaseBase::LargestIdentifier(DatabaseInterface& database) {
    std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    TrySwallow([&] {
        const auto result = database.RunQuery(QueryBuilder(tableName, {"MAX(ID)"}).Build());
        if (result && result->MoveToFirst() && !result->IsNull(0)) {
            largest = result->GetLong(0);
        }
    });
    return largest;
}

// Strides double from the unreadable row until a read works, then halve back towards the damage, so
// the readable rows just past a damaged page are kept as well.
std::optional<std::int64_t> HitDatabaseBase::StepOverUnreadable(DatabaseInterface& database,
                                                                const std::vector<std::string>& columns,
                                                                std::int64_t unreadable, std::int64_t last) {
    const auto readsOnFrom = [&](std::int64_t after) {
        std::vector<DatabaseInterface::ColumnValues> ignored;
        const std::optional<std::int64_t> lastRead = ReadRowsAfter(database, columns, after, 1, ignored);
        return lastRead && *lastRead > after;
    };
    std::uint64_t stride = 1;
    std::optional<std::int64_t> readable;
    while (!readable) {
        const std::uint64_t room = Distance(unreadable, last);
        if (room == 0) {
            return std::nullopt;
        }
        const std::int64_t probe = Advance(unreadable, std::min(stride, room));
        if (readsOnFrom(probe)) {
            readable = probe;
        } else {
            unreadable = probe;
            stride = stride > std::numeric_limits<std::uint64_t>::max() / 2 ? stride : stride * 2;
        }
    }
    while (Distance(unreadable, *readable) > 1) {
        const std::int64_t middle = Advance(unreadable, Distance(unreadable, *readable) / 2);
        if (readsOnFrom(middle)) {
            readable = middle;
        } else {
            unreadable = middle;
        }
    }
    return readable;
}

std::optional<std::int64_t> HitDatabaseBase::ReadRowsAfter(DatabaseInterface& database,
                                                           const std::vector<std::string>& columns,
                                                           std::int64_t after, size_t count,
                                                           std::vector<DatabaseInterface::ColumnValues>& rows) {
    std::vector<DatabaseInterface::ColumnValues> read;
    std::optional<std::int64_t> lastRead;
    TrySwallow([&] {
        const auto result = database.RunQuery(QueryBuilder(tableName, columns)
                                                  .Selection("ID > ?", {std::to_string(after)})
                                                  .OrderBy("ID ASC")
                                                  .Limit(std::to_string(count))
                                                  .Build());
        const std::int32_t rowCount = result ? result->GetCount() : 0;
        for (std::int32_t index = 0; index < rowCount; ++index) {
            index == 0 ? result->MoveToFirst() : result->MoveToNext();
            DatabaseInterface::ColumnValues row;
            for (std::uint32_t column = 0; column < columns.size(); ++column) {
                row[columns[column]] =
                    result->IsNull(column) ? Variant::FromNull() : Variant::FromString(result->GetString(column));
                if (columns[column] == "ID") {
                    lastRead = result->GetLong(column);
                }
            }
            read.push_back(std::move(row));
        }
        if (read.empty()) {
            lastRead = std::numeric_limits<std::int64_t>::max();
        }
    });
    if (lastRead && *lastRead > after) {
        rows.insert(rows.end(), read.begin(), read.end());
    }
    return lastRead;
}

// A column read that failed (an I/O error, a busy or closed file) tells nothing of the table: migrated as
// one that does not match, it could lose every row. It stays as it is; a later open migrates it.
bool HitDatabaseBase::MigrateDatabaseIfNeeded(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    const std::optional<bool> matches = SchemaMatches(schema);
    if (!matches) {
        Log::Warning(LOG_PREFIX, "Keeping the table of %s as it is: its columns could not be read",
                     databaseName);
        return false;
    }
    return *matches || MigrateDatabase(schema);
}

bool HitDatabaseBase::HitSchemaMatchesExistingTableSchema(
    const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return SchemaMatches(schema).value_or(false);
}

std::optional<bool> HitDatabaseBase::SchemaMatches(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    if (!schema) {
        Log::Error(LOG_PREFIX, "Unable to match schema with existing table. Database hit schema is null.");
        return false;
    }
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Unable to match schema with existing table. Database is null.");
        return false;
    }
    std::optional<std::vector<std::string>> existing;
    TryCatch(
        [&] { existing = database->GetColumnNamesForTable(schema->GetTableName()); },
        [&](SdkError& error) {
            Log::Error(
                LOG_PREFIX,
                "Unable to match schema with existing table. GetColumnNamesForTable failed with error %s",
                error.GetMessage());
        });
    if (!existing) {
        return std::nullopt;
    }
    return *existing == schema->GetColumnNames();
}

bool HitDatabaseBase::MigrateDatabase(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    if (!schema) {
        Log::Error(LOG_PREFIX, "Unable to migrate database. Database hit schema is null.");
        return false;
    }
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Unable to migrate database. Database is null.");
        return false;
    }
    return RunStatement(
        database,
        [&] {
            Log::Debug(LOG_PREFIX, "Database in unrecoverable state, attempting to migrate hits.");
            return database->AttemptDatabaseMigration(schema->GetTableName(), schema->GetColumnNames(),
                                                      schema->GetColumnDataTypes(),
                                                      schema->GetColumnConstraints());
        },
        LOG_PREFIX, "Unable to migrate hits from database. AttemptDatabaseMigration failed with error %s",
        false);
}

}  // namespace NuvraMobile
