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
    EXPECT_EQ(LoggingMode::ERROR, Log::GetLogLevel());
    EXPECT_EQ(LoggingMode::ERROR, Log::GetLogLevelHint());
    EXPECT_EQ(nullptr, Log::GetLoggingService());
    EXPECT_FALSE(Log::Precheck(LoggingMode::ERROR));

    auto service = std::make_shared<CapturingLoggingService>();
    Log::SetLoggingService(service);
    LogAtEveryLevel();
    EXPECT_EQ((std::vector<Line>{{LoggingMode::ERROR, "Tag", "e1"}}), service->GetLines());
    Log::SetLoggingService(nullptr);
}

TEST(LogTest, LevelDecidesWhichLinesAreWritten) {
    struct Case {
        LoggingMode level;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {LoggingMode::ERROR, {"e1"}},
        {LoggingMode::WARNING, {"e1", "w2"}},
        {LoggingMode::DEBUG, {"e1", "w2", "d3"}},
        {LoggingMode::TRACE, {"e1", "w2", "d3", "t4"}},
    };
    for (const Case& testCase : cases) {
        ScopedCapturingLog log(testCase.level);
        LogAtEveryLevel();
        EXPECT_EQ(testCase.messages, log.Service().GetMessages()) << static_cast<int>(testCase.level);
    }
}

TEST(LogTest, EachLevelReachesItsServiceOperation) {
    ScopedCapturingLog log(LoggingMode::TRACE);
    LogAtEveryLevel();
    EXPECT_EQ((std::vector<Line>{{LoggingMode::ERROR, "Tag", "e1"},
                                 {LoggingMode::WARNING, "Tag", "w2"},
                                 {LoggingMode::DEBUG, "Tag", "d3"},
                                 {LoggingMode::TRACE, "Tag", "t4"}}),
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
    Log::SetLogLevel(LoggingMode::TRACE);
    Log::Error("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(0, renderings);

    ScopedCapturingLog log(LoggingMode::WARNING);
    Log::Debug("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(0, renderings);
    Log::Warning("Tag", "%s", RenderCounter{&renderings});
    EXPECT_EQ(1, renderings);
}

TEST(LogTest, NullTagOrFormatWritesNothing) {
    ScopedCapturingLog log(LoggingMode::TRACE);
    Log::Debug(nullptr, "message");
    Log::Error("Tag", nullptr);
    Log::ErrorImpl(nullptr, "message");
    EXPECT_TRUE(log.Service().GetLines().empty());
}

TEST(LogTest, EmptyServiceStopsOutput) {
    ScopedCapturingLog log(LoggingMode::TRACE);
    Log::SetLoggingService(nullptr);
    EXPECT_FALSE(Log::Precheck(LoggingMode::ERROR));
    Log::Error("Tag", "lost");
    Log::ErrorImpl("Tag", "lost too");
    EXPECT_TRUE(log.Service().GetLines().empty());
}

TEST(LogTest, MessageIsCutAtNul) {
    ScopedCapturingLog log(LoggingMode::TRACE);
    Log::Warning("Tag", "%s", std::string("before\0after", 12));
    Log::DebugImpl("Tag", std::string("one\0two", 7));
    EXPECT_EQ((std::vector<std::string>{"before", "one"}), log.Service().GetMessages());
}

TEST(LogTest, ServiceIfModeGreq) {
    ScopedCapturingLog log(LoggingMode::WARNING);
    EXPECT_EQ(log.ServicePtr(), Log::GetLoggingServiceIfModeGreq(LoggingMode::WARNING));
    EXPECT_EQ(nullptr, Log::GetLoggingServiceIfModeGreq(LoggingMode::DEBUG));
    EXPECT_TRUE(Log::Precheck(LoggingMode::WARNING));
    EXPECT_FALSE(Log::Precheck(LoggingMode::DEBUG));
}

TEST(LogTest, AcceptsEveryKindOfArgument) {
    ScopedCapturingLog log(LoggingMode::TRACE);
    const std::string text = "text";
    Log::Error("Tag", "%s %s %s %s %s %s", text, "literal", 3, 2.5, true, std::make_shared<int>(4));
    EXPECT_EQ((std::vector<std::string>{"text literal 3 2.500000 true 4"}), log.Service().GetMessages());
}

}  // namespace
}  // namespace NuvraMobile
