#include "support/RecordingModule.h"

#include <utility>

#include "core/module/ModuleEventListener.h"
#include "core/module/ModuleEventProcessorBase.h"
#include "core/values/Event.h"

namespace NuvraMobile {

namespace {

class RecordingListener : public ModuleEventListener<RecordingModule> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (auto module = GetParentModule()) {
            module->Hear(event);
        }
    }
};

class FunctionProcessor : public ModuleEventProcessorBase {
public:
    explicit FunctionProcessor(RecordingModule::Processor processor) : processor_(std::move(processor)) {}

    std::shared_ptr<Event> Process(const std::shared_ptr<Event>& event) override { return processor_(event); }

private:
    const RecordingModule::Processor processor_;
};

}  // namespace

RecordingModule::RecordingModule(const std::string& name) : InternalModule(name) {}

std::string RecordingModule::GetSharedStateName() const { return GetModuleName(); }

void RecordingModule::SetProcessor(Processor processor) { processor_ = std::move(processor); }

void RecordingModule::SetHearHook(HearHook hook) { hearHook_ = std::move(hook); }

void RecordingModule::OnRegistered() {
    RegisterWildCardListener<RecordingListener>();
    if (processor_) {
        RegisterProcessor(std::make_shared<FunctionProcessor>(processor_));
    }
    std::lock_guard<std::mutex> lock(recordMutex_);
    registered_ = true;
    recordChanged_.notify_all();
}

void RecordingModule::OnUnregistered() {
    std::lock_guard<std::mutex> lock(recordMutex_);
    unregistered_ = true;
    recordChanged_.notify_all();
}

void RecordingModule::Hear(const std::shared_ptr<Event>& event) {
    if (hearHook_) {
        hearHook_(*this, event);
    }
    std::lock_guard<std::mutex> lock(recordMutex_);
    events_.push_back(event);
    recordChanged_.notify_all();
}

std::vector<std::shared_ptr<Event>> RecordingModule::GetEvents() const {
    std::lock_guard<std::mutex> lock(recordMutex_);
    return events_;
}

std::vector<std::string> RecordingModule::GetEventNames() const {
    std::vector<std::string> names;
    for (const auto& event : GetEvents()) {
        names.push_back(event->GetName());
    }
    return names;
}

bool RecordingModule::WaitForEventCount(std::size_t count, std::chrono::milliseconds timeout) const {
    return WaitUntil([this, count] { return events_.size() >= count; }, timeout);
}

bool RecordingModule::WaitUntilRegistered(std::chrono::milliseconds timeout) const {
    return WaitUntil([this] { return registered_; }, timeout);
}

bool RecordingModule::WaitUntilUnregistered(std::chrono::milliseconds timeout) const {
    return WaitUntil([this] { return unregistered_; }, timeout);
}

bool RecordingModule::WaitUntil(const std::function<bool()>& condition,
                                std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(recordMutex_);
    return recordChanged_.wait_for(lock, timeout, condition);
}

}  // namespace NuvraMobile
