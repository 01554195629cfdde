#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "services/ui/FloatingButton.h"
#include "services/ui/MainQueue.h"
#include "services/ui/RecordingUiBackend.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

class CountingButtonListener : public Object, public virtual FloatingButtonListenerInterface {
public:
    void OnTapDetected() override { taps.Raise(); }
    void OnPanDetected() override { pans.Raise(); }

    SignalCounter taps;
    SignalCounter pans;
};

/** Tells the test each time a view is brought to the front. */
class FrontSignallingBackend : public RecordingUiBackend {
public:
    using RecordingUiBackend::RecordingUiBackend;
    void BringImageViewToFront(ImageViewId view) override {
        RecordingUiBackend::BringImageViewToFront(view);
        broughtToFront.Raise();
    }
    SignalCounter broughtToFront;
};

std::uint32_t BigEndian32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

class FloatingButtonTest : public ::testing::Test {
protected:
    void Drain() { ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT)); }

    RecordingUiBackend::RecordedImageView OnlyView() {
        auto views = backend_->GetImageViews();
        EXPECT_EQ(views.size(), 1u);
        return views.empty() ? RecordingUiBackend::RecordedImageView{} : views.front();
    }

    std::shared_ptr<FloatingButton> Displayed(const std::shared_ptr<FloatingButtonListenerInterface>& listener) {
        auto button = std::make_shared<FloatingButton>(UiPlatform{queue_, backend_, nullptr, nullptr}, listener);
        button->Display();
        Drain();
        return button;
    }

    std::shared_ptr<MainQueue> queue_ = MainQueue::StartOwnThread();
    std::shared_ptr<FrontSignallingBackend> backend_ = std::make_shared<FrontSignallingBackend>(queue_);
    std::shared_ptr<CountingButtonListener> listener_ = std::make_shared<CountingButtonListener>();
};

TEST_F(FloatingButtonTest, SlidesInFromTheRightEdgeToTheMiddleOfTheWindow) {
    auto button = Displayed(listener_);
    auto view = OnlyView();
    EXPECT_TRUE(view.inKeyWindow);
    EXPECT_EQ(view.setup.frame.x, 300);
    EXPECT_EQ(view.setup.frame.y, 303.5);
    EXPECT_EQ(view.setup.frame.width, 60);
    EXPECT_EQ(view.setup.frame.height, 60);
    EXPECT_EQ(view.frame.x, 157.5);
    EXPECT_EQ(view.frame.y, 303.5);
    EXPECT_EQ(view.animationSeconds, std::vector<double>{0.3});
    EXPECT_TRUE(view.setup.scaleAspectFit && view.setup.userInteractionEnabled);

    // The image is a 150 x 150 PNG with an alpha channel (colour type 6).
    const std::string& png = view.setup.imageData;
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(BigEndian32(png, 16), 150u);
    EXPECT_EQ(BigEndian32(png, 20), 150u);
    EXPECT_EQ(png[25], 6);
    button->Remove();
    Drain();
}

TEST_F(FloatingButtonTest, WithoutAKeyWindowTheViewIsBuiltAtTheZeroWindowsHomeButShownNowhere) {
    backend_->SetKeyWindowFrame(std::nullopt);
    auto button = Displayed(listener_);
    auto view = OnlyView();
    EXPECT_FALSE(view.inKeyWindow);
    EXPECT_EQ(view.setup.frame.x, -75);
    EXPECT_EQ(view.setup.frame.y, -30);
    button->Remove();
    Drain();
}

TEST_F(FloatingButtonTest, DragMovesByEachUpdateReportsEveryUpdateAndRotationReturnsHome) {
    auto button = Displayed(listener_);
    // began, two changes, ended: four recognizer callbacks, four reports
    for (Point delta : {Point{0, 0}, Point{-20, 10}, Point{-30, 40.5}, Point{0, 0}}) {
        ASSERT_TRUE(backend_->PanImageView(delta));
    }
    Drain();
    EXPECT_EQ(listener_->pans.Count(), 4);
    auto view = OnlyView();
    EXPECT_EQ(view.frame.x, 157.5 - 50);
    EXPECT_EQ(view.frame.y, 303.5 + 50.5);
    EXPECT_EQ(view.panTranslation.x, 0);  // reset after each update
    EXPECT_EQ(listener_->taps.Count(), 0);

    ASSERT_TRUE(backend_->Rotate(Frame{0, 0, 667, 375}));
    Drain();
    view = OnlyView();
    EXPECT_EQ(view.frame.x, 667 - 75);
    EXPECT_EQ(view.frame.y, (375 - 60) / 2.0);
    EXPECT_EQ(view.frame.width, 60);
    button->Remove();
    Drain();
}

TEST_F(FloatingButtonTest, TapsReachTheListenerAndATapWithoutListenerDoesNothing) {
    auto button = Displayed(listener_);
    ASSERT_TRUE(backend_->TapImageView());
    Drain();
    EXPECT_EQ(listener_->taps.Count(), 1);
    button->Remove();
    Drain();

    auto silent = Displayed(nullptr);
    EXPECT_TRUE(backend_->TapImageView());
    EXPECT_TRUE(backend_->PanImageView(Point{1, 1}));
    Drain();
    silent->Remove();
    Drain();
}

TEST_F(FloatingButtonTest, TheTimerBringsTheButtonToTheFrontUntilRemoveStopsItAndLetsTheHandlerGo) {
    auto button = Displayed(listener_);
    std::weak_ptr<NVBFloatingButtonHandler> handler = button->GetHandler();
    std::shared_ptr<MainQueueTimer> timer = button->GetHandler()->timer();
    ASSERT_TRUE(timer);
    EXPECT_TRUE(timer->IsRunning());
    ASSERT_TRUE(backend_->broughtToFront.WaitFor(2));  // ticks keep coming

    button->Remove();
    Drain();
    EXPECT_FALSE(timer->IsRunning());
    EXPECT_TRUE(button->GetHandler()->timer() == nullptr);
    EXPECT_TRUE(backend_->GetImageViews().empty());
    EXPECT_EQ(backend_->GetOrientationObserverCount(), 0u);
    button.reset();
    Drain();  // ticks already queued release their hold as they run
    EXPECT_TRUE(handler.expired());
}

TEST_F(FloatingButtonTest, ASecondDisplayReplacesTheButtonAndRemoveRightAfterDisplayRemovesIt) {
    auto button = std::make_shared<FloatingButton>(UiPlatform{queue_, backend_, nullptr, nullptr}, listener_);
    button->Remove();  // before any display: nothing to remove
    button->Display();
    button->Display();
    Drain();
    EXPECT_EQ(backend_->GetImageViews().size(), 1u);
    EXPECT_EQ(backend_->GetOrientationObserverCount(), 1u);

    button->Display();
    button->Remove();
    Drain();
    EXPECT_TRUE(backend_->GetImageViews().empty());
    EXPECT_EQ(backend_->GetOrientationObserverCount(), 0u);
    EXPECT_TRUE(button->GetHandler()->timer() == nullptr);
}

}  // namespace
}  // namespace NuvraMobile
