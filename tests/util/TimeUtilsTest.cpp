#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

#include "util/TimeUtils.h"

namespace NuvraMobile {
namespace {

TEST(TimeUtilsTest, MillisecondsAndSecondsAgree) {
    const int64_t seconds = TimeUtils::GetUnixTimeInSeconds();
    const int64_t milliseconds = TimeUtils::GetUnixTime();
    EXPECT_GE(milliseconds / 1000, seconds);
    EXPECT_LE(milliseconds / 1000 - seconds, 1);
}

TEST(TimeUtilsTest, TimePointsTruncateTowardZero) {
    using Micro = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;
    EXPECT_EQ(TimeUtils::GetTimeInMilliseconds(Micro(std::chrono::microseconds(1999))), 1);
    EXPECT_EQ(TimeUtils::GetTimeInMilliseconds(Micro(std::chrono::microseconds(-1999))), -1);
}

TEST(TimeUtilsTest, Iso8601DateOfAGivenTime) {
    std::tm time{};
    time.tm_year = 2018 - 1900;
    time.tm_mon = 4;
    time.tm_mday = 9;
    time.tm_hour = 14;
    time.tm_min = 3;
    time.tm_sec = 22;
    time.tm_gmtoff = 2 * 3600;
    EXPECT_EQ(TimeUtils::GetIso8601Date(&time), "2018-05-09T14:03:22+0200");
}

TEST(TimeUtilsTest, Iso8601DateOfNowHasTheOffset) {
    EXPECT_TRUE(std::regex_match(TimeUtils::GetIso8601Date(),
                                 std::regex("\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}[+-]\\d{4}")));
}

}  // namespace
}  // namespace NuvraMobile
