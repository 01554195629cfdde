#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class EventData;
class JsonObject;
class JsonUtilityServiceInterface;
class Variant;

/**
 * One configuration: a map from configuration key to value, ordered by key. Every Put replaces whole
 * values key by key and never removes a key, so a JSON null in the source keeps the old value. Values
 * taken in are copies, so later changes of a source never reach this object. No operation throws: a
 * failure is logged and leaves the entries as they were. Not thread-safe; the Configuration module
 * serialises access under its own mutex.
 */
class ConfigurationData : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    /** An empty configuration; without a JSON utility service only the map operations work. */
    explicit ConfigurationData(const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtilityService);

    /** Parses the text as a JSON object and stores its members; an empty text changes nothing. */
    ConfigurationData& Put(const std::string& jsonString);
    /** Put of the text that also says why a text was refused: the reader's description, "" when it parsed. */
    std::string ParseAndPut(const std::string& jsonString);
    ConfigurationData& Put(const std::shared_ptr<JsonObject>& jsonObject);
    ConfigurationData& Put(const std::shared_ptr<ConfigurationData>& other);
    ConfigurationData& Put(const VariantMap& map);

    /** A new EventData over a copy of the map; the values are shared with it. */
    virtual std::shared_ptr<EventData> GetEventData() const;
    /** The configuration as JSON text; "" when it cannot be written. */
    std::string GetJsonString() const;
    bool IsEmpty() const;
    /** The entries themselves (values are never changed after construction). */
    const VariantMap& GetEntries() const { return data_; }

    std::string ToStringImpl(const ToStringOptions& options) const override;

private:
    void PutJsonMember(const JsonObject& jsonObject, const std::string& key);

    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    VariantMap data_;
};

}  // namespace NuvraMobile
