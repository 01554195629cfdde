#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "util/Base64.h"

namespace NuvraMobile {
namespace {

// Bytes the text services refuse (NUL, invalid UTF-8) go through unchanged.
TEST(Base64Test, EncodesAndDecodesAnyBytes) {
    const std::string cases[] = {"", "M", "Ma", "Man", std::string("\0\xFF\x80", 3), "\x89PNG\r\n\x1A\n"};
    for (const std::string& bytes : cases) {
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes) << EncodeBase64(bytes);
    }
    EXPECT_EQ(EncodeBase64("Ma"), "TWE=");
    EXPECT_EQ(EncodeBase64(std::string("\0", 1)), "AA==");
}

TEST(Base64Test, DecodingRefusesAnythingButWholePaddedGroups) {
    const std::string refused[] = {"TWF", "TW\nFu", " TWFu", "T*Fu", "TQ=A", "T===", "====", "TWE=TWE="};
    for (const std::string& text : refused) {
        EXPECT_EQ(DecodeBase64(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace NuvraMobile
