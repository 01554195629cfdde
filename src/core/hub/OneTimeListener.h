#pragma once

#include <functional>
#include <memory>

#include "core/module/ModuleEventListenerBase.h"

namespace NuvraMobile {

// Wraps the app's callback waiting for the response to a request. The hub keeps it under the request's
// response pair id and calls Hear, on the hub thread, with the first event that carries that pair id.
class OneTimeListener : public ModuleEventListenerBase {
public:
    using Callback = std::function<void(const std::shared_ptr<Event>&)>;

    explicit OneTimeListener(Callback callback);

    // Calls the callback with the event, every time it is called, unless the process has begun to exit.
    void Hear(const std::shared_ptr<Event>& event) override;

private:
    Callback callback_;
};

}  // namespace NuvraMobile
