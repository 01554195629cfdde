#pragma once

#include <memory>
#include <mutex>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/MainQueueTimer.h"
#include "services/ui/UiPlatform.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Draws the floating button: a 60 x 60 image that slides in from the right edge of the key window,
 * can be dragged anywhere, reports taps and drags to its listener, is brought to the front every
 * 0.2 seconds and goes back home (right edge, vertically centred) when the device rotates.
 *
 * `display` and `remove` may be called from any thread and return at once; they take effect on the
 * main queue in call order, where every view change and listener call runs. A second `display`
 * replaces the shown button. While displayed, the bring-to-front timer holds the handler; `remove`
 * stops it and so lets the handler go.
 */
class NVBFloatingButtonHandler : public Object {
public:
    static constexpr double BUTTON_SIZE = 60;
    static constexpr double RIGHT_MARGIN = 15;
    static constexpr double SLIDE_SECONDS = 0.3;
    static constexpr std::chrono::milliseconds FRONT_INTERVAL{200};

    NVBFloatingButtonHandler(UiPlatform platform, std::shared_ptr<FloatingButtonListenerInterface> listener);

    void display();
    void remove();

    /** The home frame: right edge, vertically centred; from (0, 0, 0, 0) without a key window. */
    Frame getImageFrame();

    /** Main queue steps and callbacks. */
    void initFloatingButton();
    void bringFloatingButtonToFront();
    void handleDeviceRotation();
    void panWasRecognized();
    void tapDetected();

    /** The running bring-to-front timer; null while none runs. */
    std::shared_ptr<MainQueueTimer> timer() const;

private:
    std::shared_ptr<NVBFloatingButtonHandler> Self();
    /** Main queue: the view, the rotation subscription and the timer go. */
    void RemoveOnMainQueue();
    void StartTimer();
    ImageViewId ButtonView() const;

    const UiPlatform platform_;
    const std::shared_ptr<FloatingButtonListenerInterface> listener;
    mutable Mutex mutex_;
    ImageViewId buttonImageView NVR_GUARDED_BY(mutex_) = 0;
    std::shared_ptr<MainQueueTimer> timer_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
