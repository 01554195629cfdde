#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/values/SdkError.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

constexpr int LOGGING_THREADS = 8;
constexpr int LINES_PER_THREAD = 2000;

TEST(LogConcurrencyTest, EightThreadsLogWhileAnotherSwapsTheService) {
    Log::SetLogLevel(LoggingMode::Trace);
    std::vector<std::shared_ptr<CapturingLoggingService>> services;
    for (int i = 0; i < 4; ++i) {
        services.push_back(std::make_shared<CapturingLoggingService>());
    }
    Log::SetLoggingService(services[0]);

    std::atomic<int> running{LOGGING_THREADS};
    std::thread swapper([&] {
        for (std::size_t round = 0; running.load() > 0; ++round) {
            Log::SetLoggingService(round % 5 == 4 ? nullptr : services[round % services.size()]);
            Log::SetLogLevel(round % 2 == 0 ? LoggingMode::Trace : LoggingMode::Debug);
        }
    });
    std::vector<std::thread> loggers;
    for (int thread = 0; thread < LOGGING_THREADS; ++thread) {
        loggers.emplace_back([&, thread] {
            for (int line = 0; line < LINES_PER_THREAD; ++line) {
                Log::Debug("Worker", "thread %d line %d of %s", thread, line, std::vector<int>{thread, line});
            }
            running.fetch_sub(1);
        });
    }
    for (std::thread& logger : loggers) {
        logger.join();
    }
    swapper.join();
    Log::SetLoggingService(nullptr);

    std::size_t recorded = 0;
    for (const auto& service : services) {
        for (const CapturingLoggingService::Line& line : service->GetLines()) {
            EXPECT_EQ(LoggingMode::Debug, line.level);
            EXPECT_EQ("Worker", line.tag);
            EXPECT_EQ(0u, line.message.rfind("thread ", 0)) << line.message;
            ++recorded;
        }
    }
    EXPECT_LE(recorded, static_cast<std::size_t>(LOGGING_THREADS * LINES_PER_THREAD));
}

// Each thread nests renderings of its own; depths of different threads must not limit each other.
TEST(LogConcurrencyTest, RenderingDepthBelongsToEachThread) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int thread = 0; thread < LOGGING_THREADS; ++thread) {
        threads.emplace_back([&] {
            const std::vector<std::vector<std::vector<int>>> nested{{{1, 2}}};
            for (int i = 0; i < 2000; ++i) {
                if (StringUtils::ToString(nested) != "[ [ [ 1, 2 ] ] ]") {
                    wrong.fetch_add(1);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, wrong.load());
}

TEST(LogConcurrencyTest, ErrorsReadTheCurrentSystemInfoServiceWhileItIsSwapped) {
    auto service = std::make_shared<FakeSystemInfoService>();
    service->Update([](FakeSystemInfoService::Answers& answers) { answers.currentStackTrace = "\nframe"; });
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        for (int round = 0; !done.load(); ++round) {
            SystemInfoServiceInterface::SetCurrentService(round % 2 == 0 ? service : nullptr);
        }
    });
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int thread = 0; thread < LOGGING_THREADS; ++thread) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                const std::string trace = CurrentDebugInfo().stackTrace;
                if (trace != "" && trace != "\nframe") {
                    wrong.fetch_add(1);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    done.store(true);
    swapper.join();
    SystemInfoServiceInterface::SetCurrentService(nullptr);
    EXPECT_EQ(0, wrong.load());
}

}  // namespace
}  // namespace NuvraMobile
