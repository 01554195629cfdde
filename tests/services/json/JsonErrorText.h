#pragma once

#include <functional>
#include <string>

#include "core/values/SdkError.h"

namespace NuvraMobile {

/** "code | message" of the SdkError the action raises, or "none" when it raises nothing. */
inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SdkError& error) {
        return error.GetCode() + " | " + error.GetMessage();
    }
    return "none";
}

/** The code of the SdkError the action raises, or "none". */
inline std::string CodeOf(const std::function<void()>& action) {
    const std::string error = ErrorOf(action);
    return error.substr(0, error.find(" | "));
}

}  // namespace NuvraMobile
