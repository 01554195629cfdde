#pragma once

#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * One SQL read handed to the database service: table, columns, selection with its arguments,
 * grouping, having, order and limit (texts, empty unless set). Made only by QueryBuilder and never
 * changed afterwards, so it may be read from any thread.
 */
class Query : public Object {
public:
    std::string GetTable() const { return table_; }
    std::vector<std::string> GetColumns() const { return columns_; }
    /** WHERE text with "?" placeholders, e.g. "ID = ?". */
    std::string GetSelection() const { return selection_; }
    /** Bound to the placeholders in order. */
    std::vector<std::string> GetSelectionArgs() const { return selectionArgs_; }
    std::string GetGroupBy() const { return groupBy_; }
    std::string GetHaving() const { return having_; }
    /** e.g. "ID ASC" */
    std::string GetOrderBy() const { return orderBy_; }
    /** e.g. "1" */
    std::string GetLimit() const { return limit_; }

private:
    friend class QueryBuilder;

    Query(std::string table, std::vector<std::string> columns);

    std::string table_;
    std::vector<std::string> columns_;
    std::string selection_;
    std::vector<std::string> selectionArgs_;
    std::string groupBy_;
    std::string having_;
    std::string orderBy_;
    std::string limit_;
};

}  // namespace NuvraMobile
