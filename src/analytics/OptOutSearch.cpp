#include "analytics/OptOutSearch.h"

#include <memory>

#include "analytics/AnalyticsConstants.h"
#include "core/module/Module.h"
#include "core/values/Event.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

std::optional<std::int32_t> NewestOptedOutEvent(Module& reader, std::int32_t oldest, std::int32_t newest) {
    const auto probe = std::make_shared<Event>(newest);
    for (std::int32_t number = newest; number >= oldest; --number) {
        probe->SetEventNumber(number);
        const auto configuration =
            reader.GetSharedEventState(AnalyticsConstants::SharedStateKeys::CONFIGURATION, probe);
        if (PrivacyStatusInConfiguration(configuration) == MobilePrivacyStatus::OPT_OUT) {
            return number;
        }
    }
    return std::nullopt;
}

}  // namespace NuvraMobile
