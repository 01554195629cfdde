#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

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

// The floating button's embedded image text is read this way.
TEST(Base64Test, DecodingIgnoringUnknownCharactersSkipsThemAndOnlyThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"TWFu", "Man"}, {"TW\nFu", "Man"}, {" T W F u ", "Man"}, {"TWE=", "Ma"}, {"TQ==", "M"}, {"", ""},
        {"T*W-F.u", "Man"},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(DecodeBase64IgnoringUnknown(text), bytes) << text;
    }
    EXPECT_EQ(DecodeBase64IgnoringUnknown("TW*F"), std::nullopt);
}

}  // namespace
}  // namespace NuvraMobile
