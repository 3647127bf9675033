#pragma once

#include "toolkit/tables/ZVTableViewCell.h"

#include <QtCore/QString>

#include <memory>

class ZVAvatarView;
class ZVContact;
namespace platform {
class ImageView;
class View;
}  // namespace platform

// A row of the contact list: the entry's avatar (or the team's), its name over its address, an
// e-mail indicator on the avatar for people who are no accounts of the service, and, in a picking
// list, a check mark. An entry that was a member when the list opened is dimmed and takes no taps.
class ZVContactCell : public ZVTableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("ZVContactCell");
    static inline const QString kCheckReuseIdentifier = QStringLiteral("ZVContactCellCheck");
    static inline const QString kEmailIndicatorImage = QStringLiteral("icon-email-avatar");
    static inline const QString kCheckedImage = QStringLiteral("icon-select-selected");
    static inline const QString kUncheckedImage = QStringLiteral("icon-select-normal");
    static constexpr int kNameStyle = 1;
    static constexpr int kEmailStyle = 20;
    // Each line is as tall as a line of this style.
    static constexpr int kLineStyle = 0;
    static constexpr qreal kAvatarGap = 5;
    static constexpr qreal kIndicatorInset = 5;
    static constexpr qreal kDimmedAlpha = 0.5;
    static constexpr qreal kSeparatorHeight = 1;

    explicit ZVContactCell(bool checkmark);

    const std::shared_ptr<ZVContact> contact() const { return contact_.lock(); }
    // Fills the row from the entry.
    void setContact(const std::shared_ptr<ZVContact>& contact);
    bool checked() const { return checked_; }
    void setChecked(bool checked);
    int avatarSize() const { return avatarSize_; }
    // 0 removes the avatar.
    void setAvatarSize(int size);
    // Both lines again, the word that starts with `text` highlighted; empty for none.
    void setHighlightStr(const QString& text);

    const std::shared_ptr<platform::ImageView>& checkmark() const { return checkmark_; }
    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<platform::ImageView>& emailIndicator() const { return emailIndicator_; }
    const std::shared_ptr<platform::View>& separator() const { return separator_; }

    void layoutSubviews() override;

private:
    void updateAvatar();

    std::weak_ptr<ZVContact> contact_;
    std::shared_ptr<platform::ImageView> checkmark_;
    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<platform::ImageView> emailIndicator_;
    std::shared_ptr<platform::View> separator_;
    bool checked_ = false;
    int avatarSize_ = 0;
};
