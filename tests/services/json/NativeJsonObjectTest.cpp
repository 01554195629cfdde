#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "services/json/JsonErrorText.h"
#include "services/json/NativeJsonArray.h"
#include "services/json/NativeJsonObject.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

const char SAMPLE[] = R"({"a": true, "b": 1, "c": 1.5, "d": null, "e": "x", "f": [1], "g": {"h": 2}})";

std::shared_ptr<NativeJsonObject> Parse(const std::string& text) {
    return std::make_shared<NativeJsonObject>(text);
}

TEST(NativeJsonObjectTest, ReportsTheTypeOfEveryMember) {
    const auto object = Parse(SAMPLE);
    const std::map<std::string, JsonType> expected = {
        {"a", JsonType::JSON_BOOLEAN}, {"b", JsonType::JSON_NUMBER}, {"c", JsonType::JSON_NUMBER},
        {"d", JsonType::JSON_NULL},    {"e", JsonType::JSON_STRING}, {"f", JsonType::JSON_ARRAY},
        {"g", JsonType::JSON_OBJECT},
    };
    for (const auto& [key, type] : expected) {
        EXPECT_EQ(object->GetType(key), type) << key;
    }
    EXPECT_EQ(object->Length(), 7u);
}

TEST(NativeJsonObjectTest, TextThatIsNotAnObjectIsRefused) {
    for (const char* text : {"", "5", "null", "\"text\"", "[1, 2]", "{", "{\"a\": }", "{\"a\": 1} x",
                             "{'a': 1}", "{\"a\": \"\xff\"}"}) {
        EXPECT_EQ(CodeOf([&] { Parse(text); }), "json.serialization_error") << text;
    }
    EXPECT_TRUE(
        ErrorOf([] {
            Parse("[1]");
        }).rfind("json.serialization_error | Failed to create json object for string: [1] error: ", 0) == 0);
    EXPECT_EQ(Parse("{}")->Length(), 0u);
}

