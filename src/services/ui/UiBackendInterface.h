#pragma once

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
};

/** The absent string that an empty text stands for. */
inline std::optional<std::string> AbsentWhenEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace NuvraMobile
