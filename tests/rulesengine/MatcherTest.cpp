#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <regex>

#include "core/values/Variant.h"
#include "rulesengine/Matcher.h"
#include "rulesengine/RulesTestSupport.h"
#include "support/CapturingLoggingService.h"
#include "support/VariantShorthands.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

std::shared_ptr<Matcher> BuildMatcher(const std::string& kind, const std::string& values) {
    return Matcher::MatcherWithJsonObject(
        ParseJson("{\"key\": \"k\", \"matcher\": \"" + kind + "\", \"values\": " + values + "}"));
}

std::shared_ptr<Variant> Null() { return Variant::FromNull(); }
std::shared_ptr<Variant> Long(int64_t number) { return Variant::FromLong(number); }
std::shared_ptr<Variant> Double(double number) { return Variant::FromDouble(number); }
std::shared_ptr<Variant> Bool(bool flag) { return Variant::FromBoolean(flag); }
std::shared_ptr<Variant> List() { return Variant::FromVariantVector({Text("abc")}); }
std::shared_ptr<Variant> Map() { return Variant::FromVariantMap({{"a", Text("abc")}}); }

struct MatchCase {
    const char* name;
    const char* kind;
    const char* values;
    std::shared_ptr<Variant> eventValue;
    bool expected;
};

std::ostream& operator<<(std::ostream& stream, const MatchCase& matchCase) {
    return stream << matchCase.name;
}

class MatcherCaseTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatcherCaseTest, AnswersAsItsKindDefines) {
    const MatchCase& matchCase = GetParam();
    const std::shared_ptr<Matcher> matcher = BuildMatcher(matchCase.kind, matchCase.values);
    ASSERT_NE(matcher, nullptr);
    EXPECT_EQ(matcher->Matches(matchCase.eventValue), matchCase.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Equality, MatcherCaseTest,
    testing::Values(MatchCase{"TextsIgnoreCase", "eq", "[\"ABC\"]", Text("abc"), true},
                    MatchCase{"DifferentTexts", "eq", "[\"abc\"]", Text("abd"), false},
                    MatchCase{"NumberAgainstNumericText", "eq", "[5]", Text("5.0"), true},
                    MatchCase{"NumberAgainstInteger", "eq", "[5]", Int(5), true},
                    MatchCase{"NumberAgainstLong", "eq", "[5]", Long(5), true},
                    MatchCase{"NumberAgainstTextWithTrailingWords", "eq", "[5]", Text("5 apples"), true},
                    MatchCase{"NumberAgainstWords", "eq", "[5]", Text("five"), false},
                    MatchCase{"NumericTextAgainstInteger", "eq", "[\"5\"]", Int(5), true},
                    MatchCase{"NumericTextAgainstDouble", "eq", "[\"5\"]", Double(5), false},
                    MatchCase{"SixDecimalTextAgainstDouble", "eq", "[\"5.000000\"]", Double(5), true},
                    MatchCase{"TextTrueAgainstBooleanTrue", "eq", "[\"true\"]", Bool(true), true},
                    MatchCase{"TextOneAgainstBooleanTrue", "eq", "[\"1\"]", Bool(true), true},
                    MatchCase{"BooleanAgainstTextFalse", "eq", "[false]", Text("FALSE"), true},
                    MatchCase{"FirstBooleanComparisonEndsSearch", "eq", "[false, true]", Bool(true), false},
                    MatchCase{"WordBeforeBooleanEndsSearch", "eq", "[\"x\", true]", Bool(true), false},
                    MatchCase{"DoubleOneIsNoBoolean", "eq", "[1]", Bool(true), false},
                    MatchCase{"BooleanTrueAgainstIntegerOne", "eq", "[true]", Int(1), true},
                    MatchCase{"BooleanFalseAgainstLongZero", "eq", "[false]", Long(0), true},
                    MatchCase{"BooleanTrueAgainstIntegerTwo", "eq", "[true, 2]", Int(2), false},
                    MatchCase{"WordAgainstBoolean", "eq", "[\"abc\"]", Bool(true), false},
                    MatchCase{"SecondValueMatches", "eq", "[\"x\", \"y\"]", Text("Y"), true},
                    MatchCase{"NoValues", "eq", "[]", Text("a"), false},
                    MatchCase{"MissingKey", "eq", "[\"a\"]", Null(), false},
                    MatchCase{"ListEventValue", "eq", "[\"abc\"]", List(), false},
                    MatchCase{"MapEventValue", "eq", "[\"abc\"]", Map(), false},
                    MatchCase{"ValueWithoutKindIsSkipped", "eq", "[null, {}, \"a\"]", Text("a"), true},
                    MatchCase{"NotANumberEqualsNoNumber", "eq", "[5]",
                              Double(std::numeric_limits<double>::quiet_NaN()), false},
                    MatchCase{"NotEqualsDifferent", "ne", "[\"a\"]", Text("b"), true},
                    MatchCase{"NotEqualsSame", "ne", "[\"a\"]", Text("A"), false},
                    MatchCase{"NotEqualsMissingKey", "ne", "[\"a\"]", Null(), false},
                    MatchCase{"NotEqualsNoValues", "ne", "[]", Text("a"), true}),
    testing::PrintToStringParamName());

INSTANTIATE_TEST_SUITE_P(Ordering, MatcherCaseTest,
                         testing::Values(MatchCase{"GreaterNumericText", "gt", "[10]", Text("11"), true},
                                         MatchCase{"GreaterDouble", "gt", "[10]", Double(10.5), true},
                                         MatchCase{"NotGreaterWhenEqual", "gt", "[10]", Int(10), false},
                                         MatchCase{"GreaterNeverBoolean", "gt", "[0]", Bool(true), false},
                                         MatchCase{"GreaterThanTextValue", "gt", "[\"9.5\"]", Int(10), true},
                                         MatchCase{"GreaterNonNumericText", "gt", "[1]", Text("abc"), false},
                                         MatchCase{"GreaterAnyValue", "gt", "[100, 5]", Int(10), true},
                                         MatchCase{"GreaterMissingKey", "gt", "[1]", Null(), false},
                                         MatchCase{"GreaterOrEqualWhenEqual", "ge", "[10]", Long(10), true},
                                         MatchCase{"GreaterOrEqualSmaller", "ge", "[10]", Int(9), false},
                                         MatchCase{"LessThan", "lt", "[10]", Text(" 9"), true},
                                         MatchCase{"NotLessWhenEqual", "lt", "[10]", Double(10), false},
                                         MatchCase{"LessOrEqualWhenEqual", "le", "[10]", Int(10), true},
                                         MatchCase{"LessOrEqualLarger", "le", "[10]", Int(11), false},
                                         MatchCase{"LessNoValues", "le", "[]", Int(1), false},
                                         MatchCase{"LessNotANumber", "lt", "[10]",
                                                   Double(std::numeric_limits<double>::quiet_NaN()), false}),
                         testing::PrintToStringParamName());

INSTANTIATE_TEST_SUITE_P(
    Patterns, MatcherCaseTest,
    testing::Values(
        MatchCase{"ContainsWildcardUpperCase", "co", "[\"a.c\"]", Text("ABC"), true},
        MatchCase{"ContainsWildcardLowerCase", "co", "[\"a.c\"]", Text("xabcx"), true},
        MatchCase{"ContainsUpperCasePattern", "co", "[\"BC\"]", Text("abcd"), true},
        MatchCase{"ContainsIntegerText", "co", "[\"2\"]", Int(123), true},
        MatchCase{"ContainsDoubleText", "co", "[\"5.000\"]", Double(5), true},
        MatchCase{"ContainsNotInBoolean", "co", "[\"true\"]", Bool(true), false},
        MatchCase{"ContainsNotInList", "co", "[\"abc\"]", List(), false},
        MatchCase{"ContainsSkipsNumberValues", "co", "[1, \"z\"]", Text("1"), false},
        MatchCase{"ContainsMissingKey", "co", "[\"a\"]", Null(), false},
        MatchCase{"ContainsAlternation", "co", "[\"x|b\"]", Text("abc"), true},
        MatchCase{"StartsWith", "sw", "[\"ab\"]", Text("ABCD"), true},
        MatchCase{"StartsWithOnlyAtStart", "sw", "[\"bc\"]", Text("abcd"), false},
        MatchCase{"StartsWithAlternationAnchorsFirstBranch", "sw", "[\"x|c\"]", Text("abc"), true},
        MatchCase{"StartsWithExpression", "sw", "[\"a.c\"]", Text("abcd"), true},
        MatchCase{"EndsWith", "ew", "[\"cd\"]", Text("abcd"), true},
        MatchCase{"EndsWithOnlyAtEnd", "ew", "[\"bc\"]", Text("abcd"), false},
        MatchCase{"EndsWithExpression", "ew", "[\"c.\"]", Text("abcd"), true},
        // Several expressions of one matcher are searched together: each keeps its own
        // anchor and alternation.
        MatchCase{"StartsWithSecondOfSeveralExpressions", "sw", "[\"y.z\", \"a.c\"]", Text("abcd"), true},
        MatchCase{"StartsWithNoneOfSeveralExpressions", "sw", "[\"y.z\", \"a.c\"]", Text("zabc"), false},
        MatchCase{"StartsWithSeveralKeepEachAlternation", "sw", "[\"x|c\", \"q.*z\"]", Text("abc"), true},
        MatchCase{"EndsWithSeveralKeepEachAlternation", "ew", "[\"a|x\", \"b+c\"]", Text("abz"), true},
        MatchCase{"EndsWithNoneOfSeveralExpressions", "ew", "[\"x|y\", \"b+c\"]", Text("bcz"), false},
        MatchCase{"ContainsLiteralBesideExpressions", "co", "[\"zz\", \"b.d\", \"q+\"]", Text("ABCD"), true},
        MatchCase{"NotContainsAnyOfSeveralExpressions", "nc", "[\"x.y\", \"c$\"]", Text("abc"), false},
        MatchCase{"NotContainsAbsentText", "nc", "[\"x\"]", Text("abc"), true},
        MatchCase{"NotContainsPresentText", "nc", "[\"B\"]", Text("abc"), false},
        MatchCase{"NotContainsBoolean", "nc", "[\"true\"]", Bool(true), true},
        MatchCase{"NotContainsMissingKey", "nc", "[\"x\"]", Null(), false},
        MatchCase{"NotContainsNoValues", "nc", "[]", Text("abc"), true},
        MatchCase{"InvalidPatternNeverContains", "co", "[\"(\", \"a\"]", Text("abc"), false},
        MatchCase{"InvalidPatternAmongExpressionsNeverContains", "co", "[\"a.c\", \"b+\", \"(\"]",
                  Text("abc"), false},
        MatchCase{"InvalidPatternNeverNotContains", "nc", "[\"[\"]", Text("abc"), false}),
    testing::PrintToStringParamName());

INSTANTIATE_TEST_SUITE_P(Existence, MatcherCaseTest,
                         testing::Values(MatchCase{"ExistsPresent", "ex", "[]", Text(""), true},
                                         MatchCase{"ExistsMissing", "ex", "[]", Null(), false},
                                         MatchCase{"NotExistsMissing", "nx", "[]", Null(), true},
                                         MatchCase{"NotExistsPresent", "nx", "[]", Bool(false), false}),
                         testing::PrintToStringParamName());

TEST(MatcherTest, IntegralRuleValueStandsForBoolean) {
    const std::shared_ptr<Matcher> matcher = Matcher::InitializeMatcherTypeDictionary("eq");
    matcher->SetValues({Int(0), Int(1)});
    EXPECT_TRUE(matcher->Matches(Bool(false)));
    EXPECT_FALSE(matcher->Matches(Bool(true))) << "the first boolean comparison ends the search";
}

TEST(MatcherTest, LiteralAndExpressionSearchesAgree) {
    // Values free of pattern syntax are searched as plain text: the answers must equal the expression's.
    const char* subjects[] = {"", "abc", "ABC", "xaby", "ab", "b", "caB"};
    const char* values[] = {"ab", "", "b", "cab", "abcd"};
    for (const char* kind : {"co", "sw", "ew"}) {
        for (const char* value : values) {
            const std::shared_ptr<Matcher> literal = BuildMatcher(kind, std::string("[\"") + value + "\"]");
            const std::shared_ptr<Matcher> expression =
                BuildMatcher(kind, std::string("[\"(?:") + value + ")\"]");
            for (const char* subject : subjects) {
                EXPECT_EQ(literal->Matches(Text(subject)), expression->Matches(Text(subject)))
                    << kind << " " << value << " in " << subject;
            }
        }
    }
}

TEST(MatcherTest, AgreesWithEcmaScriptWhereTheSyntaxIsShared) {
    // On the syntax both engines read alike, a pattern finds what an ECMAScript expression finds; a
    // pattern refused by the matcher's engine must never match.
    const std::string patternAlphabet = "ab.*+?()|^$1";
    const std::string subjectAlphabet = "abAB1";
    std::mt19937 random(11);
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string pattern;
        for (size_t length = 1 + random() % 8; pattern.size() < length;) {
            pattern += patternAlphabet[random() % patternAlphabet.size()];
        }
        for (const char* kind : {"co", "sw", "ew"}) {
            const std::string anchored = std::string(kind) == "sw"   ? "^" + pattern
                                         : std::string(kind) == "ew" ? pattern + "$"
                                                                     : pattern;
            std::regex reference;
            try {
                reference = std::regex(anchored, std::regex::ECMAScript | std::regex::icase);
            } catch (const std::regex_error&) {
                continue;
            }
            ScopedCapturingLog log(LoggingMode::Warning);
            const auto matcher = Matcher::InitializeMatcherTypeDictionary(kind);
            matcher->SetValues({Text(pattern)});
            const bool refused = log.Service().Contains("never matches");
            for (int subjects = 0; subjects < 8; ++subjects) {
                std::string subject;
                for (size_t length = random() % 7; subject.size() < length;) {
                    subject += subjectAlphabet[random() % subjectAlphabet.size()];
                }
                const bool expected = !refused && std::regex_search(StringUtils::ToLower(subject), reference);
                ASSERT_EQ(matcher->Matches(Text(subject)), expected)
                    << kind << " /" << pattern << "/ in \"" << subject << "\"";
                compared += refused ? 0 : 1;
            }
        }
    }
    EXPECT_GT(compared, 1000);
}

