#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "support/CapturingLoggingService.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

using VariantPtr = std::shared_ptr<Variant>;

// Each getter's outcome as text: the value when it succeeds, "!" and the out-parameter when it fails
// (out-parameters start as 77, 77.5, "untouched" or true/false, so an untouched one shows).
std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.17g", value);
    return text;
}

std::string Outcome(bool ok, const std::string& out) { return ok ? out : "!" + out; }

std::string String(const Variant& v) {
    std::string out = "untouched";
    const bool ok = v.GetString(out);
    return Outcome(ok, out);
}
std::string Integer(const Variant& v) {
    int32_t out = 77;
    const bool ok = v.GetInteger(out);
    return Outcome(ok, std::to_string(out));
}
std::string Long(const Variant& v) {
    int64_t out = 77;
    const bool ok = v.GetLong(out);
    return Outcome(ok, std::to_string(out));
}
std::string Double(const Variant& v) {
    double out = 77.5;
    const bool ok = v.GetDouble(out);
    return Outcome(ok, Number(out));
}
// "untouched" when the getter leaves the flag as it was, whatever it was.
std::string Boolean(const Variant& v) {
    bool fromTrue = true;
    bool fromFalse = false;
    const bool ok = v.GetBoolean(fromTrue);
    v.GetBoolean(fromFalse);
    const std::string out = fromTrue != fromFalse ? "untouched" : (fromTrue ? "true" : "false");
    return Outcome(ok, out);
}
std::string ToDouble(const Variant& v) {
    double out = 77.5;
    const bool ok = v.ConvertToDouble(out);
    return Outcome(ok, Number(out));
}
std::string ToText(const Variant& v) {
    std::string out = "untouched";
    const bool ok = v.ConvertToString(out);
    return Outcome(ok, out);
}

struct GetterRow {
    const char* label;
    std::function<VariantPtr()> make;
    const char* string;
    const char* integer;
    const char* long_;
    const char* double_;
    const char* boolean;
    const char* convertToDouble;
    const char* convertToString;
};

const double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

