#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/values/ObjectInterface.h"
#include "platformShim/JsonType.h"

namespace NuvraMobile {

class JsonArray;

/**
 * A JSON object: string keys to numbers, booleans, strings, arrays, objects and nulls. Get raises
 * SdkError "json." codes for a missing key or a value of another type; Opt gives the fallback instead.
 * Puts store copies of nested documents and return the object itself so that calls chain. Not
 * synchronised: one thread at a time changes an object.
 */
class JsonObject : public virtual ObjectInterface {
public:
    using ObjectInterface::ToString;

    virtual JsonType GetType(const std::string& key) const = 0;
    virtual std::shared_ptr<JsonObject> GetJsonObject(const std::string& key) const = 0;
    virtual std::shared_ptr<JsonArray> GetJsonArray(const std::string& key) const = 0;
    virtual int32_t GetInt(const std::string& key) const = 0;
    virtual int64_t GetLong(const std::string& key) const = 0;
    virtual double GetDouble(const std::string& key) const = 0;
    virtual std::string GetString(const std::string& key) const = 0;
    virtual bool GetBoolean(const std::string& key) const = 0;

    virtual std::shared_ptr<JsonObject> PutJsonObject(const std::string& key,
                                                      const std::shared_ptr<JsonObject>& value) = 0;
    virtual std::shared_ptr<JsonObject> PutJsonArray(const std::string& key,
                                                     const std::shared_ptr<JsonArray>& value) = 0;
    virtual std::shared_ptr<JsonObject> PutInt(const std::string& key, int32_t value) = 0;
    virtual std::shared_ptr<JsonObject> PutLong(const std::string& key, int64_t value) = 0;
    virtual std::shared_ptr<JsonObject> PutDouble(const std::string& key, double value) = 0;
    virtual std::shared_ptr<JsonObject> PutString(const std::string& key, const std::string& value) = 0;
    virtual std::shared_ptr<JsonObject> PutBoolean(const std::string& key, bool value) = 0;

    virtual std::shared_ptr<JsonObject> OptJsonObject(const std::string& key) const = 0;
    virtual std::shared_ptr<JsonArray> OptJsonArray(const std::string& key) const = 0;
    virtual int32_t OptInt(const std::string& key, int32_t fallback) const = 0;
    virtual int64_t OptLong(const std::string& key, int64_t fallback) const = 0;
    virtual double OptDouble(const std::string& key, double fallback) const = 0;
    virtual std::string OptString(const std::string& key, const std::string& fallback) const = 0;
    virtual bool OptBoolean(const std::string& key, bool fallback) const = 0;

    /** Appends every key in ascending order; `out` is not cleared first. */
    virtual void Keys(std::vector<std::string>& out) const = 0;
    virtual uint64_t Length() const = 0;
    /** Erases the member when there is one. */
    virtual void Remove(const std::string& key) = 0;
    /** The object as JSON text. */
    virtual std::string ToString() const = 0;
};

}  // namespace NuvraMobile
