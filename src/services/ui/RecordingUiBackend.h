#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "services/ui/MainQueueInterface.h"
#include "services/ui/UiBackendInterface.h"
#include "util/Mutex.h"

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

    struct RecordedWebView {
        WebViewId id = 0;
        WebViewSetup setup;
        /** Where it is now; animations end at once here. */
        Frame frame;
        std::string html;
        std::string baseUrl;
        bool inKeyWindow = false;
        /** Every animation's duration, in order. */
        std::vector<double> animationSeconds;
        std::vector<std::string> loadedUrls;
        std::vector<std::string> cancelledUrls;
    };

    struct RecordedImageView {
        ImageViewId id = 0;
        ImageViewSetup setup;
        /** Where it is now; animations end at once here. */
        Frame frame;
        bool inKeyWindow = false;
        /** How often it was brought to the front. */
        size_t broughtToFront = 0;
        /** Every frame change's duration, in order (0 for a change without animation). */
        std::vector<double> animationSeconds;
        Point panTranslation;
    };

    explicit RecordingUiBackend(std::shared_ptr<MainQueueInterface> mainQueue);

    std::optional<Frame> GetKeyWindowFrame() override;
    std::shared_ptr<ViewController> GetRootViewController() override;
    void PresentAlert(const std::shared_ptr<ViewController>& presenter, Alert alert) override;
    bool IsWebViewSupported() override;
    WebViewId CreateWebView(const WebViewSetup& setup, NavigationPolicy policy) override;
    void LoadHtml(WebViewId webView, const std::string& html, const std::string& baseUrl) override;
    void AddToKeyWindow(WebViewId webView) override;
    void AnimateFrame(WebViewId webView, const Frame& frame, double seconds, std::function<void()> completion) override;
    void RemoveWebView(WebViewId webView) override;
    std::string GetBundleUrl() override;
    ApplicationRunState GetApplicationState() override;
    ImageViewId CreateImageView(const ImageViewSetup& setup, ViewGestures gestures) override;
    void AddImageViewToKeyWindow(ImageViewId view) override;
    void BringImageViewToFront(ImageViewId view) override;
    std::optional<Frame> GetImageViewFrame(ImageViewId view) override;
    void SetImageViewFrame(ImageViewId view, const Frame& frame, double seconds) override;
    Point GetPanTranslation(ImageViewId view) override;
    void ResetPanTranslation(ImageViewId view) override;
    void RemoveImageView(ImageViewId view) override;
    void AddOrientationObserver(const void* observer, std::function<void()> callback) override;
    void RemoveObserver(const void* observer) override;

    /** None removes the window. */
    void SetKeyWindowFrame(const std::optional<Frame>& frame);
    void SetRootViewController(const std::shared_ptr<ViewController>& root);
    void SetWebViewSupported(bool supported);
    /** Active until set. */
    void SetApplicationState(ApplicationRunState state);

    /** The alerts on screen, oldest first. */
    std::vector<PresentedAlert> GetAlertsOnScreen() const;
    /** The web views made and not yet removed, oldest first. */
    std::vector<RecordedWebView> GetWebViews() const;

    /**
     * Presses the button titled `text` (absent for a button without text) of the newest alert on
     * screen that has one: the alert leaves the screen and the button's action runs. False when no
     * alert on screen has that button or the main queue did not answer in time.
     */
    bool PressAlertButton(const std::optional<std::string>& text);

    /**
     * Follows a link to `url` in the newest web view in the key window: its policy decides, and the
     * URL is recorded as loaded or cancelled. None when no web view is in the window or the main
     * queue did not answer in time; otherwise whether the navigation was allowed.
     */
    std::optional<bool> FollowLink(const std::string& url);

    /** The image views made and not yet removed, oldest first. */
    std::vector<RecordedImageView> GetImageViews() const;
    /** The number of orientation subscriptions. */
    size_t GetOrientationObserverCount() const;

    /**
     * Taps the newest image view in the key window. False when there is none or the main queue did
     * not answer in time.
     */
    bool TapImageView();

    /**
     * One update of a drag of the newest image view in the key window: the finger moved by `delta`
     * since the last update. False when there is none or the main queue did not answer in time.
     */
    bool PanImageView(Point delta);

    /**
     * Turns the device: the key window takes `windowFrame` and every orientation observer is told.
     * False when the main queue did not answer in time.
     */
    bool Rotate(const Frame& windowFrame);

private:
    /** Null when the view is gone. */
    RecordedWebView* FindWebView(WebViewId webView) NVR_REQUIRES(mutex_);
    /** Null when the view is gone. */
    RecordedImageView* FindImageView(ImageViewId view) NVR_REQUIRES(mutex_);
    /** Runs `gesture` of the newest image view in the key window on the main queue; see TapImageView. */
    bool RunGesture(const std::function<std::function<void()>(RecordedImageView&, const ViewGestures&)>& gesture);

    std::shared_ptr<MainQueueInterface> mainQueue_;
    mutable Mutex mutex_;
    std::optional<Frame> keyWindowFrame_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<ViewController> root_ NVR_GUARDED_BY(mutex_);
    std::vector<PresentedAlert> alerts_ NVR_GUARDED_BY(mutex_);
    bool webViewSupported_ NVR_GUARDED_BY(mutex_) = true;
    ApplicationRunState applicationState_ NVR_GUARDED_BY(mutex_) = ApplicationRunState::ACTIVE;
    WebViewId lastWebView_ NVR_GUARDED_BY(mutex_) = 0;
    std::vector<std::pair<RecordedWebView, NavigationPolicy>> webViews_ NVR_GUARDED_BY(mutex_);
    ImageViewId lastImageView_ NVR_GUARDED_BY(mutex_) = 0;
    std::vector<std::pair<RecordedImageView, ViewGestures>> imageViews_ NVR_GUARDED_BY(mutex_);
    std::vector<std::pair<const void*, std::function<void()>>> orientationObservers_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
