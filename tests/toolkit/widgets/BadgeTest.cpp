#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <gtest/gtest.h>

using platform::resolveColor;
using platform::Scheduler;

TEST(UnreadBadge, FormatsCounts) {
    const struct {
        long number;
        const char* text;
    } cases[] = {
        {0, ""},       {7, "7"},        {-5, "-5"},     {999, "999"},     {1000, "1k"},
        {1001, "1k+"}, {12345, "12k+"}, {12000, "12k"}, {-1000, "-1000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZVUnreadBadge::formatNumber(c.number), QString::fromLatin1(c.text)) << c.number;
    }
}

TEST(Badge, SizeFollowsTextAndKeepsItsCentre) {
    ZVBadge badge;
    EXPECT_EQ(badge.alpha(), 0) << "invisible without text";
    badge.setCenter({100, 50});

    badge.setText(QStringLiteral("7"));
    EXPECT_EQ(badge.alpha(), 1);
    EXPECT_EQ(badge.frame(), QRectF(91, 41, 18, 18));
    EXPECT_EQ(badge.path(), ZVBadge::pathForText(QStringLiteral("7"), QRectF(0, 0, 18, 18)));

    badge.setText(QStringLiteral("12k+"));
    const qreal labelWidth = badge.label()->sizeThatFits({0, 0}).width();
    EXPECT_EQ(badge.frame().width(), labelWidth + 10);
    EXPECT_EQ(badge.frame().height(), 18);
    EXPECT_EQ(badge.center(), QPointF(100, 50));

    QPainterPath pill;
    pill.addRoundedRect(badge.bounds(), 6, 6);
    EXPECT_EQ(badge.path(), pill);
    QPainterPath circle;
    circle.addEllipse(QRectF(0, 0, 18, 18));
    EXPECT_EQ(ZVBadge::pathForText(QStringLiteral("x"), QRectF(0, 0, 18, 18)), circle);
}

TEST(Badge, FadesOnlyBetweenEmptyAndNonEmpty) {
    auto window = platform::Window::make();
    auto badge = std::make_shared<ZVUnreadBadge>();
    window->addSubview(badge);

    badge->setNumber(3, true);
    EXPECT_EQ(badge->alpha(), 1);
    Scheduler::main().advance(0.25);
    EXPECT_NEAR(badge->layer().presentationOpacity(), 0.5, 0.3) << "fading in";
    EXPECT_GT(badge->layer().presentationOpacity(), 0);
    Scheduler::main().advance(0.3);
    EXPECT_TRUE(badge->layer().animationKeys().isEmpty());

    badge->setNumber(4, true);
    EXPECT_TRUE(badge->layer().animationKeys().isEmpty()) << "a new count does not fade";
    badge->setNumber(4, true);
    EXPECT_EQ(badge->text(), QStringLiteral("4"));

    badge->setNumber(0, true);
    EXPECT_EQ(badge->alpha(), 0);
    EXPECT_FALSE(badge->layer().animationKeys().isEmpty());
    Scheduler::main().advance(0.25);
    EXPECT_GT(badge->layer().presentationOpacity(), 0);
    Scheduler::main().advance(0.3);
    EXPECT_EQ(badge->layer().presentationOpacity(), 0);

    badge->setNumber(0, true);
    EXPECT_TRUE(badge->layer().animationKeys().isEmpty()) << "the same empty text does nothing";
}

TEST(Badge, StylesColourFillOutlineAndText) {
    const QColor orange = resolveColor(ZVColors::orange());
    const QColor gray = resolveColor(ZVColors::gray());
    ZVUnreadBadge badge;
    EXPECT_EQ(badge.style(), ZVBadge::kOrange);
    EXPECT_EQ(badge.fillColor(), orange);
    EXPECT_FALSE(badge.isGray());

    badge.setGray(true);
    EXPECT_EQ(badge.style(), ZVBadge::kOutlined);
    EXPECT_TRUE(badge.isGray());
    EXPECT_FALSE(badge.fillColor().isValid());
    EXPECT_EQ(badge.outlineColor(), gray);
    EXPECT_EQ(badge.label()->textColor(), gray);

    badge.setStyle(ZVBadge::kGray);
    EXPECT_EQ(badge.fillColor(), gray);
    EXPECT_EQ(badge.label()->textColor(), QColor(Qt::white));
    badge.setStyle(9);
    EXPECT_EQ(badge.fillColor(), gray) << "an unknown style keeps the colours";
    EXPECT_EQ(badge.label()->textColor(), QColor(Qt::white));
}

TEST(Badge, ImagesAreOrangeWhateverTheStyle) {
    EXPECT_TRUE(ZVBadge::badgeWithText(QString(), 1).isNull());
    EXPECT_TRUE(ZVUnreadBadge::badgeWithNumber(0).isNull());

    const QImage one = ZVBadge::badgeWithText(QStringLiteral("5"), 3);
    ASSERT_FALSE(one.isNull());
    const qreal scale = one.devicePixelRatio();
    EXPECT_EQ(one.size() / scale, QSize(18, 18));
    const QColor orange = resolveColor(ZVColors::orange());
    EXPECT_EQ(one.pixelColor(QPoint(9 * scale, 2 * scale)), orange) << "inside the circle";
    EXPECT_EQ(one.pixelColor(QPoint(1, 1)).alpha(), 0) << "outside the circle";
    bool hasWhite = false;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QColor c = one.pixelColor(x, y);
            hasWhite = hasWhite || (c.red() > 240 && c.green() > 240 && c.blue() > 240);
        }
    }
    EXPECT_TRUE(hasWhite) << "the text is drawn";

    const QImage wide = ZVUnreadBadge::badgeWithNumber(12345);
    ZVBadge badge;
    badge.setText(QStringLiteral("12k+"));
    EXPECT_EQ(wide.width() / wide.devicePixelRatio(), badge.frame().width());
}

TEST(Badge, RendersItsShapeInTheFillColour) {
    auto badge = std::make_shared<ZVBadge>();
    badge->setText(QStringLiteral("42"));
    const QImage shot = badge->snapshot(1);
    const QColor orange = resolveColor(ZVColors::orange());
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 1), orange);
    EXPECT_EQ(shot.pixelColor(0, 0).alpha(), 0) << "rounded corner";
}
