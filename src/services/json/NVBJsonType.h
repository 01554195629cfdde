#pragma once

#include <map>

#include "core/VariantKind.h"
#include "platformShim/JsonType.h"

namespace NuvraMobile {

/** The JSON type of each Variant kind, as the native JSON documents report it. Immutable. */
class NVBJsonType {
public:
    static const std::map<VariantKind, JsonType> VARIANT_JSON_TYPE_MAP;

    /** The type of the kind; null for a kind without an entry. */
    static JsonType Get(VariantKind kind);
};

}  // namespace NuvraMobile
