#include "core/hub/OneTimeListener.h"

#include <utility>

namespace NuvraMobile {

OneTimeListener::OneTimeListener(Callback callback) : callback_(std::move(callback)) {}

void OneTimeListener::Hear(const std::shared_ptr<Event>& event) {
    if (callback_) {
        callback_(event);
    }
}

}  // namespace NuvraMobile
