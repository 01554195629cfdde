#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/module/InternalModule.h"

namespace NuvraMobile {

class Event;

/**
 * A module for hub tests. Once registered it hears every event through a wildcard listener and
 * records it, after running an optional hook; it may also register a processor made of a test
 * function. Tests wait for what it records with bounded waits. Any thread.
 */
class RecordingModule : public InternalModule {
public:
    using Processor = std::function<std::shared_ptr<Event>(const std::shared_ptr<Event>&)>;
    using HearHook = std::function<void(RecordingModule&, const std::shared_ptr<Event>&)>;

    static constexpr std::chrono::milliseconds DEFAULT_WAIT{10000};

    /** The shared-state name is the module name. */
    explicit RecordingModule(const std::string& name);

    std::string GetSharedStateName() const override;

    /** Set before registration. */
    void SetProcessor(Processor processor);
    /** Set before registration; runs inside every Hear, before the event is recorded. */
    void SetHearHook(HearHook hook);

    void Hear(const std::shared_ptr<Event>& event);
    std::vector<std::shared_ptr<Event>> GetEvents() const;
    std::vector<std::string> GetEventNames() const;

    bool WaitForEventCount(std::size_t count, std::chrono::milliseconds timeout = DEFAULT_WAIT) const;
    bool WaitUntilRegistered(std::chrono::milliseconds timeout = DEFAULT_WAIT) const;
    bool WaitUntilUnregistered(std::chrono::milliseconds timeout = DEFAULT_WAIT) const;

protected:
    void OnRegistered() override;
    void OnUnregistered() override;

private:
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const;

    mutable std::mutex recordMutex_;
    mutable std::condition_variable recordChanged_;
    std::vector<std::shared_ptr<Event>> events_;
    bool registered_ = false;
    bool unregistered_ = false;
    Processor processor_;
    HearHook hearHook_;
};

}  // namespace NuvraMobile
