#pragma once

#include <memory>

#include "core/values/Variant.h"
#include "platformShim/JsonType.h"

namespace NuvraMobile {

/**
 * The variant of the number (as a double), boolean or string at `position` (an index or a key) of a
 * JSON object or array, as rules hold values; an empty pointer for any other type.
 */
template <class Document, class Position>
std::shared_ptr<Variant> ReadJsonScalar(const Document& document, const Position& position) {
    switch (document.GetType(position)) {
        case JsonType::JSON_NUMBER:
            return Variant::FromDouble(document.GetDouble(position));
        case JsonType::JSON_BOOLEAN:
            return Variant::FromBoolean(document.GetBoolean(position));
        case JsonType::JSON_STRING:
            return Variant::FromString(document.GetString(position));
        default:
            return nullptr;
    }
}

}  // namespace NuvraMobile
