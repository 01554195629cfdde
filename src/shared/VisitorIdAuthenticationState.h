#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "util/ToStringOptions.h"

namespace NuvraMobile {

/** How a customer identifier was authenticated. */
enum class VisitorIdAuthenticationState : int32_t {
    UNKNOWN = 0,
    AUTHENTICATED = 1,
    LOGGED_OUT = 2,
};

/** 1 and 2 give their state; any other integer gives UNKNOWN. */
VisitorIdAuthenticationState IntegerToVisitorIdAuthenticationState(int32_t value);

/** "authenticated", "logged_out", or "unknown" for any other value. */
std::string AuthenticationStateToString(VisitorIdAuthenticationState state);

void ToStringImpl(std::ostream& stream, VisitorIdAuthenticationState state, const ToStringOptions& options);

}  // namespace NuvraMobile
