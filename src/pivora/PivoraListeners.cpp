#include "pivora/PivoraListeners.h"

#include <string>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraSerializers.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;

void PivoraListenerRequestContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Pivora::LOG_PREFIX, [&](Pivora& module) {
        const auto& data = event->GetData();
        const auto parameters = PivoraObject::DeserializePivoraParameters(data->AsMapCopy());
        // The first key that applies decides; a list whose elements do not read falls through.
        auto requests = data->GetTypedVector<PivoraRequest>(Keys::LOAD_REQUESTS);
        if (requests.HasValue()) {
            module.LoadRequests(requests.Value(), parameters, event);
            return;
        }
        auto prefetchList = data->GetTypedVector<PivoraPrefetch>(Keys::PREFETCH_REQUESTS);
        if (prefetchList.HasValue()) {
            module.HandleMboxPrefetch(prefetchList.Value(), parameters, event);
            return;
        }
        if (data->OptBoolean(Keys::PREFETCH_VIEWS, false)) {
            module.HandleViewPrefetch(event);
            return;
        }
        if (data->OptBoolean(Keys::IS_LOCATION_DISPLAYED, false)) {
            std::vector<std::shared_ptr<Variant>> mboxNames;
            if (!data->GetVariantVector(Keys::MBOX_NAMES, mboxNames) || mboxNames.empty()) {
                Log::Error(Pivora::LOG_PREFIX, "mboxes list is empty");
                return;
            }
            module.HandleLocationsDisplayed(mboxNames, parameters, event);
            return;
        }
        if (data->OptBoolean(Keys::IS_LOCATION_CLICKED, false)) {
            module.HandleLocationClicked(data->OptString(Keys::MBOX_NAME, ""), parameters, event);
            return;
        }
        std::vector<std::shared_ptr<Variant>> viewNotifications;
        if (data->GetVariantVector(Keys::VIEW_NOTIFICATIONS, viewNotifications) && !viewNotifications.empty()) {
            module.HandleViewNotifications(event, viewNotifications, data->OptString(Keys::PROPERTY_TOKEN, ""));
            return;
        }
        std::string restartDeepLink;
        if (data->GetString(Keys::RESTART_DEEP_LINK, restartDeepLink)) {
            module.SetPreviewRestartDeepLink(restartDeepLink);
        }
    });
}

void PivoraListenerRequestIdentity::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Pivora::LOG_PREFIX, [&](Pivora& module) {
        std::string thirdPartyId;
        if (event->GetData()->GetString(Keys::THIRD_PARTY_ID, thirdPartyId)) {
            module.SetThirdPartyId(event->GetEventNumber(), thirdPartyId);
        } else {
            module.ProcessIdentityRequest(event->GetResponsePairID());
        }
    });
}

void PivoraListenerRequestReset::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Pivora::LOG_PREFIX, [&](Pivora& module) {
        const auto& data = event->GetData();
        if (data->OptBoolean(Keys::RESET_EXPERIENCE, false)) {
            // Answered on the response pair id, on which a caller of the reset would wait.
            module.ResetIdentity(event->GetEventNumber(), event->GetResponsePairID());
        }
        if (data->OptBoolean(Keys::CLEAR_PREFETCH_CACHE, false)) {
            module.ClearPrefetchCache();
        }
    });
}

void PivoraListenerGenericDataOS::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Pivora::LOG_PREFIX, [&](Pivora& module) {
        const std::string deepLink = event->GetData()->OptString(Keys::DEEP_LINK, "");
        if (!deepLink.empty()) {
            module.ProcessPreviewDeepLink(event, deepLink);
        }
    });
}

void PivoraListenerConfigurationResponseContent::Hear(const std::shared_ptr<Event>& event) {
    WithParentModule(Pivora::LOG_PREFIX, [&](Pivora& module) {
        if (event->GetData()->IsEmpty()) {
            Log::Error(Pivora::LOG_PREFIX, "Configuration Event Data is null. Ignoring event");
            return;
        }
        module.HandleConfigurationResponse(event);
    });
}

}  // namespace NuvraMobile
