#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/JsonUtilityServiceInterface.h"

namespace NuvraMobile {

/**
 * The native JSON utility service: makes NativeJsonObject and NativeJsonArray documents and flattens
 * objects into string maps. Stateless; callable from any thread.
 */
class NativeJsonUtilityService : public Object, public virtual JsonUtilityServiceInterface {
public:
    std::shared_ptr<JsonObject> CreateJsonObject(const std::string& text) override;
    std::shared_ptr<JsonObject> CreateJsonObject(
        const std::map<std::string, std::shared_ptr<Variant>>& members) override;
    std::shared_ptr<JsonObject> CreateJsonObject(const std::map<std::string, std::string>& members) override;
    std::shared_ptr<JsonObject> CreateEmptyJsonObject() override;
    std::shared_ptr<JsonArray> CreateJsonArray(const std::string& text) override;
    std::shared_ptr<JsonArray> CreateJsonArray(
        const std::vector<std::shared_ptr<Variant>>& elements) override;
    std::shared_ptr<JsonArray> CreateEmptyJsonArray() override;
    /**
     * Strings as they are, numbers in decimal (doubles with six decimals), booleans as "1" or "0", nulls
     * as "", nested documents as their JSON text; members without a value are skipped.
     */
    std::map<std::string, std::string> MapFromJsonObject(const std::shared_ptr<JsonObject>& object) override;
    std::shared_ptr<Variant> JsonTextToVariant(const std::string& text) override;
    /** What the serializer gives, made with one copy of the entries (sharing their values) instead of two. */
    Expected<std::shared_ptr<JsonObject>> EventDataToJsonObject(const std::shared_ptr<EventData>& eventData) override;
};

/** A new native JSON utility service. */
std::shared_ptr<JsonUtilityServiceInterface> CreateNativeJsonUtilityService();

}  // namespace NuvraMobile
