#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"

namespace NuvraMobile {

/**
 * The JSON array of the system: a vector of Variants. Nested objects and arrays are stored as map and
 * vector variants; storing or reading one copies its container, so documents never share changes. An
 * element may be an empty pointer (padding). Not synchronised: one thread at a time changes an array;
 * values handed out may be used on any thread.
 */
class NativeJsonArray : public Object, public virtual JsonArray {
public:
    /** Throws SdkError "json.serialization_error" when the text is not a JSON array. */
    explicit NativeJsonArray(const std::string& text);
    /** The variants are shared, not copied. */
    explicit NativeJsonArray(std::vector<std::shared_ptr<Variant>> elements);
    /** Reads the elements in place until the first change, which copies them. */
    explicit NativeJsonArray(std::shared_ptr<const std::vector<std::shared_ptr<Variant>>> elements);

    JsonType GetType(uint32_t index) const override;

    std::shared_ptr<JsonArray> PutJsonObject(const std::shared_ptr<JsonObject>& value) override;
    std::shared_ptr<JsonArray> PutJsonObject(uint32_t index,
                                             const std::shared_ptr<JsonObject>& value) override;
    std::shared_ptr<JsonArray> PutJsonArray(const std::shared_ptr<JsonArray>& value) override;
    std::shared_ptr<JsonArray> PutJsonArray(uint32_t index, const std::shared_ptr<JsonArray>& value) override;
    std::shared_ptr<JsonArray> PutInt(int32_t value) override;
    std::shared_ptr<JsonArray> PutInt(uint32_t index, int32_t value) override;
    std::shared_ptr<JsonArray> PutLong(int64_t value) override;
    std::shared_ptr<JsonArray> PutLong(uint32_t index, int64_t value) override;
    std::shared_ptr<JsonArray> PutDouble(double value) override;
    std::shared_ptr<JsonArray> PutDouble(uint32_t index, double value) override;
    std::shared_ptr<JsonArray> PutString(const std::string& value) override;
    std::shared_ptr<JsonArray> PutString(uint32_t index, const std::string& value) override;
    std::shared_ptr<JsonArray> PutBoolean(bool value) override;
    std::shared_ptr<JsonArray> PutBoolean(uint32_t index, bool value) override;

    std::shared_ptr<JsonObject> GetJsonObject(uint32_t index) const override;
    std::shared_ptr<JsonArray> GetJsonArray(uint32_t index) const override;
    int32_t GetInt(uint32_t index) const override;
    int64_t GetLong(uint32_t index) const override;
    double GetDouble(uint32_t index) const override;
    std::string GetString(uint32_t index) const override;
    bool GetBoolean(uint32_t index) const override;

    std::shared_ptr<JsonObject> OptJsonObject(uint32_t index) const override;
    std::shared_ptr<JsonArray> OptJsonArray(uint32_t index) const override;
    int32_t OptInt(uint32_t index, int32_t fallback) const override;
    int64_t OptLong(uint32_t index, int64_t fallback) const override;
    double OptDouble(uint32_t index, double fallback) const override;
    std::string OptString(uint32_t index, const std::string& fallback) const override;
    bool OptBoolean(uint32_t index, bool fallback) const override;

    uint64_t Length() const override;
    /**
     * Compact text; elements without a JSON value (padding, null, text not UTF-8) are written as null,
     * empty strings are kept, and members of nested objects are left out as NativeJsonObject's are.
     */
    std::string ToString() const override;

    /** Appends empty elements until the index exists. */
    void NullPadToIndex(uint32_t index);
    const std::vector<std::shared_ptr<Variant>>& GetElements() const { return *elements_; }

private:
    /** The element; throws "json.index_not_found" past the end. */
    const std::shared_ptr<Variant>& At(uint32_t index) const;
    std::shared_ptr<Variant> FindOfType(uint32_t index, JsonType type) const;
    /** Appends the value; an empty value (an empty document pointer) changes nothing. */
    std::shared_ptr<JsonArray> Append(std::shared_ptr<Variant> value);
    /** Pads to the index, then replaces the element with what `build` makes unless that is empty. */
    template <typename Build>
    std::shared_ptr<JsonArray> PutAt(uint32_t index, Build build);

    using Elements = std::vector<std::shared_ptr<Variant>>;
    /** The elements to change; copies them first while they are shared. */
    Elements& MutableElements();

    /** What the array reads: its own elements, or those of the variant it was read from. */
    std::shared_ptr<const Elements> elements_;
    /** Its own elements once it has any; then the same vector as elements_. */
    std::shared_ptr<Elements> owned_;
};

}  // namespace NuvraMobile
