#include "services/ui/FloatingButton.h"

namespace NuvraMobile {

FloatingButton::FloatingButton(const UiPlatform& platform,
                               const std::shared_ptr<FloatingButtonListenerInterface>& listener)
    : handler_(std::make_shared<NVBFloatingButtonHandler>(platform, listener)) {}

void FloatingButton::Display() {
    handler_->display();
}

void FloatingButton::Remove() {
    handler_->remove();
}

}  // namespace NuvraMobile
