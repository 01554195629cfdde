#include "CommandLine.h"

#include <cstdio>

namespace NuvraHost {

CommandLine::CommandLine(const char* program, int argc, char** argv)
    : program_(program), arguments_(argv + 1, argv + argc) {}

bool CommandLine::NextOption(std::string& option) {
    if (next_ == arguments_.size()) {
        return false;
    }
    option = arguments_[next_++];
    return true;
}

bool CommandLine::Value(std::string& value) {
    const std::string& option = arguments_[next_ - 1];
    if (next_ == arguments_.size() || arguments_[next_].rfind("--", 0) == 0) {
        return Reject(option + " needs a value");
    }
    value = arguments_[next_++];
    return true;
}

bool CommandLine::Reject(const std::string& message) const {
    std::fprintf(stderr, "%s: %s (see --help)\n", program_, message.c_str());
    return false;
}

}  // namespace NuvraHost
