#include "util/TimeUtils.h"

#include <stdexcept>

namespace NuvraMobile {
namespace TimeUtils {
namespace {

int64_t MicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int64_t GetUnixTime() { return MicrosecondsNow() / 1000; }

int64_t GetUnixTimeInSeconds() { return MicrosecondsNow() / 1000000; }

int64_t GetTimeInMilliseconds(
    std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds> timePoint) {
    return timePoint.time_since_epoch().count() / 1000;
}

std::string GetIso8601Date() { return GetIso8601Date(nullptr); }

std::string GetIso8601Date(const std::tm* time) {
    std::tm localTime{};
    if (time == nullptr) {
        const std::time_t now = std::time(nullptr);
        if (localtime_r(&now, &localTime) == nullptr) {
            // Reaches callers as SdkError "std.runtime_error.overflow_error" through TryCatch.
            throw std::overflow_error("localtime returned NULL, probably argument is too large.");
        }
        time = &localTime;
    }
    char text[64];
    const size_t length = std::strftime(text, sizeof(text), "%FT%T%z", time);
    return std::string(text, length);
}

}  // namespace TimeUtils
}  // namespace NuvraMobile