struct HostileCase {
    const char* name;
    std::string pattern;
    std::string subject;
    bool expected;
};

std::ostream& operator<<(std::ostream& stream, const HostileCase& hostileCase) {
    return stream << hostileCase.name;
}

class MatcherHostilePatternTest : public testing::TestWithParam<HostileCase> {};

// Patterns and subjects a server may send: each must answer without exhausting the stack or the clock.
TEST_P(MatcherHostilePatternTest, AnswersAtOnce) {
    const HostileCase& hostileCase = GetParam();
    const auto matcher = Matcher::InitializeMatcherTypeDictionary("co");
    matcher->SetValues({Text(hostileCase.pattern)});
    EXPECT_EQ(matcher->Matches(Text(hostileCase.subject)), hostileCase.expected);
}

std::string Nested(size_t depth) { return std::string(depth, '(') + "a" + std::string(depth, ')'); }

INSTANTIATE_TEST_SUITE_P(
    Reproducers, MatcherHostilePatternTest,
    testing::Values(HostileCase{"LongSubjectFound", "a(b|c)*d", "a" + std::string(100000, 'b') + "d", true},
                    HostileCase{"LongSubjectNotFound", "a(b|c)*d", "a" + std::string(100000, 'b'), false},
                    HostileCase{"NestedGroupsOverTheSizeLimit", Nested(20000), "a", false},
                    HostileCase{"NestedGroupsWithinTheSizeLimit", Nested(2000), "xay", true},
                    HostileCase{"NestedRepeatWithoutMatch", "^(a+)+$", std::string(30, 'a') + "!", false},
                    HostileCase{"NestedRepeatWithMatch", "^(a+)+$", std::string(30, 'a'), true}),
    testing::PrintToStringParamName());

