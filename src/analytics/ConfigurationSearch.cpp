#include "analytics/ConfigurationSearch.h"

#include <functional>
#include <utility>

#include "analytics/AnalyticsConstants.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/module/Module.h"
#include "core/values/Event.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

namespace {

struct ConfigurationAtEvent {
    std::int32_t eventNumber;
    std::shared_ptr<EventData> configuration;
};

std::optional<ConfigurationAtEvent> NewestConfigurationWhere(
    Module& reader, std::int32_t oldest, std::int32_t newest,
    const std::function<bool(const std::shared_ptr<EventData>&)>& matches) {
    const auto probe = std::make_shared<Event>(newest);
    for (std::int32_t number = newest; number >= oldest; --number) {
        probe->SetEventNumber(number);
        auto configuration =
            reader.GetSharedEventState(AnalyticsConstants::SharedStateKeys::CONFIGURATION, probe);
        if (matches(configuration)) {
            return ConfigurationAtEvent{number, std::move(configuration)};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> NewestOptedOutEvent(Module& reader, std::int32_t oldest, std::int32_t newest) {
    const auto found =
        NewestConfigurationWhere(reader, oldest, newest, [](const std::shared_ptr<EventData>& data) {
            return PrivacyStatusInConfiguration(data) == MobilePrivacyStatus::OPT_OUT;
        });
    return found ? std::optional<std::int32_t>(found->eventNumber) : std::nullopt;
}

std::shared_ptr<EventData> NewestAvailableConfiguration(Module& reader, std::int32_t oldest,
                                                        std::int32_t newest) {
    const auto found =
        NewestConfigurationWhere(reader, oldest, newest, [](const std::shared_ptr<EventData>& data) {
            return data != SHARED_STATE_PENDING && data != SHARED_STATE_INVALID;
        });
    return found ? found->configuration : nullptr;
}

}  // namespace NuvraMobile
