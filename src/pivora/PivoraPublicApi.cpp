#include "pivora/PivoraPublicApi.h"

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "pivora/Pivora.h"
#include "pivora/PivoraSerializers.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UuidInterface.h"
#include "util/Log.h"
#include "util/RandomUtil.h"

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;
using PivoraConstants::LOG_PREFIX;

namespace {

std::shared_ptr<Event> BuildEvent(const char* name, const std::shared_ptr<EventSource>& source,
                                  const std::shared_ptr<EventData>& data) {
    return EventBuilder(name, EventType::PIVORA, source).SetData(data).Build();
}

void PutParameters(EventData& data, const std::shared_ptr<PivoraParameters>& parameters) {
    data.PutVariant(Keys::PIVORA_PARAMETERS, PivoraFromTypedObject(parameters));
}

}  // namespace

std::shared_ptr<PivoraPublicApi> PivoraPublicApi::Create(
    const std::shared_ptr<EventHub>& eventHub, const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    return std::make_shared<PivoraPublicApi>(eventHub, platformServices);
}

PivoraPublicApi::PivoraPublicApi(std::shared_ptr<EventHub> eventHub,
                                 std::shared_ptr<PlatformServicesInterface> platformServices)
    : eventHub_(std::move(eventHub)), platformServices_(std::move(platformServices)) {}

void PivoraPublicApi::RegisterPivora() {
    if (!eventHub_->IsRegisteredModule(Keys::SHARED_STATE_NAME)) {
        eventHub_->RegisterModule<Pivora>();
    }
}

void PivoraPublicApi::RegisterPairedListener(const std::string& pairId,
                                             const std::function<void(const std::shared_ptr<Event>&)>& onResponse,
                                             const std::function<void(const SdkError&)>& onFailure) {
    TryCatch([&] { eventHub_->RegisterOneTimeListener<Pivora>(pairId, onResponse); },
             [&](SdkError& error) { onFailure(error); });
}

void PivoraPublicApi::PrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                                      const std::function<void(EventData&)>& addParameters,
                                      const StringCallback& callback) {
    std::vector<std::shared_ptr<Variant>> forms;
    for (const auto& prefetch : prefetchList) {
        if (prefetch) {
            forms.push_back(PivoraFromTypedObject(prefetch));
        }
    }
    if (forms.empty()) {
        Log::Debug(LOG_PREFIX,
                   "PivoraPrefetchContent - The pivora prefetch request needs at least one valid PivoraPrefetch "
                   "object in order to be initiated.");
        if (callback) {
            callback(PivoraErrors::NO_PREFETCH_REQUESTS);
        }
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutVariantVector(Keys::PREFETCH_REQUESTS, forms);
    addParameters(*data);
    const auto event = BuildEvent("PivoraPrefetchContent", EventSource::REQUEST_CONTENT, data);
    if (callback) {
        RegisterPairedListener(
            event->GetResponsePairID(),
            [callback](const std::shared_ptr<Event>& response) {
                callback(response->GetData()->OptString(Keys::PREFETCH_ERROR, ""));
            },
            [callback](const SdkError& error) {
                Log::Debug(LOG_PREFIX,
                           "PivoraPrefetchContent - Failed to register the paired listener for prefetch content "
                           "response (%s)",
                           error);
                callback(PivoraErrors::FAILED_TO_REGISTER_FOR_PREFETCH);
            });
    }
    eventHub_->Dispatch(event);
}

void PivoraPublicApi::PivoraPrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                                            const StringMap& profileParameters, const StringCallback& callback) {
    PrefetchContent(
        prefetchList, [&](EventData& data) { data.PutStringMap(Keys::PROFILE_PARAMETERS, profileParameters); },
        callback);
}

void PivoraPublicApi::PivoraPrefetchContent(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                                            const std::shared_ptr<PivoraParameters>& parameters,
                                            const StringCallback& callback) {
    PrefetchContent(prefetchList, [&](EventData& data) { PutParameters(data, parameters); }, callback);
}

std::string PivoraPublicApi::MakePairIdPrefix() {
    const auto crypto = platformServices_ ? platformServices_->GetCryptoService() : nullptr;
    const auto uuid = crypto ? crypto->GetRandomUuid() : nullptr;
    const std::string text = uuid ? uuid->GetString() : "";
    return text.empty() ? "randomUUID" + RandomUtil::Rand() : text;
}

