#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <locale>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/CapturingLoggingService.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

using StringUtils::ToString;

TEST(StringUtilsToStringTest, Scalars) {
    EXPECT_EQ("true", ToString(true));
    EXPECT_EQ("false", ToString(false));
    EXPECT_EQ("x", ToString('x'));
    EXPECT_EQ("-5", ToString(static_cast<signed char>(-5)));
    EXPECT_EQ("200", ToString(static_cast<unsigned char>(200)));
    EXPECT_EQ("-32768", ToString(static_cast<short>(-32768)));
    EXPECT_EQ("65535", ToString(static_cast<unsigned short>(65535)));
    EXPECT_EQ("-2147483648", ToString(-2147483647 - 1));
    EXPECT_EQ("4294967295", ToString(4294967295u));
    EXPECT_EQ("-9223372036854775808", ToString(static_cast<long long>(-9223372036854775807LL - 1)));
    EXPECT_EQ("18446744073709551615", ToString(18446744073709551615ULL));
    EXPECT_EQ("1.500000", ToString(1.5));
    EXPECT_EQ("0.100000", ToString(0.1f));
    EXPECT_EQ("-2.000000", ToString(-2.0L));
    EXPECT_EQ("0.000000", ToString(1e-7));
    EXPECT_EQ("\"1000 ms\"", ToString(std::chrono::milliseconds(1000)));
}

TEST(StringUtilsToStringTest, HugeFloatingValuesAreWrittenInFull) {
    const std::string text = ToString(1e300);
    EXPECT_EQ(301u + 7u, text.size());
    EXPECT_EQ("1", text.substr(0, 1));
    EXPECT_EQ(".000000", text.substr(text.size() - 7));
}

TEST(StringUtilsToStringTest, StringsAndPointers) {
    EXPECT_EQ("a\"b", ToString(std::string("a\"b")));
    ToStringOptions quoted;
    quoted.quoteStrings = true;
    EXPECT_EQ("\"a\\\"b\"", ToString(std::string("a\"b"), quoted));
    EXPECT_EQ("\"c\"", ToString("c", quoted));
    EXPECT_EQ("null", ToString(static_cast<const char*>(nullptr)));
    EXPECT_EQ("null", ToString(std::shared_ptr<int>()));
    EXPECT_EQ("7", ToString(std::make_shared<int>(7)));
}

TEST(StringUtilsToStringTest, Collections) {
    EXPECT_EQ("[]", ToString(std::vector<int>{}));
    EXPECT_EQ("[ 1, 2, 3 ]", ToString(std::vector<int>{1, 2, 3}));
    EXPECT_EQ("[ \"a\", \"b\" ]", ToString(std::vector<std::string>{"a", "b"}));
    EXPECT_EQ("[ [ \"k\", 1 ], [ \"l\", 2 ] ]", ToString(std::map<std::string, int>{{"l", 2}, {"k", 1}}));
    EXPECT_EQ("[ \"a\", \"b\" ]", ToString(std::make_pair(std::string("a"), "b")));
    EXPECT_EQ("[ [ 1 ], [] ]", ToString(std::vector<std::vector<int>>{{1}, {}}));
}

TEST(StringUtilsToStringTest, CollectionsStopAtMaxItems) {
    std::vector<int> items;
    std::string expected = "[ ";
    for (int i = 0; i < 25; ++i) {
        items.push_back(i);
        if (i < 20) {
            expected += std::to_string(i) + ", ";
        }
    }
    EXPECT_EQ(expected + "... ]", ToString(items));

    ToStringOptions none;
    none.maxItems = 0;
    EXPECT_EQ("[ ...]", ToString(std::vector<int>{1}, none));
    EXPECT_EQ("[]", ToString(std::vector<int>{}, none));

    ToStringOptions exact;
    exact.maxItems = 2;
    EXPECT_EQ("[ 1, 2 ]", ToString(std::vector<int>{1, 2}, exact));
    EXPECT_EQ("[ 1, 2, ... ]", ToString(std::vector<int>{1, 2, 3}, exact));
}

