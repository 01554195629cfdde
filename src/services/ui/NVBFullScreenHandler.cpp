#include "services/ui/NVBFullScreenHandler.h"

#include "core/values/SdkError.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "NVBFullScreenHandler";
}

NVBFullScreenHandler::NVBFullScreenHandler(UiPlatform platform, std::string payload,
                                           std::shared_ptr<FullScreenMessageUiInterface> message,
                                           std::shared_ptr<FullscreenListenerInterface> listener,
                                           std::shared_ptr<NVBMessagesMonitor> messagesMonitor)
    : platform_(std::move(platform)),
      payload(std::move(payload)),
      fullscreenMessage(std::move(message)),
      listener(std::move(listener)),
      messages_monitor(std::move(messagesMonitor)) {}

std::shared_ptr<NVBFullScreenHandler> NVBFullScreenHandler::Self() {
    return std::static_pointer_cast<NVBFullScreenHandler>(shared_from_this());
}

void NVBFullScreenHandler::show() {
    if (!messages_monitor->tryDisplayed()) {
        Log::Debug(LOG_TAG, "Full screen message couldn't be displayed, another message is displayed at this time");
        return;
    }
    holdsScreen_ = true;
    if (!isWKWebViewSupported()) {
        Log::Error(LOG_TAG, "Unable to use WKWebView in current OS platform");
        if (holdsScreen_.exchange(false)) {
            messages_monitor->dismissed();
        }
        return;
    }
    platform_.mainQueue->Async([self = Self()] {
        bool shown = false;
        TryCatch([&] { shown = self->BuildWebView(); },
                 [](SdkError& error) { Log::Debug(LOG_TAG, "Unable to show WKWebView (%s)", error.ToString()); });
        if (!shown && self->holdsScreen_.exchange(false)) {
            self->messages_monitor->dismissed();  // nothing on screen must not hold the screen
        }
    });
    std::shared_ptr<FullScreenMessageUiInterface> message;
    {
        MutexLock lock(mutex_);
        message = fullscreenMessage;
    }
    if (listener) {
        listener->OnShow(message);
    }
}

bool NVBFullScreenHandler::BuildWebView() {
    Frame frame = calcFullScreenFrame();
    frame.y = frame.height;  // starts just below the window's bottom edge
    if (frame.width <= 0 || frame.height <= 0) {
        return false;
    }
    UiBackendInterface& backend = *platform_.backend;
    WebViewSetup setup;
    setup.frame = frame;
    std::weak_ptr<NVBFullScreenHandler> weakSelf = Self();  // the backend must not keep the handler alive
    webView = backend.CreateWebView(setup, [weakSelf](const std::string& url) {
        auto self = weakSelf.lock();
        return !self || self->decidePolicyForNavigation(url);
    });
    backend.LoadHtml(webView, payload, backend.GetBundleUrl());
    backend.AddToKeyWindow(webView);
    Frame onScreen = frame;
    onScreen.y = 0;
    backend.AnimateFrame(webView, onScreen, SLIDE_SECONDS, nullptr);
    return true;
}

bool NVBFullScreenHandler::decidePolicyForNavigation(const std::string& url) {
    if (!listener) {
        return true;
    }
    std::shared_ptr<FullScreenMessageUiInterface> message;
    {
        MutexLock lock(mutex_);
        message = fullscreenMessage;
    }
    return !listener->OverrideUrlLoad(message, url);
}

void NVBFullScreenHandler::dismiss() {
    platform_.mainQueue->Async([self = Self()] {
        TryCatch([&] { self->DismissOnMainQueue(); },
                 [](SdkError& error) { Log::Debug(LOG_TAG, "Unable to dismiss (%s)", error.ToString()); });
    });
}

void NVBFullScreenHandler::messageCancelled() {
    dismiss();
}

void NVBFullScreenHandler::DismissOnMainQueue() {
    // A message that was refused must not free the screen of the message that holds it.
    if (holdsScreen_.exchange(false)) {
        messages_monitor->dismissed();
    }
    dismissWithAnimation(true);
    std::shared_ptr<FullScreenMessageUiInterface> message;
    {
        MutexLock lock(mutex_);
        message = std::move(fullscreenMessage);  // ends the mutual ownership of message and handler
        fullscreenMessage = nullptr;
    }
    if (listener) {
        listener->OnDismiss(message);
    }
}

void NVBFullScreenHandler::dismissWithAnimation(bool animated) {
    platform_.mainQueue->Async([self = Self(), animated] {
        if (self->webView == 0) {
            return;
        }
        Frame offScreen = self->calcFullScreenFrame();
        offScreen.y = offScreen.height;
        self->platform_.backend->AnimateFrame(self->webView, offScreen, animated ? SLIDE_SECONDS : 0, [self] {
            self->platform_.backend->RemoveWebView(self->webView);
            self->webView = 0;
        });
    });
}

void NVBFullScreenHandler::handleDeviceRotation() {
    platform_.mainQueue->Async([self = Self()] {
        if (self->webView != 0) {
            self->platform_.backend->AnimateFrame(self->webView, self->calcFullScreenFrame(), 0, nullptr);
        }
    });
}

Frame NVBFullScreenHandler::calcFullScreenFrame() {
    std::optional<Frame> window = AppUi::GetKeyWindow(*platform_.backend);
    return window ? Frame{0, 0, window->width, window->height} : Frame{};
}

bool NVBFullScreenHandler::isWKWebViewSupported() {
    return platform_.backend->IsWebViewSupported();
}

void NVBFullScreenHandler::openUrl(const std::string& url) {
    if (!url.empty() && !platform_.urlOpener->Open(url)) {
        Log::Warning(LOG_TAG, "Fail to open url (%s)", url);
    }
}

}  // namespace NuvraMobile
