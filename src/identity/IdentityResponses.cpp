#include <string>

#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "identity/ConfigurationSharedStateIdentity.h"
#include "identity/Identity.h"
#include "identity/IdentityObject.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "shared/UrlBuilder.h"
#include "util/Log.h"

// Answers of the identity server, the server-forced opt-out and the opt-out request.

namespace NuvraMobile {

namespace ConfigKeys = IdentityConstants::EventDataKeys::Configuration;
namespace Names = IdentityConstants::EventNames;

void Identity::NetworkResponseLoaded(const std::shared_ptr<IdentityObject>& answer, const std::string& pairId,
                                     std::int32_t) {
    lastSync_ = clock_();
    if (privacyStatus_ != MobilePrivacyStatus::OPT_OUT) {
        ParseIDsOnjsonResponseReceivedCallback(answer);
        SavePersistently();
    }
    HandleIdentifiersRequest(Names::UPDATED_IDENTITY_RESPONSE, "");
    if (!pairId.empty()) {
        HandleIdentifiersRequest(Names::UPDATED_IDENTITY_RESPONSE, pairId);
    }
}

void Identity::ParseIDsOnjsonResponseReceivedCallback(const std::shared_ptr<IdentityObject>& answer) {
    if (!answer) {
        Log::Debug(LOG_PREFIX, "empty json object");
        return;
    }
    if (!answer->GetOptOut().empty()) {
        Log::Debug(LOG_PREFIX, "ID Service - Got Global Opt Out Response, forcing opt out.");
        auto update = std::make_shared<EventData>();
        update->PutStringMap(ConfigKeys::CONFIGURATION_REQUEST_CONTENT_UPDATE_CONFIG,
                             {{ConfigKeys::GLOBAL_CONFIG_PRIVACY, MobilePrivacyStatusToString(MobilePrivacyStatus::OPT_OUT)}});
        HandleIdentityConfigurationUpdateEvent(update);
    }
    if (!answer->GetError().empty()) {
        if (mid_.empty()) {
            mid_ = GenerateMID();
        }
        return;
    }
    if (answer->GetMid().empty()) {
        return;
    }
    TrySwallow([&] {
        blob_ = answer->GetBlob();
        locationHint_ = answer->GetHint();
        ttl_ = answer->GetTtl();
        Log::Debug(LOG_PREFIX, "ID Service - Got ID Response (mid: %s, blob: %s, hint: %s, ttl: %d)", mid_, blob_,
                   locationHint_, ttl_);
    });
}

void Identity::HandleOptOut(const std::shared_ptr<Event>& event) {
    const auto state = GetSharedEventState(ConfigKeys::SHARED_STATE_NAME, event);
    if (!state || !state->OptString(ConfigKeys::CXM_CONFIG_SERVER, "").empty()) {
        return;
    }
    const auto configuration = std::make_shared<ConfigurationSharedStateIdentity>(state);
    if (configuration->GetPrivacyStatus() == MobilePrivacyStatus::OPT_OUT) {
        SendOptOutHit(configuration);
    }
}

void Identity::SendOptOutHit(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    const auto url = BuildOptOutUrlString(configuration);
    if (url.empty()) {
        Log::Debug(LOG_PREFIX, "Could not send opt-out request as url is empty.");
        return;
    }
    std::shared_ptr<NetworkServiceInterface> network;
    if (!GetNetworkService(network)) {
        Log::Debug(LOG_PREFIX, "Could not send opt-out request as network service is unavailable.");
        return;
    }
    Log::Debug(LOG_PREFIX, "Sending opt-out request to %s.", url);
    const auto timeout = IdentityConstants::Default::TIMEOUT;
    network->ConnectUrlAsync(url, HttpCommandType::GET, "", {}, timeout, timeout,
                             [](const std::shared_ptr<HttpConnectionInterface>&) {});
}

std::string Identity::BuildOptOutUrlString(const std::shared_ptr<ConfigurationSharedStateIdentity>& configuration) {
    if (!configuration || configuration->GetOrgId().empty() || mid_.empty()) {
        return "";
    }
    return UrlBuilder()
        .EnableSsl(IdentityConstants::Default::DEFAULT_SSL)
        .SetHost(configuration->GetSkyloomServer())
        .AddPath(IdentityConstants::KEY_PATH_OPTOUT)
        .AddQueryParameters({{IdentityConstants::RESPONSE_KEY_ORGID, configuration->GetOrgId()},
                             {IdentityConstants::RESPONSE_KEY_MID, mid_}})
        .Build();
}

bool Identity::GetNetworkService(std::shared_ptr<NetworkServiceInterface>& networkService) {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_PREFIX, "Platform services are not available");
        return false;
    }
    networkService = platformServices->GetNetworkService();
    if (!networkService) {
        Log::Warning(LOG_PREFIX, "Network services are not available");
        return false;
    }
    return true;
}

}  // namespace NuvraMobile
