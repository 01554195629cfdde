#include "core/values/SdkError.h"

#include <atomic>
#include <future>
#include <new>
#include <stdexcept>
#include <system_error>
#include <typeinfo>

#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "SdkError";

std::string CodeOfLogicError(const std::logic_error& error) {
    if (dynamic_cast<const std::domain_error*>(&error)) return "std.logic_error.domain_error";
    if (dynamic_cast<const std::invalid_argument*>(&error)) return "std.logic_error.invalid_argument";
    if (dynamic_cast<const std::length_error*>(&error)) return "std.logic_error.length_error";
    if (dynamic_cast<const std::out_of_range*>(&error)) return "std.logic_error.out_of_range";
    if (dynamic_cast<const std::future_error*>(&error)) return "std.logic_error.future_error";
    return "std.logic_error";
}

std::string CodeOfRuntimeError(const std::runtime_error& error) {
    if (dynamic_cast<const std::system_error*>(&error)) return "std.runtime_error.system_error";
    if (dynamic_cast<const std::range_error*>(&error)) return "std.runtime_error.range_error";
    if (dynamic_cast<const std::overflow_error*>(&error)) return "std.runtime_error.overflow_error";
    if (dynamic_cast<const std::underflow_error*>(&error)) return "std.runtime_error.underflow_error";
    return "std.runtime_error";
}

std::string CodeOf(const std::exception& exception) {
    if (auto logicError = dynamic_cast<const std::logic_error*>(&exception))
        return CodeOfLogicError(*logicError);
    if (auto runtimeError = dynamic_cast<const std::runtime_error*>(&exception)) {
        return CodeOfRuntimeError(*runtimeError);
    }
    if (dynamic_cast<const std::bad_cast*>(&exception)) return "std.bad_cast";
    if (dynamic_cast<const std::bad_typeid*>(&exception)) return "std.bad_typeid";
    if (dynamic_cast<const std::bad_exception*>(&exception)) return "std.bad_exception";
    if (dynamic_cast<const std::bad_array_new_length*>(&exception))
        return "std.bad_alloc.bad_array_new_length";
    if (dynamic_cast<const std::bad_alloc*>(&exception)) return "std.bad_alloc";
    if (dynamic_cast<const std::bad_weak_ptr*>(&exception)) return "std.bad_weak_ptr";
    if (dynamic_cast<const std::bad_function_call*>(&exception)) return "std.bad_function_call";
    return "std";
}

SdkError UnknownException(const DebugInfo& debugInfo) {
    return SdkError("general.unknown_exception", "An unknown exception occurred.", debugInfo);
}

void WriteCompact(std::ostream& stream, const SdkError& error, const SdkError* inner,
                  const ToStringOptions& options) {
    stream << StringUtils::FormatString(
        options, "{ class: \"SdkError\", code: %q, message: %q, debug_info: %s, inner: %q }",
        StringUtils::Quotify(error.GetCode()), StringUtils::Quotify(error.GetMessage()), error.GetDebugInfo(),
        inner == nullptr ? std::string("null") : StringUtils::ToString(*inner));
}

void WritePretty(std::ostream& stream, const SdkError& error, const ToStringOptions& options) {
    const DebugInfo& debugInfo = error.GetDebugInfo();
    stream << "Code: " << error.GetCode();
    stream << "\n" << options.indent << "Message: " << error.GetMessage();
    if (!debugInfo.file.empty()) {
        stream << "\n" << options.indent << "File: " << debugInfo.file;
        if (debugInfo.lineNumber != -1) {
            stream << ":" << StringUtils::ToString(debugInfo.lineNumber);
        }
    }
    if (!debugInfo.stackTrace.empty()) {
        stream << "\n" << options.indent << "Stack Trace: \n" << options.indent << debugInfo.stackTrace;
    }
    SdkError inner;
    if (error.GetInner(inner)) {
        ToStringOptions innerOptions = options;
        innerOptions.indent += "    ";
        stream << "\n" << options.indent << "Inner: \n";
        WritePretty(stream, inner, innerOptions);
    }
}

// Logging must never keep an error from its handler, so a failure of logging itself is dropped.
void TraceError(const char* format, const SdkError& error) noexcept {
    if (Log::GetLogLevelHint() < LoggingMode::Trace) {
        return;
    }
    try {
        Log::Trace(LOG_TAG, format, error.ToString(ToStringOptions::Pretty()));
    } catch (...) {
    }
}

void HandOn(SdkError& error, const std::function<void(SdkError&)>& catchFunction) {
    TraceError("TryCatch caught exception: %s", error);
    catchFunction(error);
}

}  // namespace

