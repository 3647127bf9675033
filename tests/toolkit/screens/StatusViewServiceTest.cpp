#include "../alerts/AlertStage.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/screens/ZVStatusView.h"

#include <gtest/gtest.h>

namespace {

constexpr double kSlide =
    ZVStatusView::kAnimationDuration + 2 * platform::AnimationDriver::kFrameInterval;

constexpr double kPollSpacing = 1;

// The bar of a signed-in account over the loopback service, watching the shared API client.
class StatusViewService : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        window->setRootViewController(navigation);
        window->updateNow();
        AlertStage::manager().setKeyWindow(window);
        scheduler().advance(ZVApi::kStatusUpdateDelay);
        ASSERT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOnline);
        bar = ZVStatusView::make(navigation);
    }
    void TearDown() override {
        bar.reset();
        SignedInTest::TearDown();
    }
    // Lets the answers (or failures) of the requests in flight arrive, then the status settle.
    void settleRequests(const std::function<bool()>& arrived) {
        ASSERT_TRUE(scheduler().runUntil(arrived));
        scheduler().advance(ZVApi::kStatusUpdateDelay);
    }
    void tap(QPointF at) {
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }

    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::NavigationController> navigation =
        std::make_shared<platform::NavigationController>(platform::ViewController::make());
    std::shared_ptr<ZVStatusView> bar;
};

TEST_F(StatusViewService, ShowsTheOutageAfterTheDampingAndHidesOnceARetryGetsThrough) {
    // The service goes away: the waiting poll fails and the client is offline.
    emulator.stop();
    settleRequests([] { return api().pendingRequests().empty(); });
    ASSERT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOffline);
    const double dropped = bar->statusResetTime();
    scheduler().advance(dropped + ZVStatusView::kDampingInterval - scheduler().now());
    EXPECT_FALSE(bar->isShown());
    scheduler().advance(ZVStatusView::kRetryInterval);
    ASSERT_TRUE(bar->isShown());
    // The client's own retries move it between offline and connecting meanwhile; the bar says
    // what it found when the damping ended.
    ASSERT_TRUE(bar->status() == ZVApi::ConnectionStatusOffline ||
                bar->status() == ZVApi::ConnectionStatusConnecting)
        << bar->status();
    EXPECT_EQ(bar->text(), bar->status() == ZVApi::ConnectionStatusOffline
                               ? "No Internet connection"
                               : "Connecting");
    scheduler().advance(kSlide);

    // The user opens the bar's card; meanwhile the service comes back (on a new port).
    tap(AlertStage::middleOf(*bar));
    scheduler().advance(AlertStage::kSettle);
    const auto card = AlertStage::manager().currentAlertView();
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->title().startsWith("Zelvo is ")) << card->title().toStdString();
    ASSERT_TRUE(scheduler().runUntil([] { return api().pendingRequests().empty(); }));
    const QDateTime answeredBefore = api().cumulativeStats()->lastResponseTime();
    ASSERT_TRUE(emulator.start());
    api().setCustomBaseURL(emulator.baseUrl());

    // "Retry now", without waiting for the client's own retry.
    tap(AlertStage::middleOf(*card->buttonViews()[ZVStatusView::kRetryButton]));
    // The client spaces first polls a second apart: the retry's may wait that long.
    scheduler().advance(kPollSpacing);
    settleRequests([&] { return api().cumulativeStats()->lastResponseTime() != answeredBefore; });
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOnline);
    EXPECT_FALSE(bar->isShown());
    scheduler().advance(kSlide);
    EXPECT_EQ(bar->superview(), nullptr);
}

}  // namespace
