#pragma once

#include <map>
#include <string>
#include <vector>

namespace NuvraMobile {

/**
 * Context data: flat maps of dotted keys to string values (a.launches = 3), carried by measurement hits
 * as nested query-style text (&a.&launches=3&.a). One instance is one node of the nesting tree built
 * while encoding. The static operations are stateless and callable from any thread.
 */
class ContextData {
public:
    std::map<std::string, ContextData> data;
    std::string value;

    /** Keeps only ".", digits, ASCII letters and "_", collapses repeated "." and trims "." at both ends. */
    static std::string CleanKey(const std::string& key);

    /** The map with cleaned keys; entries whose key cleans to empty are dropped, later keys win. */
    static std::map<std::string, std::string> CleanDictionaryKeys(
        const std::map<std::string, std::string>& map);

    /** The nested text of the map, without the caller's outer level. */
    static std::string EncodeContextData(const std::map<std::string, std::string>& map);

    /** The flat map of a nested text, unwrapping an outer "&c." ... "&.c" level when present. */
    static std::map<std::string, std::string> DecodeContextData(const std::string& text);

    /** The non-empty pieces of the text between delimiters. */
    static std::vector<std::string> Split(const std::string& text, char delimiter);

    /** The prefixes concatenated, followed by the key. */
    static std::string Flatten(const std::vector<std::string>& prefixes, const std::string& key);

    /** Stores the value in the tree under the key segments from the index on. */
    static void EncodeValueIntoMap(const std::string& value, std::map<std::string, ContextData>& nodes,
                                   const std::vector<std::string>& segments, size_t index);

    /** The nested text of a tree. */
    static std::string SerializeToURLFormat(const std::map<std::string, ContextData>& nodes);
};

}  // namespace NuvraMobile
