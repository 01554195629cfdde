#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "util/ToStringOptions.h"

namespace NuvraMobile {

class EventData;

/** The user's consent state carried in the configuration ("global.privacy"). */
enum class MobilePrivacyStatus : int32_t {
    OPT_IN = 0,
    OPT_OUT = 1,
    UNKNOWN = 2,
};

/** "optedin" and "optedout" (exact letter case); anything else is UNKNOWN. */
MobilePrivacyStatus StringToMobilePrivacyStatus(const std::string& text);

/** "optedin", "optedout", or "optunknown" for any other value. */
std::string MobilePrivacyStatusToString(MobilePrivacyStatus status);

/**
 * The status a configuration names under "global.privacy" (any text counts, as
 * StringToMobilePrivacyStatus reads it); none without a configuration or without text under the key.
 */
std::optional<MobilePrivacyStatus> PrivacyStatusInConfiguration(
    const std::shared_ptr<EventData>& configuration);

void ToStringImpl(std::ostream& stream, MobilePrivacyStatus status, const ToStringOptions& options);

}  // namespace NuvraMobile
