#include "support/ScopedTimeZone.h"

#include <stdlib.h>
#include <time.h>

namespace NuvraMobile {

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* previous = getenv("TZ");
    hadPrevious_ = previous != nullptr;
    previous_ = previous ? previous : "";
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (hadPrevious_) {
        setenv("TZ", previous_.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace NuvraMobile