struct Throwing {};
void ToStringImpl(std::ostream& stream, const Throwing&, const ToStringOptions&) {
    stream << "partial";
    throw std::runtime_error("boom");
}

TEST(StringUtilsToStringTest, ThrowingRenderingWritesErrorAndRestoresDepth) {
    EXPECT_EQ("[ partialERROR, partialERROR ]", ToString(std::vector<Throwing>(2)));
    EXPECT_EQ("partialERROR", ToString(Throwing{}));
    EXPECT_EQ(0u, StringUtils::GetCurrentDepth());
}

// Renders itself by nesting one more StringUtils::ToString call until `remaining` is 0.
struct Nest {
    int remaining;
};
void ToStringImpl(std::ostream& stream, const Nest& nest, const ToStringOptions& options) {
    if (nest.remaining == 0) {
        stream << "leaf";
        return;
    }
    stream << "(";
    StringUtils::ToString(stream, Nest{nest.remaining - 1}, options);
    stream << ")";
}

TEST(StringUtilsToStringTest, DepthGuardCutsTheSixteenthNestedCall) {
    // 15 nested calls in total: the leaf still renders.
    EXPECT_EQ(std::string(14, '(') + "leaf" + std::string(14, ')'), ToString(Nest{14}));
    // 16 nested calls: the 16th renders as "...".
    EXPECT_EQ(std::string(15, '(') + "..." + std::string(15, ')'), ToString(Nest{15}));
    EXPECT_EQ(0u, StringUtils::GetCurrentDepth());

    ToStringOptions shallow;
    shallow.maxDepth = 1;
    EXPECT_EQ("[ ... ]", ToString(std::vector<int>{1}, shallow));
    shallow.maxDepth = 0;
    EXPECT_EQ("...", ToString(1, shallow));
}

TEST(StringUtilsToStringTest, CollectionItemsEachCountAsOneLevel) {
    std::vector<std::vector<std::vector<int>>> nested{{{1}}};
    ToStringOptions options;
    options.maxDepth = 3;
    EXPECT_EQ("[ [ [ ... ] ] ]", ToString(nested, options));
}

TEST(StringUtilsQuotifyTest, EscapesAndCuts) {
    EXPECT_EQ("\"A\\t\\x1\"", StringUtils::Quotify(std::string("A\t\x01")));
    EXPECT_EQ("\"\\n\\t\\v\\b\\r\\f\\a\\\\\\'\\\"\"", StringUtils::Quotify("\n\t\v\b\r\f\a\\'\""));
    EXPECT_EQ("\"\\x0\\x1f\\x7f\\x80\\xe9\\xff\"",
              StringUtils::Quotify(std::string("\0\x1f\x7f\x80\xe9\xff", 6)));
    EXPECT_EQ("\"\"", StringUtils::Quotify(""));

    const std::string long300(300, 'z');
    EXPECT_EQ("\"" + std::string(256, 'z') + "...\"", StringUtils::Quotify(long300));
    EXPECT_EQ("\"" + std::string(256, 'z') + "\"", StringUtils::Quotify(std::string(256, 'z')));
    EXPECT_EQ("\"ab...\"", StringUtils::Quotify("abc", 2));
    EXPECT_EQ("\"" + long300 + "\"", StringUtils::Quotify(long300, 0));
    EXPECT_EQ("\"a...\"", StringUtils::Quotify("abc", 1));
}

TEST(StringUtilsSplitTest, PiecesBetweenMatches) {
    using Pieces = std::vector<std::string>;
    EXPECT_EQ((Pieces{"a", "b", "", "c"}), StringUtils::Split("a,b,,c", ","));
    EXPECT_EQ((Pieces{"", "a"}), StringUtils::Split(",a", ","));
    EXPECT_EQ((Pieces{"a"}), StringUtils::Split("a,", ","));
    EXPECT_EQ((Pieces{"abc"}), StringUtils::Split("abc", ","));
    EXPECT_EQ((Pieces{"a", "b", "c"}), StringUtils::Split("a1b22c", "[0-9]+"));
    EXPECT_EQ((Pieces{""}), StringUtils::Split("", ","));
    EXPECT_EQ((Pieces{"a,b"}), StringUtils::Split("a,b", ""));
}

