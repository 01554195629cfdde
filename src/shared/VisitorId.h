#pragma once

#include <string>

#include "core/values/Object.h"
#include "shared/VisitorIdAuthenticationState.h"

namespace NuvraMobile {

/**
 * One customer identifier of a given type. The type is cleaned like a context-data key and is never
 * empty; two visitor ids are equal when their types are, so a new id replaces the stored one of the
 * same type. Immutable; safe to read from any thread.
 */
class VisitorId : public Object {
public:
    /** Throws SdkError "std.logic_error.invalid_argument" when the type cleans to empty. */
    VisitorId(std::string idOrigin, const std::string& idType, std::string id,
              VisitorIdAuthenticationState authenticationState);

    const std::string& GetIdOrigin() const { return idOrigin_; }
    const std::string& GetIdType() const { return idType_; }
    const std::string& GetId() const { return id_; }
    VisitorIdAuthenticationState GetAuthenticationState() const { return authenticationState_; }

    /** True when the other is a VisitorId of the same type. */
    bool Equals(const ObjectInterface& other) const override;

private:
    const std::string idOrigin_;
    const std::string idType_;
    const std::string id_;
    const VisitorIdAuthenticationState authenticationState_;
};

}  // namespace NuvraMobile
