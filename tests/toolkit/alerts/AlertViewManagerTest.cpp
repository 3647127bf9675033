#include "AlertStage.h"

#include "platform/ui/scroll/ScrollView.h"
#include "toolkit/alerts/ZVArrowView.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<ZVAlertView> card(std::shared_ptr<RecordingDelegate> delegate = nullptr,
                                  const QString& message = QStringLiteral("Message")) {
    return ZVAlertView::make("Title", message, delegate, QString(), {"OK"});
}

TEST(AlertViewManager, ANewCardFlipsInWhereTheOldOneWasAndTheOldOneIsNotTold) {
    AlertStage stage;
    auto first = std::make_shared<RecordingDelegate>();
    auto second = std::make_shared<RecordingDelegate>();
    auto a = card(first);
    a->show();
    stage.settle();
    const auto overlay = AlertStage::manager().overlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_NEAR(overlay->alpha(), ZVAlertViewManager::kOverlayAlpha, 1e-9);

    auto b = card(second);
    b->show();
    EXPECT_EQ(AlertStage::manager().currentAlertView(), b);
    EXPECT_EQ(AlertStage::manager().overlay(), overlay);
    EXPECT_NEAR(b->layer().transform().rotationX, M_PI / 2, 1e-9);
    EXPECT_EQ(b->layer().transform().perspective, ZVAlertViewManager::kPerspective);
    // The old card turns away, then leaves; the new one turns to face the user.
    EXPECT_NE(a->superview(), nullptr);
    AlertStage::wait(ZVAlertViewManager::kFlipDuration + 0.05);
    EXPECT_EQ(a->superview(), nullptr);
    stage.settle();
    EXPECT_NEAR(b->layer().transform().rotationX, 0, 1e-3);
    EXPECT_NEAR(overlay->alpha(), ZVAlertViewManager::kOverlayAlpha, 1e-9);

    // Hiding the replaced card does nothing; the overlay dismisses the one showing.
    a->hide();
    EXPECT_EQ(AlertStage::manager().currentAlertView(), b);
    stage.tap({5, 5});
    EXPECT_TRUE(first->heard.empty());
    EXPECT_EQ(second->indexes(), std::vector<int>{-1});
    EXPECT_EQ(AlertStage::manager().currentAlertView(), nullptr);
    EXPECT_EQ(AlertStage::manager().overlay(), nullptr);
    stage.settle();
    EXPECT_EQ(b->superview(), nullptr);
    EXPECT_EQ(overlay->superview(), nullptr);
}

TEST(AlertViewManager, ACardWithoutAPointedViewIsCentredOrLiftedForAPrompt) {
    AlertStage stage({768, 1024});
    for (int setting : {0, 1, 2}) {
        SCOPED_TRACE(setting);
        auto alert = card();
        alert->setKeyboardSetting(setting);
        alert->show();
        EXPECT_EQ(alert->center(), QPointF(384, setting == 2 ? 412 : 512));
        EXPECT_EQ(alert->layer().zPosition(), ZVAlertViewManager::kCardDepth);
    }
}