namespace GetCurrentDebugInfoPrivate {

namespace {
// A plain function pointer: constant-initialised, and still valid while the process exits.
std::atomic<StackTraceSource> stackTraceSource{nullptr};
}  // namespace

void SetStackTraceSource(StackTraceSource source) { stackTraceSource.store(source); }

// Runs while errors are being handled, so a failing source only costs the stack trace.
std::string GetCurrentStackTrace() {
    const StackTraceSource source = stackTraceSource.load();
    if (source == nullptr) {
        return std::string();
    }
    try {
        return source();
    } catch (...) {
        return std::string();
    }
}

}  // namespace GetCurrentDebugInfoPrivate

DebugInfo CurrentDebugInfo(const char* file, int line) {
    return DebugInfo(file == nullptr ? "" : file, line, GetCurrentDebugInfoPrivate::GetCurrentStackTrace());
}

void ToStringImpl(std::ostream& stream, const DebugInfo& debugInfo, const ToStringOptions& options) {
    stream << StringUtils::FormatString(
        options, "{ class: \"DebugInfo\", file: %q, line_number: %s, stack_trace: %q }",
        StringUtils::Quotify(debugInfo.file), debugInfo.lineNumber,
        StringUtils::Quotify(debugInfo.stackTrace));
}

SdkError::SdkError(std::string code, std::string message, DebugInfo debugInfo)
    : code_(std::move(code)), message_(std::move(message)), debugInfo_(std::move(debugInfo)) {}

SdkError::SdkError(std::string code, std::string message, const SdkError& inner, DebugInfo debugInfo)
    : code_(std::move(code)),
      inner_(std::make_shared<const SdkError>(inner)),
      message_(std::move(message)),
      debugInfo_(std::move(debugInfo)) {}

SdkError::SdkError(const SdkError& other, DebugInfo debugInfo)
    : code_(other.code_), inner_(other.inner_), message_(other.message_), debugInfo_(std::move(debugInfo)) {}

SdkError SdkError::From(const std::exception& exception, const DebugInfo& debugInfo) {
    return SdkError(CodeOf(exception), exception.what(), debugInfo);
}

SdkError SdkError::From(const std::exception_ptr& exception, const DebugInfo& debugInfo) {
    if (!exception) {
        return UnknownException(debugInfo);
    }
    try {
        std::rethrow_exception(exception);
    } catch (const SdkError& error) {
        return error;
    } catch (const std::exception& standardException) {
        return From(standardException, debugInfo);
    } catch (...) {
        return UnknownException(debugInfo);
    }
}

bool SdkError::GetInner(SdkError& out) const {
    if (!inner_) {
        return false;
    }
    out = *inner_;
    return true;
}

bool SdkError::CodeIs(const std::string& prefix) const {
    if (prefix.size() == code_.size()) {
        return prefix == code_;
    }
    return code_.size() > prefix.size() && code_.compare(0, prefix.size(), prefix) == 0 &&
           code_[prefix.size()] == '.';
}

std::string SdkError::ToString() const { return StringUtils::ToString(*this); }

std::string SdkError::ToString(const ToStringOptions& options) const {
    return StringUtils::ToString(*this, options);
}

void ToStringImpl(std::ostream& stream, const SdkError& error, const ToStringOptions& options) {
    if (options.pretty) {
        WritePretty(stream, error, options);
        return;
    }
    SdkError inner;
    WriteCompact(stream, error, error.GetInner(inner) ? &inner : nullptr, options);
}

void Throw(const SdkError& error) { throw error; }

void Throw(const std::string& code, const std::string& message) {
    throw SdkError(code, message, DebugInfo());
}

void Throw(const std::string& code, const std::string& message, const SdkError& inner) {
    throw SdkError(code, message, inner, DebugInfo());
}

void TryCatch(const std::function<void()>& tryFunction, const std::function<void(SdkError&)>& catchFunction) {
    try {
        tryFunction();
    } catch (SdkError& error) {
        HandOn(error, catchFunction);
    } catch (const std::exception& exception) {
        SdkError error = SdkError::From(exception, CurrentDebugInfo());
        HandOn(error, catchFunction);
    } catch (...) {
        SdkError error = SdkError::From(std::current_exception(), CurrentDebugInfo());
        HandOn(error, catchFunction);
    }
}

void TrySwallow(const std::function<void()>& tryFunction) noexcept {
    try {
        TryCatch(tryFunction, [](SdkError& error) { TraceError("Swallowed exception: %s", error); });
    } catch (...) {
        // Even building the error failed (out of memory): there is nobody left to tell.
    }
}

void TryFinally(const std::function<void()>& tryFunction, const std::function<void()>& finallyFunction) {
    std::exception_ptr kept;
    try {
        tryFunction();
    } catch (...) {
        kept = std::current_exception();
    }
    finallyFunction();
    if (kept) {
        std::rethrow_exception(kept);
    }
}

void TryCatchFinally(const std::function<void()>& tryFunction,
                     const std::function<void(SdkError&)>& catchFunction,
                     const std::function<void()>& finallyFunction) {
    TryFinally([&] { TryCatch(tryFunction, catchFunction); }, finallyFunction);
}

}  // namespace NuvraMobile
