#include "shared/HitDatabaseBase.h"

#include <utility>

#include "core/SdkError.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "shared/DatabaseHitSchemaBase.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {
std::string TableNameOf(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return schema ? schema->GetTableName() : std::string();
}

std::string DatabaseNameOf(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return schema ? schema->GetDatabaseName() : std::string();
}
}  // namespace

HitDatabaseBase::HitDatabaseBase(std::shared_ptr<DatabaseServiceInterface> databaseService,
                                 const std::shared_ptr<DatabaseHitSchemaBase>& schema)
    : tableName(TableNameOf(schema)),
      databaseName(DatabaseNameOf(schema)),
      databaseService(std::move(databaseService)) {}

std::shared_ptr<DatabaseInterface> HitDatabaseBase::GetDatabase() const {
    MutexLock lock(databaseMutex_);
    return database_;
}

void HitDatabaseBase::SetDatabase(std::shared_ptr<DatabaseInterface> database) {
    MutexLock lock(databaseMutex_);
    database_ = std::move(database);
}

std::int32_t HitDatabaseBase::GetDatabaseStatus() const {
    MutexLock lock(databaseMutex_);
    return databaseStatus_;
}

void HitDatabaseBase::SetDatabaseStatus(std::int32_t status) {
    MutexLock lock(databaseMutex_);
    databaseStatus_ = status;
}

bool HitDatabaseBase::RunStatement(const std::shared_ptr<DatabaseInterface>& database,
                                   const std::function<bool()>& statement, const char* tag,
                                   const char* errorFormat, bool resetOnError) {
    bool result = false;
    bool failed = false;
    TryCatch([&] { result = statement(); },
             [&](SdkError& error) {
                 Log::Error(tag, errorFormat, error.GetMessage());
                 failed = true;
             });
    if (failed) {
        if (resetOnError) {
            ResetAfterFailureOf(database);
        }
        return false;
    }
    return result;
}

bool HitDatabaseBase::OpenOrCreateDatabase() {
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
    std::shared_ptr<DatabaseInterface> opened;
    TryCatch([&] { opened = databaseService->OpenDatabase(databaseName); },
             [&](SdkError& error) {
                 Log::Debug(LOG_PREFIX, "Opening %s failed: %s", databaseName, error.GetMessage());
             });
    SetDatabase(opened);
    if (!opened) {
        Log::Error(LOG_PREFIX, "Database creation failed for %s", databaseName);
        return false;
    }
    return InitializeDatabase();
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
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to delete all hits for database at %s (database was null)",
                   databaseName);
        return false;
    }
    return RunStatement(
        database, [&] { return database->Delete(tableName, "", {}); }, LOG_PREFIX,
        "Unable to remove from database.  DeleteAllHits failed with error %s", true);
}

bool HitDatabaseBase::DeleteTable() {
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to delete table for database at %s (database was null)", databaseName);
        return false;
    }
    return RunStatement(
        database, [&] { return database->DeleteTable(tableName); }, LOG_PREFIX,
        "Unable to remove from database.  DeleteTable failed with error %s", true);
}

bool HitDatabaseBase::DeleteHitWithIdentifier(const std::string& identifier) {
    if (identifier.empty()) {
        Log::Warning(LOG_PREFIX, "Unable to delete hit with empty identifier");
        return false;
    }
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to delete hit with id %s for database at %s (database was null)",
                   identifier, databaseName);
        return false;
    }
    return RunStatement(
        database, [&] { return database->Delete(tableName, "ID = ?", {identifier}); }, LOG_PREFIX,
        "Unable to delete hit due to unexpected error.  Query failed with error %s", true);
}

std::int32_t HitDatabaseBase::GetSize() { return CountRows(QueryBuilder(tableName, {"ID"}).Build()); }

std::int32_t HitDatabaseBase::GetSize(const std::shared_ptr<Query>& query) {
    if (GetDatabase() && !query) {
        Log::Error(LOG_PREFIX, "Failed to get size for database at %s (query was null)", databaseName);
        return 0;
    }
    return CountRows(query);
}

std::int32_t HitDatabaseBase::CountRows(const std::shared_ptr<Query>& query) {
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Failed to get size for database at %s (database was null)", databaseName);
        return 0;
    }
    std::int32_t count = 0;
    RunStatement(
        database,
        [&] {
            std::shared_ptr<QueryResultInterface> result = database->RunQuery(query);
            if (!result) {
                Log::Error(LOG_PREFIX, "Unable to get tracking queue size");
                return false;
            }
            count = result->GetCount();
            result->Close();
            return true;
        },
        LOG_PREFIX, "Query failed with error %s", false);
    return count;
}

void HitDatabaseBase::Reset() {
    std::lock_guard<std::recursive_mutex> lock(resetMutex_);
    ResetLocked();
}

void HitDatabaseBase::ResetAfterFailureOf(const std::shared_ptr<DatabaseInterface>& failed) {
    std::lock_guard<std::recursive_mutex> lock(resetMutex_);
    if (GetDatabase() != failed) {
        return;
    }
    ResetLocked();
}

void HitDatabaseBase::ResetLocked() {
    Log::Error(LOG_PREFIX, "Database in unrecoverable state, resetting.");
    bool deleted = false;
    if (databaseService) {
        TrySwallow([&] { deleted = databaseService->DeleteDatabase(databaseName); });
    }
    if (deleted || databaseName.empty()) {
        if (OpenOrCreateDatabase()) {
            PostReset();
            SetDatabaseStatus(DATABASE_STATUS_OK);
        }
        return;
    }
    Log::Error(LOG_PREFIX, "Failed to delete all hits in database file (%s)", databaseName);
    SetDatabaseStatus(DATABASE_STATUS_FATAL);
}

bool HitDatabaseBase::MigrateDatabaseIfNeeded(const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    return HitSchemaMatchesExistingTableSchema(schema) || MigrateDatabase(schema);
}

bool HitDatabaseBase::HitSchemaMatchesExistingTableSchema(
    const std::shared_ptr<DatabaseHitSchemaBase>& schema) {
    if (!schema) {
        Log::Error(LOG_PREFIX, "Unable to match schema with existing table. Database hit schema is null.");
        return false;
    }
    std::shared_ptr<DatabaseInterface> database = GetDatabase();
    if (!database) {
        Log::Error(LOG_PREFIX, "Unable to match schema with existing table. Database is null.");
        return false;
    }
    std::vector<std::string> existing;
    TryCatch(
        [&] { existing = database->GetColumnNamesForTable(schema->GetTableName()); },
        [&](SdkError& error) {
            Log::Error(
                LOG_PREFIX,
                "Unable to match schema with existing table. GetColumnNamesForTable failed with error %s",
                error.GetMessage());
            existing.clear();
        });
    return existing == schema->GetColumnNames();
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
