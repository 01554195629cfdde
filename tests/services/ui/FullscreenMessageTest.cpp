#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "services/ui/FullscreenMessage.h"
#include "services/ui/MainQueue.h"
#include "services/ui/RecordingUiBackend.h"
#include "services/ui/RecordingUrlOpener.h"
#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

/** Records its calls; takes over the URLs that start with "app:". */
class RecordingFullscreenListener : public Object, public virtual FullscreenListenerInterface {
public:
    RecordingFullscreenListener(std::shared_ptr<NVBMessagesMonitor> monitor, std::shared_ptr<RecordingUiBackend> backend)
        : monitor_(std::move(monitor)), backend_(std::move(backend)) {}

    void OnShow(const std::shared_ptr<FullScreenMessageUiInterface>& message) override {
        Record("show", message);
    }
    void OnDismiss(const std::shared_ptr<FullScreenMessageUiInterface>& message) override {
        auto webViews = backend_->GetWebViews();
        bool onScreen = webViews.size() == 1 && webViews[0].frame.y == 0;
        Record(std::string("dismiss") + (monitor_->isDisplayed() ? " (still displayed)" : "") +
                   (onScreen ? " (before slide-out)" : ""),
               message);
    }
    bool OverrideUrlLoad(const std::shared_ptr<FullScreenMessageUiInterface>& message, const std::string& url) override {
        Record("override " + url, message);
        return url.rfind("app:", 0) == 0;
    }

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    /** Addresses only: holding the messages would keep them and this listener alive for good. */
    std::vector<const FullScreenMessageUiInterface*> Messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

private:
    void Record(const std::string& call, const std::shared_ptr<FullScreenMessageUiInterface>& message) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        messages_.push_back(message.get());
    }

    std::shared_ptr<NVBMessagesMonitor> monitor_;
    std::shared_ptr<RecordingUiBackend> backend_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<const FullScreenMessageUiInterface*> messages_;
};

/** A backend whose web views cannot be made, as a broken platform call would. */
class ThrowingWebViewBackend : public RecordingUiBackend {
public:
    using RecordingUiBackend::RecordingUiBackend;
    WebViewId CreateWebView(const WebViewSetup&, NavigationPolicy) override { throw std::runtime_error("no web view"); }
};

class FullscreenMessageTest : public ::testing::Test {
protected:
    void TearDown() override { monitor_->dismissed(); }  // the flag is process-wide

    std::shared_ptr<FullscreenMessage> Create(const std::shared_ptr<FullscreenListenerInterface>& listener,
                                              const std::shared_ptr<RecordingUiBackend>& backend = nullptr) {
        return FullscreenMessage::CreateFullscreenMessage(UiPlatform{queue_, backend ? backend : backend_, opener_, nullptr},
                                                          "<p>hi</p>", listener, monitor_);
    }
    std::shared_ptr<RecordingFullscreenListener> Listener() {
        return std::make_shared<RecordingFullscreenListener>(monitor_, backend_);
    }
    void Drain() { ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT)); }

    std::shared_ptr<MainQueue> queue_ = MainQueue::StartOwnThread();
    std::shared_ptr<RecordingUiBackend> backend_ = std::make_shared<RecordingUiBackend>(queue_);
    std::shared_ptr<RecordingUrlOpener> opener_ = std::make_shared<RecordingUrlOpener>();
    std::shared_ptr<NVBMessagesMonitor> monitor_ = std::make_shared<NVBMessagesMonitor>();
};

TEST_F(FullscreenMessageTest, ShowSlidesTheMessageUpOverTheWholeWindowAndRemoveTellsTheListenerBeforeTheSlideOut) {
    auto listener = Listener();
    auto message = Create(listener);
    message->Show();
    Drain();

    auto webViews = backend_->GetWebViews();
    ASSERT_EQ(webViews.size(), 1u);
    EXPECT_EQ(webViews[0].setup.frame.y, 667);
    EXPECT_EQ(webViews[0].frame.y, 0);
    EXPECT_EQ(webViews[0].frame.width, 375);
    EXPECT_EQ(webViews[0].frame.height, 667);
    EXPECT_EQ(webViews[0].html, "<p>hi</p>");
    EXPECT_TRUE(webViews[0].inKeyWindow);
    EXPECT_TRUE(monitor_->isDisplayed());

    message->Remove();
    EXPECT_TRUE(WaitUntil([&] { return backend_->GetWebViews().empty(); }));  // after the slide-out
    EXPECT_EQ(listener->Calls(), (std::vector<std::string>{"show", "dismiss (before slide-out)"}));
    for (const auto& received : listener->Messages()) {
        EXPECT_EQ(received, message.get());
    }
    EXPECT_FALSE(monitor_->isDisplayed());
}

