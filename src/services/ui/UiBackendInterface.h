#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ObjectInterface.h"

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
};

/** Identifies a web view made by a backend; 0 is none. */
using WebViewId = std::uint64_t;

/** Asked for every navigation of a web view; true allows it, false cancels it. */
using NavigationPolicy = std::function<bool(const std::string& url)>;

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

    /** The URL of the application's bundle, the base of loaded HTML. */
    virtual std::string GetBundleUrl() = 0;
};

/** The absent string that an empty text stands for. */
inline std::optional<std::string> AbsentWhenEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace NuvraMobile