TEST(MatcherTest, RefusedPatternWarnsOnceAndNeverMatches) {
    for (const std::string& pattern : {Nested(20000), std::string("(a)\\\\1"), std::string("a(?=b)")}) {
        ScopedCapturingLog log(LoggingMode::Warning);
        const std::shared_ptr<Matcher> matcher = BuildMatcher("nc", "[\"" + pattern + "\", \"zzz\"]");
        ASSERT_NE(matcher, nullptr);
        EXPECT_FALSE(matcher->Matches(Text("aa")));
        EXPECT_FALSE(matcher->Matches(Text("ab")));
        EXPECT_EQ(log.Service().GetMessages().size(), 1u) << pattern.substr(0, 20);
        EXPECT_TRUE(log.Service().Contains("never matches"));
    }
}

struct BuildCase {
    const char* name;
    const char* definition;
    bool built;
    const char* warning;
};

std::ostream& operator<<(std::ostream& stream, const BuildCase& buildCase) {
    return stream << buildCase.name;
}

class MatcherBuildTest : public testing::TestWithParam<BuildCase> {};

TEST_P(MatcherBuildTest, BuildsOrRefusesWithItsWarning) {
    ScopedCapturingLog log(LoggingMode::Warning);
    const BuildCase& buildCase = GetParam();
    const std::shared_ptr<Matcher> matcher = Matcher::MatcherWithJsonObject(ParseJson(buildCase.definition));
    EXPECT_EQ(matcher != nullptr, buildCase.built);
    EXPECT_TRUE(log.Service().Contains(buildCase.warning))
        << testing::PrintToString(log.Service().GetMessages());
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, MatcherBuildTest,
    testing::Values(BuildCase{"UpperCaseType", R"({"key": "k", "matcher": "EQ", "values": [1]})", false,
                              "Matcher type \"EQ\" is invalid"},
                    BuildCase{"EmptyType", R"({"key": "k", "matcher": "", "values": [1]})", false,
                              "Messages - message matcher type is empty"},
                    BuildCase{"MissingType", R"({"key": "k", "values": [1]})", false,
                              "Matcher type \"UNKNOWN\" is invalid"},
                    BuildCase{"NonStringType", R"({"key": "k", "matcher": 3, "values": [1]})", false,
                              "Messages - message matcher type is required ("},
                    BuildCase{"MissingValues", R"({"key": "k", "matcher": "eq"})", false,
                              "Messages - error creating matcher, values is required ("},
                    BuildCase{"ValuesNotArray", R"({"key": "k", "matcher": "gt", "values": 3})", false,
                              "Messages - error creating matcher, values is required ("},
                    BuildCase{"EmptyValues", R"({"key": "k", "matcher": "eq", "values": []})", true,
                              "Messages - error creating matcher, values is empty"},
                    BuildCase{"MissingKey", R"({"matcher": "eq", "values": [1]})", true,
                              "Messages - error creating matcher, key is required ("},
                    BuildCase{"EmptyKey", R"({"key": "", "matcher": "eq", "values": [1]})", true,
                              "Messages - error creating matcher, key is empty"},
                    BuildCase{"InvalidPattern", R"({"key": "k", "matcher": "co", "values": ["a("]})", true,
                              "is not a valid regular expression"}),
    testing::PrintToStringParamName());

TEST(MatcherTest, ExistenceKindsIgnoreValues) {
    ScopedCapturingLog log(LoggingMode::Warning);
    for (const char* kind : {"ex", "nx"}) {
        const std::shared_ptr<Matcher> matcher = Matcher::MatcherWithJsonObject(
            ParseJson(std::string(R"({"key": "k", "matcher": ")") + kind + "\"}"));
        ASSERT_NE(matcher, nullptr) << kind;
        EXPECT_TRUE(matcher->GetValues().empty());
    }
    EXPECT_TRUE(log.Service().GetMessages().empty());
}

TEST(MatcherTest, ValuesKeepTheirKindsAndPlaces) {
    const std::shared_ptr<Matcher> matcher = BuildMatcher("eq", R"([5, true, "x", null, [1], {}])");
    ASSERT_NE(matcher, nullptr);
    const auto& values = matcher->GetValues();
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[0]->GetKind(), VariantKind::VARIANT_DOUBLE);
    EXPECT_EQ(values[1]->GetKind(), VariantKind::VARIANT_BOOLEAN);
    EXPECT_EQ(values[2]->GetKind(), VariantKind::VARIANT_STRING);
    EXPECT_EQ(values[3], nullptr);
    EXPECT_EQ(values[4], nullptr);
    EXPECT_EQ(values[5], nullptr);
}

TEST(MatcherTest, PrettyRenderingJoinsValues) {
    EXPECT_EQ(BuildMatcher("eq", R"(["a", "b", 3])")->ToString(ToStringOptions::Pretty()),
              "(k EQUALS a OR k EQUALS b OR k EQUALS )");
    EXPECT_EQ(BuildMatcher("nc", R"(["a"])")->ToString(ToStringOptions::Pretty()), "(k NOT CONTAINS a)");
    EXPECT_EQ(BuildMatcher("nx", "[]")->ToString(ToStringOptions::Pretty()), "(k NOT EXISTS)");
    EXPECT_EQ(BuildMatcher("le", R"(["1"])")->ToString(ToStringOptions::Pretty()),
              "(k LESS THAN OR EQUALS 1)");
}

TEST(MatcherTest, PlainRenderingNamesTheClass) {
    const std::string text = BuildMatcher("sw", R"(["a"])")->ToString();
    EXPECT_EQ(text.rfind("{ class: \"MatcherStartsWith\", key: \"k\", values: ", 0), 0u) << text;
}

}  // namespace
}  // namespace NuvraMobile
