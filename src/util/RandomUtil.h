#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace NuvraMobile {

/** Random decimal numbers, for example to make request URLs unique. Callable from any thread. */
class RandomUtil {
public:
    /** The decimal text of a uniformly drawn integer from 0 to the bound, both included. */
    static std::string Rand(uint64_t bound);

    /** Rand with the bound 2^64 - 1. */
    static std::string Rand();
};

}  // namespace NuvraMobile
