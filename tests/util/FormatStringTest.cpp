#include <gtest/gtest.h>

#include <string>

#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

using StringUtils::FormatString;

struct FormatCase {
    const char* name;
    std::string actual;
    std::string expected;
};

class FormatStringTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatStringTest, RendersAsSpecified) { EXPECT_EQ(GetParam().expected, GetParam().actual); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatStringTest,
    testing::Values(FormatCase{"PercentLiteral", FormatString("%s is %d%%", "x", 5), "x is 5%"},
                    FormatCase{"PositionsCountFromZero", FormatString("%2$s %1$s", "a", "b", "c"), "c b"},
                    FormatCase{"PositionDoesNotResetSequence", FormatString("%1$s %s", "a", "b"), "b b"},
                    FormatCase{"PositionStillAdvances", FormatString("%0$s %s", "a", "b"), "a b"},
                    FormatCase{"TooFewArgumentsWriteNothing", FormatString("%s and %s", "only"), "only and "},
                    FormatCase{"TooManyArgumentsIgnored", FormatString("%s", "a", "b"), "a"},
                    FormatCase{"InvalidConversionCopiesRest", FormatString("50% off %s", "x"), "50% off %s"},
                    FormatCase{"InvalidConversionAtStart", FormatString("% %s", "x"), "% %s"},
                    FormatCase{"TrailingPercent", FormatString("%s 100%", "x"), "x 100%"},
                    FormatCase{"FlagsWidthPrecisionIgnored", FormatString("%-10.3f", 2.5), "2.500000"},
                    FormatCase{"AllFlags", FormatString("%-#+0,(12.4d|", 7), "7|"},
                    FormatCase{"SpaceIsNoFlag", FormatString("%s% d", 1, 2), "1% d"},
                    FormatCase{"PrecisionWithoutDigitsIsInvalid", FormatString("%.f %s", 1.0, "x"), "%.f %s"},
                    FormatCase{"NewlineConsumesNothing", FormatString("a%nb%s", "c"), "a\nbc"},
                    FormatCase{"TwoLetterTimeForm", FormatString("%tY-%s", 1, 2), "1-2"},
                    FormatCase{"LoneTIsInvalid", FormatString("%t %s", 1, 2), "%t %s"},
                    FormatCase{"AnyLetterRendersTheSame", FormatString("%x %p %i %c", 1, 2, 3, 4), "1 2 3 4"},
                    FormatCase{"DigitsWithoutDollarAreWidth", FormatString("%12s|", "a"), "a|"},
                    FormatCase{"HugePositionFallsBackToSequence", FormatString("%99999999999$s", "a"), "a"},
                    FormatCase{"PositionBeyondArgumentsWritesNothing", FormatString("[%5$s]", "a"), "[]"},
                    FormatCase{"EmptyFormat", FormatString(""), ""},
                    FormatCase{"NoConversions", FormatString("plain text"), "plain text"},
                    FormatCase{"NullFormatGivesEmptyText", FormatString(static_cast<const char*>(nullptr), 1),
                               ""},
                    FormatCase{"StringFormat", FormatString(std::string("%s-%s"), 1, true), "1-true"},
                    FormatCase{"QuoteOptionQuotesS",
                               FormatString(
                                   [] {
                                       ToStringOptions options;
                                       options.quoteStrings = true;
                                       return options;
                                   }(),
                                   "%s %q", std::string("a"), std::string("b")),
                               "\"a\" b"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

struct SpecProbe {};

void ToStringImpl(std::ostream& stream, const SpecProbe&, const ToStringOptions& options) {
    stream << "<" << options.formatSpec << (options.quoteStrings ? "|quoted" : "") << ">";
}

TEST(FormatStringSpecTest, WriterSeesTheConversionTextAfterThePosition) {
    EXPECT_EQ("<-5.2s> <s> <08tH>", FormatString("%-5.2s %1$s %0$08tH", SpecProbe{}, SpecProbe{}));
}

TEST(FormatStringSpecTest, LetterQTurnsQuotingOffAndSFollowsTheCaller) {
    ToStringOptions quoted;
    quoted.quoteStrings = true;
    EXPECT_EQ("<s|quoted> <q>", FormatString(quoted, "%s %q", SpecProbe{}, SpecProbe{}));
}

TEST(FormatStringLongInputTest, MegabyteFormatAndArgumentFormat) {
    const std::string longFormat(1 << 20, 'a');
    EXPECT_EQ(longFormat + "x", FormatString(longFormat + "%s", "x"));

    const std::string longArgument(1 << 20, 'b');
    EXPECT_EQ("<" + longArgument + ">", FormatString("<%s>", longArgument));

    std::string manyConversions;
    for (int i = 0; i < 100000; ++i) {
        manyConversions += "%s";
    }
    EXPECT_EQ("123\n", FormatString(manyConversions + "%n", 1, 2, 3));
}

}  // namespace
}  // namespace NuvraMobile
