#pragma once

#include <map>
#include <string>
#include <vector>

#include "platformShim/DatabaseInterface.h"

namespace NuvraMobile {

/**
 * Turns a table description (names, data types, constraints) into the CREATE TABLE text that the
 * database service runs. Stateless apart from its constant maps: callable from any thread.
 */
class QueryStringBuilder {
public:
    using ColumnDataType = DatabaseInterface::ColumnDataType;
    using ColumnConstraint = DatabaseInterface::ColumnConstraint;

    static const std::map<ColumnDataType, std::string> COLUMN_DATA_TYPE_MAP;
    static const std::map<ColumnDataType, std::string> COLUMN_DATA_TYPE_DEFAULT_MAP;
    static const std::map<ColumnConstraint, std::string> COLUMN_CONSTRAINT_MAP;

    /** The statement without DEFAULT clauses. */
    static std::string PrepareCreateTableQueryString(
        const std::string& table, const std::vector<std::string>& columnNames,
        const std::vector<ColumnDataType>& columnDataTypes,
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints);
    /**
     * "CREATE TABLE IF NOT EXISTS T(ID INTEGER PRIMARY KEY AUTOINCREMENT , URL TEXT )"; with
     * `withDefaults` every column not named exactly "ID" also gets " DEFAULT <value> ". Empty when the
     * table or the names are empty or the three lists differ in length.
     */
    static std::string PrepareCreateTableQueryString(
        const std::string& table, const std::vector<std::string>& columnNames,
        const std::vector<ColumnDataType>& columnDataTypes,
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints, bool withDefaults);
    /** The SQL type name of each entry. */
    static std::vector<std::string> GetColumnDataTypes(const std::vector<ColumnDataType>& columnDataTypes);
    /** Per column, each constraint's text followed by one blank ("PRIMARY KEY AUTOINCREMENT "). */
    static std::vector<std::string> GetColumnConstraints(
        const std::vector<std::vector<ColumnConstraint>>& columnConstraints);
};

}  // namespace NuvraMobile
