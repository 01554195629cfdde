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

/**
 * For a test that needs a process of its own: one with no other thread yet (a fork would inherit the
 * locks other threads hold) and with the state that is set up at first use still fresh. When the test is
 * the first this process runs, or the process was started for it, answers false and the test goes on
 * here. Otherwise it starts this test program again running only the current test, waits for it, records
 * a failure unless it passed, and answers true: the caller returns. So the program passes whether it runs
 * every test in one process or one per process.
 */
bool RanCurrentTestInFreshProcess();

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
