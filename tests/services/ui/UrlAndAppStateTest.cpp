#include <gtest/gtest.h>

#include <future>

#include "services/ui/MainQueue.h"
#include "services/ui/NVBSystemNotificationHandler.h"
#include "services/ui/NVBUrlHandler.h"
#include "services/ui/RecordingUiBackend.h"
#include "services/ui/RecordingUrlOpener.h"
#include "services/ui/SpawningUrlOpener.h"
#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

class RefusingUrlOpener : public Object, public virtual UrlOpenerInterface {
public:
    bool Open(const std::string&) override { return false; }
};

/** The URLs the app's handler was offered. Thread-safe. */
class OfferedUrls {
public:
    void Add(const std::string& url) {
        std::lock_guard<std::mutex> lock(mutex_);
        urls_.push_back(url);
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        urls_.clear();
    }
    std::vector<std::string> Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return urls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> urls_;
};

class UiPlatformTest : public ::testing::Test {
protected:
    void Drain() { ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT)); }

    /** Holds the main queue until the returned promise is set. */
    std::shared_ptr<std::promise<void>> BlockMainQueue() {
        auto release = std::make_shared<std::promise<void>>();
        auto blocked = std::make_shared<std::promise<void>>();
        std::shared_future<void> released = release->get_future().share();
        queue_->Async([blocked, released] {
            blocked->set_value();
            released.wait();
        });
        blocked->get_future().wait();
        return release;
    }

    std::shared_ptr<MainQueue> queue_ = MainQueue::StartOwnThread();
    std::shared_ptr<RecordingUiBackend> backend_ = std::make_shared<RecordingUiBackend>(queue_);
    std::shared_ptr<RecordingUrlOpener> opener_ = std::make_shared<RecordingUrlOpener>();
    UiPlatform platform_{queue_, backend_, opener_, nullptr};
};

// The app's handler is process-wide and set once, so one test covers its whole life.
TEST_F(UiPlatformTest, TheAppsHandlerIsAskedFirstAndOnlyTheFirstHandlerCounts) {
    EXPECT_FALSE(NVBUrlHandler::showUrl(platform_, std::nullopt));
    EXPECT_FALSE(NVBUrlHandler::showUrl(platform_, std::string()));
    EXPECT_TRUE(NVBUrlHandler::showUrl(platform_, std::string("https://before.example/")));

    // Outlives the test, as the handler does (a repeated run finds it set already).
    static OfferedUrls* const offered = new OfferedUrls();
    NVBUrlHandler::sharedInstance()->setHandler([](const std::string& url) {
        offered->Add(url);
        return url.rfind("app://", 0) == 0;
    });
    offered->Clear();
    {
        ScopedCapturingLog log;
        NVBUrlHandler::sharedInstance()->setHandler([](const std::string&) { return true; });
        EXPECT_TRUE(log.Service().Contains("UrlHandler can't be resigered repeatedly."));
    }
    EXPECT_TRUE(NVBUrlHandler::showUrl(platform_, std::string("app://handled")));
    EXPECT_TRUE(NVBUrlHandler::showUrl(platform_, std::string("https://example.com/a")));
    Drain();
    EXPECT_EQ(offered->Get(), (std::vector<std::string>{"app://handled", "https://example.com/a"}));
    EXPECT_EQ(opener_->GetOpenedUrls(), (std::vector<std::string>{"https://before.example/", "https://example.com/a"}));

    ScopedCapturingLog log;
    UiPlatform refusing{queue_, backend_, std::make_shared<RefusingUrlOpener>(), nullptr};
    EXPECT_TRUE(NVBUrlHandler::showUrl(refusing, std::string("https://no.example/")));  // queued: still true
    Drain();
    EXPECT_TRUE(log.Service().Contains("Fail to open url (https://no.example/)"));
}

TEST(SpawningUrlOpenerTest, StartsTheProgramWithTheUrlAsOneArgumentAndReportsItsExit) {
    const std::string tricky = "https://x.example/?a=1;b=$(touch /tmp/never)&c=`id` 'q'";
    struct Case {
        std::vector<std::string> command;
        std::string url;
        bool opened;
    };
    const std::vector<Case> cases = {
        {{"true"}, "https://a.example/", true},
        {{"false"}, "https://a.example/", false},
        {{"/nonexistent/opener"}, "https://a.example/", false},
        {{}, "https://a.example/", false},
        // `test LEFT = URL` succeeds only when the URL arrives verbatim as a single argument.
        {{"test", tricky, "="}, tricky, true},
        {{"test", "https://x.example/?a=1;b=", "="}, tricky, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.empty() ? std::string("(no program)") : c.command[0]);
        EXPECT_EQ(SpawningUrlOpener(c.command).Open(c.url), c.opened);
    }
}

