#pragma once

#include <cstdint>

namespace NuvraMobile {

/** The type of a JSON value as JSON objects and arrays report it; the numbers are stable. */
enum class JsonType : int32_t {
    JSON_NUMBER = 0,
    JSON_BOOLEAN = 1,
    JSON_STRING = 2,
    JSON_ARRAY = 3,
    JSON_OBJECT = 4,
    JSON_NULL = 5,
};

}  // namespace NuvraMobile
