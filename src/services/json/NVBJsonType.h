#pragma once

#include <array>

#include "core/values/VariantKind.h"
#include "platformShim/JsonType.h"

namespace NuvraMobile {

/** The JSON type of each Variant kind, as the native JSON documents report it. Immutable. */
class NVBJsonType {
public:
    /** Indexed by the kind's number. */
    static constexpr std::array<JsonType, 8> VARIANT_JSON_TYPE_MAP = {
        JsonType::JSON_NULL,     // null
        JsonType::JSON_STRING,   // string
        JsonType::JSON_NUMBER,   // integer
        JsonType::JSON_NUMBER,   // long
        JsonType::JSON_NUMBER,   // double
        JsonType::JSON_BOOLEAN,  // boolean
        JsonType::JSON_ARRAY,    // vector
        JsonType::JSON_OBJECT,   // variant map
    };

    /** The type of the kind; null for a kind without an entry. */
    static JsonType Get(VariantKind kind) {
        const auto index = static_cast<size_t>(kind);
        return index < VARIANT_JSON_TYPE_MAP.size() ? VARIANT_JSON_TYPE_MAP[index] : JsonType::JSON_NULL;
    }
};

}  // namespace NuvraMobile