class RecordingAppStateListener : public Object, public virtual AppStateListenerInterface {
public:
    explicit RecordingAppStateListener(std::shared_ptr<AppStateHandler> handler) : handler_(std::move(handler)) {}
    void OnForeground() override { calls.push_back(Seen("foreground")); }
    void OnBackground() override { calls.push_back(Seen("background")); }
    std::string Seen(const std::string& call) {
        return call + " " + std::to_string(static_cast<int>(handler_->GetAppState()));
    }
    std::vector<std::string> calls;  // main queue only

private:
    std::shared_ptr<AppStateHandler> handler_;
};

TEST_F(UiPlatformTest, NotificationsStoreTheStateBeforeTellingListeners) {
    auto appState = std::make_shared<AppStateHandler>(platform_);
    auto handler = std::make_shared<NVBSystemNotificationHandler>(appState);
    auto center = std::make_shared<ApplicationNotificationCenter>();
    for (auto name : {ApplicationNotificationName::DID_FINISH_LAUNCHING,
                      ApplicationNotificationName::DID_ENTER_BACKGROUND,
                      ApplicationNotificationName::WILL_ENTER_FOREGROUND}) {
        handler->registerForNotification(center, name);
    }
    auto listener = std::make_shared<RecordingAppStateListener>(appState);
    handler->registerListener(listener);
    handler->registerListener(listener);
    handler->registerListener(nullptr);
    EXPECT_EQ(handler->getNumListeners(), 1u);

    using N = ApplicationNotificationName;
    backend_->SetApplicationState(ApplicationRunState::BACKGROUND);
    ScopedCapturingLog log;
    center->post({N::DID_FINISH_LAUNCHING, true, false});  // location launch: ignored
    center->post({N::DID_FINISH_LAUNCHING, false, true});  // Newsstand launch: ignored
    EXPECT_TRUE(listener->calls.empty());
    EXPECT_TRUE(log.Service().Contains("ignoring launch notification (triggered by location change)"));
    EXPECT_TRUE(log.Service().Contains("ignoring launch notification (triggered by a Newsstand download request)"));

    center->post({N::DID_FINISH_LAUNCHING, false, false});
    EXPECT_TRUE(log.Service().Contains("ignoring launch notification (app is in the background)"));
    center->post({N::WILL_ENTER_FOREGROUND, false, false});
    center->post({N::DID_ENTER_BACKGROUND, false, false});
    backend_->SetApplicationState(ApplicationRunState::INACTIVE);
    center->post({N::DID_FINISH_LAUNCHING, false, false});
    EXPECT_EQ(listener->calls,
              (std::vector<std::string>{"background 1", "foreground 0", "background 1", "foreground 0"}));

    handler->unregisterListener(listener);
    handler->unregisterListener(nullptr);
    EXPECT_EQ(handler->getNumListeners(), 0u);
}

TEST_F(UiPlatformTest, AnUnknownStateIsReadOnTheMainQueueWithinTheBound) {
    backend_->SetApplicationState(ApplicationRunState::BACKGROUND);
    auto onQueue = std::make_shared<AppStateHandler>(platform_, std::chrono::milliseconds(1));
    AppState readThere = AppState::UNKNOWN;
    ASSERT_TRUE(queue_->RunAndWait([&] { readThere = onQueue->GetAppState(); }, SIGNAL_TIMEOUT));
    EXPECT_EQ(readThere, AppState::BACKGROUND);  // on the main queue it never waits for itself

    auto offQueue = std::make_shared<AppStateHandler>(platform_, SIGNAL_TIMEOUT);
    backend_->SetApplicationState(ApplicationRunState::ACTIVE);
    EXPECT_EQ(offQueue->GetAppState(), AppState::FOREGROUND);
}

TEST_F(UiPlatformTest, ABlockedMainQueueGivesUnknownAfterTheBoundAndTheReadLandsLater) {
    auto appState = std::make_shared<AppStateHandler>(platform_, std::chrono::milliseconds(20));
    auto release = BlockMainQueue();
    EXPECT_EQ(appState->GetAppState(), AppState::UNKNOWN);
    release->set_value();
    Drain();
    EXPECT_EQ(appState->GetAppState(), AppState::FOREGROUND);

    // A known state is answered at once, without the main queue.
    auto known = std::make_shared<AppStateHandler>(platform_, SIGNAL_TIMEOUT);
    known->SetAppState(AppState::BACKGROUND);
    release = BlockMainQueue();
    EXPECT_EQ(known->GetAppState(), AppState::BACKGROUND);
    release->set_value();
    Drain();
}

}  // namespace
}  // namespace NuvraMobile
