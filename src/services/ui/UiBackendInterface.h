#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** A rectangle in points; the key window's frame starts at (0, 0). */
struct Frame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

/** What a view controller is, as far as choosing where to present goes. */
enum class ViewControllerKind { PLAIN, SPLIT, NAVIGATION, TAB_BAR, PAGE };

/**
 * A node of the window's view-controller tree. `children` are the split view's children, the
 * navigation stack (top last), the tabs or the pages; `selected` indexes the selected tab.
 */
struct ViewController {
    ViewControllerKind kind = ViewControllerKind::PLAIN;
    std::string name;
    bool viewLoaded = true;
    std::shared_ptr<ViewController> presented;
    std::vector<std::shared_ptr<ViewController>> children;
    size_t selected = 0;
};

enum class AlertButtonStyle { DEFAULT, CANCEL };

struct AlertButton {
    std::optional<std::string> text;
    AlertButtonStyle style = AlertButtonStyle::DEFAULT;
    /** Runs on the main queue once the alert has left the screen. */
    std::function<void()> onPress;
};

/** An alert as presented: texts are absent rather than empty. */
struct Alert {
    std::optional<std::string> title;
    std::optional<std::string> message;
    std::vector<AlertButton> buttons;
    /** The interface orientations the alert's controller allows, as a mask; 0 is the platform's default. */
    std::uint32_t supportedOrientations = 0;
};

/** Identifies a web view made by a backend; 0 is none. */
using WebViewId = std::uint64_t;

/** Asked for every navigation of a web view; true allows it, false cancels it. */
using NavigationPolicy = std::function<bool(const std::string& url)>;

/** Identifies an image view made by a backend; 0 is none. */
using ImageViewId = std::uint64_t;

struct Point {
    double x = 0;
    double y = 0;
};

/** How an image view is set up: the image is encoded image data (PNG). */
struct ImageViewSetup {
    Frame frame;
    std::string imageData;
    bool scaleAspectFit = true;
    bool opaque = true;
    bool clearBackground = true;
    bool flexibleSize = true;
    bool userInteractionEnabled = true;
};

/**
 * The gesture recognizers attached to an image view. `onPan` runs for every update of a drag (began,
 * each change, ended); `onTap` after `tapsRequired` taps. Both run on the main queue.
 */
struct ViewGestures {
    std::function<void()> onPan;
    std::function<void()> onTap;
    int tapsRequired = 1;
};

/** The application's own run state, as the platform reports it. */
enum class ApplicationRunState { ACTIVE, INACTIVE, BACKGROUND };

/** How a full-screen message's web view is set up. */
struct WebViewSetup {
    Frame frame;
    bool allowsInlineMediaPlayback = true;
    bool mediaRequiresUserAction = false;
    bool bounces = false;
    bool opaque = false;
    bool adjustsContentInsets = false;
    /** Follows its parent's width and height. */
    bool flexibleSize = true;
};

/**
 * Draws what the presenters decide. Every operation is called on the main queue only; the backend
 * calls the presenters back (button presses...) on the main queue too.
 */
class UiBackendInterface : public virtual ObjectInterface {
public:
    /** The key window's frame, or none when the application has no window. */
    virtual std::optional<Frame> GetKeyWindowFrame() = 0;

    /** The key window's root view controller; null when there is none. */
    virtual std::shared_ptr<ViewController> GetRootViewController() = 0;

    /** Presents `alert` over `presenter`, animated. */
    virtual void PresentAlert(const std::shared_ptr<ViewController>& presenter, Alert alert) = 0;

    /** Whether the platform has web views at all; any thread may ask. */
    virtual bool IsWebViewSupported() = 0;

    /** A new web view, not yet in a window; `policy` decides each of its navigations. */
    virtual WebViewId CreateWebView(const WebViewSetup& setup, NavigationPolicy policy) = 0;

    /** Loads `html` with `baseUrl` as its base. */
    virtual void LoadHtml(WebViewId webView, const std::string& html, const std::string& baseUrl) = 0;

    virtual void AddToKeyWindow(WebViewId webView) = 0;

    /** Moves the view to `frame` over `seconds`; `completion` runs on the main queue afterwards. */
    virtual void AnimateFrame(WebViewId webView, const Frame& frame, double seconds,
                              std::function<void()> completion) = 0;

    /** Takes the view off the screen and forgets it. */
    virtual void RemoveWebView(WebViewId webView) = 0;

    virtual ApplicationRunState GetApplicationState() = 0;

    /** The URL of the application's bundle, the base of loaded HTML. */
    virtual std::string GetBundleUrl() = 0;

    /** A new image view with its gesture recognizers, not yet in a window. */
    virtual ImageViewId CreateImageView(const ImageViewSetup& setup, ViewGestures gestures) = 0;

    /** Adds the view to the key window (nowhere without one) and brings it to the front. */
    virtual void AddImageViewToKeyWindow(ImageViewId view) = 0;

    /** Brings the view to the front of the key window; nothing when it is not there. */
    virtual void BringImageViewToFront(ImageViewId view) = 0;

    /** The view's frame; none when the view is gone. */
    virtual std::optional<Frame> GetImageViewFrame(ImageViewId view) = 0;

    /** Moves the view to `frame`, animated over `seconds` (0: at once). */
    virtual void SetImageViewFrame(ImageViewId view, const Frame& frame, double seconds) = 0;

    /** The drag's translation since it began or since the last reset, in the window's space. */
    virtual Point GetPanTranslation(ImageViewId view) = 0;
    virtual void ResetPanTranslation(ImageViewId view) = 0;

    /** Takes the view out of its window and forgets it. */
    virtual void RemoveImageView(ImageViewId view) = 0;

    /**
     * Subscribes `observer` to device-orientation changes; `callback` runs on the main queue for each.
     * Unlike the other operations, any thread may subscribe and unsubscribe.
     */
    virtual void AddOrientationObserver(const void* observer, std::function<void()> callback) = 0;
    /** Drops every subscription of `observer`. */
    virtual void RemoveObserver(const void* observer) = 0;
};

/** The application's windows as the presenters see them. Main queue. */
class AppUi {
public:
    /** The key window's frame, else the first window's; none when the application has no window. */
    static std::optional<Frame> GetKeyWindow(UiBackendInterface& backend) { return backend.GetKeyWindowFrame(); }
};

/** The absent string that an empty text stands for. */
inline std::optional<std::string> AbsentWhenEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace NuvraMobile
