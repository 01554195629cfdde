#pragma once

#include <cstddef>
#include <memory>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonUtilityServiceInterface.h"

namespace NuvraMobile {

/**
 * Converts vector variants to JSON arrays (Deserialize) and JSON arrays to vector variants (Serialize):
 * every JSON number becomes a double, nulls are dropped with a warning, nested documents that cannot be
 * read are left out. Holds only its JSON service; callable from any thread the service allows.
 */
class JsonArraySerializer : public Object, public virtual VariantSerializerInterface<JsonArray> {
public:
    static constexpr const char* LOG_TAG = "JsonArraySerializer";

    explicit JsonArraySerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService);
    /** For a document nested `depth` levels inside the one being converted. */
    JsonArraySerializer(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService, size_t depth);

    /** A null variant gives an empty pointer; kinds other than vector give "variant.not_type". */
    Expected<std::shared_ptr<JsonArray>, SdkError> Deserialize(const Variant& variant) override;

    /** Throws SdkError "json.serialization_error" for a document nested too deeply. */
    std::shared_ptr<Variant> Serialize(const JsonArray& array) override;

private:
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const size_t depth_;
};

}  // namespace NuvraMobile
