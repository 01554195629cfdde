#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/NVBMessagesMonitor.h"
#include "services/ui/UiPlatform.h"

namespace NuvraMobile {

/** The alert's controller: the platform's, but allowing every interface orientation. */
struct NVBAlertViewController {
    /** Portrait, portrait upside down, landscape left and landscape right. */
    static constexpr std::uint32_t ALL_ORIENTATIONS = 30;
};

/**
 * Shows a two-button alert, one message on screen at a time. Each alert is one handler that keeps its
 * own listener and monitor, so a refused alert never takes over the listener of the one on screen.
 *
 * `showWithTitle` may be called from any thread and returns at once; presenting, the listener's
 * calls and button presses run on the main queue. The handler lives while its alert is queued or on
 * screen (the backend's buttons hold it).
 */
class NVBAlertHandler : public Object {
public:
    NVBAlertHandler(std::shared_ptr<AlertListenerInterface> listener, std::shared_ptr<NVBMessagesMonitor> monitor);

    /**
     * Queues the alert. An alert without any button text is refused at once (it could never be
     * closed and would hold the screen for good).
     */
    static void showWithTitle(const UiPlatform& platform, const std::optional<std::string>& title,
                              const std::optional<std::string>& message,
                              const std::optional<std::string>& positiveButtonText,
                              const std::optional<std::string>& negativeButtonText,
                              const std::shared_ptr<AlertListenerInterface>& listener,
                              const std::shared_ptr<NVBMessagesMonitor>& messagesMonitor);

    /** The controller to present on: the topmost shown one below `controller`; null for null. */
    static std::shared_ptr<ViewController> findBestViewController(const std::shared_ptr<ViewController>& controller);

    void onShow();
    /** Clears the one-message flag, then tells the listener: it sees the screen free. */
    void onDismiss();
    /** Index 1 is the positive button, 0 the negative one; any other index does nothing. */
    void alertViewClickedButtonAtIndex(int index);

private:
    /** Main queue: the one-message test, then presenting; the flag is cleared when nothing shows. */
    void Present(UiBackendInterface& backend, Alert alert);
    bool TryPresent(UiBackendInterface& backend, Alert alert);

    std::shared_ptr<AlertListenerInterface> alert_listener_;
    std::shared_ptr<NVBMessagesMonitor> message_monitor;
};

}  // namespace NuvraMobile
