#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"
#include "platformShim/JsonType.h"

namespace NuvraMobile {

class JsonObject;

/**
 * A JSON array indexed from 0. Each put comes as an append and as a put at an index; putting past the
 * end first pads the gap with empty elements. Get raises SdkError "json." codes for an index out of
 * range or a value of another type; Opt gives the fallback instead. Not synchronised: one thread at a
 * time changes an array.
 */
class JsonArray : public virtual ObjectInterface {
public:
    using ObjectInterface::ToString;

    virtual JsonType GetType(uint32_t index) const = 0;

    virtual std::shared_ptr<JsonArray> PutJsonObject(const std::shared_ptr<JsonObject>& value) = 0;
    virtual std::shared_ptr<JsonArray> PutJsonObject(uint32_t index,
                                                     const std::shared_ptr<JsonObject>& value) = 0;
    virtual std::shared_ptr<JsonArray> PutJsonArray(const std::shared_ptr<JsonArray>& value) = 0;
    virtual std::shared_ptr<JsonArray> PutJsonArray(uint32_t index,
                                                    const std::shared_ptr<JsonArray>& value) = 0;
    virtual std::shared_ptr<JsonArray> PutInt(int32_t value) = 0;
    virtual std::shared_ptr<JsonArray> PutInt(uint32_t index, int32_t value) = 0;
    virtual std::shared_ptr<JsonArray> PutLong(int64_t value) = 0;
    virtual std::shared_ptr<JsonArray> PutLong(uint32_t index, int64_t value) = 0;
    virtual std::shared_ptr<JsonArray> PutDouble(double value) = 0;
    virtual std::shared_ptr<JsonArray> PutDouble(uint32_t index, double value) = 0;
    virtual std::shared_ptr<JsonArray> PutString(const std::string& value) = 0;
    virtual std::shared_ptr<JsonArray> PutString(uint32_t index, const std::string& value) = 0;
    virtual std::shared_ptr<JsonArray> PutBoolean(bool value) = 0;
    virtual std::shared_ptr<JsonArray> PutBoolean(uint32_t index, bool value) = 0;

    virtual std::shared_ptr<JsonObject> GetJsonObject(uint32_t index) const = 0;
    virtual std::shared_ptr<JsonArray> GetJsonArray(uint32_t index) const = 0;
    virtual int32_t GetInt(uint32_t index) const = 0;
    virtual int64_t GetLong(uint32_t index) const = 0;
    virtual double GetDouble(uint32_t index) const = 0;
    virtual std::string GetString(uint32_t index) const = 0;
    virtual bool GetBoolean(uint32_t index) const = 0;

    virtual std::shared_ptr<JsonObject> OptJsonObject(uint32_t index) const = 0;
    virtual std::shared_ptr<JsonArray> OptJsonArray(uint32_t index) const = 0;
    virtual int32_t OptInt(uint32_t index, int32_t fallback) const = 0;
    virtual int64_t OptLong(uint32_t index, int64_t fallback) const = 0;
    virtual double OptDouble(uint32_t index, double fallback) const = 0;
    virtual std::string OptString(uint32_t index, const std::string& fallback) const = 0;
    virtual bool OptBoolean(uint32_t index, bool fallback) const = 0;

    virtual uint64_t Length() const = 0;
    /** The array as JSON text. */
    virtual std::string ToString() const = 0;
};

}  // namespace NuvraMobile