TEST(NativeJsonObjectTest, TypedReadsRaiseNamedErrors) {
    const auto object = Parse(SAMPLE);
    struct Case {
        const char* label;
        std::function<void()> read;
        const char* error;
    };
    const Case cases[] = {
        {"int of a string", [&] { object->GetInt("e"); }, "json.value_not_numeric_type | key: e"},
        {"int of a missing key", [&] { object->GetInt("zz"); }, "json.key_not_found | key: zz"},
        {"type of a missing key", [&] { object->GetType("zz"); }, "json.key_not_found | key: zz"},
        {"string of a number", [&] { object->GetString("b"); }, "json.value_not_string_type | key: b"},
        {"boolean of a number", [&] { object->GetBoolean("b"); }, "json.value_not_boolean_type | key: b"},
        {"object of an array", [&] { object->GetJsonObject("f"); }, "json.value_not_object_type | key: f"},
        {"array of an object", [&] { object->GetJsonArray("g"); }, "json.value_not_array_type | key: g"},
        {"double of null", [&] { object->GetDouble("d"); }, "json.value_not_numeric_type | key: d"},
        {"boolean", [&] { EXPECT_TRUE(object->GetBoolean("a")); }, "none"},
        {"string", [&] { EXPECT_EQ(object->GetString("e"), "x"); }, "none"},
        {"long of 1.5", [&] { EXPECT_EQ(object->GetLong("c"), 2); }, "none"},
        {"double of 1", [&] { EXPECT_EQ(object->GetDouble("b"), 1.0); }, "none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(c.read), c.error) << c.label;
    }
}

TEST(NativeJsonObjectTest, OptionalReadsFallBackInsteadOfRaising) {
    const auto object = Parse(SAMPLE);
    EXPECT_EQ(object->OptInt("e", 7), 7);
    EXPECT_EQ(object->OptInt("zz", 7), 7);
    EXPECT_EQ(object->OptInt("b", 7), 1);
    EXPECT_EQ(object->OptString("b", "fallback"), "fallback");
    EXPECT_EQ(object->OptString("e", "fallback"), "x");
    EXPECT_TRUE(object->OptBoolean("b", true));
    EXPECT_TRUE(object->OptBoolean("a", false));
    EXPECT_EQ(object->OptDouble("d", 2.5), 2.5);
    EXPECT_EQ(object->OptLong("c", 9), 2);
    EXPECT_EQ(object->OptJsonObject("f"), nullptr);
    EXPECT_EQ(object->OptJsonArray("g"), nullptr);
    ASSERT_NE(object->OptJsonObject("g"), nullptr);
    EXPECT_EQ(object->OptJsonObject("g")->GetInt("h"), 2);
    ASSERT_NE(object->OptJsonArray("f"), nullptr);
    EXPECT_EQ(object->OptJsonArray("f")->Length(), 1u);
}

TEST(NativeJsonObjectTest, NumbersConvertBetweenKinds) {
    ScopedCapturingLog log;
    auto object = std::make_shared<NativeJsonObject>(std::map<std::string, std::shared_ptr<Variant>>{
        {"big", Variant::FromLong(3000000000)},
        {"half", Variant::FromDouble(2.5)},
        {"threeHalves", Variant::FromDouble(3.5)},
        {"minusHalf", Variant::FromDouble(-2.5)},
    });
    EXPECT_EQ(object->GetInt("big"), 0);
    EXPECT_TRUE(log.Service().Contains("3000000000 is outside the bounds of a 32-bit integer"));
    EXPECT_EQ(object->OptInt("big", 5), 0);
    EXPECT_EQ(object->GetLong("big"), 3000000000);
    EXPECT_EQ(object->GetInt("half"), 2);
    EXPECT_EQ(object->GetInt("threeHalves"), 4);
    EXPECT_EQ(object->GetLong("minusHalf"), -2);
}

TEST(NativeJsonObjectTest, NestedDocumentsAreCopies) {
    const auto object = Parse(SAMPLE);
    const std::shared_ptr<JsonObject> nested = object->GetJsonObject("g");
    nested->PutInt("h", 9);
    EXPECT_EQ(object->GetJsonObject("g")->GetInt("h"), 2);
    const std::shared_ptr<JsonObject> optional = object->OptJsonObject("g");
    optional->Remove("h");
    EXPECT_EQ(optional->Length(), 0u);
    EXPECT_EQ(object->GetJsonObject("g")->Length(), 1u);

    auto child = std::make_shared<NativeJsonObject>("{\"k\": 1}");
    object->PutJsonObject("x", child);
    child->PutInt("k", 5);
    EXPECT_EQ(object->GetJsonObject("x")->GetInt("k"), 1);

    auto array = std::make_shared<NativeJsonArray>("[1]");
    object->PutJsonArray("y", array);
    array->PutInt(2);
    EXPECT_EQ(object->GetJsonArray("y")->Length(), 1u);
}

TEST(NativeJsonObjectTest, PutsChainAndReplace) {
    auto object = std::make_shared<NativeJsonObject>("{}");
    const std::shared_ptr<JsonObject> self =
        object->PutInt("i", 1)->PutString("s", "t")->PutBoolean("b", true);
    EXPECT_EQ(self.get(), static_cast<JsonObject*>(object.get()));
    object->PutDouble("i", 2.5)->PutLong("l", 7);
    EXPECT_EQ(object->GetDouble("i"), 2.5);
    EXPECT_EQ(object->Length(), 4u);
    EXPECT_EQ(object->PutJsonObject("o", nullptr).get(), static_cast<JsonObject*>(object.get()));
    EXPECT_EQ(object->PutJsonArray("a", nullptr).get(), static_cast<JsonObject*>(object.get()));
    EXPECT_FALSE(object->Contains("o"));
    EXPECT_FALSE(object->Contains("a"));
}

TEST(NativeJsonObjectTest, PutLongOutOfRangeChangesNothing) {
    ScopedCapturingLog log;
    auto object = std::make_shared<NativeJsonObject>("{\"l\": 1}");
    EXPECT_EQ(CodeOf([&] { object->PutLong("l", 9007199254740992); }), "std.logic_error.out_of_range");
    EXPECT_EQ(object->GetLong("l"), 1);
}

TEST(NativeJsonObjectTest, KeysAppendInOrderAndRemoveForgets) {
    auto object = Parse(R"({"b": 1, "a": 2})");
    std::vector<std::string> keys = {"z"};
    object->Keys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"z", "a", "b"}));
    object->Remove("missing");
    EXPECT_EQ(object->Length(), 2u);
    object->Remove("a");
    EXPECT_EQ(object->Length(), 1u);
    EXPECT_FALSE(object->Contains("a"));
}

