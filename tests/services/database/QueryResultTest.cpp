#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "core/values/SdkError.h"
#include "services/database/QueryResult.h"

namespace NuvraMobile {
namespace {

void ExpectErrorCode(const std::string& code, const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "expected " << code;
    } catch (const SdkError& error) {
        EXPECT_EQ(code, error.GetCode());
    }
}

QueryResult ResultOf(const std::vector<std::vector<std::string>>& rows) {
    QueryResult result;
    for (const auto& row : rows) {
        result.SetArgs(row, std::vector<std::string>(row.size(), "column"));
    }
    return result;
}

TEST(QueryResultTest, AnEmptyResultHasNoRowToRead) {
    QueryResult result;
    EXPECT_EQ(0, result.GetCount());
    EXPECT_TRUE(result.MoveToFirst());
    ExpectErrorCode("database.queryresult_index_error", [&] { result.GetString(0); });
    EXPECT_TRUE(result.MoveToLast());
    ExpectErrorCode("database.queryresult_index_error", [&] { result.IsNull(0); });
    EXPECT_TRUE(result.MoveToNext());
    ExpectErrorCode("database.queryresult_index_error", [&] { result.GetInt(0); });
}

TEST(QueryResultTest, CursorMovesStayWithinTheRows) {
    QueryResult result = ResultOf({{"1"}, {"2"}, {"3"}});
    EXPECT_EQ(3, result.GetCount());
    EXPECT_EQ(1, result.GetInt(0));
    EXPECT_TRUE(result.MoveToNext());
    EXPECT_EQ(2, result.GetInt(0));
    EXPECT_TRUE(result.MoveToLast());
    EXPECT_EQ(3, result.GetInt(0));
    EXPECT_TRUE(result.MoveToNext());
    EXPECT_EQ(3, result.GetInt(0));
    EXPECT_TRUE(result.MoveToFirst());
    EXPECT_EQ(1, result.GetInt(0));
}

TEST(QueryResultTest, CellsParseByTheirLongestNumericPrefix) {
    QueryResult result = ResultOf({{"0.100000", "12abc", "  -7", "", "9007199254740991", "2.5"}});
    EXPECT_EQ(0, result.GetInt(0));
    EXPECT_DOUBLE_EQ(0.1, result.GetDouble(0));
    EXPECT_FLOAT_EQ(0.1f, result.GetFloat(0));
    EXPECT_EQ(12, result.GetInt(1));
    EXPECT_EQ(-7, result.GetLong(2));
    EXPECT_TRUE(result.IsNull(3));
    EXPECT_EQ("", result.GetString(3));
    EXPECT_FALSE(result.IsNull(4));
    EXPECT_EQ(9007199254740991, result.GetLong(4));
    EXPECT_EQ(2, result.GetInt(5));
}

TEST(QueryResultTest, UnparsableOrOutOfRangeCellsRaiseTheStandardErrors) {
    QueryResult result = ResultOf({{"", "abc", "9007199254740991"}});
    EXPECT_THROW(result.GetInt(0), std::invalid_argument);
    EXPECT_THROW(result.GetDouble(1), std::invalid_argument);
    EXPECT_THROW(result.GetInt(2), std::out_of_range);
}

TEST(QueryResultTest, AColumnPastTheRowIsAnIndexError) {
    QueryResult result = ResultOf({{"a", "b"}});
    EXPECT_EQ("b", result.GetString(1));
    ExpectErrorCode("database.queryresult_index_error", [&] { result.GetString(2); });
}

TEST(QueryResultTest, AClosedResultHasNoRowsAndRefusesEveryRead) {
    QueryResult result = ResultOf({{"1"}});
    result.Close();
    EXPECT_EQ(0, result.GetCount());
    ExpectErrorCode("database.queryresult_already_closed", [&] { result.MoveToFirst(); });
    ExpectErrorCode("database.queryresult_already_closed", [&] { result.MoveToLast(); });
    ExpectErrorCode("database.queryresult_already_closed", [&] { result.MoveToNext(); });
    ExpectErrorCode("database.queryresult_already_closed", [&] { result.GetString(0); });
    ExpectErrorCode("database.queryresult_already_closed", [&] { result.IsNull(0); });
    result.Close();
    EXPECT_EQ(0, result.GetCount());
}

}  // namespace
}  // namespace NuvraMobile
