#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"

namespace NuvraMobile {
namespace CollectionUtils {

// Merging and log rendering of Variant collections. Stateless; callable from any thread.

/** Keys ending in this merge their map into every map element of the vector under the plain key. */
constexpr const char* SUFFIX_FOR_EACH_OBJECT = "[*]";

/**
 * The base with the additions merged in without overwriting: scalars only fill absent keys, vectors
 * and maps merge recursively, nulls are ignored, and a value of another container kind is left alone.
 */
std::map<std::string, std::shared_ptr<Variant>> AddDataToMap(
    const std::map<std::string, std::shared_ptr<Variant>>& base,
    const std::map<std::string, std::shared_ptr<Variant>>& additions);

/** The base followed by the additions: nulls are ignored, scalars already in the base are not repeated. */
std::vector<std::shared_ptr<Variant>> AddDataToVector(const std::vector<std::shared_ptr<Variant>>& base,
                                                      const std::vector<std::shared_ptr<Variant>>& additions);

/** Indented multi-line text of the map ("{", one entry per line, "}"); empty for an empty map. */
std::string GetPrettyString(const std::map<std::string, std::shared_ptr<Variant>>& map, int indent);

/** Indented multi-line text of the vector ("[", one element per line, "]"); empty for an empty vector. */
std::string GetPrettyString(const std::vector<std::shared_ptr<Variant>>& vector, int indent);

/** That many spaces; empty below 1. */
std::string GetWhitespace(int count);

}  // namespace CollectionUtils
}  // namespace NuvraMobile