const GetterRow GETTER_ROWS[] = {
    {"string", [] { return Variant::FromString("abc"); }, "abc", "!77", "!77", "!77.5", "!false", "!0",
     "abc"},
    {"string TRUE", [] { return Variant::FromString("TRUE"); }, "TRUE", "!77", "!77", "!77.5", "true", "!0",
     "TRUE"},
    {"string False", [] { return Variant::FromString("False"); }, "False", "!77", "!77", "!77.5", "false",
     "!0", "False"},
    {"string 1", [] { return Variant::FromString("1"); }, "1", "!77", "!77", "!77.5", "true", "1", "1"},
    {"string 0", [] { return Variant::FromString("0"); }, "0", "!77", "!77", "!77.5", "false", "0", "0"},
    {"string yes", [] { return Variant::FromString("yes"); }, "yes", "!77", "!77", "!77.5", "!false", "!0",
     "yes"},
    {"string 12abc", [] { return Variant::FromString("12abc"); }, "12abc", "!77", "!77", "!77.5", "!false",
     "12", "12abc"},
    {"string blank 2.5e1", [] { return Variant::FromString(" \t2.5e1"); }, " \t2.5e1", "!77", "!77", "!77.5",
     "!false", "25", " \t2.5e1"},
    {"string -0x10", [] { return Variant::FromString("-0x10"); }, "-0x10", "!77", "!77", "!77.5", "!false",
     "-16", "-0x10"},
    {"string empty", [] { return Variant::FromString(""); }, "", "!77", "!77", "!77.5", "!false", "!0", ""},
    {"string 1e999", [] { return Variant::FromString("1e999"); }, "1e999", "!77", "!77", "!77.5", "!false",
     "!0", "1e999"},
    {"integer 7", [] { return Variant::FromInteger(7); }, "!untouched", "7", "7", "7", "true", "!77.5", "7"},
    {"integer 0", [] { return Variant::FromInteger(0); }, "!untouched", "0", "0", "0", "false", "!77.5", "0"},
    {"integer min", [] { return Variant::FromInteger(-2147483648); }, "!untouched", "-2147483648",
     "-2147483648", "-2147483648", "true", "!77.5", "-2147483648"},
    {"long 2^31", [] { return Variant::FromLong(2147483648); }, "!untouched", "!0", "2147483648",
     "2147483648", "true", "!77.5", "2147483648"},
    {"long -2^31", [] { return Variant::FromLong(-2147483648LL); }, "!untouched", "-2147483648",
     "-2147483648", "-2147483648", "true", "!77.5", "-2147483648"},
    {"long 2^53-1", [] { return Variant::FromLong(9007199254740991); }, "!untouched", "!0",
     "9007199254740991", "9007199254740991", "true", "!77.5", "9007199254740991"},
    {"long 0", [] { return Variant::FromLong(0); }, "!untouched", "0", "0", "0", "false", "!77.5", "0"},
    {"double 2.5", [] { return Variant::FromDouble(2.5); }, "!untouched", "2", "2", "2.5", "true", "!77.5",
     "2.500000"},
    {"double 3.5", [] { return Variant::FromDouble(3.5); }, "!untouched", "4", "4", "3.5", "true", "!77.5",
     "3.500000"},
    {"double -2.5", [] { return Variant::FromDouble(-2.5); }, "!untouched", "-2", "-2", "-2.5", "true",
     "!77.5", "-2.500000"},
    {"double 0.0", [] { return Variant::FromDouble(0.0); }, "!untouched", "0", "0", "0", "false", "!77.5",
     "0.000000"},
    {"double 2^31-0.6", [] { return Variant::FromDouble(2147483646.4); }, "!untouched", "2147483646",
     "2147483646", "2147483646.4000001", "true", "!77.5", "2147483646.400000"},
    {"double 2^31-0.5", [] { return Variant::FromDouble(2147483647.5); }, "!untouched", "!0", "2147483648",
     "2147483647.5", "true", "!77.5", "2147483647.500000"},
    {"double 2^53", [] { return Variant::FromDouble(9007199254740992.0); }, "!untouched", "!0",
     "9007199254740992", "9007199254740992", "true", "!77.5", "9007199254740992.000000"},
    {"double NaN", [] { return Variant::FromDouble(NOT_A_NUMBER); }, "!untouched", "!0", nullptr, "nan",
     "true", "!77.5", "nan"},
    {"boolean true", [] { return Variant::FromBoolean(true); }, "!untouched", "!77", "!77", "!77.5", "true",
     "1", "1"},
    {"boolean false", [] { return Variant::FromBoolean(false); }, "!untouched", "!77", "!77", "!77.5",
     "false", "0", "0"},
    {"vector", [] { return Variant::FromVariantVector({Variant::FromInteger(1)}); }, "!untouched", "!77",
     "!77", "!77.5", "!untouched", "!77.5", "!untouched"},
    {"map",
     [] {
         return Variant::FromVariantMap({{"a", Variant::FromInteger(1)}});
     },
     "!untouched", "!77", "!77", "!77.5", "!untouched", "!77.5", "!untouched"},
    {"null", [] { return Variant::FromNull(); }, "!untouched", "!77", "!77", "!77.5", "!untouched", "!77.5",
     "!untouched"},
};

TEST(VariantTest, GettersAndConvertersFollowTheKindTable) {
    ScopedCapturingLog log;  // the refused conversions log; keep them out of the test output
    for (const GetterRow& row : GETTER_ROWS) {
        SCOPED_TRACE(row.label);
        const VariantPtr variant = row.make();
        EXPECT_EQ(String(*variant), row.string);
        EXPECT_EQ(Integer(*variant), row.integer);
        if (row.long_ != nullptr) {  // GetLong of NaN is whatever the platform's lrint gives
            EXPECT_EQ(Long(*variant), row.long_);
        }
        EXPECT_EQ(Double(*variant), row.double_);
        EXPECT_EQ(Boolean(*variant), row.boolean);
        EXPECT_EQ(ToDouble(*variant), row.convertToDouble);
        EXPECT_EQ(ToText(*variant), row.convertToString);
    }
}

TEST(VariantTest, RefusedIntegerConversionsLogTheirValue) {
    ScopedCapturingLog log;
    int32_t out = 5;
    EXPECT_FALSE(Variant::FromLong(3000000000)->GetInteger(out));
    EXPECT_FALSE(Variant::FromDouble(-3000000000.5)->GetInteger(out));
    const std::vector<CapturingLoggingService::Line> expected = {
        {LoggingMode::Error, "LongVariant", "3000000000 is outside the bounds of a 32-bit integer"},
        {LoggingMode::Error, "DoubleVariant",
         "Rounded value -3000000000 is outside the bounds of a 32-bit integer"},
    };
    EXPECT_EQ(log.Service().GetLines(), expected);
}

