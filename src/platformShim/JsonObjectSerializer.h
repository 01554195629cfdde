#pragma once

#include <cstddef>
#include <memory>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"

namespace NuvraMobile {

/**
 * Converts map variants to JSON objects (Deserialize) and JSON objects to map variants (Serialize):
 * every JSON number becomes a double, nulls are dropped with a warning, nested documents that cannot be
 * read are left out. Holds only its JSON service; callable from any thread the service allows.
 */
class JsonObjectSerializer : public Object, public virtual VariantSerializerInterface<JsonObject> {
public:
    static constexpr const char* LOG_TAG = "JsonObjectSerializer";

    explicit JsonObjectSerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService);
    /** For a document nested `depth` levels inside the one being converted. */
    JsonObjectSerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService, size_t depth);

    /** A null variant gives an empty pointer; kinds other than map give "variant.not_type". */
    Expected<std::shared_ptr<JsonObject>, SdkError> Deserialize(const Variant& variant) override;

    /** Throws SdkError "json.serialization_error" for a document nested too deeply. */
    std::shared_ptr<Variant> Serialize(const JsonObject& object) override;

private:
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const size_t depth_;
};

}  // namespace NuvraMobile
