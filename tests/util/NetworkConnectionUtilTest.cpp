#include <gtest/gtest.h>

#include <locale>
#include <map>
#include <set>
#include <string>

#include "util/NetworkConnectionUtil.h"
#include "util/RandomUtil.h"

namespace NuvraMobile {
namespace {

TEST(NetworkConnectionUtilTest, OnlyTimeoutsAndUnavailableAreRecoverable) {
    for (int32_t code : {0, 200, 404, 500, 502, 505}) {
        EXPECT_FALSE(NetworkConnectionUtil::IsRecoverableNetworkError(code)) << code;
    }
    for (int32_t code : {408, 503, 504}) {
        EXPECT_TRUE(NetworkConnectionUtil::IsRecoverableNetworkError(code)) << code;
    }
}

TEST(NetworkConnectionUtilTest, HeadersCarryLanguageAndContentType) {
    EXPECT_EQ(NetworkConnectionUtil::GetHeaders("", ""),
              (std::map<std::string, std::string>{{"Content-Type", "application/x-www-form-urlencoded"}}));
    EXPECT_EQ(NetworkConnectionUtil::GetHeaders("de_DE", "application/json"),
              (std::map<std::string, std::string>{{"Accept-Language", "de-DE"},
                                                  {"Content-Type", "application/json"}}));
}

TEST(NetworkConnectionUtilTest, LocaleNamesBecomeLanguageTags) {
    const std::map<std::string, std::string> cases = {
        {"en_US.UTF-8", "en-US"}, {"de", "de"},         {"zh_Hant_TW", "zh-TW"},
        {"C", "en-US"},           {"POSIX", "en-US"},   {"", "en-US"},
        {"es-419", "es-419"},     {"fr_ca", "fr-ca"},   {"sr_Latn_RS@latin", "sr"},
        {"gsw_CH", "gsw-CH"},     {"fr_FR@euro", "fr"}, {"pt_BR.ISO-8859-1", "pt-BR"},
        {"e1_US", "en-US"},
    };
    for (const auto& [name, tag] : cases) {
        EXPECT_EQ(NetworkConnectionUtil::GetLocaleString(name), tag) << name;
    }
    EXPECT_EQ(NetworkConnectionUtil::GetLocaleString(std::locale::classic()), "en-US");
}

TEST(RandomUtilTest, DrawsWithinTheBound) {
    EXPECT_EQ(RandomUtil::Rand(0), "0");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string value = RandomUtil::Rand(3);
        ASSERT_TRUE(value == "0" || value == "1" || value == "2" || value == "3") << value;
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 4u);
    const std::string large = RandomUtil::Rand();
    EXPECT_FALSE(large.empty());
    EXPECT_TRUE(large == "0" || large[0] != '0');
    EXPECT_LE(large.size(), 20u);
}

}  // namespace
}  // namespace NuvraMobile
