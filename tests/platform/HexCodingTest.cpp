#include "platform/HexCoding.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace NuvraMobile {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(HexCodingTest, BinToHex) {
    const unsigned char bytes[] = {0x0A, 0xFF, 0x00, 0x7B};
    EXPECT_EQ(BinToHex(bytes, 4), "0AFF007B");
    EXPECT_EQ(BinToHex(bytes, 0), "");
}

TEST(HexCodingTest, HexToBin) {
    struct Case {
        const char* text;
        std::size_t maxLength;
        Bytes bytes;
    };
    const Case cases[] = {
        {"0aFf", 100, {0x0A, 0xFF}},
        {"abc", 100, {0xAB}},  // an odd last character is ignored
        {"a", 100, {}},
        {"", 100, {}},
        {"0aFf", 2, {0x0A}},  // no further than the maximum length
        {"0aFf", 0, {}},
        {"0a\0Ff", 100, {0x0A}},  // no further than the first NUL
        {"1g", 100, {0x01}},      // a pair gives its leading hexadecimal digits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexToBin(c.text, c.maxLength), c.bytes) << c.text << " max " << c.maxLength;
    }
}

TEST(HexCodingTest, APairThatDoesNotStartWithAHexDigitThrows) {
    for (const char* text : {"zz", "0a g0", "+1", "-1"}) {
        EXPECT_THROW(HexToBin(text, 100), std::invalid_argument) << text;
    }
}

}  // namespace
}  // namespace NuvraMobile
