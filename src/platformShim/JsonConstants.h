#pragma once

#include <cstddef>

namespace NuvraMobile {
namespace JsonConstants {

/** Documents nest at most this deep; deeper ones are refused rather than recursed into. */
constexpr size_t MAX_NESTING_DEPTH = 256;
/** JSON texts longer than this are refused. */
constexpr size_t MAX_TEXT_LENGTH = 16 * 1024 * 1024;

constexpr const char* SERIALIZATION_ERROR = "json.serialization_error";
constexpr const char* KEY_NOT_FOUND = "json.key_not_found";
constexpr const char* INDEX_NOT_FOUND = "json.index_not_found";
constexpr const char* OBJECT_UNKNOWN = "json.object_unknown";
constexpr const char* JSONOBJECT_IS_NULL = "json.jsonobject_is_null";
constexpr const char* JSONARRAY_IS_NULL = "json.jsonarray_is_null";
constexpr const char* VALUE_NOT_OBJECT_TYPE = "json.value_not_object_type";
constexpr const char* VALUE_NOT_ARRAY_TYPE = "json.value_not_array_type";
constexpr const char* VALUE_NOT_NUMERIC_TYPE = "json.value_not_numeric_type";
constexpr const char* VALUE_NOT_STRING_TYPE = "json.value_not_string_type";
constexpr const char* VALUE_NOT_BOOLEAN_TYPE = "json.value_not_boolean_type";

/**
 * The message of a text that cannot be read (code SERIALIZATION_ERROR): this prefix, the text,
 * PARSE_ERROR_SEPARATOR and the reader's description.
 */
constexpr const char* PARSE_ERROR_PREFIX = "Failed to create json object for string: ";
constexpr const char* PARSE_ERROR_SEPARATOR = " error: ";

}  // namespace JsonConstants
}  // namespace NuvraMobile
