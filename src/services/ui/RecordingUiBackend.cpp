#include "services/ui/RecordingUiBackend.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "RecordingUiBackend";
/** How long a driver operation waits for the main queue before it reports failure. */
constexpr std::chrono::seconds DRIVER_WAIT{5};

std::string Describe(const std::optional<std::string>& text) {
    return text ? "\"" + *text + "\"" : "(none)";
}

/** The recorded view with the identifier, among views kept with their callbacks; null when none. */
template <typename View, typename Callbacks, typename Id>
View* FindRecordedView(std::vector<std::pair<View, Callbacks>>& views, Id id) {
    const auto found =
        std::find_if(views.begin(), views.end(), [id](const auto& entry) { return entry.first.id == id; });
    return found == views.end() ? nullptr : &found->first;
}

/** Records a view of `setup`, kept with its callbacks, under the next identifier; returns that identifier. */
template <typename View, typename Callbacks, typename Setup, typename Id>
Id AddRecordedView(std::vector<std::pair<View, Callbacks>>& views, Id& lastId, const Setup& setup,
                   Callbacks callbacks) {
    View view;
    view.id = ++lastId;
    view.setup = setup;
    view.frame = setup.frame;
    views.emplace_back(std::move(view), std::move(callbacks));
    return lastId;
}

}  // namespace

RecordingUiBackend::RecordingUiBackend(std::shared_ptr<MainQueueInterface> mainQueue)
    : mainQueue_(std::move(mainQueue)),
      keyWindowFrame_(Frame{0, 0, 375, 667}),
      root_(std::make_shared<ViewController>(ViewController{ViewControllerKind::PLAIN, "root", true, nullptr, {}, 0})) {}

std::optional<Frame> RecordingUiBackend::GetKeyWindowFrame() {
    MutexLock lock(mutex_);
    return keyWindowFrame_;
}

std::shared_ptr<ViewController> RecordingUiBackend::GetRootViewController() {
    MutexLock lock(mutex_);
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
    MutexLock lock(mutex_);
    alerts_.push_back(PresentedAlert{std::move(alert), presenter ? presenter->name : std::string()});
}

bool RecordingUiBackend::IsWebViewSupported() {
    MutexLock lock(mutex_);
    return webViewSupported_;
}

WebViewId RecordingUiBackend::CreateWebView(const WebViewSetup& setup, NavigationPolicy policy) {
    MutexLock lock(mutex_);
    return AddRecordedView(webViews_, lastWebView_, setup, std::move(policy));
}

RecordingUiBackend::RecordedWebView* RecordingUiBackend::FindWebView(WebViewId webView) {
    return FindRecordedView(webViews_, webView);
}

void RecordingUiBackend::LoadHtml(WebViewId webView, const std::string& html, const std::string& baseUrl) {
    Log::Debug(LOG_TAG, "Web view %llu loads %zu bytes of HTML", static_cast<unsigned long long>(webView), html.size());
    MutexLock lock(mutex_);
    if (RecordedWebView* recorded = FindWebView(webView)) {
        recorded->html = html;
        recorded->baseUrl = baseUrl;
    }
}

void RecordingUiBackend::AddToKeyWindow(WebViewId webView) {
    Log::Debug(LOG_TAG, "Web view %llu shown in the key window", static_cast<unsigned long long>(webView));
    MutexLock lock(mutex_);
    if (RecordedWebView* recorded = FindWebView(webView)) {
        recorded->inKeyWindow = true;
    }
}

void RecordingUiBackend::AnimateFrame(WebViewId webView, const Frame& frame, double seconds,
                                      std::function<void()> completion) {
    {
        MutexLock lock(mutex_);
        if (RecordedWebView* recorded = FindWebView(webView)) {
            recorded->frame = frame;
            recorded->animationSeconds.push_back(seconds);
        }
    }
    if (completion) {
        mainQueue_->Async(std::move(completion));
    }
}

void RecordingUiBackend::RemoveWebView(WebViewId webView) {
    Log::Debug(LOG_TAG, "Web view %llu removed", static_cast<unsigned long long>(webView));
    MutexLock lock(mutex_);
    webViews_.erase(std::remove_if(webViews_.begin(), webViews_.end(),
                                   [webView](const auto& entry) { return entry.first.id == webView; }),
                    webViews_.end());
}

std::string RecordingUiBackend::GetBundleUrl() {
    return "file:///app/";
}