// An empty string is a value like any other: an empty name must reach the reader as "".
TEST(NativeJsonObjectTest, WrittenTextLeavesOutMembersWithoutValue) {
    auto object = std::make_shared<NativeJsonObject>(std::map<std::string, std::shared_ptr<Variant>>{
        {"a", Variant::FromString("")},
        {"b", Variant::FromNull()},
        {"c", nullptr},
        {"d", Variant::FromString("bad \xc3")},
        {"bad key \xc3", Variant::FromInteger(1)},
        {"e", Variant::FromString("kept")},
        {"n", Variant::FromVariantMap({{"inner", Variant::FromNull()}, {"x", Variant::FromInteger(1)}})},
        {"v", Variant::FromVariantVector({Variant::FromNull(), Variant::FromString(""),
                                          Variant::FromDouble(0.5), Variant::FromString("bad \xc3")})},
    });
    EXPECT_EQ(object->ToString(), R"({"a":"","e":"kept","n":{"x":1},"v":[null,"",0.5,null]})");
    const auto reread = Parse(object->ToString());
    std::vector<std::string> keys;
    reread->Keys(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "e", "n", "v"}));
    EXPECT_EQ(reread->GetString("a"), "");
}

TEST(NativeJsonObjectTest, WrittenTextIsCompactAndTheSameEveryTime) {
    const auto object =
        Parse(R"({"z": [1, 2.5, "s", false], "a": {"y": 1e3, "b": -0.125}, "m": 12345678901, "e": {}, "f": []})");
    const std::string text = object->ToString();
    EXPECT_EQ(Parse(text)->ToString(), text);
    EXPECT_EQ(text, R"({"a":{"b":-0.125,"y":1000.0},"e":{},"f":[],"m":12345678901,"z":[1,2.5,"s",false]})");
}

// Each value is written so that it reads back as the same value of the same kind.
TEST(NativeJsonObjectTest, WrittenValuesReadBackUnchanged) {
    struct Case {
        std::shared_ptr<Variant> value;
        const char* text;
    };
    const Case cases[] = {
        {Variant::FromString("quote \" backslash \\ slash /"), R"("quote \" backslash \\ slash /")"},
        {Variant::FromString("\b\f\n\r\t"), R"("\b\f\n\r\t")"},
        {Variant::FromString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\""},
        {Variant::FromString(std::string("nul \0 inside", 12)), R"("nul \u0000 inside")"},
        {Variant::FromString("caf\xc3\xa9 \xe2\x82\xac"), "\"caf\xc3\xa9 \xe2\x82\xac\""},
        {Variant::FromInteger(-2147483647 - 1), "-2147483648"},
        {Variant::FromLong(9007199254740991), "9007199254740991"},
        {Variant::FromLong(-9007199254740991), "-9007199254740991"},
        {Variant::FromDouble(0.1), "0.1"},
        {Variant::FromDouble(-0.0), "-0.0"},
        {Variant::FromDouble(1e300), "1e+300"},
        {Variant::FromDouble(5e-324), "5e-324"},
        {Variant::FromDouble(1.7976931348623157e308), "1.7976931348623157e+308"},
        {Variant::FromDouble(123456789012.5), "123456789012.5"},
        {Variant::FromBoolean(true), "true"},
    };
    for (const Case& c : cases) {
        const auto object =
            std::make_shared<NativeJsonObject>(std::map<std::string, std::shared_ptr<Variant>>{{"k", c.value}});
        const std::string text = object->ToString();
        EXPECT_EQ(text, std::string("{\"k\":") + c.text + "}");
        const auto reread = Parse(text);
        EXPECT_EQ(reread->GetType("k"), object->GetType("k")) << text;
        if (c.value->GetKind() == VariantKind::VARIANT_STRING) {
            EXPECT_EQ(reread->GetString("k"), object->GetString("k")) << text;
        } else if (c.value->GetKind() == VariantKind::VARIANT_DOUBLE) {
            EXPECT_EQ(reread->GetDouble("k"), object->GetDouble("k")) << text;
        } else if (c.value->GetKind() != VariantKind::VARIANT_BOOLEAN) {
            EXPECT_EQ(reread->GetLong("k"), object->GetLong("k")) << text;
        }
    }
}

