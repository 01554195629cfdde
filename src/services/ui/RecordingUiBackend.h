#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/Object.h"
#include "services/ui/MainQueueInterface.h"
#include "services/ui/UiBackendInterface.h"

namespace NuvraMobile {

/**
 * The headless default backend: it records what would be on screen (and logs it at debug level), and
 * acts as the user through its driver operations, which run on the main queue and wait for it within
 * a bound. A 375 x 667 key window with a plain, loaded root controller until the host changes them.
 *
 * Backend operations come on the main queue; the setters, readers and driver operations may be
 * called from any thread but the main queue's (a driver operation there would run inline).
 */
class RecordingUiBackend : public Object, public virtual UiBackendInterface {
public:
    struct PresentedAlert {
        Alert alert;
        std::string presenter;
    };

    explicit RecordingUiBackend(std::shared_ptr<MainQueueInterface> mainQueue);

    std::optional<Frame> GetKeyWindowFrame() override;
    std::shared_ptr<ViewController> GetRootViewController() override;
    void PresentAlert(const std::shared_ptr<ViewController>& presenter, Alert alert) override;

    /** None removes the window. */
    void SetKeyWindowFrame(const std::optional<Frame>& frame);
    void SetRootViewController(const std::shared_ptr<ViewController>& root);

    /** The alerts on screen, oldest first. */
    std::vector<PresentedAlert> GetAlertsOnScreen() const;

    /**
     * Presses the button titled `text` (absent for a button without text) of the newest alert on
     * screen that has one: the alert leaves the screen and the button's action runs. False when no
     * alert on screen has that button or the main queue did not answer in time.
     */
    bool PressAlertButton(const std::optional<std::string>& text);

private:
    std::shared_ptr<MainQueueInterface> mainQueue_;
    mutable std::mutex mutex_;
    std::optional<Frame> keyWindowFrame_;
    std::shared_ptr<ViewController> root_;
    std::vector<PresentedAlert> alerts_;
};

}  // namespace NuvraMobile
