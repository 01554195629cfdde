#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "platformShim/JsonObject.h"

namespace NuvraMobile {

/**
 * The JSON object of the system: an ordered map from key to Variant. Nested objects and arrays are
 * stored as map and vector variants; storing or reading one copies its container, so documents never
 * share changes. A member may be an empty pointer (no value). Not synchronised: one thread at a time
 * changes an object; values handed out may be used on any thread.
 */
class NativeJsonObject : public Object, public virtual JsonObject {
public:
    /** Throws SdkError "json.serialization_error" when the text is not a JSON object. */
    explicit NativeJsonObject(const std::string& text);
    /** One string member per entry. */
    explicit NativeJsonObject(const std::map<std::string, std::string>& members);
    /** The variants are shared, not copied. */
    explicit NativeJsonObject(std::map<std::string, std::shared_ptr<Variant>> members);
    /** Reads the members in place until the first change, which copies them. */
    explicit NativeJsonObject(std::shared_ptr<const std::map<std::string, std::shared_ptr<Variant>>> members);

    JsonType GetType(const std::string& key) const override;
    std::shared_ptr<JsonObject> GetJsonObject(const std::string& key) const override;
    std::shared_ptr<JsonArray> GetJsonArray(const std::string& key) const override;
    int32_t GetInt(const std::string& key) const override;
    int64_t GetLong(const std::string& key) const override;
    double GetDouble(const std::string& key) const override;
    std::string GetString(const std::string& key) const override;
    bool GetBoolean(const std::string& key) const override;

    std::shared_ptr<JsonObject> PutJsonObject(const std::string& key,
                                              const std::shared_ptr<JsonObject>& value) override;
    std::shared_ptr<JsonObject> PutJsonArray(const std::string& key,
                                             const std::shared_ptr<JsonArray>& value) override;
    std::shared_ptr<JsonObject> PutInt(const std::string& key, int32_t value) override;
    std::shared_ptr<JsonObject> PutLong(const std::string& key, int64_t value) override;
    std::shared_ptr<JsonObject> PutDouble(const std::string& key, double value) override;
    std::shared_ptr<JsonObject> PutString(const std::string& key, const std::string& value) override;
    std::shared_ptr<JsonObject> PutBoolean(const std::string& key, bool value) override;

    std::shared_ptr<JsonObject> OptJsonObject(const std::string& key) const override;
    std::shared_ptr<JsonArray> OptJsonArray(const std::string& key) const override;
    int32_t OptInt(const std::string& key, int32_t fallback) const override;
    int64_t OptLong(const std::string& key, int64_t fallback) const override;
    double OptDouble(const std::string& key, double fallback) const override;
    std::string OptString(const std::string& key, const std::string& fallback) const override;
    bool OptBoolean(const std::string& key, bool fallback) const override;

    void Keys(std::vector<std::string>& out) const override;
    uint64_t Length() const override;
    void Remove(const std::string& key) override;
    /**
     * Compact text, members in key order. Members that are null, empty pointers, or text (or a key) not
     * UTF-8 are left out, at every depth; empty strings are kept; doubles that are not finite are null.
     */
    std::string ToString() const override;

    /** True when the key has a member, whatever its value. */
    bool Contains(const std::string& key) const;
    const std::map<std::string, std::shared_ptr<Variant>>& GetMembers() const { return *members_; }

private:
    /** The member's value; throws "json.key_not_found" when there is none. */
    const std::shared_ptr<Variant>& At(const std::string& key) const;
    /** The member's value when it is of the type, else an empty pointer. */
    std::shared_ptr<Variant> FindOfType(const std::string& key, JsonType type) const;
    std::shared_ptr<JsonObject> Put(const std::string& key, std::shared_ptr<Variant> value);

    using Members = std::map<std::string, std::shared_ptr<Variant>>;
    /** The members to change; copies them first while they are shared. */
    Members& MutableMembers();

    /** What the object reads: its own members, or those of the variant it was read from. */
    std::shared_ptr<const Members> members_;
    /** Its own members once it has any; then the same map as members_. */
    std::shared_ptr<Members> owned_;
};

}  // namespace NuvraMobile
