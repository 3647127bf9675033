#pragma once

#include <QtCore/QString>

#include <memory>

namespace platform {
class Button;
}

// The few kinds of button every screen uses, so that all show the same fonts, colours and shapes.
// Each call makes a new button that the caller owns.
class ZVBranding {
public:
    enum ActionStyle { kActionBlue = 0, kActionDark = 1, kActionWhite = 2, kActionOrange = 3 };

    static constexpr int kTitleStyle = 10;
    static constexpr qreal kBadgeCornerRadius = 11;
    static constexpr qreal kBadgeGrowX = 10;
    static constexpr qreal kBadgeShrinkY = 5;
    static constexpr qreal kImageRightInset = 20;
    static constexpr qreal kActionWidth = 100;
    static constexpr qreal kActionHeight = 48;
    static constexpr qreal kDisabledTitleAlpha = 0.5;

    ZVBranding() = delete;

    static std::shared_ptr<platform::Button> createPlainButtonWithTitle(const QString& title);
    // A small rounded badge with the title in capitals.
    static std::shared_ptr<platform::Button> createBadgeButtonWithTitle(const QString& title);
    static std::shared_ptr<platform::Button> buttonWithImage(const QString& imageName);
    static void setButton(platform::Button& button, const QString& imageName);
    // A 100 x 48 pill at the origin; callers move and widen it. A style outside 0 to 3 leaves the
    // background unset.
    static std::shared_ptr<platform::Button> createActionButtonWithTitle(const QString& title,
                                                                         int style);
};