TEST_F(FullscreenMessageTest, NavigationsAreAllowedWithoutAListenerAndCancelledWhenItsOverrideTakesThem) {
    auto withoutListener = Create(nullptr);
    withoutListener->Show();
    Drain();
    EXPECT_EQ(backend_->FollowLink("app:close"), std::optional<bool>(true));
    withoutListener->Remove();
    ASSERT_TRUE(WaitUntil([&] { return backend_->GetWebViews().empty(); }));

    auto listener = Listener();
    auto message = Create(listener);
    message->Show();
    Drain();
    EXPECT_EQ(backend_->FollowLink("app:close"), std::optional<bool>(false));
    EXPECT_EQ(backend_->FollowLink("https://example.com/"), std::optional<bool>(true));
    auto webViews = backend_->GetWebViews();
    ASSERT_EQ(webViews.size(), 1u);
    EXPECT_EQ(webViews[0].loadedUrls, std::vector<std::string>{"https://example.com/"});
    EXPECT_EQ(webViews[0].cancelledUrls, std::vector<std::string>{"app:close"});
    message->Remove();
    Drain();
}

TEST_F(FullscreenMessageTest, ConcurrentShowsLetExactlyOneMessageInAndARefusedMessageNeverFreesTheScreen) {
    ScopedCapturingLog log(LoggingMode::Debug);
    std::vector<std::shared_ptr<RecordingFullscreenListener>> listeners;
    std::vector<std::shared_ptr<FullscreenMessage>> messages;
    for (int i = 0; i < 8; ++i) {
        listeners.push_back(Listener());
        messages.push_back(Create(listeners.back()));
    }
    std::vector<std::thread> threads;
    for (auto& message : messages) {
        threads.emplace_back([message] { message->Show(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    Drain();
    size_t shown = 0;
    std::shared_ptr<FullscreenMessage> refused;
    for (size_t i = 0; i < messages.size(); ++i) {
        if (listeners[i]->Calls().empty()) {
            refused = messages[i];
        } else {
            ++shown;
        }
    }
    EXPECT_EQ(shown, 1u);
    EXPECT_TRUE(log.Service().Contains(
        "Full screen message couldn't be displayed, another message is displayed at this time"));

    ASSERT_TRUE(refused);
    refused->Remove();
    Drain();
    EXPECT_TRUE(monitor_->isDisplayed());
    for (auto& message : messages) {
        message->Remove();  // a message and its presenter hold each other until dismissed
    }
    Drain();
    Drain();
}

TEST_F(FullscreenMessageTest, AShowThatPutsNothingOnScreenLeavesTheFlagClear) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto noWebView = std::make_shared<RecordingUiBackend>(queue_);
    noWebView->SetWebViewSupported(false);
    auto noWindow = std::make_shared<RecordingUiBackend>(queue_);
    noWindow->SetKeyWindowFrame(std::nullopt);
    auto zeroSize = std::make_shared<RecordingUiBackend>(queue_);
    zeroSize->SetKeyWindowFrame(Frame{0, 0, 375, 0});
    auto throwing = std::make_shared<ThrowingWebViewBackend>(queue_);

    for (const auto& backend : std::vector<std::shared_ptr<RecordingUiBackend>>{noWebView, noWindow, zeroSize, throwing}) {
        auto message = Create(nullptr, backend);
        message->Show();
        Drain();
        EXPECT_FALSE(monitor_->isDisplayed());
        EXPECT_TRUE(backend->GetWebViews().empty());
        message->Remove();
        Drain();
    }
    EXPECT_TRUE(log.Service().Contains("Unable to use WKWebView in current OS platform"));
    EXPECT_TRUE(log.Service().Contains("Unable to show WKWebView (") && log.Service().Contains("no web view"));
}

TEST_F(FullscreenMessageTest, OpenUrlHandsNonEmptyUrlsToTheSystemAndKeepsTheMessage) {
    auto message = Create(nullptr);
    message->OpenUrl("");
    message->OpenUrl("https://example.com/offer");
    EXPECT_EQ(opener_->GetOpenedUrls(), std::vector<std::string>{"https://example.com/offer"});
    message->Remove();
    Drain();
}

}  // namespace
}  // namespace NuvraMobile
