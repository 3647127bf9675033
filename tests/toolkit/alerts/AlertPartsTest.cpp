#include "AlertStage.h"

#include "platform/ui/animation/SpringAnimation.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ViewSpringAnimation.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertViewTextField.h"
#include "toolkit/style/ZVColorTable.h"

#include <gtest/gtest.h>

namespace {

QColor named(const char* name) {
    return platform::resolveColor(ZVColorTable::colorWithName(QLatin1String(name)));
}

TEST(AlertParts, SpringsAreKeyedByPropertyAndRetargeted) {
    AlertStage stage;
    auto view = platform::View::make(QRectF(0, 0, 100, 100));
    stage.root->addSubview(view);
    const auto first = animationForProperty(*view, kSpringViewCenter, QPointF(200, 200));
    ASSERT_NE(first, nullptr);
    AlertStage::wait(0.05);
    const QPointF midway = view->center();
    EXPECT_NE(midway, QPointF(50, 50));

    // The same property again bends the running spring; another property gets its own.
    const auto again = animationForProperty(*view, kSpringViewCenter, QPointF(0, 300));
    EXPECT_EQ(again, first);
    EXPECT_EQ(first->target(), platform::AnimatableValue(QPointF(0, 300)));
    const auto scale = animationForProperty(*view, kSpringLayerScaleXY, QPointF(2, 2));
    EXPECT_NE(scale, first);
    EXPECT_EQ(view->layer().animationKeys().size(), 2);
    stage.settle();
    EXPECT_NEAR(view->center().x(), 0, 1e-3);
    EXPECT_NEAR(view->center().y(), 300, 1e-3);
    EXPECT_NEAR(view->layer().transform().scale.x(), 2, 1e-3);

    // After it came to rest, a new spring starts.
    EXPECT_NE(animationForProperty(*view, kSpringViewCenter, QPointF(10, 10)), first);
    EXPECT_EQ(animationForProperty(*view, QLatin1StringView("opacity"), qreal(0)), nullptr);
}

TEST(AlertParts, ButtonTitleColours) {
    struct Case {
        const char* name;
        std::function<void(ZVAlertButton&)> change;
        QColor colour;
    };
    const Case cases[] = {
        {"plain", [](ZVAlertButton&) {}, named("logo")},
        {"marked destructive", [](ZVAlertButton& b) { b.setIsDestructive(true); }, named("orange")},
        {"destructive, enabled again",
         [](ZVAlertButton& b) {
             b.setIsDestructive(true);
             b.setEnabled(true);
         },
         QColor(255, 59, 48)},
        {"disabled", [](ZVAlertButton& b) { b.setEnabled(false); }, QColor(142, 142, 147)},
        {"destructive and disabled",
         [](ZVAlertButton& b) {
             b.setIsDestructive(true);
             b.setEnabled(false);
         },
         QColor(142, 142, 147)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto button = ZVAlertButton::alertButtonWithTitle("Delete", QString());
        c.change(*button);
        EXPECT_EQ(button->label()->textColor(), c.colour);
    }
    EXPECT_EQ(ZVAlertButton::separatorButton()->bounds().height(), ZVAlertButton::kSeparatorHeight);
    EXPECT_TRUE(ZVAlertButton::separatorButton()->isSeparator());
    EXPECT_EQ(ZVAlertButton::alertButtonWithTitle("A", QString())->bounds().height(),
              ZVAlertButton::kHeight);
}

TEST(AlertParts, ShowingACardDealsWithTheKeyboardByItsSetting) {
    AlertStage stage;
    auto typing = std::make_shared<platform::TextField>(QRectF(10, 100, 200, 30));
    stage.root->addSubview(typing);
    for (int setting : {0, 1, 2}) {
        SCOPED_TRACE(setting);
        ASSERT_TRUE(typing->becomeFirstResponder());
        auto alert = ZVAlertView::make("T", "M", {}, QString(), {"OK"});
        alert->setKeyboardSetting(setting);
        alert->show();
        EXPECT_EQ(typing->isFirstResponder(), setting != ZVAlertView::kDismissKeyboard);
        alert->hide();
        stage.settle();
    }
}

TEST(AlertParts, AFieldAmongTheViewsTakesTheKeyboardButAFieldRowDoesNot) {
    AlertStage stage;
    auto row = std::make_shared<ZVAlertViewTextField>(QStringLiteral("Name"));
    auto field = std::make_shared<platform::TextField>(QRectF(0, 0, 100, 30));
    auto alert = ZVAlertView::make("T", QString(), {}, QString(), {"OK"});
    alert->setViews({row, field});
    alert->show();
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_FALSE(row->textField()->isFirstResponder());
    // The row is not inset; the plain field is, with room below it.
    EXPECT_EQ(row->frame(), QRectF(0, 38, 355, ZVAlertViewTextField::kHeight));
    EXPECT_EQ(field->frame(), QRectF(5, 88, 345, 30));
    EXPECT_EQ(alert->buttonViews().front()->frame().top(), 125);
    EXPECT_EQ(row->placeholder(), QStringLiteral("Name"));
}

}  // namespace
