#include <gtest/gtest.h>

#include "services/encoding/NativeEncodingService.h"

namespace NuvraMobile {
namespace {

struct Base64Case {
    std::string input;
    std::string output;
};

TEST(NativeEncodingServiceTest, EncodesUtf8TextUpToItsFirstNul) {
    const Base64Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {"h\xC3\xA9llo \xF0\x9F\x98\x80", "aMOpbGxvIPCfmIA="},
        {std::string("ab\0cd", 5), "YWI="},
        {"\xFF\xFE", ""},
        {"\xC0\xAF", ""},      // overlong form
        {"\xED\xA0\x80", ""},  // surrogate
        {"ok \xE2\x82", ""},   // cut short
    };
    auto service = CreateNativeEncodingService();
    for (const auto& encodeCase : cases) {
        EXPECT_EQ(service->Base64Encode(encodeCase.input), encodeCase.output) << encodeCase.input;
    }
}

TEST(NativeEncodingServiceTest, DecodesStrictBase64ToUtf8TextUpToItsFirstNul) {
    const Base64Case cases[] = {
        {"", ""},
        {"Zg==", "f"},
        {"Zm8=", "fo"},
        {"Zm9vYmFy", "foobar"},
        {"aMOpbGxvIPCfmIA=", "h\xC3\xA9llo \xF0\x9F\x98\x80"},
        {"YQBi", "a"},       // a NUL b
        {"Zm9v\nYmFy", ""},  // line break
        {"Zm9v YmFy", ""},
        {"Zm9", ""},       // not whole groups
        {"Zg", ""},        // padding missing
        {"Zg==Zg==", ""},  // padding inside
        {"Z===", ""},
        {"Zm9v!", ""},
        {"/w==", ""},  // the byte FF is not UTF-8
        {"-_8=", ""},  // URL-safe alphabet is not standard Base64
    };
    auto service = CreateNativeEncodingService();
    for (const auto& decodeCase : cases) {
        EXPECT_EQ(service->Base64Decode(decodeCase.input), decodeCase.output) << decodeCase.input;
    }
}

}  // namespace
}  // namespace NuvraMobile
