#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

#include <QtCore/QString>

#include <functional>
#include <memory>

class Contact;
class ZVAvatarView;
class ZVCloudsView;
namespace platform {
class Button;
class TapGestureRecognizer;
}  // namespace platform

// The header row of a person's profile (the user's own, or a contact's): clouds in the person's
// colour, the large avatar, the name and a second line, the user's address on their own profile,
// else when the person was last seen, for accounts of the service only.
class ZVMyAvatarCell : public ZVDialogCell {
public:
    static constexpr qreal kRowHeight = 240;
    static constexpr int kAvatarSize = 3;
    static constexpr int kNameStyle = 26;
    static constexpr int kSecondLineStyle = 19;
    static constexpr qreal kMargin = 13;
    static constexpr qreal kTop = 50;
    static constexpr qreal kAvatarGap = 10;
    static constexpr qreal kNameGap = 5;
    static inline const QString kBackImage = QStringLiteral("icon-arrow-back");
    static constexpr qreal kBackButtonGrowth = 10;
    static constexpr QPointF kBackButtonCenter{20, 40};

    explicit ZVMyAvatarCell(std::shared_ptr<Contact> contact);
    ~ZVMyAvatarCell() override;

    const std::shared_ptr<Contact>& contact() const { return contact_; }
    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<ZVCloudsView>& background() const { return background_; }
    const std::shared_ptr<platform::TapGestureRecognizer>& avatarTapRecognizer() const {
        return tap_;
    }

    void refresh();
    void updateTexts();
    bool canChange() const { return tap_ != nullptr; }
    void setCanChange(bool canChange);
    // What a tap on a changeable avatar does; the account profile sets it.
    void setOnAvatarTap(std::function<void(ZVMyAvatarCell&)> handler) {
        onAvatarTap_ = std::move(handler);
    }
    // A white back arrow over the clouds at the top left, for the caller to wire up.
    std::shared_ptr<platform::Button> addBackButton();

    void layoutSubviews() override;

private:
    std::shared_ptr<Contact> contact_;
    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<ZVCloudsView> background_;
    std::shared_ptr<platform::TapGestureRecognizer> tap_;
    std::function<void(ZVMyAvatarCell&)> onAvatarTap_;
};
