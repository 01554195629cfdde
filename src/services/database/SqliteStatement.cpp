#include "services/database/SqliteStatement.h"

#include <sqlite3.h>

namespace NuvraMobile {

SqliteStatement::SqliteStatement(sqlite3* connection, const std::string& sql)
    : prepareStatus_(connection == nullptr ? SQLITE_MISUSE
                                           : sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size()),
                                                                &statement_, nullptr)) {
    if (prepareStatus_ == SQLITE_OK && statement_ == nullptr) {
        prepareStatus_ = SQLITE_MISUSE;
    }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

int SqliteStatement::PrepareStatus() const { return prepareStatus_; }

bool SqliteStatement::IsValid() const { return prepareStatus_ == SQLITE_OK; }

std::string SqliteStatement::Sql() const {
    const char* sql = statement_ == nullptr ? nullptr : sqlite3_sql(statement_);
    return sql == nullptr ? std::string() : std::string(sql);
}

int SqliteStatement::ParameterCount() const { return sqlite3_bind_parameter_count(statement_); }

bool SqliteStatement::BindNull(int index) { return sqlite3_bind_null(statement_, index) == SQLITE_OK; }

bool SqliteStatement::BindInt64(int index, std::int64_t value) {
    return sqlite3_bind_int64(statement_, index, value) == SQLITE_OK;
}

bool SqliteStatement::BindDouble(int index, double value) {
    return sqlite3_bind_double(statement_, index, value) == SQLITE_OK;
}

bool SqliteStatement::BindText(int index, const std::string& text) {
    return sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
           SQLITE_OK;
}

bool SqliteStatement::BindBlob(int index, const std::string& bytes) {
    return sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqliteStatement::BindValue(int index, const sqlite3_value* value) {
    return sqlite3_bind_value(statement_, index, value) == SQLITE_OK;
}

int SqliteStatement::Step() { return sqlite3_step(statement_); }

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int SqliteStatement::ColumnCount() const { return sqlite3_column_count(statement_); }

std::string SqliteStatement::ColumnName(int column) const {
    const char* name = sqlite3_column_name(statement_, column);
    return name == nullptr ? std::string() : std::string(name);
}

int SqliteStatement::ColumnType(int column) const { return sqlite3_column_type(statement_, column); }

std::int64_t SqliteStatement::ColumnInt64(int column) const { return sqlite3_column_int64(statement_, column); }

double SqliteStatement::ColumnDouble(int column) const { return sqlite3_column_double(statement_, column); }

std::string SqliteStatement::ColumnBytes(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes == nullptr ? std::string()
                            : std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

SqliteValue SqliteStatement::CopyColumn(int column) const {
    return {sqlite3_value_dup(sqlite3_column_value(statement_, column)), &sqlite3_value_free};
}

}  // namespace NuvraMobile
