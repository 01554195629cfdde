#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "services/json/JsonErrorText.h"
#include "services/json/NVBJsonType.h"
#include "services/json/NativeJsonArray.h"
#include "services/json/NativeJsonObject.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

TEST(NativeJsonArrayTest, ParsesOnlyArrays) {
    EXPECT_EQ(std::make_shared<NativeJsonArray>("[]")->Length(), 0u);
    for (const char* text : {"", "{}", "5", "null", "\"s\"", "[1,", "[1] [2]"}) {
        EXPECT_EQ(CodeOf([&] { std::make_shared<NativeJsonArray>(text); }), "json.serialization_error")
            << text;
    }
}

TEST(NativeJsonArrayTest, IndexedPutsPadWithEmptyElements) {
    auto array = std::make_shared<NativeJsonArray>("[]");
    array->PutInt(3, 7);
    ASSERT_EQ(array->Length(), 4u);
    EXPECT_EQ(ErrorOf([&] { array->GetType(0); }), "json.object_unknown | index: 0");
    EXPECT_EQ(ErrorOf([&] { array->GetJsonArray(1); }), "json.jsonarray_is_null | index: 1");
    EXPECT_EQ(ErrorOf([&] { array->GetJsonObject(1); }), "json.jsonobject_is_null | index: 1");
    EXPECT_EQ(ErrorOf([&] { array->GetString(2); }), "json.value_not_string_type | index: 2");
    EXPECT_EQ(array->OptInt(0, 5), 5);
    EXPECT_EQ(array->GetInt(3), 7);
    EXPECT_EQ(ErrorOf([&] { array->GetType(4); }), "json.index_not_found | index: 4");
    EXPECT_EQ(array->OptInt(4, 6), 6);
    EXPECT_EQ(array->ToString(), "[null,null,null,7]");
}

TEST(NativeJsonArrayTest, IndexedPutReplacesInsideTheArray) {
    auto array = std::make_shared<NativeJsonArray>(R"([1, 2, 3])");
    array->PutString(1, "two");
    ASSERT_EQ(array->Length(), 3u);
    EXPECT_EQ(array->GetString(1), "two");
    EXPECT_EQ(array->GetType(1), JsonType::JSON_STRING);
}

TEST(NativeJsonArrayTest, PaddingStaysWhenTheValueIsRefused) {
    ScopedCapturingLog log;
    auto array = std::make_shared<NativeJsonArray>("[]");
    EXPECT_EQ(ErrorOf([&] { array->PutLong(2, 9007199254740992); }).substr(0, 28),
              "std.logic_error.out_of_range");
    EXPECT_EQ(array->Length(), 3u);
}

TEST(NativeJsonArrayTest, AppendsChainAndSkipEmptyDocuments) {
    auto array = std::make_shared<NativeJsonArray>("[]");
    const std::shared_ptr<JsonArray> self =
        array->PutInt(1)->PutLong(2)->PutDouble(2.5)->PutString("s")->PutBoolean(true)->PutJsonObject(
            nullptr);
    EXPECT_EQ(self.get(), static_cast<JsonArray*>(array.get()));
    array->PutJsonArray(nullptr)->PutJsonObject(std::make_shared<NativeJsonObject>("{\"k\": 1}"));
    array->PutJsonArray(2, nullptr);
    ASSERT_EQ(array->Length(), 6u);
    EXPECT_EQ(array->GetDouble(2), 2.5);
    EXPECT_EQ(array->GetJsonObject(5)->GetInt("k"), 1);
    EXPECT_EQ(array->OptJsonArray(5), nullptr);
    EXPECT_TRUE(array->OptBoolean(4, false));
    EXPECT_EQ(array->OptString(0, "f"), "f");
    EXPECT_EQ(array->OptLong(1, 0), 2);
    EXPECT_EQ(array->OptDouble(3, 1.0), 1.0);
}

TEST(NativeJsonArrayTest, NestedDocumentsAreCopies) {
    auto array = std::make_shared<NativeJsonArray>(R"([[1], {"a": 1}])");
    array->GetJsonArray(0)->PutInt(2);
    EXPECT_EQ(array->GetJsonArray(0)->Length(), 1u);
    auto child = std::make_shared<NativeJsonArray>("[]");
    array->PutJsonArray(child);
    child->PutInt(1);
    EXPECT_EQ(array->GetJsonArray(2)->Length(), 0u);
    EXPECT_EQ(array->OptJsonObject(1)->GetInt("a"), 1);
}

TEST(NVBJsonTypeTest, KindsWithoutAnEntryAreNull) {
    EXPECT_EQ(NVBJsonType::Get(VariantKind::VARIANT_LONG), JsonType::JSON_NUMBER);
    EXPECT_EQ(NVBJsonType::Get(VariantKind::VARIANT_MAP), JsonType::JSON_OBJECT);
    EXPECT_EQ(NVBJsonType::Get(static_cast<VariantKind>(8)), JsonType::JSON_NULL);
    EXPECT_EQ(NVBJsonType::Get(static_cast<VariantKind>(-1)), JsonType::JSON_NULL);
}

}  // namespace
}  // namespace NuvraMobile
