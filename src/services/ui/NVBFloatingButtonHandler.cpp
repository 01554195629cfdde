#include "services/ui/NVBFloatingButtonHandler.h"

#include "core/values/SdkError.h"
#include "services/ui/FloatingButtonImage.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "NVBFloatingButtonHandler";
}

NVBFloatingButtonHandler::NVBFloatingButtonHandler(UiPlatform platform,
                                                   std::shared_ptr<FloatingButtonListenerInterface> listener)
    : platform_(std::move(platform)), listener(std::move(listener)) {}

std::shared_ptr<NVBFloatingButtonHandler> NVBFloatingButtonHandler::Self() {
    return std::static_pointer_cast<NVBFloatingButtonHandler>(shared_from_this());
}

ImageViewId NVBFloatingButtonHandler::ButtonView() const {
    MutexLock lock(mutex_);
    return buttonImageView;
}

std::shared_ptr<MainQueueTimer> NVBFloatingButtonHandler::timer() const {
    MutexLock lock(mutex_);
    return timer_;
}

void NVBFloatingButtonHandler::display() {
    platform_.mainQueue->Async([self = Self()] {
        TryCatch(
            [&] {
                self->RemoveOnMainQueue();  // a second display replaces the button, its timer and subscription
                self->initFloatingButton();
                // Subscribed here rather than on the caller's thread, so that a remove queued before
                // this display cannot drop the new subscription.
                std::weak_ptr<NVBFloatingButtonHandler> weakSelf = self;
                self->platform_.backend->AddOrientationObserver(self.get(), [weakSelf] {
                    if (auto handler = weakSelf.lock()) {
                        handler->handleDeviceRotation();
                    }
                });
                self->StartTimer();
            },
            [](SdkError& error) { Log::Debug(LOG_TAG, "Unable to display (%s)", error.ToString()); });
    });
}

void NVBFloatingButtonHandler::StartTimer() {
    // The timer holds the handler while the button is shown; remove stops it.
    std::shared_ptr<MainQueueTimer> started = MainQueueTimer::StartRepeating(
        platform_.mainQueue, FRONT_INTERVAL, [self = Self()] { self->bringFloatingButtonToFront(); });
    MutexLock lock(mutex_);
    timer_ = std::move(started);
}

void NVBFloatingButtonHandler::initFloatingButton() {
    UiBackendInterface& backend = *platform_.backend;
    ImageViewSetup setup;
    setup.frame = getImageFrame();
    setup.imageData = FloatingButtonImageData();
    std::weak_ptr<NVBFloatingButtonHandler> weakSelf = Self();  // recognizers do not keep their target alive
    ViewGestures gestures;
    gestures.onPan = [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->panWasRecognized();
        }
    };
    gestures.onTap = [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->tapDetected();
        }
    };
    gestures.tapsRequired = 1;
    const ImageViewId view = backend.CreateImageView(setup, std::move(gestures));
    {
        MutexLock lock(mutex_);
        buttonImageView = view;
    }
    backend.AddImageViewToKeyWindow(view);
    const Frame window = AppUi::GetKeyWindow(backend).value_or(Frame{});
    Frame middle = setup.frame;
    middle.x = (window.width - BUTTON_SIZE) / 2;
    backend.SetImageViewFrame(view, middle, SLIDE_SECONDS);
}

Frame NVBFloatingButtonHandler::getImageFrame() {
    const Frame window = AppUi::GetKeyWindow(*platform_.backend).value_or(Frame{});
    return Frame{window.width - BUTTON_SIZE - RIGHT_MARGIN, (window.height - BUTTON_SIZE) / 2, BUTTON_SIZE,
                 BUTTON_SIZE};
}

void NVBFloatingButtonHandler::bringFloatingButtonToFront() {
    platform_.mainQueue->Async([self = Self()] {
        const ImageViewId view = self->ButtonView();
        if (view != 0 && AppUi::GetKeyWindow(*self->platform_.backend)) {
            self->platform_.backend->BringImageViewToFront(view);
        }
    });
}

void NVBFloatingButtonHandler::handleDeviceRotation() {
    platform_.mainQueue->Async([self = Self()] {
        const ImageViewId view = self->ButtonView();
        if (view != 0) {
            self->platform_.backend->SetImageViewFrame(view, self->getImageFrame(), 0);
        }
    });
}

void NVBFloatingButtonHandler::panWasRecognized() {
    platform_.mainQueue->Async([self = Self()] {
        UiBackendInterface& backend = *self->platform_.backend;
        const ImageViewId view = self->ButtonView();
        std::optional<Frame> frame = view != 0 ? backend.GetImageViewFrame(view) : std::nullopt;
        if (frame) {
            const Point translation = backend.GetPanTranslation(view);
            frame->x += translation.x;  // moving the centre moves the frame's origin alike
            frame->y += translation.y;
            backend.SetImageViewFrame(view, *frame, 0);
            backend.ResetPanTranslation(view);
        }
        if (self->listener) {
            self->listener->OnPanDetected();
        }
    });
}

void NVBFloatingButtonHandler::tapDetected() {
    platform_.mainQueue->Async([self = Self()] {
        if (self->listener) {
            self->listener->OnTapDetected();
        }
    });
}

void NVBFloatingButtonHandler::remove() {
    platform_.mainQueue->Async([self = Self()] {
        TryCatch([&] { self->RemoveOnMainQueue(); },
                 [](SdkError& error) { Log::Debug(LOG_TAG, "Unable to remove (%s)", error.ToString()); });
    });
}

void NVBFloatingButtonHandler::RemoveOnMainQueue() {
    ImageViewId view = 0;
    std::shared_ptr<MainQueueTimer> stopped;
    {
        MutexLock lock(mutex_);
        std::swap(view, buttonImageView);
        stopped.swap(timer_);
    }
    if (stopped) {
        stopped->Stop();  // its tick held the handler: the caller's reference keeps it alive until return
    }
    if (view == 0) {
        return;
    }
    platform_.backend->RemoveObserver(this);
    platform_.backend->RemoveImageView(view);
}

}  // namespace NuvraMobile