ApplicationRunState RecordingUiBackend::GetApplicationState() {
    MutexLock lock(mutex_);
    return applicationState_;
}

void RecordingUiBackend::SetApplicationState(ApplicationRunState state) {
    MutexLock lock(mutex_);
    applicationState_ = state;
}

void RecordingUiBackend::SetWebViewSupported(bool supported) {
    MutexLock lock(mutex_);
    webViewSupported_ = supported;
}

std::vector<RecordingUiBackend::RecordedWebView> RecordingUiBackend::GetWebViews() const {
    MutexLock lock(mutex_);
    std::vector<RecordedWebView> webViews;
    for (const auto& entry : webViews_) {
        webViews.push_back(entry.first);
    }
    return webViews;
}

std::optional<bool> RecordingUiBackend::FollowLink(const std::string& url) {
    auto allowed = std::make_shared<std::optional<bool>>();  // shared: the task may outlive the wait
    bool answered = mainQueue_->RunAndWait(
        [self = std::static_pointer_cast<RecordingUiBackend>(shared_from_this()), url, allowed] {
            WebViewId target = 0;
            NavigationPolicy policy;
            {
                MutexLock lock(self->mutex_);
                for (auto entry = self->webViews_.rbegin(); entry != self->webViews_.rend(); ++entry) {
                    if (entry->first.inKeyWindow) {
                        target = entry->first.id;
                        policy = entry->second;
                        break;
                    }
                }
            }
            if (target == 0) {
                return;
            }
            *allowed = !policy || policy(url);  // the policy runs unlocked: it may call the backend
            Log::Debug(LOG_TAG, "Link %s %s", url, **allowed ? "loaded" : "cancelled");
            MutexLock lock(self->mutex_);
            if (RecordedWebView* recorded = self->FindWebView(target)) {
                (**allowed ? recorded->loadedUrls : recorded->cancelledUrls).push_back(url);
            }
        },
        DRIVER_WAIT);
    return answered ? *allowed : std::nullopt;
}

void RecordingUiBackend::SetKeyWindowFrame(const std::optional<Frame>& frame) {
    MutexLock lock(mutex_);
    keyWindowFrame_ = frame;
}

void RecordingUiBackend::SetRootViewController(const std::shared_ptr<ViewController>& root) {
    MutexLock lock(mutex_);
    root_ = root;
}

std::vector<RecordingUiBackend::PresentedAlert> RecordingUiBackend::GetAlertsOnScreen() const {
    MutexLock lock(mutex_);
    return alerts_;
}

