#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>

#include "services/crypto/NativeCryptoService.h"

namespace NuvraMobile {
namespace {

TEST(NativeCryptoServiceTest, Sha256GivesThePublishedDigestsInLowerCaseHex) {
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        // Every byte counts, also those after a NUL.
        {std::string("a\0b", 3), "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138"},
    };
    auto service = CreateNativeCryptoService();
    for (const auto& digestCase : cases) {
        EXPECT_EQ(service->GetSha256Hash(digestCase.text), digestCase.digest);
    }
}

TEST(NativeCryptoServiceTest, RandomUuidsAreNewStableAndInCanonicalForm) {
    auto service = CreateNativeCryptoService();
    auto first = service->GetRandomUuid();
    auto second = service->GetRandomUuid();
    ASSERT_TRUE(first && second);

    EXPECT_NE(first->GetString(), second->GetString());
    EXPECT_EQ(first->GetString(), first->GetString());
    // Version 4, RFC 4122 variant, upper-case digits.
    const std::regex canonical("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(first->GetString(), canonical)) << first->GetString();
}

TEST(NativeCryptoServiceTest, UuidBytesAreTheDigitsOfItsText) {
    auto uuid = CreateNativeCryptoService()->GetRandomUuid();
    std::uint8_t bytes[16];
    uuid->GetBytes(bytes);

    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += "0123456789ABCDEF"[byte >> 4];
        hex += "0123456789ABCDEF"[byte & 0x0F];
    }
    std::string digits = uuid->GetString();
    digits.erase(std::remove(digits.begin(), digits.end(), '-'), digits.end());
    EXPECT_EQ(hex, digits);
}

}  // namespace
}  // namespace NuvraMobile
