#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonConstants.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonType.h"
#include "services/json/NVBJsonType.h"

namespace NuvraMobile {
namespace NativeJsonValues {

// The typed reads shared by the native JSON objects and arrays. A position is a key or an index; it
// names the member in error messages ("key: k", "index: 3").

inline std::string Where(const std::string& key) { return "key: " + key; }

inline std::string Where(uint32_t index) { return "index: " + std::to_string(index); }

/** Throws the SdkError `code` whose message names the position. */
template <typename Position>
[[noreturn]] void Fail(const char* code, const Position& position) {
    Throw(SdkError(code, Where(position), CurrentDebugInfo()));
}

using Members = std::map<std::string, std::shared_ptr<Variant>>;
using Elements = std::vector<std::shared_ptr<Variant>>;

/**
 * The entries of a map variant (the elements of a vector variant) shared with it rather than copied:
 * variants never change, so a document can read them until it changes itself. Empty for other kinds.
 */
std::shared_ptr<const Members> SharedMembers(const std::shared_ptr<Variant>& value);
std::shared_ptr<const Elements> SharedElements(const std::shared_ptr<Variant>& value);

/** True when the value is present (not an empty pointer) and of the given JSON type. */
bool IsOfType(const std::shared_ptr<Variant>& value, JsonType type);

/** A new document over the value's container; empty when the value is not of the kind. */
std::shared_ptr<JsonObject> AsJsonObject(const std::shared_ptr<Variant>& value);
std::shared_ptr<JsonArray> AsJsonArray(const std::shared_ptr<Variant>& value);

/** The variant stored for a nested document, or an empty pointer for an empty document pointer. */
std::shared_ptr<Variant> FromJsonObject(const std::shared_ptr<JsonObject>& object);
std::shared_ptr<Variant> FromJsonArray(const std::shared_ptr<JsonArray>& array);

template <typename Position>
JsonType TypeOf(const std::shared_ptr<Variant>& value, const Position& position) {
    if (!value) Fail(JsonConstants::OBJECT_UNKNOWN, position);
    return NVBJsonType::Get(value->GetKind());
}

template <typename Position>
std::shared_ptr<JsonObject> ToJsonObject(const std::shared_ptr<Variant>& value, const Position& position) {
    if (!value) Fail(JsonConstants::JSONOBJECT_IS_NULL, position);
    std::shared_ptr<JsonObject> object = AsJsonObject(value);
    if (!object) Fail(JsonConstants::VALUE_NOT_OBJECT_TYPE, position);
    return object;
}

template <typename Position>
std::shared_ptr<JsonArray> ToJsonArray(const std::shared_ptr<Variant>& value, const Position& position) {
    if (!value) Fail(JsonConstants::JSONARRAY_IS_NULL, position);
    std::shared_ptr<JsonArray> array = AsJsonArray(value);
    if (!array) Fail(JsonConstants::VALUE_NOT_ARRAY_TYPE, position);
    return array;
}

// Numeric reads convert between the numeric kinds; a value the conversion refuses reads as 0.
template <typename Number, typename Position>
Number ToNumber(const std::shared_ptr<Variant>& value, const Position& position) {
    if (!value || !Variant::IsNumericKind(value->GetKind()))
        Fail(JsonConstants::VALUE_NOT_NUMERIC_TYPE, position);
    Number number{};
    if constexpr (std::is_same_v<Number, int32_t>) {
        value->GetInteger(number);
    } else if constexpr (std::is_same_v<Number, int64_t>) {
        value->GetLong(number);
    } else {
        value->GetDouble(number);
    }
    return number;
}

template <typename Position>
std::string ToString(const std::shared_ptr<Variant>& value, const Position& position) {
    std::string text;
    if (!value || !value->GetString(text)) Fail(JsonConstants::VALUE_NOT_STRING_TYPE, position);
    return text;
}

template <typename Position>
bool ToBoolean(const std::shared_ptr<Variant>& value, const Position& position) {
    bool boolean = false;
    if (!value || value->GetKind() != VariantKind::VARIANT_BOOLEAN) {
        Fail(JsonConstants::VALUE_NOT_BOOLEAN_TYPE, position);
    }
    value->GetBoolean(boolean);
    return boolean;
}

}  // namespace NativeJsonValues
}  // namespace NuvraMobile
