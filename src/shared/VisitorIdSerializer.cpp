#include "shared/VisitorIdSerializer.h"

#include <map>
#include <string>

namespace NuvraMobile {
namespace {

bool GetStringEntry(const std::map<std::string, std::shared_ptr<Variant>>& map, const char* key,
                    std::string& out) {
    const auto found = map.find(key);
    return found != map.end() && found->second->GetKind() == VariantKind::VARIANT_STRING &&
           found->second->GetString(out);
}

bool GetIntegerEntry(const std::map<std::string, std::shared_ptr<Variant>>& map, const char* key,
                     int32_t& out) {
    const auto found = map.find(key);
    return found != map.end() && found->second->GetKind() == VariantKind::VARIANT_INTEGER &&
           found->second->GetInteger(out);
}

}  // namespace

Expected<std::shared_ptr<VisitorId>, SdkError> VisitorIdSerializer::Deserialize(const Variant& variant) {
    if (variant.GetKind() == VariantKind::VARIANT_NULL) {
        return std::shared_ptr<VisitorId>();
    }
    std::map<std::string, std::shared_ptr<Variant>> map;
    std::string idOrigin;
    std::string idType;
    std::string id;
    int32_t authenticationState = 0;
    if (!variant.GetVariantMap(map) || !GetStringEntry(map, ID_ORIGIN, idOrigin) ||
        !GetStringEntry(map, ID_TYPE, idType) || !GetStringEntry(map, ID, id) ||
        !GetIntegerEntry(map, AUTHENTICATION_STATE, authenticationState)) {
        return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
    }
    return std::make_shared<VisitorId>(std::move(idOrigin), idType, std::move(id),
                                       IntegerToVisitorIdAuthenticationState(authenticationState));
}

std::shared_ptr<Variant> VisitorIdSerializer::Serialize(const VisitorId& visitorId) {
    return Variant::FromVariantMap({
        {ID_ORIGIN, Variant::FromString(visitorId.GetIdOrigin())},
        {ID_TYPE, Variant::FromString(visitorId.GetIdType())},
        {ID, Variant::FromString(visitorId.GetId())},
        {AUTHENTICATION_STATE,
         Variant::FromInteger(static_cast<int32_t>(visitorId.GetAuthenticationState()))},
    });
}

}  // namespace NuvraMobile