void PivoraPublicApi::LoadRequests(const char* operation, const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                                   const std::function<void(EventData&)>& addParameters) {
    const std::string prefix = MakePairIdPrefix();
    std::vector<std::shared_ptr<Variant>> forms;
    int index = 0;
    for (const auto& request : requests) {
        if (!request) {
            continue;
        }
        if (const auto& callback = request->GetContentCallback()) {
            request->SetResponsePairId(prefix + std::to_string(index));
            const std::string defaultContent = request->GetDefaultContent();
            const std::string name = request->GetName();
            RegisterPairedListener(
                request->GetResponsePairId(),
                [callback, defaultContent](const std::shared_ptr<Event>& response) {
                    callback(response->GetData()->OptString(Keys::MBOX_CONTENT, defaultContent));
                },
                [callback, operation, name, defaultContent](const SdkError&) {
                    Log::Debug(LOG_PREFIX,
                               "%s - Failed to register the paired listener for the following location (%s). "
                               "Returning default (%s)",
                               operation, name, defaultContent);
                    callback(defaultContent);
                });
        }
        forms.push_back(PivoraFromTypedObject(request));
        ++index;
    }
    if (forms.empty()) {
        Log::Debug(LOG_PREFIX,
                   "%s - The pivora locations request needs at least one valid PivoraRequest object in order to be "
                   "initiated.",
                   operation);
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutVariantVector(Keys::LOAD_REQUESTS, forms);
    addParameters(*data);
    eventHub_->Dispatch(BuildEvent("PivoraLoadRequests", EventSource::REQUEST_CONTENT, data));
}

void PivoraPublicApi::PivoraLoadRequests(const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                                         const StringMap& profileParameters) {
    LoadRequests("PivoraLoadRequests", requests, [&](EventData& data) {
        data.PutStringMap(Keys::MBOX_PARAMETERS,
                          {{PivoraConstants::OLD_API_COMPAT_PARAM, PivoraConstants::OLD_API_COMPAT_PARAM}});
        data.PutStringMap(Keys::PROFILE_PARAMETERS, profileParameters);
    });
}

void PivoraPublicApi::PivoraGetLocationContent(const std::vector<std::shared_ptr<PivoraRequest>>& requests,
                                               const std::shared_ptr<PivoraParameters>& parameters) {
    LoadRequests("PivoraGetLocationContent", requests, [&](EventData& data) { PutParameters(data, parameters); });
}

void PivoraPublicApi::PivoraLocationsDisplayed(const std::vector<std::shared_ptr<Variant>>& mboxNames,
                                               const std::shared_ptr<PivoraParameters>& parameters) {
    auto data = std::make_shared<EventData>();
    data->PutVariantVector(Keys::MBOX_NAMES, mboxNames);
    PutParameters(*data, parameters);
    data->PutBoolean(Keys::IS_LOCATION_DISPLAYED, true);
    eventHub_->Dispatch(BuildEvent("PivoraLocationsDisplayed", EventSource::REQUEST_CONTENT, data));
}

void PivoraPublicApi::PivoraLocationClicked(const std::string& mboxName,
                                            const std::shared_ptr<PivoraParameters>& parameters) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::IS_LOCATION_CLICKED, true);
    data->PutString(Keys::MBOX_NAME, mboxName);
    PutParameters(*data, parameters);
    eventHub_->Dispatch(BuildEvent("PivoraLocationClicked", EventSource::REQUEST_CONTENT, data));
}

void PivoraPublicApi::PivoraLocationClicked(const std::string& mboxName, const StringMap& mboxParameters,
                                            const StringMap& productParameters, const VariantMap& orderParameters,
                                            const StringMap& profileParameters) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::IS_LOCATION_CLICKED, true);
    data->PutString(Keys::MBOX_NAME, mboxName);
    data->PutStringMap(Keys::MBOX_PARAMETERS, mboxParameters);
    data->PutStringMap(Keys::PRODUCT_PARAMETERS, productParameters);
    data->PutVariantMap(Keys::ORDER_PARAMETERS, orderParameters);
    data->PutStringMap(Keys::PROFILE_PARAMETERS, profileParameters);
    eventHub_->Dispatch(BuildEvent("PivoraLocationClicked", EventSource::REQUEST_CONTENT, data));
}

void PivoraPublicApi::PivoraSetThirdPartyId(const std::string& thirdPartyId) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::THIRD_PARTY_ID, thirdPartyId);
    eventHub_->Dispatch(BuildEvent("PivoraRequestIdentity", EventSource::REQUEST_IDENTITY, data));
}

void PivoraPublicApi::PivoraIdentityRequest(const std::string& key, const StringCallback& callback) {
    if (!callback) {
        return;
    }
    const auto event = BuildEvent("PivoraIdentityRequest", EventSource::REQUEST_IDENTITY, nullptr);
    RegisterPairedListener(
        event->GetResponsePairID(),
        [callback, key](const std::shared_ptr<Event>& response) { callback(response->GetData()->OptString(key, "")); },
        [callback, key](const SdkError& error) {
            Log::Debug(LOG_PREFIX, "PivoraIdentityRequest - Failed to register the paired listener for the requested (%s) key (%s)",
                       key, error);
            callback("");
        });
    eventHub_->Dispatch(event);
}

void PivoraPublicApi::PivoraGetThirdPartyId(const StringCallback& callback) {
    PivoraIdentityRequest(Keys::THIRD_PARTY_ID, callback);
}

void PivoraPublicApi::PivoraGetQtxId(const StringCallback& callback) { PivoraIdentityRequest(Keys::QTX_ID, callback); }

void PivoraPublicApi::PivoraResetExperience() {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::RESET_EXPERIENCE, true);
    eventHub_->Dispatch(BuildEvent("PivoraResetExperience", EventSource::REQUEST_RESET, data));
}

void PivoraPublicApi::PivoraClearPrefetchCache() {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::CLEAR_PREFETCH_CACHE, true);
    eventHub_->Dispatch(BuildEvent("PivoraResetPrefetchCache", EventSource::REQUEST_RESET, data));
}

void PivoraPublicApi::PivoraSetPreviewRestartDeepLink(const std::string& deepLink) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::RESTART_DEEP_LINK, deepLink);
    eventHub_->Dispatch(BuildEvent("PivoraSetPreviewRestartDeeplink", EventSource::REQUEST_CONTENT, data));
    Log::Debug(LOG_PREFIX, "New pivora request created with preview restart deep link %s", deepLink);
}

}  // namespace NuvraMobile
