#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"

namespace NuvraMobile {

/**
 * Writes compact JSON text straight from Variant trees, into one growing string. Members of an object
 * are written in key order; a member without a JSON value (an empty pointer, null, text or key that is
 * not UTF-8) is left out, and such an element of an array is written as null. Doubles that are not
 * finite are written as null; the other doubles in their shortest form that reads back to the same
 * value, with ".0" when that form looks like an integer, so they read back as doubles. Throws
 * std::length_error for containers nested deeper than JsonConstants::MAX_NESTING_DEPTH. One writer per
 * text; stateless between calls of the static functions, callable from any thread.
 */
class JsonTextWriter {
public:
    static std::string WriteObject(const std::map<std::string, std::shared_ptr<Variant>>& members);
    static std::string WriteArray(const std::vector<std::shared_ptr<Variant>>& elements);

private:
    void Object(const std::map<std::string, std::shared_ptr<Variant>>& members, size_t depth);
    /** Appends "key":value; false, leaving a part appended, when the key or value has no JSON form. */
    bool Member(const std::string& key, const Variant* value, size_t depth);
    void Array(const std::vector<std::shared_ptr<Variant>>& elements, size_t depth);
    /** Appends the value; false, with nothing appended, when it has no JSON form. */
    bool Value(const Variant* value, size_t depth);
    /** Appends the quoted, escaped text; false, with nothing appended, when it is not UTF-8. */
    bool Text(const std::string& text);
    void Integer(int64_t number);
    void Double(double number);

    std::string out_;
};

}  // namespace NuvraMobile
