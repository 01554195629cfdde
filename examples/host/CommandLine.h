#pragma once

#include <string>
#include <vector>

namespace NuvraHost {

/**
 * The options of a demo host's command line, read one at a time on the main thread. An option that takes
 * a value takes the argument after it, unless there is none or that argument is an option itself ("--..."):
 * `--action --state Home` is then an error naming --action, never an action named "--state".
 */
class CommandLine {
public:
    /** `program` names the program in the lines written to standard error. */
    CommandLine(const char* program, int argc, char** argv);

    /** The next argument into `option`; false after the last one. */
    bool NextOption(std::string& option);
    /**
     * The value of the option just read into `value`. False, with one line on standard error naming the
     * option, when no value follows it.
     */
    bool Value(std::string& value);
    /** Writes "PROGRAM: `message` (see --help)" to standard error; returns false for the caller to return. */
    bool Reject(const std::string& message) const;

private:
    const char* program_;
    std::vector<std::string> arguments_;
    std::size_t next_ = 0;
};

}  // namespace NuvraHost
