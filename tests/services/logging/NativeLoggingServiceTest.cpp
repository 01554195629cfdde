#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "services/logging/NativeLogger.h"
#include "services/logging/NativeLoggingService.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

/** Installs the native logging service at a level, and captures what reaches standard error. */
class NativeLoggingServiceTest : public testing::Test {
protected:
    void TearDown() override {
        Log::SetLoggingService(nullptr);
        Log::SetLogLevel(LoggingMode::Error);
    }

    static std::string Capture(LoggingMode level,
                               const std::function<void(LoggingServiceInterface&)>& write) {
        auto service = CreateNativeLoggingService();
        Log::SetLoggingService(service);
        Log::SetLogLevel(level);
        testing::internal::CaptureStderr();
        write(*service);
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(NativeLoggingServiceTest, WritesOneConsoleLinePerCallInTheExactLayout) {
    std::string console = Capture(LoggingMode::Trace, [](LoggingServiceInterface& service) {
        service.Debug("DataStore", "x");
        service.Warning("Hub", "slow listener");
        service.Error("Core", "failed: %s 100%");
        service.Trace("Rules", "line one\nline two");
    });
    EXPECT_EQ(
        "[NuvraMobileSDK DEBUG <DataStore>]: x\n"
        "[NuvraMobileSDK WARNING <Hub>]: slow listener\n"
        "[NuvraMobileSDK ERROR <Core>]: failed: %s 100%\n"
        "[NuvraMobileSDK TRACE <Rules>]: line one\nline two\n",
        console);
}

TEST_F(NativeLoggingServiceTest, WritesOnlyLinesTheCurrentLevelLetsPass) {
    std::string console = Capture(LoggingMode::Warning, [](LoggingServiceInterface& service) {
        service.Debug("T", "debug");
        service.Trace("T", "trace");
        service.Warning("T", "warning");
        service.Error("T", "error");
    });
    EXPECT_EQ("[NuvraMobileSDK WARNING <T>]: warning\n[NuvraMobileSDK ERROR <T>]: error\n", console);
}

TEST_F(NativeLoggingServiceTest, WritesNothingWhileNoServiceIsInstalledInLog) {
    auto service = CreateNativeLoggingService();
    Log::SetLogLevel(LoggingMode::Trace);
    testing::internal::CaptureStderr();
    service->Error("T", "error");
    NativeLogger::LogWith(LoggingMode::Error, "T", "error");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST_F(NativeLoggingServiceTest, LogLinesOfTheCoreReachTheConsole) {
    std::string console = Capture(
        LoggingMode::Debug, [](LoggingServiceInterface&) { Log::Debug("Identity", "sync %s", "done"); });
    EXPECT_EQ("[NuvraMobileSDK DEBUG <Identity>]: sync done\n", console);
}

TEST(NativeLoggerTest, FormatsTheFourLevelsAndNothingElse) {
    struct Case {
        int level;
        std::string line;
    };
    const Case cases[] = {
        {0, "[NuvraMobileSDK ERROR <Tag>]: message"},
        {1, "[NuvraMobileSDK WARNING <Tag>]: message"},
        {2, "[NuvraMobileSDK DEBUG <Tag>]: message"},
        {3, "[NuvraMobileSDK TRACE <Tag>]: message"},
        {4, ""},
        {-1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.line, NativeLogger::LogFormat(static_cast<LoggingMode>(c.level), "Tag", "message"))
            << "level " << c.level;
    }
}

TEST(NativeLoggerTest, EmptyTagAndMessageShowAsNull) {
    EXPECT_EQ("[NuvraMobileSDK DEBUG <(null)>]: (null)", NativeLogger::LogFormat(LoggingMode::Debug, "", ""));
}

}  // namespace
}  // namespace NuvraMobile
