#pragma once

#include <cstdint>

namespace NuvraMobile {

/** The kinds of value a Variant holds; the numbers are stable. */
enum class VariantKind : int32_t {
    VARIANT_NULL = 0,
    VARIANT_STRING = 1,
    VARIANT_INTEGER = 2,  // signed 32-bit
    VARIANT_LONG = 3,     // signed 64-bit within plus or minus (2^53 - 1)
    VARIANT_DOUBLE = 4,
    VARIANT_BOOLEAN = 5,
    VARIANT_VECTOR = 6,
    VARIANT_MAP = 7,
};

}  // namespace NuvraMobile
