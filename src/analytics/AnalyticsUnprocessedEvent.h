#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

class Event;

/**
 * A request waiting in the Analytics module's queue, with the shared states it needs (hard) and those
 * it uses when available (soft). Immutable after construction.
 */
class AnalyticsUnprocessedEvent : public Object {
public:
    AnalyticsUnprocessedEvent(std::shared_ptr<Event> event, std::vector<std::string> hardDependencies,
                              std::vector<std::string> softDependencies)
        : event_(std::move(event)),
          hardDependencies_(std::move(hardDependencies)),
          softDependencies_(std::move(softDependencies)) {}

    const std::shared_ptr<Event>& GetEvent() const { return event_; }
    std::vector<std::string> GetHardStateDependencies() const { return hardDependencies_; }
    std::vector<std::string> GetSoftStateDependencies() const { return softDependencies_; }

private:
    const std::shared_ptr<Event> event_;
    const std::vector<std::string> hardDependencies_;
    const std::vector<std::string> softDependencies_;
};

}  // namespace NuvraMobile
