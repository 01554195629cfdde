// An app that returns from main while the SDK is at work ends cleanly: the SDK's threads end before the
// statics they use are destroyed and before the transfer and TLS libraries clean up.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "support/FileSystemTestFolder.h"

extern char** environ;

namespace NuvraMobile {
namespace {

constexpr int kRuns = 20;

/** Runs the program with its data folders under `folder`; its wait status, or -1 when it did not start. */
int RunExitingApp(const std::string& folder) {
    std::vector<std::string> environment = {"XDG_DATA_HOME=" + folder + "/share",
                                            "XDG_CACHE_HOME=" + folder + "/cache"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        if (entry.rfind("XDG_DATA_HOME=", 0) != 0 && entry.rfind("XDG_CACHE_HOME=", 0) != 0) {
            environment.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = NVR_EXITING_APP;
    char* argv[] = {program.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return -1;
    }
    return status;
}

TEST(ProcessExitTest, AnAppThatReturnsFromMainWithRequestsUnderWayExitsCleanly) {
    FileSystemTestFolder scratch;
    for (int run = 0; run < kRuns; ++run) {
        const int status = RunExitingApp(scratch.Path());
        ASSERT_TRUE(status != -1 && WIFEXITED(status)) << "run " << run << ": ended by signal "
                                                       << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        ASSERT_EQ(0, WEXITSTATUS(status)) << "run " << run;
    }
}

}  // namespace
}  // namespace NuvraMobile
