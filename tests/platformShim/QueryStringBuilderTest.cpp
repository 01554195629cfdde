#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platformShim/QueryStringBuilder.h"

namespace NuvraMobile {
namespace {

using ::testing::ElementsAre;
using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

const std::vector<std::string> NAMES = {"ID", "URL", "TIMESTAMP"};
const std::vector<Type> TYPES = {Type::INTEGER, Type::TEXT, Type::INTEGER};
const std::vector<std::vector<Constraint>> CONSTRAINTS = {
    {Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}};

TEST(QueryStringBuilderTest, CreateTableTextKeepsItsBlanks) {
    EXPECT_EQ(
        "CREATE TABLE IF NOT EXISTS HITS(ID INTEGER PRIMARY KEY AUTOINCREMENT , URL TEXT , TIMESTAMP INTEGER "
        ")",
        QueryStringBuilder::PrepareCreateTableQueryString("HITS", NAMES, TYPES, CONSTRAINTS));
    EXPECT_EQ(
        "CREATE TABLE IF NOT EXISTS HITS(ID INTEGER PRIMARY KEY AUTOINCREMENT , URL TEXT  DEFAULT '' , "
        "TIMESTAMP INTEGER  DEFAULT 0 )",
        QueryStringBuilder::PrepareCreateTableQueryString("HITS", NAMES, TYPES, CONSTRAINTS, true));
}

TEST(QueryStringBuilderTest, OnlyAColumnNamedExactlyIdGoesWithoutDefault) {
    EXPECT_EQ("CREATE TABLE IF NOT EXISTS T(Id REAL NOT NULL UNIQUE  DEFAULT 0.0 , ID INTEGER )",
              QueryStringBuilder::PrepareCreateTableQueryString(
                  "T", {"Id", "ID"}, {Type::REAL, Type::INTEGER},
                  {{Constraint::NOT_NULL, Constraint::UNIQUE}, {}}, true));
}

TEST(QueryStringBuilderTest, AnIncompleteDescriptionGivesNoText) {
    EXPECT_EQ("", QueryStringBuilder::PrepareCreateTableQueryString("", NAMES, TYPES, CONSTRAINTS));
    EXPECT_EQ("", QueryStringBuilder::PrepareCreateTableQueryString("HITS", {}, {}, {}));
    EXPECT_EQ("", QueryStringBuilder::PrepareCreateTableQueryString("HITS", {"ID", "URL"}, {Type::INTEGER},
                                                                    {{}, {}}));
    EXPECT_EQ("",
              QueryStringBuilder::PrepareCreateTableQueryString("HITS", {"ID"}, {Type::INTEGER}, {{}, {}}));
}

TEST(QueryStringBuilderTest, TypeAndConstraintTextsFollowTheMaps) {
    EXPECT_THAT(QueryStringBuilder::GetColumnDataTypes(TYPES), ElementsAre("INTEGER", "TEXT", "INTEGER"));
    EXPECT_THAT(QueryStringBuilder::GetColumnConstraints(CONSTRAINTS),
                ElementsAre("PRIMARY KEY AUTOINCREMENT ", "", ""));
}

}  // namespace
}  // namespace NuvraMobile
