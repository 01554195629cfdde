#include "services/ui/SpawningUrlOpener.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "util/Log.h"

extern char** environ;

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "SpawningUrlOpener";
}

SpawningUrlOpener::SpawningUrlOpener(std::vector<std::string> command) : command_(std::move(command)) {}

bool SpawningUrlOpener::Open(const std::string& url) {
    if (command_.empty()) {
        Log::Error(LOG_TAG, "No program to open url (%s) with", url);
        return false;
    }
    std::vector<std::string> arguments = command_;
    arguments.push_back(url);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawnError = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
    if (spawnError != 0) {
        Log::Warning(LOG_TAG, "Unable to start %s (%s)", command_[0], std::strerror(spawnError));
        return false;
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    return waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace NuvraMobile
