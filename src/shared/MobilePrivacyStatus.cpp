#include "shared/MobilePrivacyStatus.h"

#include "core/values/CoreConstants.h"
#include "core/values/EventData.h"

namespace NuvraMobile {
namespace {
constexpr char OPTED_IN[] = "optedin";
constexpr char OPTED_OUT[] = "optedout";
constexpr char OPT_UNKNOWN[] = "optunknown";
}  // namespace

MobilePrivacyStatus StringToMobilePrivacyStatus(const std::string& text) {
    if (text == OPTED_IN) return MobilePrivacyStatus::OPT_IN;
    if (text == OPTED_OUT) return MobilePrivacyStatus::OPT_OUT;
    return MobilePrivacyStatus::UNKNOWN;
}

std::string MobilePrivacyStatusToString(MobilePrivacyStatus status) {
    switch (status) {
        case MobilePrivacyStatus::OPT_IN:
            return OPTED_IN;
        case MobilePrivacyStatus::OPT_OUT:
            return OPTED_OUT;
        default:
            return OPT_UNKNOWN;
    }
}

std::optional<MobilePrivacyStatus> PrivacyStatusInConfiguration(
    const std::shared_ptr<EventData>& configuration) {
    std::string text;
    if (!configuration ||
        !configuration->GetString(CoreConstants::EventDataKeys::Configuration::GLOBAL_CONFIG_PRIVACY, text)) {
        return std::nullopt;
    }
    return StringToMobilePrivacyStatus(text);
}

void ToStringImpl(std::ostream& stream, MobilePrivacyStatus status, const ToStringOptions&) {
    stream << MobilePrivacyStatusToString(status);
}

}  // namespace NuvraMobile
