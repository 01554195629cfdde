#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/DatabaseInterface.h"

namespace NuvraMobile {

class DatabaseHitBase;
class QueryResultInterface;
class Variant;

/**
 * Describes the table of one hit queue (file name, table name, columns with types and constraints)
 * and converts between a hit and a row. The module's schema subclass fills the fields in its
 * constructor; afterwards the schema is only read, from any thread.
 */
class DatabaseHitSchemaBase : public Object {
public:
    virtual std::string GetTableName() const { return tableName; }
    virtual std::string GetDatabaseName() const { return databaseName; }
    virtual std::vector<std::string> GetColumnNames() const { return columnNames; }
    virtual std::vector<DatabaseInterface::ColumnDataType> GetColumnDataTypes() const {
        return columnDataTypes;
    }
    virtual std::vector<std::vector<DatabaseInterface::ColumnConstraint>> GetColumnConstraints() const {
        return columnConstraints;
    }

    /** The hit of the result's current row, its identifier taken from the "ID" column. */
    virtual std::shared_ptr<DatabaseHitBase> GenerateHitBase(
        const std::shared_ptr<QueryResultInterface>& result) = 0;
    /** Column name to value for every column but "ID", which the table assigns. */
    virtual std::map<std::string, std::shared_ptr<Variant>> GenerateDataMapBase(
        const std::shared_ptr<DatabaseHitBase>& hit) = 0;

protected:
    /** e.g. "IDENTITY_REQUESTS" */
    std::string tableName;
    /** e.g. "NVBMobileIdentity.sqlite" */
    std::string databaseName;
    /** In table order; the first is "ID". */
    std::vector<std::string> columnNames;
    std::vector<DatabaseInterface::ColumnDataType> columnDataTypes;
    /** One list per column; "ID" carries PRIMARY KEY and AUTOINCREMENT. */
    std::vector<std::vector<DatabaseInterface::ColumnConstraint>> columnConstraints;
};

}  // namespace NuvraMobile
