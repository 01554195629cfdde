#include "platformShim/QueryStringBuilder.h"

namespace NuvraMobile {

const std::map<QueryStringBuilder::ColumnDataType, std::string> QueryStringBuilder::COLUMN_DATA_TYPE_MAP = {
    {ColumnDataType::INTEGER, "INTEGER"}, {ColumnDataType::REAL, "REAL"}, {ColumnDataType::TEXT, "TEXT"}};

const std::map<QueryStringBuilder::ColumnDataType, std::string>
    QueryStringBuilder::COLUMN_DATA_TYPE_DEFAULT_MAP = {
        {ColumnDataType::INTEGER, "0"}, {ColumnDataType::REAL, "0.0"}, {ColumnDataType::TEXT, "''"}};

const std::map<QueryStringBuilder::ColumnConstraint, std::string> QueryStringBuilder::COLUMN_CONSTRAINT_MAP =
    {{ColumnConstraint::NOT_NULL, "NOT NULL"},
     {ColumnConstraint::UNIQUE, "UNIQUE"},
     {ColumnConstraint::PRIMARY_KEY, "PRIMARY KEY"},
     {ColumnConstraint::AUTOINCREMENT, "AUTOINCREMENT"}};

namespace {
template <typename Key>
std::string TextOf(const std::map<Key, std::string>& map, Key key) {
    auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}
}  // namespace

std::string QueryStringBuilder::PrepareCreateTableQueryString(
    const std::string& table, const std::vector<std::string>& columnNames,
    const std::vector<ColumnDataType>& columnDataTypes,
    const std::vector<std::vector<ColumnConstraint>>& columnConstraints) {
    return PrepareCreateTableQueryString(table, columnNames, columnDataTypes, columnConstraints, false);
}

std::string QueryStringBuilder::PrepareCreateTableQueryString(
    const std::string& table, const std::vector<std::string>& columnNames,
    const std::vector<ColumnDataType>& columnDataTypes,
    const std::vector<std::vector<ColumnConstraint>>& columnConstraints, bool withDefaults) {
    if (table.empty() || columnNames.empty() || columnDataTypes.size() != columnNames.size() ||
        columnConstraints.size() != columnNames.size()) {
        return "";
    }
    std::vector<std::string> typeNames = GetColumnDataTypes(columnDataTypes);
    std::vector<std::string> constraintTexts = GetColumnConstraints(columnConstraints);
    std::string text = "CREATE TABLE IF NOT EXISTS " + table + "(";
    for (size_t i = 0; i < columnNames.size(); ++i) {
        text += columnNames[i] + " " + typeNames[i] + " " + constraintTexts[i];
        if (withDefaults && columnNames[i] != "ID") {
            text += " DEFAULT " + TextOf(COLUMN_DATA_TYPE_DEFAULT_MAP, columnDataTypes[i]) + " ";
        }
        if (i + 1 < columnNames.size()) {
            text += ", ";
        }
    }
    return text + ")";
}

std::vector<std::string> QueryStringBuilder::GetColumnDataTypes(
    const std::vector<ColumnDataType>& columnDataTypes) {
    std::vector<std::string> names;
    names.reserve(columnDataTypes.size());
    for (ColumnDataType type : columnDataTypes) {
        names.push_back(TextOf(COLUMN_DATA_TYPE_MAP, type));
    }
    return names;
}

std::vector<std::string> QueryStringBuilder::GetColumnConstraints(
    const std::vector<std::vector<ColumnConstraint>>& columnConstraints) {
    std::vector<std::string> texts;
    texts.reserve(columnConstraints.size());
    for (const auto& constraints : columnConstraints) {
        std::string text;
        for (ColumnConstraint constraint : constraints) {
            text += TextOf(COLUMN_CONSTRAINT_MAP, constraint) + " ";
        }
        texts.push_back(text);
    }
    return texts;
}

}  // namespace NuvraMobile
