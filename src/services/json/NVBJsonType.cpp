#include "services/json/NVBJsonType.h"

namespace NuvraMobile {

const std::map<VariantKind, JsonType> NVBJsonType::VARIANT_JSON_TYPE_MAP = {
    {VariantKind::VARIANT_NULL, JsonType::JSON_NULL},
    {VariantKind::VARIANT_STRING, JsonType::JSON_STRING},
    {VariantKind::VARIANT_INTEGER, JsonType::JSON_NUMBER},
    {VariantKind::VARIANT_LONG, JsonType::JSON_NUMBER},
    {VariantKind::VARIANT_DOUBLE, JsonType::JSON_NUMBER},
    {VariantKind::VARIANT_BOOLEAN, JsonType::JSON_BOOLEAN},
    {VariantKind::VARIANT_VECTOR, JsonType::JSON_ARRAY},
    {VariantKind::VARIANT_MAP, JsonType::JSON_OBJECT},
};

JsonType NVBJsonType::Get(VariantKind kind) {
    const auto found = VARIANT_JSON_TYPE_MAP.find(kind);
    return found == VARIANT_JSON_TYPE_MAP.end() ? JsonType::JSON_NULL : found->second;
}

}  // namespace NuvraMobile
