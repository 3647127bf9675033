#include "toolkit/widgets/ZVBranding.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

using platform::Button;
using platform::resolveColor;

namespace {

// The platform's dark grey.
constexpr float kDarkGrayWhite = 1.0F / 3;

}  // namespace

namespace {

std::shared_ptr<Button> titledButton(Button::Type type, const QString& title) {
    auto button = Button::make(type);
    button->setTitle(title, Button::Normal);
    button->titleLabel()->setFont(ZVTextStyles::fontForStyle(ZVBranding::kTitleStyle));
    return button;
}

}  // namespace

std::shared_ptr<Button> ZVBranding::createPlainButtonWithTitle(const QString& title) {
    auto button = titledButton(Button::Type::System, title);
    button->setTitleColor(resolveColor(ZVTextStyles::colorForStyle(kTitleStyle)), Button::Normal);
    button->setTitleColor(resolveColor(ZVColors::task()), Button::Highlighted);
    button->setTitleColor(resolveColor(ZVColors::gray()), Button::Disabled);
    button->sizeToFit();
    return button;
}

std::shared_ptr<Button> ZVBranding::createBadgeButtonWithTitle(const QString& title) {
    auto button = titledButton(Button::Type::System, title.toUpper());
    button->setTitleColor(Qt::white, Button::Normal);
    button->setBackgroundColor(resolveColor(ZVColors::logo()));
    button->layer().setCornerRadius(kBadgeCornerRadius);
    button->sizeToFit();
    button->setFrame(
        button->frame().adjusted(-kBadgeGrowX, kBadgeShrinkY, kBadgeGrowX, -kBadgeShrinkY));
    return button;
}

std::shared_ptr<Button> ZVBranding::buttonWithImage(const QString& imageName) {
    auto button = Button::make(Button::Type::Custom);
    button->setImage(platform::Images::named(imageName), Button::Normal);
    button->sizeToFit();
    return button;
}

void ZVBranding::setButton(Button& button, const QString& imageName) {
    button.setImage(platform::Images::named(imageName), Button::Normal);
    button.setImageEdgeInsets(platform::EdgeInsets{0, 0, 0, kImageRightInset});
}

std::shared_ptr<Button> ZVBranding::createActionButtonWithTitle(const QString& title, int style) {
    auto button = titledButton(Button::Type::Custom, title);
    QColor faded(Qt::white);
    faded.setAlphaF(kDisabledTitleAlpha);
    button->setTitleColor(Qt::white, Button::Normal);
    button->setTitleColor(faded, Button::Disabled);
    switch (style) {
        case kActionBlue:
            button->setBackgroundColor(resolveColor(colorWithName(QStringLiteral("zelvoBlue"))));
            break;
        case kActionDark:
            button->setBackgroundColor(resolveColor(colorWithName(QStringLiteral("darkButton"))));
            break;
        case kActionWhite:
            button->setBackgroundColor(Qt::white);
            button->setTitleColor(resolveColor(colorWithName(QStringLiteral("secondaryButton"))),
                                  Button::Normal);
            button->setTitleColor(QColor::fromRgbF(kDarkGrayWhite, kDarkGrayWhite, kDarkGrayWhite),
                                  Button::Highlighted);
            button->layer().setBorderColor(resolveColor(ZVColors::border()));
            button->layer().setBorderWidth(1);
            break;
        case kActionOrange:
            button->setBackgroundColor(resolveColor(ZVColors::orange()));
            break;
        default:
            break;
    }
    button->setFrame(QRectF(0, 0, kActionWidth, kActionHeight));
    button->layer().setCornerRadius(kActionHeight / 2);
    return button;
}
