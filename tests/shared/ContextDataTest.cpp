#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "shared/ContextData.h"

namespace NuvraMobile {
namespace {

using StringMap = std::map<std::string, std::string>;

TEST(ContextDataTest, CleanKeyKeepsSafeCharactersAndSingleDots) {
    const std::map<std::string, std::string> cases = {
        {"a..b", "a.b"},         {".a.b.", "a.b"},           {"my key!", "mykey"}, {"...", ""},  {"", ""},
        {"a-b_c.D9", "ab_c.D9"}, {"\xc3\xa9t\xc3\xa9", "t"}, {"a. .b", "a.b"},     {"..a", "a"},
    };
    for (const auto& [key, cleaned] : cases) {
        EXPECT_EQ(ContextData::CleanKey(key), cleaned) << key;
    }
}

TEST(ContextDataTest, CleanDictionaryKeysDropsEmptyKeysAndLaterKeysWin) {
    EXPECT_EQ(ContextData::CleanDictionaryKeys({{"!!", "x"}, {"a b", "1"}, {"ab", "2"}}),
              (StringMap{{"ab", "2"}}));
}

TEST(ContextDataTest, EncodesTheNestedText) {
    struct Case {
        StringMap data;
        std::string encoded;
    };
    const Case cases[] = {
        {{}, ""},
        {{{"a.b", "1"}, {"a.c", "x y"}, {"d", "2"}}, "&a.&b=1&c=x%20y&.a&d=2"},
        {{{"a", "1"}, {"a.b", "2"}}, "&a=1&a.&b=2&.a"},
        {{{"!!", "lost"}, {"k", "v"}}, "&k=v"},
        {{{"k", ""}}, ""},
        {{{"a.launches", "3"}, {"a.DailyEngUserEvent", "DailyEngUserEvent"}},
         "&a.&DailyEngUserEvent=DailyEngUserEvent&launches=3&.a"},
        {{{"x.y.z", "&="}}, "&x.&y.&z=%26%3D&.y&.x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ContextData::EncodeContextData(c.data), c.encoded);
    }
}

TEST(ContextDataTest, DecodesTheNestedText) {
    struct Case {
        std::string text;
        StringMap decoded;
    };
    const Case cases[] = {
        {"&a.&b=1&c=x%20y&.a&d=2", {{"a.b", "1"}, {"a.c", "x y"}, {"d", "2"}}},
        {"&c.&k=v&.c", {{"k", "v"}}},
        {"&k=v", {{"k", "v"}}},
        {".a", {}},
        {".a=1", {{".a", "1"}}},
        {"&k=&j=1=2&m=3", {{"m", "3"}}},
        {"&k=1&k=2", {{"k", "2"}}},
        {"", {}},
        {"&c.&.c", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ContextData::DecodeContextData(c.text), c.decoded) << c.text;
    }
}

TEST(ContextDataTest, EncodingRoundTrips) {
    const StringMap data = {{"a.b", "1"}, {"a.c", "x y&z"}, {"d", "2"}, {"e.f.g", "\xc3\xa9"}, {"a", "top"}};
    EXPECT_EQ(ContextData::DecodeContextData("&c." + ContextData::EncodeContextData(data) + "&.c"), data);
}

TEST(ContextDataTest, SplitDropsEmptyPieces) {
    EXPECT_EQ(ContextData::Split("a..b", '.'), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(ContextData::Split("", '.').empty());
    EXPECT_EQ(ContextData::Flatten({"a.", "b."}, "c"), "a.b.c");
}

}  // namespace
}  // namespace NuvraMobile