TEST(VariantTest, UnreadableTextLogsAtDebugLevel) {
    ScopedCapturingLog log;
    double out = 1.0;
    EXPECT_FALSE(Variant::FromString("abc")->ConvertToDouble(out));
    ASSERT_EQ(log.Service().GetLines().size(), 1u);
    EXPECT_EQ(log.Service().GetLines()[0].level, LoggingMode::Debug);
    EXPECT_EQ(log.Service().GetLines()[0].tag, "StringVariant");
    EXPECT_TRUE(
        StringUtils::StartsWith(log.Service().GetLines()[0].message, "Cannot convert abc to double, "));
}

TEST(VariantTest, FromLongAcceptsOnlyExactDoubleIntegers) {
    ScopedCapturingLog log;
    struct Case {
        int64_t value;
        bool accepted;
    };
    const Case cases[] = {
        {9007199254740991, true},
        {-9007199254740991, true},
        {9007199254740992, false},
        {-9007199254740992, false},
        {std::numeric_limits<int64_t>::max(), false},
        {std::numeric_limits<int64_t>::min(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        if (c.accepted) {
            int64_t out = 0;
            EXPECT_TRUE(Variant::FromLong(c.value)->GetLong(out));
            EXPECT_EQ(out, c.value);
            continue;
        }
        try {
            Variant::FromLong(c.value);
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "std.logic_error.out_of_range");
            EXPECT_EQ(error.GetMessage(), "Integer cannot be stored accurately in a double");
        }
    }
    EXPECT_TRUE(log.Service().Contains(
        "9007199254740992 is outside the bounds of a double and may cause interop problems"));
}

TEST(VariantTest, KindsAndNumericKinds) {
    EXPECT_EQ(Variant::FromNull()->GetKind(), VariantKind::VARIANT_NULL);
    EXPECT_EQ(Variant::FromStringVector({"a"})->GetKind(), VariantKind::VARIANT_VECTOR);
    EXPECT_EQ(Variant::FromStringMap({{"a", "b"}})->GetKind(), VariantKind::VARIANT_MAP);
    for (int kind = 0; kind <= 7; ++kind) {
        EXPECT_EQ(Variant::IsNumericKind(static_cast<VariantKind>(kind)), kind >= 2 && kind <= 4) << kind;
    }
}

TEST(VariantTest, EqualityRequiresTheSameKind) {
    struct Case {
        const char* label;
        VariantPtr left;
        VariantPtr right;
        bool equal;
    };
    const VariantPtr shared = Variant::FromString("x");
    const Case cases[] = {
        {"integer and long 1", Variant::FromInteger(1), Variant::FromLong(1), false},
        {"long and double 1", Variant::FromLong(1), Variant::FromDouble(1.0), false},
        {"equal integers", Variant::FromInteger(1), Variant::FromInteger(1), true},
        {"strings", Variant::FromString("a"), Variant::FromString("a"), true},
        {"different strings", Variant::FromString("a"), Variant::FromString("b"), false},
        {"nulls", Variant::FromNull(), Variant::FromNull(), true},
        {"null and empty string", Variant::FromNull(), Variant::FromString(""), false},
        {"0.0 and -0.0", Variant::FromDouble(0.0), Variant::FromDouble(-0.0), true},
        {"NaN and NaN", Variant::FromDouble(NOT_A_NUMBER), Variant::FromDouble(NOT_A_NUMBER), false},
        {"booleans", Variant::FromBoolean(true), Variant::FromBoolean(true), true},
        {"vectors", Variant::FromVariantVector({shared, Variant::FromNull()}),
         Variant::FromVariantVector({Variant::FromString("x"), Variant::FromNull()}), true},
        {"vectors in another order", Variant::FromStringVector({"a", "b"}),
         Variant::FromStringVector({"b", "a"}), false},
        {"shorter vector", Variant::FromStringVector({"a"}), Variant::FromStringVector({"a", "b"}), false},
        {"maps built differently", Variant::FromStringMap({{"a", "1"}, {"b", "2"}}),
         Variant::FromVariantMap({{"b", Variant::FromString("2")}, {"a", Variant::FromString("1")}}), true},
        {"maps with another value", Variant::FromStringMap({{"a", "1"}}),
         Variant::FromStringMap({{"a", "2"}}), false},
        {"maps with another key", Variant::FromStringMap({{"a", "1"}}), Variant::FromStringMap({{"b", "1"}}),
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.left->Equals(*c.right), c.equal) << c.label;
        EXPECT_EQ(c.right->Equals(*c.left), c.equal) << c.label;
    }
}

TEST(VariantTest, EmptyPointersInContainersBecomeNulls) {
    const VariantPtr vector = Variant::FromVariantVector({nullptr, Variant::FromInteger(1)});
    std::vector<VariantPtr> elements;
    ASSERT_TRUE(vector->GetVariantVector(elements));
    ASSERT_EQ(elements.size(), 2u);
    ASSERT_NE(elements[0], nullptr);
    EXPECT_EQ(elements[0]->GetKind(), VariantKind::VARIANT_NULL);

    const VariantPtr map = Variant::FromVariantMap({{"k", nullptr}});
    std::map<std::string, VariantPtr> entries;
    ASSERT_TRUE(map->GetVariantMap(entries));
    ASSERT_NE(entries["k"], nullptr);
    EXPECT_EQ(entries["k"]->GetKind(), VariantKind::VARIANT_NULL);
}

TEST(VariantTest, CopySharesTheElements) {
    const VariantPtr element = Variant::FromString("e");
    const VariantPtr original = Variant::FromVariantVector({element});
    const VariantPtr copy = original->Copy();
    EXPECT_NE(copy, original);
    EXPECT_TRUE(copy->Equals(*original));
    std::vector<VariantPtr> elements;
    copy->GetVariantVector(elements);
    EXPECT_EQ(elements[0], element);

    for (const VariantPtr& scalar :
         {Variant::FromNull(), Variant::FromString("s"), Variant::FromInteger(3), Variant::FromLong(4),
          Variant::FromDouble(5.5), Variant::FromBoolean(true), Variant::FromStringMap({{"a", "b"}})}) {
        EXPECT_EQ(scalar->Copy()->GetKind(), scalar->GetKind());
        EXPECT_TRUE(scalar->Copy()->Equals(*scalar));
    }
}

TEST(VariantTest, GetStringMapKeepsTheConvertibleEntries) {
    const VariantPtr map = Variant::FromVariantMap({{"s", Variant::FromString("text")},
                                                    {"i", Variant::FromInteger(4)},
                                                    {"m", Variant::FromStringMap({{"x", "y"}})}});
    std::map<std::string, std::string> out = {{"stale", "entry"}};
    ASSERT_TRUE(map->GetStringMap(out));
    const std::map<std::string, std::string> expected = {{"i", "4"}, {"s", "text"}};
    EXPECT_EQ(out, expected);

    std::map<std::string, std::string> untouched = {{"keep", "me"}};
    EXPECT_FALSE(Variant::FromString("x")->GetStringMap(untouched));
    EXPECT_EQ(untouched.size(), 1u);
}

TEST(VariantTest, PrettyRenderingShowsOnlyTheValue) {
    struct Case {
        VariantPtr variant;
        const char* text;
    };
    const Case cases[] = {
        {Variant::FromString("a\tb"), "\"a\\tb\""},
        {Variant::FromInteger(-5), "-5"},
        {Variant::FromLong(9007199254740991), "9007199254740991"},
        {Variant::FromDouble(1.5), "1.500000"},
        {Variant::FromBoolean(true), "true"},
        {Variant::FromVariantVector({Variant::FromInteger(1), Variant::FromString("a")}), "[ 1, \"a\" ]"},
        {Variant::FromVariantMap({{"k", Variant::FromInteger(1)}}), "[ [ \"k\", 1 ] ]"},
        {Variant::FromVariantVector({}), "[]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.variant->ToString(ToStringOptions::Pretty()), c.text);
    }
}

TEST(VariantTest, CompactRenderingDescribesTheClassChain) {
    const std::string objectPart = "super: { class: \"Variant\",  super: { class: \"Object\", this: ";
    struct Case {
        VariantPtr variant;
        std::string prefix;
    };
    const Case cases[] = {
        {Variant::FromNull(), "{ class: \"NullVariant\",  " + objectPart},
        {Variant::FromString("s"), "{ class: \"StringVariant\",  value: \"s\", " + objectPart},
        {Variant::FromInteger(2), "{ class: \"IntegerVariant\",  value: 2, " + objectPart},
        {Variant::FromLong(3), "{ class: \"LongVariant\",  value: 3, " + objectPart},
        {Variant::FromDouble(0.25), "{ class: \"DoubleVariant\",  value: 0.250000, " + objectPart},
        {Variant::FromBoolean(false), "{ class: \"BooleanVariant\",  value: false, " + objectPart},
    };
    for (const Case& c : cases) {
        const std::string text = c.variant->ToString();
        EXPECT_TRUE(StringUtils::StartsWith(text, c.prefix)) << text;
        EXPECT_TRUE(StringUtils::EndsWith(text, "\" } } }")) << text;
    }
}

}  // namespace
}  // namespace NuvraMobile
