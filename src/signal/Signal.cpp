#include "signal/Signal.h"

#include <chrono>

#include "core/execution/BoundedDisposal.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/module/ModuleMemberTask.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/UIServiceInterface.h"
#include "platformShim/URLServiceInterface.h"
#include "rulesengine/Consequence.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "signal/SignalHit.h"
#include "signal/SignalHitQueue.h"
#include "signal/SignalHitsDatabase.h"
#include "signal/SignalListeners.h"
#include "signal/SignalTemplate.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr ModuleTaskOptions REQUIRED_FOR_UNREGISTRATION{true};

/** The service of the module's platform services, or null with the line that says what is missing. */
template <class Service>
std::shared_ptr<Service> ServiceOf(const std::shared_ptr<PlatformServicesInterface>& services,
                                   std::shared_ptr<Service> (PlatformServicesInterface::*getter)() const,
                                   const char* missingMessage) {
    if (!services) {
        Log::Debug(Signal::LOG_PREFIX, "Platform Services are not available");
        return nullptr;
    }
    auto service = ((*services).*getter)();
    if (!service) {
        Log::Debug(Signal::LOG_PREFIX, missingMessage);
    }
    return service;
}

}  // namespace

Signal::Signal() : InternalModule(SignalConstants::SHARED_STATE_NAME) {}

std::string Signal::GetSharedStateName() const { return SignalConstants::SHARED_STATE_NAME; }

std::shared_ptr<Signal> Signal::SharedSelf() { return std::static_pointer_cast<Signal>(shared_from_this()); }

void Signal::OnRegistered() {
    hitsDatabase_ = CreateDatabase();
    if (hitsDatabase_) {
        StopBeforeAbort(hitsDatabase_->GetHitQueue());
    }
    RegisterListener<SignalListenerConfigurationResponseContent>(EventType::CONFIGURATION,
                                                                 EventSource::RESPONSE_CONTENT);
    RegisterListener<SignalListenerRulesEngineResponseContent>(EventType::RULES_ENGINE,
                                                               EventSource::RESPONSE_CONTENT);
}

void Signal::OnUnregistered() {
    if (!hitsDatabase_) {
        return;
    }
    auto self = SharedSelf();
    AddTaskToQueue(
        "unregistration", [self] { self->DisposeHitsDatabase(); }, REQUIRED_FOR_UNREGISTRATION);
}

std::size_t Signal::CountRequestsLeftWaiting() { return waitingEvents_.Size(); }

void Signal::DisposeHitsDatabase() {
    DisposeWithin(
        UNREGISTRATION_DISPOSE_LIMIT,
        [this](std::chrono::milliseconds timeout) { return hitsDatabase_->Dispose(timeout); }, LOG_PREFIX,
        "The signal hit queue");
}

std::shared_ptr<SignalHitsDatabase> Signal::CreateDatabase() {
    return std::make_shared<SignalHitsDatabase>(GetPlatformServices());
}

void Signal::UpdatePrivacyStatus(MobilePrivacyStatus status) {
    QueueMemberTask(*this, "SignalUpdatePrivacyStatus", [status](Signal& self) { self.ApplyPrivacyStatus(status); });
}

void Signal::ApplyPrivacyStatus(MobilePrivacyStatus status) {
    if (status == MobilePrivacyStatus::OPT_OUT) {
        waitingEvents_.Clear();
    }
    if (hitsDatabase_) {
        hitsDatabase_->UpdatePrivacyStatus(status);
    }
    TryProcessQueuedEvent();
}

void Signal::HandleSignalConsequenceEvent(const std::shared_ptr<Event>& event) {
    QueueMemberTask(*this, "SignalProcessingRulesConsequence", [event](Signal& self) {
        self.waitingEvents_.Add(event);
        self.TryProcessQueuedEvent();
    });
}

void Signal::HandleOpenUrlConsequence(const VariantMap& detail) {
    QueueMemberTask(*this, "SignalProcessingRulesOpenUrlConsequence", [detail](Signal& self) { self.OpenUrl(detail); });
}

void Signal::TryProcessQueuedEvent() {
    waitingEvents_.HandleInOrder([this](const std::shared_ptr<Event>& event) { return ProcessSignalEvent(event); });
}

bool Signal::ProcessSignalEvent(const std::shared_ptr<Event>& event) {
    const auto configuration = GetSharedEventState(SignalConstants::Configuration::SHARED_STATE_NAME, event);
    if (configuration == SHARED_STATE_PENDING) {
        Log::Debug(LOG_PREFIX,
                   "Can not handle signal consequence, shared state for Configuration module is not ready.");
        return false;
    }
    const MobilePrivacyStatus status =
        PrivacyStatusInConfiguration(configuration).value_or(MobilePrivacyStatus::UNKNOWN);
    if (status == MobilePrivacyStatus::OPT_OUT) {
        Log::Debug(LOG_PREFIX, "Privacy opt out, signal will be dropped.");
        return true;
    }
    const auto data = event->GetData();
    auto consequence =
        data ? data->GetTypedObject<Consequence>(SignalConstants::RulesEngine::CONSEQUENCE_TRIGGERED)
             : Expected<std::shared_ptr<Consequence>, SdkError>();
    if (!consequence.HasValue() || !consequence.Value()) {
        Log::Debug(LOG_PREFIX, "Invalid consequence format for signals");
        return true;
    }
    const auto signalTemplate =
        SignalTemplate::CreateSignalTemplateFromConsequence(consequence.Value(), GetURLService());
    if (signalTemplate && hitsDatabase_) {
        hitsDatabase_->Queue(signalTemplate->GetSignalHit(), event->GetTimestamp() / 1000, status);
    }
    return true;
}

void Signal::OpenUrl(const VariantMap& detail) {
    if (detail.empty()) {
        Log::Debug(LOG_PREFIX, "No signal consequence detail, ingoring event.");
    }
    std::string url;
    const auto found = detail.find(SignalConstants::OPENURL_URL);
    if (found != detail.end()) {
        found->second->GetString(url);
    }
    if (url.empty()) {
        Log::Trace(LOG_PREFIX, "Tried to process an OpenURL event, but no URL was found in EventData.");
        return;
    }
    if (const auto uiService = GetUIService()) {
        uiService->ShowUrl(url);
    }
}

std::shared_ptr<URLServiceInterface> Signal::GetURLService() {
    return ServiceOf(GetPlatformServices(), &PlatformServicesInterface::GetURLService,
                     "URLService is not available");
}

std::shared_ptr<UIServiceInterface> Signal::GetUIService() {
    return ServiceOf(GetPlatformServices(), &PlatformServicesInterface::GetUIService,
                     "UIService is not available");
}

}  // namespace NuvraMobile
