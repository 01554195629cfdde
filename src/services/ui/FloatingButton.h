#pragma once

#include <memory>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/NVBFloatingButtonHandler.h"

namespace NuvraMobile {

/**
 * The UI service's floating button: created hidden, displayed and removed through its presenter.
 * Any thread may call. While displayed, the presenter outlives this object until `Remove`.
 */
class FloatingButton : public Object, public virtual FloatingButtonInterface {
public:
    FloatingButton(const UiPlatform& platform, const std::shared_ptr<FloatingButtonListenerInterface>& listener);

    void Display() override;
    void Remove() override;

    const std::shared_ptr<NVBFloatingButtonHandler>& GetHandler() const { return handler_; }

private:
    const std::shared_ptr<NVBFloatingButtonHandler> handler_;
};

}  // namespace NuvraMobile
