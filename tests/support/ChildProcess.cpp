#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace NuvraMobile {

bool RunInChildProcess(const std::function<void()>& body) {
    const pid_t child = fork();
    if (child == -1) {
        return false;
    }
    if (child == 0) {
        try {
            body();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {
constexpr const char* FRESH_PROCESS_VARIABLE = "NVR_FRESH_TEST_PROCESS";

/** The test this program runs first (tests run in the order of their suites, unshuffled). */
const testing::TestInfo* FirstTestToRun(const testing::UnitTest& unit) {
    for (int suite = 0; suite < unit.total_test_suite_count(); ++suite) {
        const testing::TestSuite& tests = *unit.GetTestSuite(suite);
        for (int test = 0; test < tests.total_test_count(); ++test) {
            if (tests.GetTestInfo(test)->should_run()) {
                return tests.GetTestInfo(test);
            }
        }
    }
    return nullptr;
}
}  // namespace

// Spawned, not forked: nothing of this process (threads, their locks) reaches the new one.
bool RanCurrentTestInFreshProcess() {
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    if (FirstTestToRun(unit) == unit.current_test_info() || std::getenv(FRESH_PROCESS_VARIABLE) != nullptr) {
        return false;
    }
    const testing::TestInfo* test = unit.current_test_info();
    std::string program = "/proc/self/exe";
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::vector<std::string> environment{std::string(FRESH_PROCESS_VARIABLE) + "=1"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment) {
        environmentPointers.push_back(entry.data());
    }
    environmentPointers.push_back(nullptr);
    char* arguments[] = {program.data(), filter.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    const bool passed =
        posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environmentPointers.data()) == 0 &&
        waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    EXPECT_TRUE(passed) << "the test failed in a process of its own (wait status " << status << ")";
    return true;
}

KilledChildReports RunInChildProcessUntilKilled(const std::function<void(int reportDescriptor)>& body,
                                                const std::function<bool(const std::string& reports)>& enough) {
    KilledChildReports reports;
    int descriptors[2];
    if (pipe(descriptors) != 0) {
        return reports;
    }
    const pid_t child = fork();
    if (child == -1) {
        close(descriptors[0]);
        close(descriptors[1]);
        return reports;
    }
    if (child == 0) {
        close(descriptors[0]);
        try {
            body(descriptors[1]);
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    close(descriptors[1]);
    char buffer[4096];
    bool ended = false;
    while (!enough(reports.text)) {
        const ssize_t count = read(descriptors[0], buffer, sizeof buffer);
        if (count <= 0 && !(count < 0 && errno == EINTR)) {
            ended = true;
            break;
        }
        reports.text.append(buffer, static_cast<size_t>(std::max<ssize_t>(count, 0)));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // The pipe keeps what the child wrote before it died.
    for (ssize_t count; (count = read(descriptors[0], buffer, sizeof buffer)) > 0;) {
        reports.text.append(buffer, static_cast<size_t>(count));
    }
    close(descriptors[0]);
    reports.killed = !ended && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return reports;
}

}  // namespace NuvraMobile
