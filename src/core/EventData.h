#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Object.h"

namespace NuvraMobile {

class Variant;

// The payload of every event and the value of every shared state: a map from string keys
// (case-sensitive, byte-wise ordered) to Variant values with typed accessors. It never holds a null
// value pointer. Takes no lock: one thread writes it at a time, and once it travels in a dispatched
// event or a shared state it is only read, by any number of threads. Copy gives a private,
// writable version.
class EventData : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    EventData() = default;
    // Shares the Variant objects of `map`; a null value becomes a null Variant.
    explicit EventData(const VariantMap& map);
    explicit EventData(const std::map<std::string, std::string>& map);

    // Each stores a value under the key, replacing any entry, and returns this object.
    EventData& PutString(const std::string& key, const std::string& value);
    EventData& PutInteger(const std::string& key, int32_t value);
    // Raises what Variant::FromLong raises for a value it cannot hold.
    EventData& PutLong(const std::string& key, int64_t value);
    EventData& PutDouble(const std::string& key, double value);
    EventData& PutBoolean(const std::string& key, bool value);
    // Stores the object itself; a null pointer stores a null Variant.
    EventData& PutVariant(const std::string& key, const std::shared_ptr<Variant>& value);
    EventData& PutVariantVector(const std::string& key, const std::vector<std::shared_ptr<Variant>>& value);
    EventData& PutStringMap(const std::string& key, const std::map<std::string, std::string>& value);
    EventData& PutVariantMap(const std::string& key, const VariantMap& value);

    // Each returns false and leaves `value` untouched for an absent key; otherwise the result of the
    // stored Variant's getter of the same name.
    bool GetVariant(const std::string& key, std::shared_ptr<Variant>& value) const;
    bool GetString(const std::string& key, std::string& value) const;
    bool GetInteger(const std::string& key, int32_t& value) const;
    bool GetLong(const std::string& key, int64_t& value) const;
    bool GetDouble(const std::string& key, double& value) const;
    bool GetBoolean(const std::string& key, bool& value) const;
    bool GetVariantVector(const std::string& key, std::vector<std::shared_ptr<Variant>>& value) const;
    bool GetStringMap(const std::string& key, std::map<std::string, std::string>& value) const;
    bool GetVariantMap(const std::string& key, VariantMap& value) const;

    // The value the Get of the same kind produces, or `fallback` when it returns false.
    std::string OptString(const std::string& key, const std::string& fallback) const;
    int32_t OptInteger(const std::string& key, int32_t fallback) const;
    int64_t OptLong(const std::string& key, int64_t fallback) const;
    double OptDouble(const std::string& key, double fallback) const;
    bool OptBoolean(const std::string& key, bool fallback) const;

    bool ContainsKey(const std::string& key) const;
    bool IsEmpty() const;
    size_t Size() const;
    // A new EventData holding a deep copy of every value.
    std::shared_ptr<EventData> Copy() const;
    VariantMap AsMapCopy() const;
    // Adds the other data without overwriting what is here; a null or empty `other` changes nothing.
    void Merge(const std::shared_ptr<const EventData>& other);
    std::string PrettyString(int indent) const;
    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    template <class Value, class Getter>
    bool GetWith(const std::string& key, Value& value, Getter getter) const;

    VariantMap map_;
};

}  // namespace NuvraMobile
