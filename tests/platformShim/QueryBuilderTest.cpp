#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "core/values/SdkError.h"
#include "platformShim/QueryBuilder.h"

namespace NuvraMobile {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QueryBuilderTest, BuildCarriesEveryPart) {
    auto query = QueryBuilder("HITS", {"ID", "URL"})
                     .Selection("ID = ? AND URL = ?", {"1", "u"})
                     .GroupBy("URL")
                     .Having("COUNT(*) > 1")
                     .OrderBy("ID ASC")
                     .Limit("1")
                     .Build();
    EXPECT_EQ("HITS", query->GetTable());
    EXPECT_THAT(query->GetColumns(), ElementsAre("ID", "URL"));
    EXPECT_EQ("ID = ? AND URL = ?", query->GetSelection());
    EXPECT_THAT(query->GetSelectionArgs(), ElementsAre("1", "u"));
    EXPECT_EQ("URL", query->GetGroupBy());
    EXPECT_EQ("COUNT(*) > 1", query->GetHaving());
    EXPECT_EQ("ID ASC", query->GetOrderBy());
    EXPECT_EQ("1", query->GetLimit());
}

TEST(QueryBuilderTest, PartsNotSetStayEmpty) {
    auto query = QueryBuilder("HITS", {}).Build();
    EXPECT_THAT(query->GetColumns(), IsEmpty());
    EXPECT_EQ("", query->GetSelection());
    EXPECT_THAT(query->GetSelectionArgs(), IsEmpty());
    EXPECT_EQ("", query->GetGroupBy());
    EXPECT_EQ("", query->GetHaving());
    EXPECT_EQ("", query->GetOrderBy());
    EXPECT_EQ("", query->GetLimit());
}

TEST(QueryBuilderTest, EveryCallAfterBuildIsUnsupported) {
    const std::function<void(QueryBuilder&)> calls[] = {
        [](QueryBuilder& builder) { builder.Build(); },
        [](QueryBuilder& builder) { builder.Limit("1"); },
        [](QueryBuilder& builder) { builder.OrderBy("ID ASC"); },
        [](QueryBuilder& builder) { builder.Selection("ID = ?", {"1"}); },
        [](QueryBuilder& builder) { builder.GroupBy("ID"); },
        [](QueryBuilder& builder) { builder.Having("ID > 0"); },
    };
    for (const auto& call : calls) {
        QueryBuilder builder("HITS", {"ID"});
        auto query = builder.Build();
        try {
            call(builder);
            ADD_FAILURE() << "expected an error";
        } catch (const SdkError& error) {
            EXPECT_EQ("general.unsupported", error.GetCode());
            EXPECT_EQ("attempted to call methods on QueryBuilder after Build() was called",
                      error.GetMessage());
        }
        EXPECT_EQ("", query->GetLimit());
    }
}

}  // namespace
}  // namespace NuvraMobile