TEST(StringUtilsSplitTest, WithLimit) {
    using Pieces = std::vector<std::string>;
    struct Case {
        std::string text;
        int limit;
        Pieces expected;
    };
    const Case cases[] = {
        {"a,b,c,d", 2, {"a", "b,c,d"}},
        {"a,b,c,d", 3, {"a", "b", "c,d"}},
        {"a,b", 5, {"a", "b"}},
        {"a,b,c", 1, {"a,b,c"}},
        {"a,b,,c", 0, {"a", "b", "", "c"}},
        {"a,,b", 2, {"a", ",b"}},
        {"a,", 2, {"a"}},
        {"a,b,c", -1, {"a", "b", "c"}},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(testCase.expected, StringUtils::SplitWithLimit(testCase.text, ",", testCase.limit))
            << testCase.text << " limit " << testCase.limit;
    }
}

TEST(StringUtilsSplitTest, InvalidDelimiterGivesTheTextAndATraceLine) {
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_EQ(std::vector<std::string>{"a(b"}, StringUtils::Split("a(b", "("));
    EXPECT_EQ(std::vector<std::string>{"a[b"}, StringUtils::SplitWithLimit("a[b", "[", 2));
    EXPECT_EQ(
        (std::vector<CapturingLoggingService::Line>{
            {LoggingMode::Trace, "StringUtils", "Failed to split string 'a(b' using regex delimiter '('"},
            {LoggingMode::Trace, "StringUtils",
             "Failed to split string 'a[b' using regex delimiter '[' with limit=2"}}),
        log.Service().GetLines());
}

TEST(StringUtilsTextTest, Replace) {
    EXPECT_EQ("xbxb", StringUtils::Replace("abab", "a", "x"));
    EXPECT_EQ("aaaa", StringUtils::Replace("aa", "a", "aa"));
    EXPECT_EQ("ab", StringUtils::Replace("aaab", "aa", ""));
    EXPECT_EQ("abc", StringUtils::Replace("abc", "", "x"));
    EXPECT_EQ("", StringUtils::Replace("", "a", "x"));
}

TEST(StringUtilsTextTest, StartsAndEndsWith) {
    EXPECT_TRUE(StringUtils::StartsWith("abc", ""));
    EXPECT_TRUE(StringUtils::StartsWith("abc", "ab"));
    EXPECT_FALSE(StringUtils::StartsWith("ab", "abc"));
    EXPECT_FALSE(StringUtils::StartsWith("abc", "b"));
    EXPECT_TRUE(StringUtils::EndsWith("abc", ""));
    EXPECT_TRUE(StringUtils::EndsWith("abc", "bc"));
    EXPECT_FALSE(StringUtils::EndsWith("bc", "abc"));
    EXPECT_FALSE(StringUtils::EndsWith("abc", "b"));
}

TEST(StringUtilsTextTest, CaseMappingTouchesOnlyAsciiLetters) {
    const std::string mixed = "Hello-World_09 \xc3\x84\xe9";
    EXPECT_EQ("hello-world_09 \xc3\x84\xe9", StringUtils::ToLower(mixed));
    EXPECT_EQ("HELLO-WORLD_09 \xc3\x84\xe9", StringUtils::ToUpper(mixed));
}

// A global locale that writes numbers with a decimal comma and thousands groups.
class CommaNumbers : public std::numpunct<char> {
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(StringUtilsToStringTest, NumbersIgnoreTheProcessLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers()));
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // effective only where that locale is installed
    EXPECT_EQ("1.500000", ToString(1.5));
    EXPECT_EQ("1234567", ToString(1234567));
    EXPECT_EQ("[ 1234.500000 ]", ToString(std::vector<double>{1234.5}));
    EXPECT_EQ("x 1.500000 1234567", StringUtils::FormatString("x %f %d", 1.5, 1234567));
    std::setlocale(LC_ALL, "C");
    std::locale::global(previous);
}

}  // namespace
}  // namespace NuvraMobile
