#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

#include "util/ToStringOptions.h"

namespace NuvraMobile {

/** Where an error was raised: source file, line and stack trace. A plain value. */
struct DebugInfo {
    DebugInfo() = default;
    DebugInfo(std::string sourceFile, std::int32_t line, std::string trace)
        : file(std::move(sourceFile)), lineNumber(line), stackTrace(std::move(trace)) {}

    /** Empty when not recorded. */
    std::string file;
    /** -1 when not recorded. */
    std::int32_t lineNumber = -1;
    /** Empty when not recorded. */
    std::string stackTrace;
};

namespace GetCurrentDebugInfoPrivate {
/** The stack trace from the installed source; empty when none is installed or it fails. */
std::string GetCurrentStackTrace();
/**
 * Where stack traces come from: the current system-information service installs its lookup, so that
 * errors, which sit below the services, need not know them. Any thread.
 */
using StackTraceSource = std::string (*)();
void SetStackTraceSource(StackTraceSource source);
}  // namespace GetCurrentDebugInfoPrivate

/**
 * The caller's file and line with the current stack trace: `Throw(SdkError(code, message,
 * CurrentDebugInfo()))`.
 */
DebugInfo CurrentDebugInfo(const char* file = __builtin_FILE(), int line = __builtin_LINE());

/** { class: "DebugInfo", file: "<file>", line_number: <line>, stack_trace: "<stack trace>" } */
void ToStringImpl(std::ostream& stream, const DebugInfo& debugInfo, const ToStringOptions& options);

}  // namespace NuvraMobile