// A popover card of 300 × 170 points in a 768 × 1024 window: room needed 200.
TEST(AlertViewManager, PopoverPlacement) {
    struct Case {
        const char* name;
        QRectF target;
        int keyboardSetting;
        QPointF centre;
        qreal arrowPos;
        bool arrow;
        bool arrowAbove;
    };
    const Case cases[] = {
        {"above, centred on the target", {300, 600, 100, 40}, 1, {350, 515}, 0, true, false},
        {"near the left edge", {0, 600, 40, 40}, 1, {160, 515}, 20 - 160, true, false},
        {"near the right edge", {740, 600, 28, 40}, 1, {608, 515}, 754 - 608, true, false},
        {"below, with setting 1", {300, 50, 100, 40}, 1, {350, 175}, 0, true, true},
        {"not below with setting 0", {300, 50, 100, 40}, 0, {350, 512}, 0, false, false},
        {"not below with setting 2", {300, 50, 100, 40}, 2, {350, 512}, 0, false, false},
        {"no room below either", {300, 50, 100, 900}, 1, {350, 512}, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlertStage stage({768, 1024});
        auto target = platform::View::make(c.target);
        stage.root->addSubview(target);
        auto alert = card();
        alert->setKeyboardSetting(c.keyboardSetting);
        alert->setPointAtView(target);
        alert->show();
        EXPECT_EQ(alert->center(), c.centre);
        EXPECT_EQ(alert->arrow() != nullptr, c.arrow);
        if (c.arrow) {
            EXPECT_EQ(alert->arrowPos(), c.arrowPos);
            EXPECT_EQ(alert->arrowAbove(), c.arrowAbove);
            EXPECT_EQ(alert->arrow()->pointingUp(), c.arrowAbove);
            stage.settle();
            // The arrow's tip touches the target's middle.
            const QPointF tip = alert->arrow()->convertPointTo(
                QPointF(ZVArrowView::kWidth / 2, c.arrowAbove ? 0 : ZVArrowView::kHeight), nullptr);
            EXPECT_NEAR(tip.x(), c.target.center().x(), 1e-6);
            EXPECT_NEAR(tip.y(),
                        c.arrowAbove ? c.target.bottom() : c.target.top() + ZVArrowView::kHeight,
                        1e-6);
        }
        alert->hide();
        stage.settle();
    }
}

TEST(AlertViewManager, APointedViewOutsideTheWindowGivesACentredCard) {
    AlertStage stage({768, 1024});
    auto elsewhere = platform::View::make(QRectF(0, 600, 40, 40));
    auto alert = card();
    alert->setPointAtView(elsewhere);
    alert->show();
    EXPECT_EQ(alert->center(), QPointF(384, 512));
    EXPECT_EQ(alert->arrow(), nullptr);
}

struct ScrolledStage : AlertStage {
    std::shared_ptr<platform::ScrollView> scroll =
        std::make_shared<platform::ScrollView>(QRectF(0, 0, 768, 1024));
    std::shared_ptr<platform::View> target = platform::View::make(QRectF(300, 60, 100, 40));
    ScrolledStage() : AlertStage({768, 1024}) {
        scroll->setContentSize({768, 3000});
        scroll->addSubview(target);
        root->addSubview(scroll);
    }
    qreal offset() const { return scroll->contentOffset().y(); }
    // Shows `alert` pointing at the target, keeping the keyboard (so never below it).
    std::shared_ptr<ZVAlertView> pointAtTarget(std::shared_ptr<ZVAlertView> alert) {
        alert->setKeyboardSetting(0);
        alert->setPointAtView(target);
        alert->show();
        return alert;
    }
    qreal targetTop() const { return target->convertRectTo(target->bounds(), nullptr).top(); }
};

TEST(AlertViewManager, NoRoomAboveScrollsThePointedViewDownAndBackWhenTheCardGoes) {
    ScrolledStage stage;
    auto alert = stage.pointAtTarget(card());
    EXPECT_EQ(alert->center(), QPointF(350, 200 - 85));
    EXPECT_FALSE(alert->arrowAbove());
    stage.settle();
    EXPECT_NEAR(stage.targetTop(), 200, 1e-6);

    alert->hide();
    stage.settle();
    EXPECT_NEAR(stage.offset(), 0, 1e-6);
}

TEST(AlertViewManager, TwoCardsOnOneViewScrollBackOnceToWhereItWas) {
    ScrolledStage stage;
    stage.pointAtTarget(card());
    stage.settle();
    const qreal firstScroll = stage.offset();
    ASSERT_LT(firstScroll, 0);

    // Taller, the second card needs more room and scrolls further.
    auto b = stage.pointAtTarget(card(nullptr, QStringLiteral("A\nmessage\nof\nseveral\nlines")));
    stage.settle();
    EXPECT_LT(stage.offset(), firstScroll);
    EXPECT_NEAR(stage.targetTop(), b->bounds().height() + 30, 1e-6);

    b->hide();
    stage.settle();
    EXPECT_NEAR(stage.offset(), 0, 1e-6);
}

TEST(AlertViewManager, ACardOnAnotherViewPutsTheScrollBackAtOnce) {
    ScrolledStage stage;
    stage.pointAtTarget(card());
    stage.settle();
    ASSERT_LT(stage.offset(), 0);

    auto b = card();
    b->show();
    stage.settle();
    EXPECT_NEAR(stage.offset(), 0, 1e-6);
    b->hide();
    stage.settle();
    EXPECT_NEAR(stage.offset(), 0, 1e-6);
}

}  // namespace