bool RecordingUiBackend::PressAlertButton(const std::optional<std::string>& text) {
    // Shared with the task: it still runs when the wait gives up.
    auto pressed = std::make_shared<std::atomic<bool>>(false);
    bool answered = mainQueue_->RunAndWait(
        [self = std::static_pointer_cast<RecordingUiBackend>(shared_from_this()), text, pressed] {
            std::function<void()> action;
            {
                MutexLock lock(self->mutex_);
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

ImageViewId RecordingUiBackend::CreateImageView(const ImageViewSetup& setup, ViewGestures gestures) {
    MutexLock lock(mutex_);
    return AddRecordedView(imageViews_, lastImageView_, setup, std::move(gestures));
}

RecordingUiBackend::RecordedImageView* RecordingUiBackend::FindImageView(ImageViewId view) {
    return FindRecordedView(imageViews_, view);
}

void RecordingUiBackend::AddImageViewToKeyWindow(ImageViewId view) {
    MutexLock lock(mutex_);
    RecordedImageView* recorded = FindImageView(view);
    if (!recorded || !keyWindowFrame_) {
        return;
    }
    Log::Debug(LOG_TAG, "Image view %llu shown in the key window at (%g, %g)", static_cast<unsigned long long>(view),
               recorded->frame.x, recorded->frame.y);
    recorded->inKeyWindow = true;
    ++recorded->broughtToFront;
}

void RecordingUiBackend::BringImageViewToFront(ImageViewId view) {
    MutexLock lock(mutex_);
    RecordedImageView* recorded = FindImageView(view);
    if (recorded && recorded->inKeyWindow) {
        ++recorded->broughtToFront;
    }
}

std::optional<Frame> RecordingUiBackend::GetImageViewFrame(ImageViewId view) {
    MutexLock lock(mutex_);
    RecordedImageView* recorded = FindImageView(view);
    return recorded ? std::optional<Frame>(recorded->frame) : std::nullopt;
}

void RecordingUiBackend::SetImageViewFrame(ImageViewId view, const Frame& frame, double seconds) {
    MutexLock lock(mutex_);
    if (RecordedImageView* recorded = FindImageView(view)) {
        recorded->frame = frame;
        recorded->animationSeconds.push_back(seconds);
    }
}

Point RecordingUiBackend::GetPanTranslation(ImageViewId view) {
    MutexLock lock(mutex_);
    RecordedImageView* recorded = FindImageView(view);
    return recorded ? recorded->panTranslation : Point{};
}

void RecordingUiBackend::ResetPanTranslation(ImageViewId view) {
    MutexLock lock(mutex_);
    if (RecordedImageView* recorded = FindImageView(view)) {
        recorded->panTranslation = Point{};
    }
}

void RecordingUiBackend::RemoveImageView(ImageViewId view) {
    Log::Debug(LOG_TAG, "Image view %llu removed", static_cast<unsigned long long>(view));
    MutexLock lock(mutex_);
    imageViews_.erase(std::remove_if(imageViews_.begin(), imageViews_.end(),
                                     [view](const auto& entry) { return entry.first.id == view; }),
                      imageViews_.end());
}

void RecordingUiBackend::AddOrientationObserver(const void* observer, std::function<void()> callback) {
    MutexLock lock(mutex_);
    orientationObservers_.emplace_back(observer, std::move(callback));
}

void RecordingUiBackend::RemoveObserver(const void* observer) {
    MutexLock lock(mutex_);
    orientationObservers_.erase(std::remove_if(orientationObservers_.begin(), orientationObservers_.end(),
                                               [observer](const auto& entry) { return entry.first == observer; }),
                                orientationObservers_.end());
}

std::vector<RecordingUiBackend::RecordedImageView> RecordingUiBackend::GetImageViews() const {
    MutexLock lock(mutex_);
    std::vector<RecordedImageView> views;
    for (const auto& entry : imageViews_) {
        views.push_back(entry.first);
    }
    return views;
}

size_t RecordingUiBackend::GetOrientationObserverCount() const {
    MutexLock lock(mutex_);
    return orientationObservers_.size();
}

bool RecordingUiBackend::RunGesture(
    const std::function<std::function<void()>(RecordedImageView&, const ViewGestures&)>& gesture) {
    auto found = std::make_shared<std::atomic<bool>>(false);  // shared: the task may outlive the wait
    bool answered = mainQueue_->RunAndWait(
        [self = std::static_pointer_cast<RecordingUiBackend>(shared_from_this()), gesture, found] {
            std::function<void()> callback;
            {
                MutexLock lock(self->mutex_);
                for (auto entry = self->imageViews_.rbegin(); entry != self->imageViews_.rend(); ++entry) {
                    if (entry->first.inKeyWindow) {
                        callback = gesture(entry->first, entry->second);
                        *found = true;
                        break;
                    }
                }
            }
            if (callback) {
                callback();  // unlocked: the recognizer's target calls the backend
            }
        },
        DRIVER_WAIT);
    return answered && *found;
}

bool RecordingUiBackend::TapImageView() {
    return RunGesture([](RecordedImageView&, const ViewGestures& gestures) { return gestures.onTap; });
}

bool RecordingUiBackend::PanImageView(Point delta) {
    return RunGesture([delta](RecordedImageView& view, const ViewGestures& gestures) {
        view.panTranslation.x += delta.x;
        view.panTranslation.y += delta.y;
        return gestures.onPan;
    });
}

bool RecordingUiBackend::Rotate(const Frame& windowFrame) {
    return mainQueue_->RunAndWait(
        [self = std::static_pointer_cast<RecordingUiBackend>(shared_from_this()), windowFrame] {
            std::vector<std::function<void()>> callbacks;
            {
                MutexLock lock(self->mutex_);
                self->keyWindowFrame_ = windowFrame;
                for (const auto& entry : self->orientationObservers_) {
                    callbacks.push_back(entry.second);
                }
            }
            Log::Debug(LOG_TAG, "Device rotated, key window now %g x %g", windowFrame.width, windowFrame.height);
            for (const auto& callback : callbacks) {
                callback();
            }
        },
        DRIVER_WAIT);
}

}  // namespace NuvraMobile
