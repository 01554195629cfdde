#include "services/ui/RecordingUiBackend.h"

#include <algorithm>
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

bool RecordingUiBackend::IsWebViewSupported() {
    std::lock_guard<std::mutex> lock(mutex_);
    return webViewSupported_;
}

WebViewId RecordingUiBackend::CreateWebView(const WebViewSetup& setup, NavigationPolicy policy) {
    std::lock_guard<std::mutex> lock(mutex_);
    RecordedWebView webView;
    webView.id = ++lastWebView_;
    webView.setup = setup;
    webView.frame = setup.frame;
    webViews_.emplace_back(std::move(webView), std::move(policy));
    return lastWebView_;
}

RecordingUiBackend::RecordedWebView* RecordingUiBackend::FindWebView(WebViewId webView) {
    for (auto& entry : webViews_) {
        if (entry.first.id == webView) {
            return &entry.first;
        }
    }
    return nullptr;
}

void RecordingUiBackend::LoadHtml(WebViewId webView, const std::string& html, const std::string& baseUrl) {
    Log::Debug(LOG_TAG, "Web view %llu loads %zu bytes of HTML", static_cast<unsigned long long>(webView), html.size());
    std::lock_guard<std::mutex> lock(mutex_);
    if (RecordedWebView* recorded = FindWebView(webView)) {
        recorded->html = html;
        recorded->baseUrl = baseUrl;
    }
}

void RecordingUiBackend::AddToKeyWindow(WebViewId webView) {
    Log::Debug(LOG_TAG, "Web view %llu shown in the key window", static_cast<unsigned long long>(webView));
    std::lock_guard<std::mutex> lock(mutex_);
    if (RecordedWebView* recorded = FindWebView(webView)) {
        recorded->inKeyWindow = true;
    }
}

void RecordingUiBackend::AnimateFrame(WebViewId webView, const Frame& frame, double seconds,
                                      std::function<void()> completion) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
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
    std::lock_guard<std::mutex> lock(mutex_);
    webViews_.erase(std::remove_if(webViews_.begin(), webViews_.end(),
                                   [webView](const auto& entry) { return entry.first.id == webView; }),
                    webViews_.end());
}

std::string RecordingUiBackend::GetBundleUrl() {
    return "file:///app/";
}

void RecordingUiBackend::SetWebViewSupported(bool supported) {
    std::lock_guard<std::mutex> lock(mutex_);
    webViewSupported_ = supported;
}

std::vector<RecordingUiBackend::RecordedWebView> RecordingUiBackend::GetWebViews() const {
    std::lock_guard<std::mutex> lock(mutex_);
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
                std::lock_guard<std::mutex> lock(self->mutex_);
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
            std::lock_guard<std::mutex> lock(self->mutex_);
            if (RecordedWebView* recorded = self->FindWebView(target)) {
                (**allowed ? recorded->loadedUrls : recorded->cancelledUrls).push_back(url);
            }
        },
        DRIVER_WAIT);
    return answered ? *allowed : std::nullopt;
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