TEST(NativeJsonObjectTest, NumbersThatAreNotFiniteAreWrittenAsNull) {
    for (const double number : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()}) {
        auto object = std::make_shared<NativeJsonObject>(
            std::map<std::string, std::shared_ptr<Variant>>{{"k", Variant::FromDouble(number)}});
        EXPECT_EQ(object->ToString(), R"({"k":null})");
    }
}

TEST(NativeJsonObjectTest, IntegersBeyondTheLongRangeAreRefused) {
    ScopedCapturingLog log;
    EXPECT_EQ(CodeOf([] { Parse(R"({"n": 9007199254740992})"); }), "std.logic_error.out_of_range");
    EXPECT_EQ(CodeOf([] { Parse(R"({"n": -9007199254740992})"); }), "std.logic_error.out_of_range");
    EXPECT_EQ(CodeOf([] { Parse(R"({"n": 18446744073709551615})"); }), "std.logic_error.out_of_range");
    EXPECT_EQ(Parse(R"({"n": 9007199254740991})")->GetLong("n"), 9007199254740991);
    EXPECT_EQ(Parse(R"({"n": 1e300})")->GetDouble("n"), 1e300);
}

// Hostile input: deep nesting and oversized text are refused with an error, never a crash.
TEST(NativeJsonObjectTest, HostileTextIsRefused) {
    const auto nested = [](size_t depth) {
        std::string text;
        for (size_t i = 0; i < depth; ++i) text += "{\"a\":";
        text += "1";
        for (size_t i = 0; i < depth; ++i) text += "}";
        return text;
    };
    EXPECT_EQ(CodeOf([&] { Parse(nested(300)); }), "json.serialization_error");
    EXPECT_EQ(CodeOf([&] { Parse(nested(100000)); }), "json.serialization_error");
    EXPECT_EQ(CodeOf([&] { Parse(nested(257)); }), "json.serialization_error");
    EXPECT_EQ(CodeOf([&] { Parse(nested(256)); }), "none");

    std::string huge = "{\"a\": \"" + std::string(16 * 1024 * 1024, 'x') + "\"}";
    const std::string error = ErrorOf([&] { Parse(huge); });
    EXPECT_EQ(error.rfind("json.serialization_error | ", 0), 0u);
    EXPECT_LT(error.size(), 1000u);
}

TEST(NativeJsonObjectTest, WritingADocumentNestedTooDeeplyIsRefused) {
    // The document's own object counts as the first level.
    const auto nested = [](int levels) {
        std::shared_ptr<Variant> value = Variant::FromInteger(1);
        for (int i = 1; i < levels; ++i) {
            value = i % 2 ? Variant::FromVariantMap({{"a", value}}) : Variant::FromVariantVector({value});
        }
        return std::make_shared<NativeJsonObject>(std::map<std::string, std::shared_ptr<Variant>>{{"a", value}});
    };
    EXPECT_EQ(ErrorOf([&] { nested(256)->ToString(); }), "none");
    for (const int levels : {257, 300}) {
        const std::string error = ErrorOf([&] { nested(levels)->ToString(); });
        EXPECT_EQ(error.rfind("json.serialization_error | Failed to convert JSON Object into a string:", 0), 0u)
            << error;
    }
}

}  // namespace
}  // namespace NuvraMobile
