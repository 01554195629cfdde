#include "util/RandomUtil.h"

#include <random>

namespace NuvraMobile {

std::string RandomUtil::Rand(uint64_t bound) {
    std::random_device device("/dev/urandom");
    std::mt19937 generator(device());
    std::uniform_int_distribution<uint64_t> distribution(0, bound);
    return std::to_string(distribution(generator));
}

std::string RandomUtil::Rand() { return Rand(std::numeric_limits<uint64_t>::max()); }

}  // namespace NuvraMobile
