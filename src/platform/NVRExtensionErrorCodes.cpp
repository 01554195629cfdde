#include "platform/NVRExtensionErrorCodes.h"

#include <array>
#include <utility>

#include "core/values/SdkError.h"

namespace NuvraMobile {

long GetNVRExtensionErrorFromErrorCodes(const std::string& errorCode) {
    static const std::array<std::pair<const char*, long>, 6> codes{{
        {"external_module.bad_module_name", 1},
        {"external_module.dup_module_name", 2},
        {"external_module.event_type_not_supported", 3},
        {"external_module.event_source_not_supported", 4},
        {"external_module.event_data_not_supported", 5},
        {"external_module.event_was_null", 7},
    }};
    for (const auto& [name, code] : codes) {
        if (errorCode == name) {
            return code;
        }
    }
    return 0;
}

bool CallMappingErrors(const std::function<void()>& call, long& errorCode) {
    bool succeeded = true;
    TryCatch(call, [&](SdkError& error) {
        errorCode = GetNVRExtensionErrorFromErrorCodes(error.GetCode());
        succeeded = false;
    });
    return succeeded;
}

}  // namespace NuvraMobile
