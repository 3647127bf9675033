#include "platform/ui/controls/Button.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVBranding.h"

#include <gtest/gtest.h>

using platform::Button;
using platform::resolveColor;

TEST(Branding, BadgeButtonIsCapitalisedAndGrownSidewaysAfterSizing) {
    auto button = ZVBranding::createBadgeButtonWithTitle(QStringLiteral("New labels"));
    EXPECT_EQ(button->currentTitle(), QStringLiteral("NEW LABELS"));
    EXPECT_EQ(button->currentTitleColor(), QColor(Qt::white));
    EXPECT_EQ(button->layer().cornerRadius(), 11);
    EXPECT_EQ(button->backgroundColor(), resolveColor(ZVColors::logo()));

    auto sized = Button::make(Button::Type::System);
    sized->setTitle(QStringLiteral("NEW LABELS"), Button::Normal);
    sized->titleLabel()->setFont(button->titleLabel()->font());
    sized->sizeToFit();
    EXPECT_EQ(button->frame(), sized->frame().adjusted(-10, 5, 10, -5));
}

TEST(Branding, ActionButtonStyles) {
    const QColor none;
    struct Case {
        int style;
        QColor background;
        QColor title;
        qreal border;
    } const cases[] = {
        {0, resolveColor(colorWithName(QStringLiteral("zelvoBlue"))), Qt::white, 0},
        {1, resolveColor(colorWithName(QStringLiteral("darkButton"))), Qt::white, 0},
        {2, Qt::white, resolveColor(colorWithName(QStringLiteral("secondaryButton"))), 1},
        {3, resolveColor(ZVColors::orange()), Qt::white, 0},
        {4, none, Qt::white, 0},
        {-1, none, Qt::white, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        auto button = ZVBranding::createActionButtonWithTitle(QStringLiteral("Join"), c.style);
        EXPECT_EQ(button->buttonType(), Button::Type::Custom);
        EXPECT_EQ(button->frame(), QRectF(0, 0, 100, 48));
        EXPECT_EQ(button->layer().cornerRadius(), 24);
        EXPECT_EQ(button->backgroundColor(), c.background);
        EXPECT_EQ(button->currentTitleColor(), c.title);
        EXPECT_EQ(button->layer().borderWidth(), c.border);

        QColor half(Qt::white);
        half.setAlphaF(0.5);
        button->setEnabled(false);
        EXPECT_EQ(button->currentTitleColor(), half) << "disabled titles show at half opacity";
    }

    auto pill = ZVBranding::createActionButtonWithTitle(QString(), 0);
    const QImage shot = pill->snapshot(1);
    EXPECT_EQ(shot.pixelColor(50, 24), resolveColor(colorWithName(QStringLiteral("zelvoBlue"))));
    EXPECT_EQ(shot.pixelColor(1, 1).alpha(), 0) << "the ends are round";
    EXPECT_EQ(shot.pixelColor(98, 46).alpha(), 0);

    auto white = ZVBranding::createActionButtonWithTitle(QStringLiteral("Join"), 2);
    EXPECT_EQ(white->layer().borderColor(), resolveColor(ZVColors::border()));
    white->setHighlighted(true);
    const QColor pressed = white->currentTitleColor();
    EXPECT_EQ(pressed.red(), pressed.green());
    EXPECT_EQ(pressed.red(), 85) << "dark gray while pressed";
}

TEST(Branding, PlainButtonColoursByStateAndImageButtons) {
    auto plain = ZVBranding::createPlainButtonWithTitle(QStringLiteral("Edit"));
    EXPECT_EQ(plain->buttonType(), Button::Type::System);
    EXPECT_GT(plain->frame().width(), 0) << "sized to fit";
    plain->setHighlighted(true);
    EXPECT_EQ(plain->currentTitleColor(), resolveColor(ZVColors::task()));
    plain->setHighlighted(false);
    plain->setEnabled(false);
    EXPECT_EQ(plain->currentTitleColor(), resolveColor(ZVColors::gray()));

    auto close = ZVBranding::buttonWithImage(QStringLiteral("icon-close-white"));
    ASSERT_FALSE(close->currentImage().isNull());
    EXPECT_GT(close->frame().width(), 0);
    ZVBranding::setButton(*plain, QStringLiteral("icon-close-white"));
    EXPECT_FALSE(plain->imageForState(Button::Normal).isNull());
    EXPECT_EQ(plain->imageEdgeInsets(), (platform::EdgeInsets{0, 0, 0, 20}));
}
