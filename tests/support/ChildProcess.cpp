#include "support/ChildProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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
