#pragma once

#include <gmock/gmock.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {

class Event;
class EventData;
class EventHub;
class EventSource;
class EventType;
class RecordingModule;

/** True once a system runs: starting one installs the process-wide logging and system services. */
bool SystemStarted();

/**
 * A running system whose hub hands every event to a recording module, which also answers requests the
 * way a test tells it to, and the log lines from then on. The core is never started (that is once per
 * process): its hub already hands events to the modules while they still register.
 */
class ModuleClassTest : public testing::Test {
public:
    /** The answers to one request; those without a pair id are paired to it when dispatched. */
    using Responder = std::function<std::vector<std::shared_ptr<Event>>(const Event& request)>;

protected:
    void SetUp() override;
    void TearDown() override;

    /** From now on every event named `requestName` is answered with what `responder` makes of it. */
    void Answer(const std::string& requestName, Responder responder);
    /** From now on every event named `requestName` is answered with one (type, source) event holding `data`.
     */
    void Answer(const std::string& requestName, const std::shared_ptr<EventType>& type,
                const std::shared_ptr<EventSource>& source, const std::shared_ptr<EventData>& data);

    /** The data of the next event named `name` not yet handed out; null when none comes. */
    std::shared_ptr<EventData> NextDataOf(const std::string& name);
    /** The names of every event dispatched before now (earlier markers too), once the hub has handled them.
     */
    std::vector<std::string> NamesSoFar();
    std::vector<CapturingLoggingService::Line> LinesTagged(const std::string& tag);
    std::shared_ptr<EventHub> Hub() const;

    ScratchApp app_;
    std::shared_ptr<RecordingModule> recorder_;
    std::unique_ptr<ScopedCapturingLog> log_;

private:
    struct Responders;

    /** Shared with the recorder's hook, which may still run while the fixture is taken down. */
    std::shared_ptr<Responders> responders_;
    std::map<std::string, std::size_t> handedOut_;
    int markers_ = 0;
};

}  // namespace NuvraMobile
