#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "services/json/JsonTreeReader.h"

namespace NuvraMobile {
namespace JsonText {

// JSON text to and from the Variant contents of the native JSON documents. Texts over 16 MiB and
// documents nested deeper than 256 levels are refused. Stateless; callable from any thread.

/**
 * The members of the top-level object in the shape; throws SdkError "json.serialization_error" for
 * anything else.
 */
std::map<std::string, std::shared_ptr<Variant>> ParseObject(const std::string& text,
                                                            JsonShape shape = JsonShape::Document);

/**
 * The elements of the top-level array in the shape; throws SdkError "json.serialization_error" for
 * anything else.
 */
std::vector<std::shared_ptr<Variant>> ParseArray(const std::string& text, JsonShape shape = JsonShape::Document);

/**
 * Compact text, members in key order. Members without a JSON value (null, empty pointer, text that is
 * not UTF-8) are left out, also inside nested objects.
 */
std::string WriteObject(const std::map<std::string, std::shared_ptr<Variant>>& members);

/** Compact text; elements without a JSON value are written as null. */
std::string WriteArray(const std::vector<std::shared_ptr<Variant>>& elements);

}  // namespace JsonText
}  // namespace NuvraMobile
