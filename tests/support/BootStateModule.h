#pragma once

#include <memory>
#include <string>

#include "core/module/InternalModule.h"
#include "core/values/EventData.h"

namespace NuvraMobile {

/**
 * Stands in for another module's shared state: publishes the given data under the given owner name at
 * the booted event (a configuration from a packaged file, an analytics state). Any thread.
 */
class BootStateModule : public InternalModule {
public:
    BootStateModule(const std::string& stateName, std::shared_ptr<EventData> data);
    std::string GetSharedStateName() const override { return GetModuleName(); }

    /** Creates the shared state at the event's number; called by the booted listener. */
    void Publish(int32_t eventNumber);

protected:
    void OnRegistered() override;

private:
    const std::shared_ptr<EventData> data_;
};

}  // namespace NuvraMobile
