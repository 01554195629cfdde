#pragma once

#include <functional>
#include <string>

namespace NuvraMobile {

/**
 * Runs `body` in a forked child process that ends with _exit, without any clean shutdown, as a crash
 * right after `body` would. True when the child ran `body` to its end. Call it before the test opens
 * anything the child must not share (database connections, threads).
 */
bool RunInChildProcess(const std::function<void()>& body);

/** What a child killed by RunInChildProcessUntilKilled wrote before it died. */
struct KilledChildReports {
    /** False when the child could not start or ended before it was killed. */
    bool killed = false;
    std::string text;
};

/**
 * Runs `body` in a forked child, giving it the write end of a pipe for its reports, and reads them
 * until `enough` says so; then kills the child with SIGKILL, wherever it is, and returns every report it
 * wrote before it died. Same precautions as RunInChildProcess.
 */
KilledChildReports RunInChildProcessUntilKilled(const std::function<void(int reportDescriptor)>& body,
                                                const std::function<bool(const std::string& reports)>& enough);

}  // namespace NuvraMobile
