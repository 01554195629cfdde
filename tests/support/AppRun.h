#pragma once

#include <chrono>
#include <string>

namespace NuvraMobile {

/** How one run of a test app (a program of its own that a test starts) ended. */
struct AppRun {
    /** The wait status, or -1 when the program did not start. */
    int status = -1;
    /** Its standard output and error. */
    std::string output;
    /** When it had ended, as the steady clock (CLOCK_MONOTONIC, as in the program) reads. */
    std::chrono::steady_clock::time_point ended;

    bool ExitedWith(int code) const;
    std::string Describe() const;
    /** The number after `word` and a blank in the output, or -1. */
    long long NumberAfter(const std::string& word) const;
    /**
     * The milliseconds from the time the program printed after `word` (the steady clock's, in nanoseconds) to
     * the end of the run; -1 without one.
     */
    long long MsToTheEnd(const std::string& word) const;
};

/**
 * Runs `program` in `mode` (with `argument`, when not empty) with its data folders under `folder`
 * (XDG_DATA_HOME and XDG_CACHE_HOME), its output kept in `folder`/output, and waits for its end. Under
 * AddressSanitizer, `checkLeaks` false turns the leak check at exit off (it takes about a second under
 * load).
 */
AppRun RunApp(const std::string& program, const std::string& folder, const std::string& mode,
              const std::string& argument = "", bool checkLeaks = true);

}  // namespace NuvraMobile
