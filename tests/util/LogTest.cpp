#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CapturingLoggingService.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

using Line = CapturingLoggingService::Line;

void LogAtEveryLevel() {
    Log::Error("Tag", "e%s", 1);
    Log::Warning("Tag", "w%s", 2);
    Log::Debug("Tag", "d%s", 3);
    Log::Trace("Tag", "t%s", 4);
}

TEST(LogTest, StartsAtErrorLevelWithoutService) {
    EXPECT_EQ(LoggingMode::Error, Log::GetLogLevel());
    EXPECT_EQ(LoggingMode::Error, Log::GetLogLevelHint());
    EXPECT_EQ(nullptr, Log::GetLoggingService());
    EXPECT_FALSE(Log::Precheck(LoggingMode::Error));

    auto service = std::make_shared<CapturingLoggingService>();
    Log::SetLoggingService(service);
    LogAtEveryLevel();
    EXPECT_EQ((std::vector<Line>{{LoggingMode::Error, "Tag", "e1"}}), service->GetLines());
    Log::SetLoggingService(nullptr);
}

TEST(LogTest, LevelDecidesWhichLinesAreWritten) {
    struct Case {
        LoggingMode level;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {LoggingMode::Error, {"e1"}},
        {LoggingMode::Warning, {"e1", "w2"}},
        {LoggingMode::Debug, {"e1", "w2", "d3"}},
        {LoggingMode::Trace, {"e1", "w2", "d3", "t4"}},
    };
    for (const Case& testCase : cases) {
        ScopedCapturingLog log(testCase.level);
        LogAtEveryLevel();
        EXPECT_EQ(testCase.messages, log.Service().GetMessages()) << static_cast<int>(testCase.level);
    }
}

TEST(LogTest, EachLevelReachesItsServiceOperation) {
    ScopedCapturingLog log(LoggingMode::Trace);
    LogAtEveryLevel();
    EXPECT_EQ((std::vector<Line>{{LoggingMode::Error, "Tag", "e1"},
                                 {LoggingMode::Warning, "Tag", "w2"},
                                 {LoggingMode::Debug, "Tag", "d3"},
                                 {LoggingMode::Trace, "Tag", "t4"}}),
              log.Service().GetLines());
}

// Counts its renderings, so a test sees whether a dropped line was formatted.
struct RenderCounter {
    int* count;
};
void ToStringImpl(std::ostream& stream, const RenderCounter& counter, const ToStringOptions&) {
    ++*counter.count;
    stream << "counted";
}

TEST(LogTest, DroppedLinesAreNotFormatted) {
    int renderings = 0;
    Log::SetLogLevel(LoggingMode::Trace);
    Log::Error("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(0, renderings);

    ScopedCapturingLog log(LoggingMode::Warning);
    Log::Debug("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(0, renderings);
    Log::Warning("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(1, renderings);
}

TEST(LogTest, NullTagOrFormatWritesNothing) {
    ScopedCapturingLog log(LoggingMode::Trace);
    Log::Debug(nullptr, "message");
    Log::Error("Tag", nullptr);
    Log::ErrorImpl(nullptr, "message");
    EXPECT_TRUE(log.Service().GetLines().empty());
}

TEST(LogTest, EmptyServiceStopsOutput) {
    ScopedCapturingLog log(LoggingMode::Trace);
    Log::SetLoggingService(nullptr);
    EXPECT_FALSE(Log::Precheck(LoggingMode::Error));
    Log::Error("Tag", "lost");
    Log::ErrorImpl("Tag", "lost too");
    EXPECT_TRUE(log.Service().GetLines().empty());
}

TEST(LogTest, MessageIsCutAtNul) {
    ScopedCapturingLog log(LoggingMode::Trace);
    Log::Warning("Tag", "%s", std::string("before\0after", 12));
    Log::DebugImpl("Tag", std::string("one\0two", 7));
    EXPECT_EQ((std::vector<std::string>{"before", "one"}), log.Service().GetMessages());
}

TEST(LogTest, ServiceIfModeGreq) {
    ScopedCapturingLog log(LoggingMode::Warning);
    EXPECT_EQ(log.ServicePtr(), Log::GetLoggingServiceIfModeGreq(LoggingMode::Warning));
    EXPECT_EQ(nullptr, Log::GetLoggingServiceIfModeGreq(LoggingMode::Debug));
    EXPECT_TRUE(Log::Precheck(LoggingMode::Warning));
    EXPECT_FALSE(Log::Precheck(LoggingMode::Debug));
}

TEST(LogTest, AcceptsEveryKindOfArgument) {
    ScopedCapturingLog log(LoggingMode::Trace);
    const std::string text = "text";
    Log::Error("Tag", "%s %s %s %s %s %s", text, "literal", 3, 2.5, true, std::make_shared<int>(4));
    EXPECT_EQ((std::vector<std::string>{"text literal 3 2.500000 true 4"}), log.Service().GetMessages());
}

}  // namespace
}  // namespace NuvraMobile
