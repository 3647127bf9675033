#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QFontMetricsF>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A square image of `points` at scale 2.
QImage squareImage(qreal points, const QColor& colour = Qt::black) {
    QImage image(QSize(points * 2, points * 2), QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    image.setDevicePixelRatio(2);
    return image;
}

struct ButtonScreen {
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<Button> button;

    explicit ButtonScreen(Button::Type type) : button(Button::make(type, {50, 100, 200, 44})) {
        auto root = View::make(window->bounds());
        window->setRootView(root);
        root->addSubview(button);
    }
    QPointF inside() const { return button->frame().center(); }
};

}  // namespace

TEST(Button, TitleAndColourFollowTheStateWithFallbacks) {
    const QColor tint(Qt::blue);
    const QColor pressedRed(Qt::red);
    struct Case {
        const char* name;
        Button::Type type;
        bool enabled;
        bool highlighted;
        bool selected;
        QString title;
        QColor colour;
    };
    QColor faintTint = tint;
    faintTint.setAlphaF(Button::kSystemHighlightedAlpha);
    const QString normal = QStringLiteral("Send");
    const QString pressed = QStringLiteral("Sending");
    const Case cases[] = {
        {"system normal", Button::Type::System, true, false, false, normal, tint},
        {"system pressed: own title, faint tint", Button::Type::System, true, true, false, pressed,
         faintTint},
        {"system disabled: grey", Button::Type::System, false, false, false, normal,
         Button::kSystemDisabledColor},
        {"system selected falls back to normal", Button::Type::System, true, false, true, normal,
         tint},
        {"custom normal is white", Button::Type::Custom, true, false, false, normal, Qt::white},
        {"custom disabled keeps the normal colour", Button::Type::Custom, false, false, false,
         normal, Qt::white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto button = Button::make(c.type);
        button->setTintColor(tint);
        button->setTitle(normal, Button::Normal);
        button->setTitle(pressed, Button::Highlighted);
        button->setEnabled(c.enabled);
        button->setHighlighted(c.highlighted);
        button->setSelected(c.selected);
        EXPECT_EQ(button->currentTitle(), c.title);
        EXPECT_EQ(button->titleLabel()->text(), c.title);
        EXPECT_EQ(button->currentTitleColor(), c.colour);
        EXPECT_EQ(button->titleLabel()->textColor(), c.colour);
    }

    // A colour given for a state wins over the derived one, and only for that state.
    const auto button = Button::make(Button::Type::System);
    button->setTitle(normal, Button::Normal);
    button->setTitleColor(pressedRed, Button::Highlighted);
    button->setHighlighted(true);
    EXPECT_EQ(button->titleLabel()->textColor(), pressedRed);
    button->setHighlighted(false);
    EXPECT_EQ(button->titleLabel()->textColor(), ImageView::kDefaultTint);
    EXPECT_EQ(button->titleForState(Button::Highlighted | Button::Selected), normal);
}

TEST(Button, ImagesFollowTheStateAndSystemImagesAreTinted) {
    const auto button = Button::make(Button::Type::System);
    button->setTintColor(Qt::green);
    button->setImage(squareImage(10), Button::Normal);
    const QImage selected = squareImage(12);
    button->setImage(selected, Button::Selected);
    EXPECT_EQ(button->imageView()->renderingMode(), ImageRenderingMode::AlwaysTemplate);
    EXPECT_EQ(button->imageView()->displayedImage().pixelColor(5, 5), QColor(Qt::green));
    button->setSelected(true);
    EXPECT_EQ(button->currentImage().size(), selected.size());

    const auto custom = Button::make(Button::Type::Custom);
    custom->setImage(squareImage(10, Qt::red), Button::Normal);
    EXPECT_EQ(custom->imageView()->displayedImage().pixelColor(5, 5), QColor(Qt::red));
}

TEST(Button, ImageAndTitleAreCentredTogetherAndMovedByTheirInsets) {
    constexpr qreal kImage = 20;
    const auto button = Button::make(Button::Type::Custom, {0, 0, 200, 44});
    button->setTitle(QStringLiteral("Title"), Button::Normal);
    button->setImage(squareImage(kImage), Button::Normal);
    const qreal title = button->titleLabel()->sizeThatFits({}).width();
    const qreal titleHeight = button->titleLabel()->sizeThatFits({}).height();

    struct Case {
        const char* name;
        EdgeInsets content;
        EdgeInsets image;
        EdgeInsets title;
        qreal imageX;
        qreal titleX;
    };
    const qreal start = 100 - (kImage + title) / 2;
    const Case cases[] = {
        {"centred", {}, {}, {}, start, start + kImage},
        {"content inset moves both", {0, 40, 0, 0}, {}, {}, start + 20, start + 20 + kImage},
        {"image right inset moves the image left by half",
         {},
         {0, 0, 0, 20},
         {},
         start - 10,
         start + kImage},
        {"title left inset moves the title right by half",
         {},
         {},
         {0, 10, 0, 0},
         start,
         start + kImage + 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button->setContentEdgeInsets(c.content);
        button->setImageEdgeInsets(c.image);
        button->setTitleEdgeInsets(c.title);
        button->layoutIfNeeded();
        EXPECT_NEAR(button->imageView()->frame().x(), c.imageX, 0.01);
        EXPECT_NEAR(button->imageView()->frame().center().y(), 22, 0.01);
        EXPECT_NEAR(button->titleLabel()->frame().x(), c.titleX, 0.01);
        EXPECT_NEAR(button->titleLabel()->frame().width(), title, 0.01);
        EXPECT_NEAR(button->titleLabel()->frame().center().y(), 22, 0.01);
    }

    button->setContentEdgeInsets({5, 10, 5, 10});
    button->setImageEdgeInsets({0, 0, 0, 20});
    EXPECT_EQ(button->sizeThatFits({}),
              QSizeF(kImage + title + 20, std::max(kImage, titleHeight) + 10));
}

TEST(Button, LongTitleShrinksToTheContentWidth) {
    const auto button = Button::make(Button::Type::System, {0, 0, 80, 44});
    button->setTitle(QStringLiteral("A title much wider than the button"), Button::Normal);
    button->layoutIfNeeded();
    EXPECT_GE(button->titleLabel()->frame().left(), 0);
    EXPECT_LE(button->titleLabel()->frame().right(), 80.01);
    EXPECT_TRUE(button->titleLabel()->isTruncated());
}

TEST(Button, TouchUpInsideReachesTheTargetAndPressingShowsTheHighlightedState) {
    ButtonScreen screen(Button::Type::System);
    screen.button->setTitle(QStringLiteral("Go"), Button::Normal);
    screen.button->setTitle(QStringLiteral("Going"), Button::Highlighted);
    std::vector<QString> log;
    screen.button->addTarget(Control::TouchUpInside, [&](Control& sender) {
        log.push_back(QStringLiteral("up inside, highlighted %1")
                          .arg(static_cast<Button&>(sender).isHighlighted()));
    });

    screen.window->sendTouch(1, TouchPhase::Began, screen.inside());
    EXPECT_EQ(screen.button->titleLabel()->text(), QStringLiteral("Going"));
    screen.window->sendTouch(1, TouchPhase::Ended, screen.inside());
    EXPECT_EQ(log, std::vector<QString>{QStringLiteral("up inside, highlighted 0")});
    EXPECT_EQ(screen.button->titleLabel()->text(), QStringLiteral("Go"));

    // Disabled: the touch passes by, nothing is sent.
    screen.button->setEnabled(false);
    screen.window->sendTouch(2, TouchPhase::Began, screen.inside());
    screen.window->sendTouch(2, TouchPhase::Ended, screen.inside());
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(screen.button->titleLabel()->textColor(), Button::kSystemDisabledColor);
}
