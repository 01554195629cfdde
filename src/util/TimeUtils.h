#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

namespace NuvraMobile {
namespace TimeUtils {

// The one place that reads the wall clock for timestamps. Stateless; callable from any thread.

/** Milliseconds since the Unix epoch, truncated toward zero. */
int64_t GetUnixTime();

/** Seconds since the Unix epoch, truncated toward zero. */
int64_t GetUnixTimeInSeconds();

/** The time point in milliseconds since the Unix epoch, truncated toward zero. */
int64_t GetTimeInMilliseconds(
    std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds> timePoint);

/** The current local time as "%FT%T%z", for example 2018-05-09T14:03:22+0200. */
std::string GetIso8601Date();

/**
 * The broken-down time as "%FT%T%z"; a null time means the current local time. Throws SdkError
 * "std.runtime_error.overflow_error" when the local time cannot be computed.
 */
std::string GetIso8601Date(const std::tm* time);

}  // namespace TimeUtils
}  // namespace NuvraMobile
