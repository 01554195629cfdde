#pragma once

#include <string>

namespace NuvraMobile {

/** Sets the process's time zone (TZ) for the guard's lifetime and restores the one before. */
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool hadPrevious_ = false;
    std::string previous_;
};

}  // namespace NuvraMobile
