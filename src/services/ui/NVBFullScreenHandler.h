#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/NVBMessagesMonitor.h"
#include "services/ui/UiPlatform.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Shows one full-screen HTML message in a web view that slides up over the key window, and slides
 * it out when the message is dismissed. One message on screen at a time, through the monitor.
 *
 * `show` and `openUrl` run on the caller's thread (the listener's OnShow too); building, navigation
 * decisions, dismissal and the other listener calls run on the main queue. The handler holds its
 * message until dismissal, so the message and its handler keep each other alive until then.
 */
class NVBFullScreenHandler : public Object {
public:
    NVBFullScreenHandler(UiPlatform platform, std::string payload,
                         std::shared_ptr<FullScreenMessageUiInterface> message,
                         std::shared_ptr<FullscreenListenerInterface> listener,
                         std::shared_ptr<NVBMessagesMonitor> messagesMonitor);

    void show();
    /** Queues the dismissal. Only the message that holds the one-message flag clears it. */
    void dismiss();
    void messageCancelled();
    /** Asks the system to open a non-empty `url`; the message stays on screen. */
    void openUrl(const std::string& url);

    /** Main queue: true allows the navigation to `url`, false cancels it (the listener took it). */
    bool decidePolicyForNavigation(const std::string& url);

    /** The key window's frame at (0, 0); all zero without a window. */
    Frame calcFullScreenFrame();
    void dismissWithAnimation(bool animated);
    void handleDeviceRotation();
    bool isWKWebViewSupported();

private:
    static constexpr double SLIDE_SECONDS = 0.3;

    /** Main queue: puts the web view in the window; false when nothing could be shown. */
    bool BuildWebView();
    void DismissOnMainQueue();
    std::shared_ptr<NVBFullScreenHandler> Self();

    const UiPlatform platform_;
    const std::string payload;
    std::shared_ptr<FullScreenMessageUiInterface> fullscreenMessage NVR_GUARDED_BY(mutex_);
    const std::shared_ptr<FullscreenListenerInterface> listener;
    const std::shared_ptr<NVBMessagesMonitor> messages_monitor;
    Mutex mutex_;
    /** True from an accepted show until the dismissal gives the flag back. */
    std::atomic<bool> holdsScreen_{false};
    /** Main queue only. */
    WebViewId webView = 0;
};

}  // namespace NuvraMobile
