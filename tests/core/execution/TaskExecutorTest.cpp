#include <gtest/gtest.h>

#include "core/execution/ProxyTaskExecutorInterface.h"
#include "core/execution/TaskExecutorInterface.h"
#include "core/execution/Timer.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {
namespace {

TEST(TaskExecutorCreateArgsTest, DefaultsAreOneThreadWithFifteenSecondsIdleTime) {
    auto args = TaskExecutorInterface::CreateArgs::Create();
    EXPECT_EQ(args->name, "");
    EXPECT_EQ(args->initialThreadCount, 1u);
    EXPECT_EQ(args->minThreadCount, 1u);
    EXPECT_EQ(args->maxThreadCount, 1u);
    EXPECT_EQ(args->idleThreadTimeout, std::chrono::milliseconds(15000));
    EXPECT_EQ(args->systemInfoService, nullptr);

    args->SetFixedThreadCount(7);
    EXPECT_EQ(args->initialThreadCount, 7u);
    EXPECT_EQ(args->minThreadCount, 7u);
    EXPECT_EQ(args->maxThreadCount, 7u);
}

TEST(TaskExecutorCreateTest, NullArgumentsAreRejected) {
    try {
        TaskExecutorInterface::Create(nullptr);
        FAIL() << "expected an error";
    } catch (const SdkError& error) {
        EXPECT_EQ(error.GetCode(), "general.unexpected");
        EXPECT_EQ(error.GetMessage(), "args cannot be nullptr");
    }
}

TEST(ProxyTaskExecutorCreateTest, NullParentIsRejected) {
    for (bool parallel : {false, true}) {
        try {
            parallel ? ProxyTaskExecutorInterface::CreateParallel("queue", nullptr)
                     : ProxyTaskExecutorInterface::CreateSequential("queue", nullptr);
            FAIL() << "expected an error";
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "general.invalid_argument");
            EXPECT_EQ(error.GetMessage(), "parent cannot be nullptr");
        }
    }
}

TEST(TimerTest, CancelBeforeAnyScheduleSucceedsWithoutStartingAThread) {
    auto timer = Timer::Create();
    EXPECT_TRUE(timer->Cancel(std::chrono::milliseconds(0)));
    EXPECT_TRUE(timer->Cancel(std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace NuvraMobile
