#import <Foundation/Foundation.h>

#include "ModuleClassTestSupport.h"

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "platform/MobileMarketingCoreBridge.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "support/RecordingModule.h"

namespace NuvraMobile {

bool SystemStarted() {
    return Log::GetLoggingService() != nullptr || SystemInfoServiceInterface::GetCurrentService() != nullptr;
}

struct ModuleClassTest::Responders {
    std::mutex mutex;
    std::map<std::string, Responder> byRequestName;
    // Not owned: the recorder belongs to the hub and must not keep it alive.
    std::weak_ptr<EventHub> hub;

    void Respond(const std::shared_ptr<Event>& request) {
        Responder responder;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const auto found = byRequestName.find(request->GetName());
            if (found == byRequestName.end()) {
                return;
            }
            responder = found->second;
        }
        const auto eventHub = hub.lock();
        if (!eventHub) {
            return;
        }
        for (const auto& response : responder(*request)) {
            if (response->GetPairID().empty()) {
                response->SetPairID(request->GetResponsePairID());
            }
            eventHub->Dispatch(response);
        }
    }
};

void ModuleClassTest::SetUp() {
    responders_ = std::make_shared<Responders>();
    responders_->hub = Hub();
    recorder_ = std::make_shared<RecordingModule>("test.recorder");
    recorder_->SetHearHook([responders = responders_](RecordingModule&, const std::shared_ptr<Event>& event) {
        responders->Respond(event);
    });
    Hub()->RegisterModule(recorder_);
    ASSERT_TRUE(recorder_->WaitUntilRegistered());
    log_ = std::make_unique<ScopedCapturingLog>(LoggingMode::Trace);
}

void ModuleClassTest::TearDown() { log_.reset(); }

std::shared_ptr<EventHub> ModuleClassTest::Hub() const {
    return MobileMarketingCoreBridge::GetInstance2()->GetCore()->GetEventHub();
}

void ModuleClassTest::Answer(const std::string& requestName, Responder responder) {
    std::lock_guard<std::mutex> lock(responders_->mutex);
    responders_->byRequestName[requestName] = std::move(responder);
}

void ModuleClassTest::Answer(const std::string& requestName, const std::shared_ptr<EventType>& type,
                             const std::shared_ptr<EventSource>& source,
                             const std::shared_ptr<EventData>& data) {
    Answer(requestName, [type, source, data](const Event&) {
        return std::vector<std::shared_ptr<Event>>{
            EventBuilder("Answer", type, source).CopyData(data).Build()};
    });
}

std::shared_ptr<EventData> ModuleClassTest::NextDataOf(const std::string& name) {
    std::size_t& handedOut = handedOut_[name];
    std::size_t seen = 0;
    for (std::size_t count = 1; recorder_->WaitForEventCount(count); ++count) {
        const auto event = recorder_->GetEvents()[count - 1];
        if (event->GetName() == name && ++seen > handedOut) {
            ++handedOut;
            return event->GetData();
        }
    }
    return nullptr;
}

std::vector<std::string> ModuleClassTest::NamesSoFar() {
    const std::string marker = "ModuleClassTest marker " + std::to_string(++markers_);
    Hub()->Dispatch(EventBuilder(marker, EventType::CUSTOM, EventSource::NONE).Build());
    std::vector<std::string> names;
    for (std::size_t count = 1; recorder_->WaitForEventCount(count); ++count) {
        const std::string name = recorder_->GetEvents()[count - 1]->GetName();
        if (name == marker) {
            return names;
        }
        names.push_back(name);
    }
    ADD_FAILURE() << "the hub never handled the marker event";
    return names;
}

std::vector<CapturingLoggingService::Line> ModuleClassTest::LinesTagged(const std::string& tag) {
    std::vector<CapturingLoggingService::Line> tagged;
    for (const auto& line : log_->Service().GetLines()) {
        if (line.tag == tag) {
            tagged.push_back(line);
        }
    }
    return tagged;
}

}  // namespace NuvraMobile
