#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "services/ui/MainQueue.h"
#include "services/ui/NVBAlertHandler.h"
#include "services/ui/RecordingUiBackend.h"
#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

/** Records the calls it gets, and whether a message held the screen during OnDismiss. */
class RecordingAlertListener : public Object, public virtual AlertListenerInterface {
public:
    explicit RecordingAlertListener(std::shared_ptr<NVBMessagesMonitor> monitor) : monitor_(std::move(monitor)) {}

    void OnPositiveResponse() override {
        Record("positive");
        if (throwOnResponse) {
            throw std::runtime_error("listener failed");
        }
    }
    void OnNegativeResponse() override { Record("negative"); }
    void OnShow() override { Record("show"); }
    void OnDismiss() override { Record(monitor_->isDisplayed() ? "dismiss (still displayed)" : "dismiss"); }

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

    bool throwOnResponse = false;

private:
    void Record(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
    }

    std::shared_ptr<NVBMessagesMonitor> monitor_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

/** A backend whose presenting fails, as a broken platform call would. */
class ThrowingUiBackend : public RecordingUiBackend {
public:
    using RecordingUiBackend::RecordingUiBackend;
    void PresentAlert(const std::shared_ptr<ViewController>&, Alert) override {
        throw std::runtime_error("cannot present");
    }
};

class AlertTest : public ::testing::Test {
protected:
    void TearDown() override { monitor_->dismissed(); }  // the flag is process-wide

    std::shared_ptr<RecordingAlertListener> Show(const std::string& positive, const std::string& negative,
                                                 const std::shared_ptr<RecordingUiBackend>& backend = nullptr) {
        auto listener = std::make_shared<RecordingAlertListener>(monitor_);
        NVBAlertHandler::showWithTitle(UiPlatform{queue_, backend ? backend : backend_, nullptr, nullptr}, AbsentWhenEmpty("Title"),
                                       AbsentWhenEmpty(""), AbsentWhenEmpty(positive), AbsentWhenEmpty(negative),
                                       listener, monitor_);
        Drain();
        return listener;
    }

    void Drain() { ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT)); }

    std::shared_ptr<MainQueue> queue_ = MainQueue::StartOwnThread();
    std::shared_ptr<RecordingUiBackend> backend_ = std::make_shared<RecordingUiBackend>(queue_);
    std::shared_ptr<NVBMessagesMonitor> monitor_ = std::make_shared<NVBMessagesMonitor>();
};

struct ButtonCase {
    std::string positive;
    std::string negative;
    std::vector<std::pair<std::string, AlertButtonStyle>> buttons;
    std::string pressed;
    std::vector<std::string> calls;
};

TEST_F(AlertTest, ButtonsKeepTheirOrderAndStyleAndEachPressClearsTheFlagBeforeOnDismiss) {
    const std::vector<ButtonCase> cases = {
        {"OK", "Cancel", {{"OK", AlertButtonStyle::DEFAULT}, {"Cancel", AlertButtonStyle::CANCEL}}, "OK",
         {"show", "positive", "dismiss"}},
        {"OK", "Cancel", {{"OK", AlertButtonStyle::DEFAULT}, {"Cancel", AlertButtonStyle::CANCEL}}, "Cancel",
         {"show", "negative", "dismiss"}},
        {"OK", "", {{"OK", AlertButtonStyle::DEFAULT}}, "OK", {"show", "positive", "dismiss"}},
        {"", "Cancel", {{"Cancel", AlertButtonStyle::CANCEL}}, "Cancel", {"show", "negative", "dismiss"}},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.positive + "/" + c.negative + " pressing " + c.pressed);
        auto listener = Show(c.positive, c.negative);
        EXPECT_TRUE(monitor_->isDisplayed());

        auto onScreen = backend_->GetAlertsOnScreen();
        ASSERT_EQ(onScreen.size(), 1u);
        EXPECT_EQ(onScreen[0].alert.title, std::optional<std::string>("Title"));
        EXPECT_EQ(onScreen[0].alert.message, std::nullopt);  // empty text arrives as absent
        EXPECT_EQ(onScreen[0].alert.supportedOrientations, 30u);
        std::vector<std::pair<std::string, AlertButtonStyle>> buttons;
        for (const AlertButton& button : onScreen[0].alert.buttons) {
            buttons.emplace_back(button.text.value_or("(none)"), button.style);
        }
        EXPECT_EQ(buttons, c.buttons);

        ASSERT_TRUE(backend_->PressAlertButton(c.pressed));
        EXPECT_EQ(listener->Calls(), c.calls);
        EXPECT_FALSE(monitor_->isDisplayed());
        EXPECT_TRUE(backend_->GetAlertsOnScreen().empty());
    }
}

TEST_F(AlertTest, ASecondAlertIsRefusedAndNeverTakesOverTheListenerOfTheAlertOnScreen) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto first = Show("First", "");
    auto second = Show("Second", "");

    EXPECT_TRUE(log.Service().Contains("Failed to show alert, another message is displayed at this time"));
    ASSERT_EQ(backend_->GetAlertsOnScreen().size(), 1u);
    EXPECT_FALSE(backend_->PressAlertButton(std::string("Second")));

    ASSERT_TRUE(backend_->PressAlertButton(std::string("First")));
    EXPECT_EQ(first->Calls(), (std::vector<std::string>{"show", "positive", "dismiss"}));
    EXPECT_TRUE(second->Calls().empty());
}

