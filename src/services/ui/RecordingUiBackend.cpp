#include "services/ui/RecordingUiBackend.h"

#include <atomic>
#include <chrono>

#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "RecordingUiBackend";
/** How long a driver operation waits for the main queue before it reports failure. */
constexpr std::chrono::seconds DRIVER_WAIT{5};

std::string Describe(const std::optional<std::string>& text) {
    return text ? "\"" + *text + "\"" : "(none)";
}

}  // namespace

RecordingUiBackend::RecordingUiBackend(std::shared_ptr<MainQueueInterface> mainQueue)
    : mainQueue_(std::move(mainQueue)),
      keyWindowFrame_(Frame{0, 0, 375, 667}),
      root_(std::make_shared<ViewController>(ViewController{ViewControllerKind::PLAIN, "root", true, nullptr, {}, 0})) {}

std::optional<Frame> RecordingUiBackend::GetKeyWindowFrame() {
    std::lock_guard<std::mutex> lock(mutex_);
    return keyWindowFrame_;
}

std::shared_ptr<ViewController> RecordingUiBackend::GetRootViewController() {
    std::lock_guard<std::mutex> lock(mutex_);
    return keyWindowFrame_ ? root_ : nullptr;
}

void RecordingUiBackend::PresentAlert(const std::shared_ptr<ViewController>& presenter, Alert alert) {
    if (Log::Precheck(LoggingMode::Debug)) {
        std::string buttons;
        for (const AlertButton& button : alert.buttons) {
            buttons += (buttons.empty() ? "" : ", ") + Describe(button.text) +
                       (button.style == AlertButtonStyle::CANCEL ? " (cancel)" : "");
        }
        Log::Debug(LOG_TAG, "Alert shown: title %s, message %s, buttons [%s]", Describe(alert.title),
                   Describe(alert.message), buttons);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    alerts_.push_back(PresentedAlert{std::move(alert), presenter ? presenter->name : std::string()});
}

void RecordingUiBackend::SetKeyWindowFrame(const std::optional<Frame>& frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    keyWindowFrame_ = frame;
}

void RecordingUiBackend::SetRootViewController(const std::shared_ptr<ViewController>& root) {
    std::lock_guard<std::mutex> lock(mutex_);
    root_ = root;
}

std::vector<RecordingUiBackend::PresentedAlert> RecordingUiBackend::GetAlertsOnScreen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return alerts_;
}

bool RecordingUiBackend::PressAlertButton(const std::optional<std::string>& text) {
    // Shared with the task: it still runs when the wait gives up.
    auto pressed = std::make_shared<std::atomic<bool>>(false);
    bool answered = mainQueue_->RunAndWait(
        [self = std::static_pointer_cast<RecordingUiBackend>(shared_from_this()), text, pressed] {
            std::function<void()> action;
            {
                std::lock_guard<std::mutex> lock(self->mutex_);
                auto& alerts = self->alerts_;
                for (size_t i = alerts.size(); i-- > 0 && !*pressed;) {
                    for (const AlertButton& button : alerts[i].alert.buttons) {
                        if (button.text == text) {
                            action = button.onPress;
                            *pressed = true;
                            alerts.erase(alerts.begin() + static_cast<std::ptrdiff_t>(i));
                            break;
                        }
                    }
                }
            }
            Log::Debug(LOG_TAG, "Alert button %s %s", Describe(text), *pressed ? "pressed" : "not on screen");
            if (action) {
                action();
            }
        },
        DRIVER_WAIT);
    return answered && *pressed;
}

}  // namespace NuvraMobile
