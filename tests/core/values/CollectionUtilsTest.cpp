#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/CollectionUtils.h"
#include "core/values/Variant.h"
#include "support/VariantShorthands.h"

namespace NuvraMobile {
namespace {

using VariantPtr = std::shared_ptr<Variant>;
using VariantMap = std::map<std::string, VariantPtr>;

VariantPtr Map(VariantMap entries) { return Variant::FromVariantMap(std::move(entries)); }

VariantPtr Vector(std::vector<VariantPtr> elements) {
    return Variant::FromVariantVector(std::move(elements));
}

TEST(CollectionUtilsTest, AddDataToMapMergesWithoutOverwriting) {
    struct Case {
        const char* label;
        VariantMap base;
        VariantMap additions;
        VariantMap merged;
    };
    const Case cases[] = {
        {"no additions", {{"k", Text("a")}}, {}, {{"k", Text("a")}}},
        {"string never overwrites", {{"k", Text("a")}}, {{"k", Text("b")}}, {{"k", Text("a")}}},
        {"scalar fills an absent key",
         {},
         {{"k", Int(1)}, {"b", Variant::FromBoolean(true)}},
         {{"k", Int(1)}, {"b", Variant::FromBoolean(true)}}},
        {"null changes nothing",
         {{"k", Text("a")}},
         {{"k", Variant::FromNull()}, {"n", Variant::FromNull()}},
         {{"k", Text("a")}}},
        {"vector over a string changes nothing",
         {{"k", Text("a")}},
         {{"k", Vector({Int(1)})}},
         {{"k", Text("a")}}},
        {"vectors append new scalars",
         {{"k", Vector({Int(1), Text("x")})}},
         {{"k", Vector({Int(1), Int(2), Int(2), Variant::FromNull(), Vector({}), Map({})})}},
         {{"k", Vector({Int(1), Text("x"), Int(2), Int(2), Vector({}), Map({})})}}},
        {"vector under an absent key", {}, {{"k", Vector({Int(1)})}}, {{"k", Vector({Int(1)})}}},
        {"maps merge recursively",
         {{"m", Map({{"a", Int(1)}})}},
         {{"m", Map({{"a", Int(2)}, {"b", Int(3)}})}},
         {{"m", Map({{"a", Int(1)}, {"b", Int(3)}})}}},
        {"map over a vector changes nothing",
         {{"m", Vector({})}},
         {{"m", Map({{"a", Int(1)}})}},
         {{"m", Vector({})}}},
        {"map into every object",
         {{"list", Vector({Map({{"y", Int(2)}}), Int(5)})}},
         {{"list[*]", Map({{"x", Int(1)}})}},
         {{"list", Vector({Map({{"x", Int(1)}, {"y", Int(2)}}), Int(5)})}}},
        {"map into every object without a list",
         {},
         {{"list[*]", Map({{"x", Int(1)}})}},
         {{"list", Vector({})}}},
        {"map into every object of a string",
         {{"list", Text("s")}},
         {{"list[*]", Map({{"x", Int(1)}})}},
         {{"list", Text("s")}}},
        {"for-each keeps existing values",
         {{"list", Vector({Map({{"x", Int(9)}})})}},
         {{"list[*]", Map({{"x", Int(1)}})}},
         {{"list", Vector({Map({{"x", Int(9)}})})}}},
    };
    for (const Case& c : cases) {
        const VariantPtr merged = Map(CollectionUtils::AddDataToMap(c.base, c.additions));
        EXPECT_TRUE(merged->Equals(*Map(c.merged)))
            << c.label << ": " << merged->ToString(ToStringOptions::Pretty());
    }
}

TEST(CollectionUtilsTest, MergingLeavesTheInputsAlone) {
    const VariantMap base = {{"m", Map({{"a", Int(1)}})}};
    const VariantMap additions = {{"m", Map({{"b", Int(2)}})}};
    CollectionUtils::AddDataToMap(base, additions);
    EXPECT_TRUE(base.at("m")->Equals(*Map({{"a", Int(1)}})));
}

TEST(CollectionUtilsTest, EmptyPointersAreHarmless) {
    const VariantMap merged =
        CollectionUtils::AddDataToMap({{"k", nullptr}}, {{"k", Vector({Int(1)})}, {"n", nullptr}});
    EXPECT_EQ(merged.size(), 1u);
    EXPECT_EQ(CollectionUtils::AddDataToVector({nullptr}, {nullptr, Int(1)}).size(), 2u);
    EXPECT_EQ(CollectionUtils::GetPrettyString(std::vector<VariantPtr>{nullptr}, 1), "[\n    null\n]");
}

TEST(CollectionUtilsTest, PrettyStringOfAMap) {
    const VariantMap map = {{"a", Int(1)}, {"b", Map({{"c", Variant::FromBoolean(true)}})}};
    EXPECT_EQ(CollectionUtils::GetPrettyString(map, 1),
              "{\n    \"a\" : 1,\n    \"b\" : {\n        \"c\" : 1\n    }\n}");
}

TEST(CollectionUtilsTest, PrettyStringOfEveryKind) {
    const VariantMap map = {{"d", Variant::FromDouble(2.5)}, {"e", Vector({})},          {"f", Map({})},
                            {"l", Variant::FromLong(7)},     {"n", Variant::FromNull()}, {"s", Text("t")}};
    EXPECT_EQ(
        CollectionUtils::GetPrettyString(map, 0),
        "{\n\"d\" : 2.500000,\n\"e\" : [ ],\n\"f\" : { },\n\"l\" : 7,\n\"n\" : null,\n\"s\" : \"t\"\n}");
    const std::vector<VariantPtr> vector = {Text("s"), Vector({}), Vector({Int(1)}),
                                            Variant::FromBoolean(false)};
    EXPECT_EQ(CollectionUtils::GetPrettyString(vector, 1),
              "[\n    \"s\",\n    ,\n    [\n        1\n    ],\n    0\n]");
}

TEST(CollectionUtilsTest, EmptyCollectionsAreEmptyText) {
    for (int indent : {-1, 0, 1, 5}) {
        EXPECT_EQ(CollectionUtils::GetPrettyString(VariantMap{}, indent), "");
        EXPECT_EQ(CollectionUtils::GetPrettyString(std::vector<VariantPtr>{}, indent), "");
    }
    EXPECT_EQ(CollectionUtils::GetWhitespace(-2), "");
    EXPECT_EQ(CollectionUtils::GetWhitespace(3), "   ");
}

}  // namespace
}  // namespace NuvraMobile
