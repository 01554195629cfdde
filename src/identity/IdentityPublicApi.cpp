#include "identity/IdentityPublicApi.h"

#include <utility>

#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "identity/Identity.h"
#include "identity/IdentityConstants.h"
#include "shared/VisitorIdSerializer.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;

std::shared_ptr<IdentityPublicApi> IdentityPublicApi::Create(
    const std::shared_ptr<EventHub>& eventHub, const std::shared_ptr<PlatformServicesInterface>& platformServices) {
    return std::make_shared<IdentityPublicApi>(eventHub, platformServices);
}

IdentityPublicApi::IdentityPublicApi(std::shared_ptr<EventHub> eventHub,
                                     std::shared_ptr<PlatformServicesInterface> platformServices)
    : eventHub_(std::move(eventHub)), platformServices_(std::move(platformServices)) {}

void IdentityPublicApi::RegisterIdentity() {
    if (eventHub_ && !eventHub_->IsRegisteredModule(Keys::SHARED_STATE_NAME)) {
        // A registration racing this one makes the hub refuse the second module; the app hears nothing of it.
        TryCatch([&] { eventHub_->RegisterModule<Identity>(); },
                 [](SdkError& error) {
                     Log::Debug(IdentityConstants::LOG_PREFIX, "Identity was not registered (%s)", error.GetMessage());
                 });
    }
}

void IdentityPublicApi::GetSkyloomId(const StringCallback& callback) {
    CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(Keys::VISITOR_ID_MID, nullptr, callback);
}

void IdentityPublicApi::GetIdentifiers(const IdentifiersCallback& callback) {
    CreateIdentityRequestWithOneTimeCallbackWithVisitorIdCallbackParam(Keys::VISITOR_IDS_LIST, nullptr, callback);
}

void IdentityPublicApi::AppendToUrl(const std::string& url, const StringCallback& callback) {
    auto data = std::make_shared<EventData>();
    data->PutString(Keys::BASE_URL, url);
    CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(Keys::UPDATED_URL, data, callback);
}

void IdentityPublicApi::GetUrlVariables(const StringCallback& callback) {
    auto data = std::make_shared<EventData>();
    data->PutBoolean(Keys::URL_VARIABLES, true);
    CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(Keys::URL_VARIABLES, data, callback);
}

void IdentityPublicApi::GetPushIdentifier(const StringCallback& callback) {
    CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(Keys::PUSH_IDENTIFIER, nullptr, callback);
}

void IdentityPublicApi::GetAdvertisingIdentifier(const StringCallback& callback) {
    CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(Keys::ADVERTISING_IDENTIFIER, nullptr, callback);
}

void IdentityPublicApi::SyncIdentifier(const std::string& idType, const std::string& identifier,
                                       VisitorIdAuthenticationState state) {
    DispatchIdSyncEvent({{idType, identifier}}, state);
}

void IdentityPublicApi::SyncIdentifiers(const std::map<std::string, std::string>& identifiers) {
    DispatchIdSyncEvent(identifiers, VisitorIdAuthenticationState::UNKNOWN);
}

void IdentityPublicApi::SyncIdentifiers(const std::map<std::string, std::string>& identifiers,
                                        VisitorIdAuthenticationState state) {
    DispatchIdSyncEvent(identifiers, state);
}

std::shared_ptr<Event> IdentityPublicApi::CreateIdentityRequestEvent(const std::shared_ptr<EventData>& data) {
    EventBuilder builder(IdentityConstants::EventNames::IDENTITY_REQUEST_IDENTITY, EventType::IDENTITY,
                         EventSource::REQUEST_IDENTITY);
    if (data) {
        builder.SetData(data);
    }
    return builder.Build();
}

void IdentityPublicApi::DispatchWithAnswer(const std::shared_ptr<EventData>& data,
                                           const std::function<void(const std::shared_ptr<Event>&)>& onAnswer) {
    const auto request = CreateIdentityRequestEvent(data);
    TryCatch(
        [&] {
            eventHub_->RegisterOneTimeListener(typeid(Identity).hash_code(), EventType::IDENTITY,
                                               EventSource::RESPONSE_IDENTITY, request->GetResponsePairID(), onAnswer);
        },
        [](SdkError& error) {
            Log::Debug(IdentityConstants::LOG_PREFIX, "Failed to register the RESPONSE_IDENTITY listener (%s)", error);
        });
    eventHub_->Dispatch(request);
}

void IdentityPublicApi::CreateIdentityRequestWithOneTimeCallbackWithStringCallbackParam(
    const std::string& answerKey, const std::shared_ptr<EventData>& data, const StringCallback& callback) {
    if (!callback || !eventHub_) {
        return;
    }
    DispatchWithAnswer(data, [answerKey, callback](const std::shared_ptr<Event>& answer) {
        std::string value;
        if (answer && answer->GetData()) {
            answer->GetData()->GetString(answerKey, value);
        }
        callback(value);
    });
}

void IdentityPublicApi::CreateIdentityRequestWithOneTimeCallbackWithVisitorIdCallbackParam(
    const std::string& answerKey, const std::shared_ptr<EventData>& data, const IdentifiersCallback& callback) {
    if (!callback || !eventHub_) {
        return;
    }
    DispatchWithAnswer(data, [answerKey, callback](const std::shared_ptr<Event>& answer) {
        std::vector<std::shared_ptr<VisitorId>> ids;
        if (answer && answer->GetData()) {
            auto read = answer->GetData()->GetTypedVector<VisitorId>(answerKey);
            if (read.HasValue()) {
                ids = read.Value();
            }
        }
        callback(ids);
    });
}

void IdentityPublicApi::DispatchIdSyncEvent(const std::map<std::string, std::string>& identifiers,
                                            VisitorIdAuthenticationState state) {
    if (!eventHub_) {
        return;
    }
    auto data = std::make_shared<EventData>();
    data->PutStringMap(Keys::IDENTIFIERS, identifiers);
    data->PutInteger(Keys::AUTHENTICATION_STATE, static_cast<std::int32_t>(state));
    data->PutBoolean(Keys::FORCE_SYNC, false);
    data->PutBoolean(Keys::IS_SYNC_EVENT, true);
    eventHub_->Dispatch(CreateIdentityRequestEvent(data));
}

}  // namespace NuvraMobile
