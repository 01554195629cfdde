#include "core/hub/OneTimeListener.h"

#include <utility>

#include "core/execution/AppCalls.h"

namespace NuvraMobile {

OneTimeListener::OneTimeListener(Callback callback) : callback_(std::move(callback)) {}

void OneTimeListener::Hear(const std::shared_ptr<Event>& event) {
    if (callback_) {
        AppCalls::Run("the answer to a request", [&] { callback_(event); });
    }
}

}  // namespace NuvraMobile