TEST_F(AlertTest, AShowThatPutsNothingOnScreenLeavesTheFlagClearForTheNextMessage) {
    ScopedCapturingLog log;
    auto noWindow = std::make_shared<RecordingUiBackend>(queue_);
    noWindow->SetKeyWindowFrame(std::nullopt);
    auto viewNotLoaded = std::make_shared<RecordingUiBackend>(queue_);
    viewNotLoaded->SetRootViewController(
        std::make_shared<ViewController>(ViewController{ViewControllerKind::PLAIN, "unloaded", false, nullptr, {}, 0}));
    auto throwing = std::make_shared<ThrowingUiBackend>(queue_);

    for (const auto& backend : std::vector<std::shared_ptr<RecordingUiBackend>>{noWindow, viewNotLoaded, throwing}) {
        auto listener = Show("OK", "", backend);
        EXPECT_TRUE(listener->Calls().empty());
        EXPECT_FALSE(monitor_->isDisplayed());
        EXPECT_TRUE(backend->GetAlertsOnScreen().empty());
    }
    EXPECT_TRUE(log.Service().Contains("Unable to show alert"));

    Show("OK", "");
    EXPECT_EQ(backend_->GetAlertsOnScreen().size(), 1u);
}

TEST_F(AlertTest, AnAlertWithoutAnyButtonTextIsRefusedSinceNothingCouldEverCloseIt) {
    ScopedCapturingLog log;
    auto listener = Show("", "");
    EXPECT_TRUE(listener->Calls().empty());
    EXPECT_TRUE(backend_->GetAlertsOnScreen().empty());
    EXPECT_FALSE(monitor_->isDisplayed());
    EXPECT_TRUE(log.Service().Contains("Unable to show alert without any button text"));
}

TEST_F(AlertTest, AListenerThatThrowsOnItsButtonStillFreesTheScreen) {
    ScopedCapturingLog log;
    auto listener = std::make_shared<RecordingAlertListener>(monitor_);
    listener->throwOnResponse = true;
    NVBAlertHandler::showWithTitle(UiPlatform{queue_, backend_, nullptr, nullptr}, std::nullopt, std::nullopt, std::string("OK"),
                                   std::nullopt, listener, monitor_);
    Drain();
    ASSERT_TRUE(backend_->PressAlertButton(std::string("OK")));
    EXPECT_EQ(listener->Calls(), (std::vector<std::string>{"show", "positive", "dismiss"}));
    EXPECT_FALSE(monitor_->isDisplayed());
}

TEST_F(AlertTest, ConcurrentShowsPutExactlyOneAlertOnScreen) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            NVBAlertHandler::showWithTitle(UiPlatform{queue_, backend_, nullptr, nullptr}, std::nullopt, std::nullopt,
                                           "OK " + std::to_string(i), std::nullopt, nullptr, monitor_);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    Drain();
    EXPECT_EQ(backend_->GetAlertsOnScreen().size(), 1u);
}

std::shared_ptr<ViewController> Controller(ViewControllerKind kind, const std::string& name,
                                           std::vector<std::shared_ptr<ViewController>> children = {},
                                           size_t selected = 0) {
    return std::make_shared<ViewController>(ViewController{kind, name, true, nullptr, std::move(children), selected});
}

TEST(FindBestViewControllerTest, WalksDownToTheTopmostShownController) {
    using K = ViewControllerKind;
    auto presenting = Controller(K::PLAIN, "presenting");
    presenting->presented = Controller(K::NAVIGATION, "modal nav", {Controller(K::PLAIN, "a"), Controller(K::PLAIN, "modal top")});
    const std::vector<std::pair<std::shared_ptr<ViewController>, std::string>> cases = {
        {Controller(K::PLAIN, "plain", {Controller(K::PLAIN, "child")}), "plain"},
        {Controller(K::SPLIT, "split", {Controller(K::PLAIN, "master"), Controller(K::PLAIN, "detail")}), "detail"},
        {Controller(K::NAVIGATION, "nav", {Controller(K::PLAIN, "bottom"), Controller(K::PLAIN, "top")}), "top"},
        {Controller(K::TAB_BAR, "tabs",
                    {Controller(K::PLAIN, "tab 0"),
                     Controller(K::NAVIGATION, "tab 1", {Controller(K::PLAIN, "tab 1 root"), Controller(K::PLAIN, "tab 1 top")})},
                    1),
         "tab 1 top"},
        {Controller(K::TAB_BAR, "tabs, selection out of range", {Controller(K::PLAIN, "tab 0")}, 3),
         "tabs, selection out of range"},
        {Controller(K::PAGE, "pages", {Controller(K::PLAIN, "first page"), Controller(K::PLAIN, "second page")}), "first page"},
        {Controller(K::NAVIGATION, "empty nav"), "empty nav"},
        {presenting, "modal top"},
    };
    for (const auto& [root, expected] : cases) {
        auto best = NVBAlertHandler::findBestViewController(root);
        ASSERT_TRUE(best);
        EXPECT_EQ(best->name, expected) << "from " << root->name;
    }
    EXPECT_EQ(NVBAlertHandler::findBestViewController(nullptr), nullptr);
}

TEST(MessagesMonitorTest, EveryMonitorSharesOneFlagWhoseTestAndSetLetsOneCallerIn) {
    NVBMessagesMonitor first;
    NVBMessagesMonitor second;
    EXPECT_TRUE(first.tryDisplayed());
    EXPECT_TRUE(second.isDisplayed());
    EXPECT_FALSE(second.tryDisplayed());
    second.dismissed();
    EXPECT_FALSE(first.isDisplayed());
}

}  // namespace
}  // namespace NuvraMobile
