#include "support/ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace NuvraMobile
