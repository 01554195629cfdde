#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "core/values/DebugInfo.h"
#include "util/ToStringOptions.h"

namespace NuvraMobile {

/**
 * The one error type of the system: a dotted lower-case code ("general.invalid_argument"), a message,
 * where it was raised and an optional inner error that caused it. Thrown by value, caught by
 * reference, carried in Expected. A plain value; copies share the immutable inner error.
 */
class SdkError {
public:
    SdkError() = default;
    SdkError(std::string code, std::string message, DebugInfo debugInfo);
    SdkError(std::string code, std::string message, const SdkError& inner, DebugInfo debugInfo);
    /** A copy of `other` whose debug info is replaced. */
    SdkError(const SdkError& other, DebugInfo debugInfo);

    /** The error for a standard exception; the code follows its dynamic type ("std.runtime_error"). */
    static SdkError From(const std::exception& exception, const DebugInfo& debugInfo);
    /**
     * The error for any exception: an SdkError yields itself with its own debug info, a standard
     * exception as above, anything else (or no exception at all) "general.unknown_exception".
     */
    static SdkError From(const std::exception_ptr& exception, const DebugInfo& debugInfo);

    std::string GetCode() const { return code_; }
    std::string GetMessage() const { return message_; }
    const DebugInfo& GetDebugInfo() const { return debugInfo_; }
    bool HasInner() const { return inner_ != nullptr; }
    /** False (and `out` untouched) when there is no inner error. */
    bool GetInner(SdkError& out) const;

    /** True when the code equals `prefix` or begins with `prefix` followed by ".". */
    bool CodeIs(const std::string& prefix) const;

    std::string ToString() const;
    std::string ToString(const ToStringOptions& options) const;

private:
    std::string code_;
    std::shared_ptr<const SdkError> inner_;
    std::string message_;
    DebugInfo debugInfo_;
};

/** Compact one-line rendering, or the multi-line one when options.pretty is set. */
void ToStringImpl(std::ostream& stream, const SdkError& error, const ToStringOptions& options);

[[noreturn]] void Throw(const SdkError& error);
/** Throws an SdkError without location; build one with CurrentDebugInfo() to record it. */
[[noreturn]] void Throw(const std::string& code, const std::string& message);
[[noreturn]] void Throw(const std::string& code, const std::string& message, const SdkError& inner);

/**
 * Runs `tryFunction`; any exception reaches `catchFunction` as an SdkError. An exception thrown by
 * `catchFunction` itself leaves TryCatch.
 */
void TryCatch(const std::function<void()>& tryFunction, const std::function<void(SdkError&)>& catchFunction);

/** Runs `tryFunction` and only logs (at trace level) what it throws; nothing ever leaves it. */
void TrySwallow(const std::function<void()>& tryFunction) noexcept;

/**
 * Runs `tryFunction`, then always `finallyFunction`, then re-raises what `tryFunction` threw. An
 * exception of `finallyFunction` propagates instead.
 */
void TryFinally(const std::function<void()>& tryFunction, const std::function<void()>& finallyFunction);

/** TryCatch of the first two functions, followed in every case by `finallyFunction`. */
void TryCatchFinally(const std::function<void()>& tryFunction,
                     const std::function<void(SdkError&)>& catchFunction,
                     const std::function<void()>& finallyFunction);

}  // namespace NuvraMobile
