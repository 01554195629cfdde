#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Expected.h"
#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "core/values/VariantKind.h"

namespace NuvraMobile {

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
    // Stores the object serialized by its default serializer, or by `serializer`.
    template <class T>
    EventData& PutTypedObject(const std::string& key, const T* object) {
        return PutTypedObject(key, object, *std::make_shared<typename DefaultVariantSerializer<T>::Type>());
    }
    template <class T>
    EventData& PutTypedObject(const std::string& key, const T* object,
                              VariantSerializerInterface<T>& serializer) {
        return PutVariant(key, object ? serializer.Serialize(*object) : nullptr);
    }

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

    // The kind of the stored value, or "event_data.no_such_key" for an absent key.
    Expected<VariantKind, SdkError> GetKind(const std::string& key) const;
    // The stored object deserialized by its default serializer (or by `serializer`); an absent key
    // gives "event_data.no_such_key", a failed deserialization the serializer's error.
    template <class T>
    Expected<std::shared_ptr<T>, SdkError> GetTypedObject(const std::string& key) const {
        return WithValue<std::shared_ptr<T>>(key,
                                             [](const Variant& value) { return value.GetTypedObject<T>(); });
    }
    template <class T>
    Expected<std::shared_ptr<T>, SdkError> GetTypedObject(const std::string& key,
                                                          VariantSerializerInterface<T>& serializer) const {
        return WithValue<std::shared_ptr<T>>(
            key, [&serializer](const Variant& value) { return value.GetTypedObject<T>(serializer); });
    }
    template <class T>
    Expected<std::vector<std::shared_ptr<T>>, SdkError> GetTypedVector(const std::string& key) const {
        return WithValue<std::vector<std::shared_ptr<T>>>(
            key, [](const Variant& value) { return value.GetTypedVector<T>(); });
    }
    template <class T>
    Expected<std::vector<std::shared_ptr<T>>, SdkError> GetTypedVector(
        const std::string& key, VariantSerializerInterface<T>& serializer) const {
        return WithValue<std::vector<std::shared_ptr<T>>>(
            key, [&serializer](const Variant& value) { return value.GetTypedVector<T>(serializer); });
    }

    bool ContainsKey(const std::string& key) const;
    bool IsEmpty() const;
    size_t Size() const;
    // A new EventData holding a deep copy of every value.
    std::shared_ptr<EventData> Copy() const;
    VariantMap AsMapCopy() const;
    /** The entries without a copy, for readers that only look (values are immutable). */
    const VariantMap& GetEntries() const { return map_; }
    // Adds the other data without overwriting what is here; a null or empty `other` changes nothing.
    void Merge(const std::shared_ptr<const EventData>& other);
    std::string PrettyString(int indent) const;
    std::string ToStringImpl(const ToStringOptions& options) const override;

    static constexpr const char* NO_SUCH_KEY_ERROR_CODE = "event_data.no_such_key";

private:
    template <class Result, class Read>
    Expected<Result, SdkError> WithValue(const std::string& key, Read read) const {
        auto entry = map_.find(key);
        if (entry == map_.end()) {
            return SdkError(NO_SUCH_KEY_ERROR_CODE, "key error", DebugInfo());
        }
        return read(*entry->second);
    }
    template <class Value, class Getter>
    bool GetWith(const std::string& key, Value& value, Getter getter) const;

    VariantMap map_;
};

}  // namespace NuvraMobile
