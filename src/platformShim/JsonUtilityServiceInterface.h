#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Expected.h"
#include "core/values/ObjectInterface.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"

namespace NuvraMobile {

class EventData;
class Variant;

/**
 * Creates JSON documents from text, from Variant containers or empty, and flattens objects into
 * string maps. Every document returned is new and owned by the caller. Callable from any thread.
 */
class JsonUtilityServiceInterface : public virtual ObjectInterface {
public:
    /** Throws SdkError "json.serialization_error" when the text is not a JSON object. */
    virtual std::shared_ptr<JsonObject> CreateJsonObject(const std::string& text) = 0;
    virtual std::shared_ptr<JsonObject> CreateJsonObject(
        const std::map<std::string, std::shared_ptr<Variant>>& members) = 0;
    /** One string member per entry. */
    virtual std::shared_ptr<JsonObject> CreateJsonObject(
        const std::map<std::string, std::string>& members) = 0;
    virtual std::shared_ptr<JsonObject> CreateEmptyJsonObject() = 0;
    /** Throws SdkError "json.serialization_error" when the text is not a JSON array. */
    virtual std::shared_ptr<JsonArray> CreateJsonArray(const std::string& text) = 0;
    virtual std::shared_ptr<JsonArray> CreateJsonArray(
        const std::vector<std::shared_ptr<Variant>>& elements) = 0;
    virtual std::shared_ptr<JsonArray> CreateEmptyJsonArray() = 0;
    /** Every member as text; an empty pointer gives an empty map. */
    virtual std::map<std::string, std::string> MapFromJsonObject(
        const std::shared_ptr<JsonObject>& object) = 0;

    /**
     * The event data's entries (none for null data) as a JSON object, converted by a
     * JsonObjectSerializer over this service, which must be owned by a shared pointer.
     */
    virtual Expected<std::shared_ptr<JsonObject>> EventDataToJsonObject(
        const std::shared_ptr<EventData>& eventData);

    /**
     * The JSON object's members as event data (numbers as doubles, nulls dropped), converted by a
     * JsonObjectSerializer over this service. Holds the error "variant.not_type" when that gives no
     * map (also for a null object); throws SdkError "json.serialization_error" for a document nested
     * too deeply.
     */
    virtual Expected<std::shared_ptr<EventData>> JsonObjectToEventData(
        const std::shared_ptr<JsonObject>& jsonObject);

    /**
     * The members of JSON object text as a map variant, read as JsonObjectSerializer reads a document
     * (numbers as doubles, nulls left out). Throws SdkError "json.serialization_error" when the text is
     * not a JSON object. The native service reads the text straight into the variants, with no document
     * in between.
     */
    virtual std::shared_ptr<Variant> JsonTextToVariant(const std::string& text);

    /** The members of JSON object text as event data, read as JsonTextToVariant reads them. */
    std::shared_ptr<EventData> JsonTextToEventData(const std::string& text);
};

}  // namespace NuvraMobile
