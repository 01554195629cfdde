#include "shared/VisitorId.h"

#include "core/values/SdkError.h"
#include "shared/ContextData.h"

namespace NuvraMobile {
namespace {

std::string CleanIdType(const std::string& idType) {
    std::string cleaned = ContextData::CleanKey(idType);
    if (cleaned.empty()) {
        Throw(SdkError("std.logic_error.invalid_argument",
                       "Failed to initialize VisitorId object, id type is empty", CurrentDebugInfo()));
    }
    return cleaned;
}

}  // namespace

VisitorId::VisitorId(std::string idOrigin, const std::string& idType, std::string id,
                     VisitorIdAuthenticationState authenticationState)
    : idOrigin_(std::move(idOrigin)),
      idType_(CleanIdType(idType)),
      id_(std::move(id)),
      authenticationState_(authenticationState) {}

bool VisitorId::Equals(const ObjectInterface& other) const {
    const auto* visitorId = dynamic_cast<const VisitorId*>(&other);
    return visitorId != nullptr && visitorId->idType_ == idType_;
}

}  // namespace NuvraMobile
