#include "shared/VisitorIdAuthenticationState.h"

namespace NuvraMobile {

VisitorIdAuthenticationState IntegerToVisitorIdAuthenticationState(int32_t value) {
    switch (value) {
        case 1:
            return VisitorIdAuthenticationState::AUTHENTICATED;
        case 2:
            return VisitorIdAuthenticationState::LOGGED_OUT;
        default:
            return VisitorIdAuthenticationState::UNKNOWN;
    }
}

std::string AuthenticationStateToString(VisitorIdAuthenticationState state) {
    switch (state) {
        case VisitorIdAuthenticationState::AUTHENTICATED:
            return "authenticated";
        case VisitorIdAuthenticationState::LOGGED_OUT:
            return "logged_out";
        default:
            return "unknown";
    }
}

void ToStringImpl(std::ostream& stream, VisitorIdAuthenticationState state, const ToStringOptions&) {
    stream << AuthenticationStateToString(state);
}

}  // namespace NuvraMobile
