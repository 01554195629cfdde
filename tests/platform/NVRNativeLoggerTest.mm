#import "platform/NVRNativeLogger.h"

#include <gtest/gtest.h>

#include <string>

#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

std::string Format(LoggingMode level, NSString* tag, NSString* message) {
    NSString* line = [NVRNativeLogger logFormat:level tag:tag message:message];
    return line == nil ? "<nil>" : [line UTF8String];
}

TEST(NVRNativeLoggerTest, FormatsEachLevel) {
    EXPECT_EQ(Format(LoggingMode::Error, @"Tag", @"m"), "[NuvraMobileSDK ERROR <Tag>]: m");
    EXPECT_EQ(Format(LoggingMode::Warning, @"Tag", @"m"), "[NuvraMobileSDK WARNING <Tag>]: m");
    EXPECT_EQ(Format(LoggingMode::Debug, @"DataStore", @"x"), "[NuvraMobileSDK DEBUG <DataStore>]: x");
    EXPECT_EQ(Format(LoggingMode::Trace, @"Tag", @"m"), "[NuvraMobileSDK TRACE <Tag>]: m");
    EXPECT_EQ(Format(LoggingMode::Debug, nil, @""), "[NuvraMobileSDK DEBUG <(null)>]: (null)");
    EXPECT_EQ(Format(static_cast<LoggingMode>(4), @"Tag", @"m"), "<nil>");
    EXPECT_EQ(Format(static_cast<LoggingMode>(-1), @"Tag", @"m"), "<nil>");
}

TEST(NVRNativeLoggerTest, WritesOnlyWhatTheLevelAdmits) {
    ScopedCapturingLog log(LoggingMode::Warning);
    testing::internal::CaptureStderr();
    for (const LoggingMode level : {LoggingMode::Trace, LoggingMode::Debug, LoggingMode::Warning, LoggingMode::Error}) {
        [NVRNativeLogger logWith:level tag:@"T" message:@"m"];
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[NuvraMobileSDK WARNING <T>]: m\n[NuvraMobileSDK ERROR <T>]: m\n");
}

TEST(NVRNativeLoggerTest, WritesNothingWithoutALoggingService) {
    Log::SetLoggingService(nullptr);
    Log::SetLogLevel(LoggingMode::Trace);
    testing::internal::CaptureStderr();
    [NVRNativeLogger logWith:LoggingMode::Error tag:@"T" message:@"m"];
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace NuvraMobile
