#include "rulesengine/ConsequenceSerializer.h"

#include "core/values/CoreConstants.h"
#include "core/values/Variant.h"

namespace NuvraMobile {

namespace RulesEngineKeys = CoreConstants::EventDataKeys::RulesEngine;

namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

SdkError TypeError() {
    return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
}

bool ReadString(const VariantMap& map, const char* key, std::string& out) {
    const auto entry = map.find(key);
    return entry != map.end() && entry->second->GetString(out);
}

}  // namespace

Expected<std::shared_ptr<Consequence>, SdkError> ConsequenceSerializer::Deserialize(const Variant& variant) {
    if (variant.GetKind() == VariantKind::VARIANT_NULL) {
        return std::shared_ptr<Consequence>();
    }
    VariantMap map;
    std::string id;
    std::string type;
    VariantMap detail;
    if (!variant.GetVariantMap(map) || !ReadString(map, RulesEngineKeys::CONSEQUENCE_ID, id) ||
        !ReadString(map, RulesEngineKeys::CONSEQUENCE_TYPE, type)) {
        return TypeError();
    }
    const auto entry = map.find(RulesEngineKeys::CONSEQUENCE_DETAIL);
    if (entry == map.end() || entry->second->GetKind() != VariantKind::VARIANT_MAP ||
        !entry->second->GetVariantMap(detail)) {
        return TypeError();
    }
    std::string assetsPath;
    ReadString(map, RulesEngineKeys::CONSEQUENCE_ASSETS_PATH, assetsPath);
    return std::make_shared<Consequence>(id, type, assetsPath, detail);
}

std::shared_ptr<Variant> ConsequenceSerializer::Serialize(const Consequence& consequence) {
    return Variant::FromVariantMap(
        {{RulesEngineKeys::CONSEQUENCE_ID, Variant::FromString(consequence.GetId())},
         {RulesEngineKeys::CONSEQUENCE_TYPE, Variant::FromString(consequence.GetType())},
         {RulesEngineKeys::CONSEQUENCE_ASSETS_PATH, Variant::FromString(consequence.GetAssetsPath())},
         {RulesEngineKeys::CONSEQUENCE_DETAIL, Variant::FromVariantMap(consequence.GetDetail())}});
}

}  // namespace NuvraMobile
