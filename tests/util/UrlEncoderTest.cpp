#include <gtest/gtest.h>

#include <map>
#include <string>

#include "util/UrlEncoder.h"
#include "util/UrlUtil.h"

namespace NuvraMobile {
namespace {

TEST(UrlEncoderTest, EncodesEveryByteButTheUnreservedOnes) {
    struct Case {
        std::string text;
        std::string encoded;
    };
    const Case cases[] = {
        {"", ""},
        {"a b+c", "a%20b%2Bc"},
        {"AZaz09-._~", "AZaz09-._~"},
        {"100%/?&=", "100%25%2F%3F%26%3D"},
        {"\xc3\xa9", "%C3%A9"},
        {std::string("a\0b", 3), "a%00b"},
        {"\x7f\xff", "%7F%FF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlEncoder::Encode(c.text), c.encoded) << c.text;
    }
}

TEST(UrlEncoderTest, DecodesOnlyCompleteEscapes) {
    struct Case {
        std::string text;
        std::string decoded;
    };
    const Case cases[] = {
        {"%41%4a%4A", "AJJ"},   {"%4", "%4"},   {"%zz1", "%zz1"}, {"100%", "100%"},
        {"a+b", "a+b"},         {"x%2", "x%2"}, {"%%41", "%A"},   {"%00", std::string(1, '\0')},
        {"%C3%A9", "\xc3\xa9"}, {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlEncoder::Decode(c.text), c.decoded) << c.text;
    }
}

TEST(UrlEncoderTest, DecodeReversesEncode) {
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
    EXPECT_EQ(UrlEncoder::Decode(UrlEncoder::Encode(everyByte)), everyByte);
}

TEST(UrlUtilTest, ExtractsNamedValuesOnly) {
    struct Case {
        std::string query;
        std::map<std::string, std::string> parameters;
    };
    const Case cases[] = {
        {"a=1&b=&=2&c&d=x=y&a=3", {{"a", "3"}, {"d", "x=y"}}},
        {"", {}},
        {"?k=v&&x=%20", {{"?k", "v"}, {"x", "%20"}}},
        {"k= v ", {{"k", " v "}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlUtil::ExtractQueryParameters(c.query), c.parameters) << c.query;
    }
}

}  // namespace
}  // namespace NuvraMobile
