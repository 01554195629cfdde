#include "services/ui/NVBAlertHandler.h"

#include "core/values/SdkError.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {
constexpr int POSITIVE_BUTTON = 1;
constexpr int NEGATIVE_BUTTON = 0;
}  // namespace

NVBAlertHandler::NVBAlertHandler(std::shared_ptr<AlertListenerInterface> listener,
                                 std::shared_ptr<NVBMessagesMonitor> monitor)
    : alert_listener_(std::move(listener)), message_monitor(std::move(monitor)) {}

void NVBAlertHandler::showWithTitle(const UiPlatform& platform, const std::optional<std::string>& title,
                                    const std::optional<std::string>& message,
                                    const std::optional<std::string>& positiveButtonText,
                                    const std::optional<std::string>& negativeButtonText,
                                    const std::shared_ptr<AlertListenerInterface>& listener,
                                    const std::shared_ptr<NVBMessagesMonitor>& messagesMonitor) {
    if (!positiveButtonText && !negativeButtonText) {
        Log::Error("NVBAlertHandler", "Unable to show alert without any button text");
        return;
    }
    auto handler = std::make_shared<NVBAlertHandler>(listener, messagesMonitor);
    Alert alert{title, message, {}, NVBAlertViewController::ALL_ORIENTATIONS};
    if (positiveButtonText) {
        alert.buttons.push_back(AlertButton{positiveButtonText, AlertButtonStyle::DEFAULT,
                                            [handler] { handler->alertViewClickedButtonAtIndex(POSITIVE_BUTTON); }});
    }
    if (negativeButtonText) {
        alert.buttons.push_back(AlertButton{negativeButtonText, AlertButtonStyle::CANCEL,
                                            [handler] { handler->alertViewClickedButtonAtIndex(NEGATIVE_BUTTON); }});
    }
    platform.mainQueue->Async([handler, backend = platform.backend, alert = std::move(alert)]() mutable {
        handler->Present(*backend, std::move(alert));
    });
}

void NVBAlertHandler::Present(UiBackendInterface& backend, Alert alert) {
    if (!message_monitor->tryDisplayed()) {
        Log::Debug("AlertMessage", "Failed to show alert, another message is displayed at this time");
        return;
    }
    bool shown = false;
    TryCatch([&] { shown = TryPresent(backend, std::move(alert)); },
             [](SdkError&) { Log::Error("NVBAlertHandler", "Unable to show alert"); });
    if (!shown) {
        message_monitor->dismissed();  // nothing on screen must not hold the screen
        return;
    }
    onShow();
}

bool NVBAlertHandler::TryPresent(UiBackendInterface& backend, Alert alert) {
    std::shared_ptr<ViewController> presenter = findBestViewController(backend.GetRootViewController());
    if (!presenter || !presenter->viewLoaded) {
        return false;
    }
    backend.PresentAlert(presenter, std::move(alert));
    return true;
}

std::shared_ptr<ViewController> NVBAlertHandler::findBestViewController(
    const std::shared_ptr<ViewController>& controller) {
    if (!controller) {
        return nullptr;
    }
    if (controller->presented) {
        return findBestViewController(controller->presented);
    }
    const auto& children = controller->children;
    if (children.empty()) {
        return controller;
    }
    switch (controller->kind) {
        case ViewControllerKind::SPLIT:
        case ViewControllerKind::NAVIGATION:
            return findBestViewController(children.back());
        case ViewControllerKind::TAB_BAR:
            return controller->selected < children.size() ? findBestViewController(children[controller->selected])
                                                           : controller;
        case ViewControllerKind::PAGE:
            return findBestViewController(children.front());
        case ViewControllerKind::PLAIN:
            break;
    }
    return controller;
}

void NVBAlertHandler::onShow() {
    if (alert_listener_) {
        alert_listener_->OnShow();
    }
}

void NVBAlertHandler::onDismiss() {
    message_monitor->dismissed();
    if (alert_listener_) {
        alert_listener_->OnDismiss();
    }
}

void NVBAlertHandler::alertViewClickedButtonAtIndex(int index) {
    if (index != POSITIVE_BUTTON && index != NEGATIVE_BUTTON) {
        return;
    }
    // The flag is cleared even when the listener throws, or no later message could ever show.
    TryFinally(
        [&] {
            if (!alert_listener_) {
                return;
            }
            if (index == POSITIVE_BUTTON) {
                alert_listener_->OnPositiveResponse();
            } else {
                alert_listener_->OnNegativeResponse();
            }
        },
        [this] { onDismiss(); });
}

}  // namespace NuvraMobile
