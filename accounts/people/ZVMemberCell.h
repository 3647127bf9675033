#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

#include <QtCore/QString>

#include <memory>

class ZVAvatarView;
class ZVBadge;
class ZVMember;
namespace platform {
class ImageView;
class View;
}  // namespace platform

// The row of a conversation member (the members page and the member selector): avatar with the
// e-mail indicator for e-mail participants, the name over the last-seen line, an "ADMIN" badge,
// and, when asked, a check mark.
class ZVMemberCell : public ZVDialogCell {
public:
    static inline const QString kEmailIndicatorImage = QStringLiteral("icon-email-avatar");
    static inline const QString kCheckedImage = QStringLiteral("icon-select-selected");
    static inline const QString kUncheckedImage = QStringLiteral("icon-select-normal");
    static inline const QString kAdminText = QStringLiteral("ADMIN");
    static constexpr int kNameStyle = 1;
    static constexpr int kDetailStyle = 13;
    static constexpr int kBadgeStyle = 2;
    static constexpr int kAvatarSize = 2;
    static constexpr qreal kAvatarSide = 40;
    // The indicator's centre from the avatar's origin.
    static constexpr qreal kIndicatorOffset = 33;
    // The avatar's width and the gap after it.
    static constexpr qreal kTextIndent = 54;
    static constexpr qreal kGap = 5;
    static constexpr qreal kSeparatorHeight = 1;

    ZVMemberCell(Style style, QString reuseIdentifier);
    ~ZVMemberCell() override;

    std::shared_ptr<ZVMember> member() const { return member_.lock(); }
    void setMember(const std::shared_ptr<ZVMember>& member);
    // Makes the check mark on first use.
    void setChecked(bool checked);
    bool checked() const { return checked_; }

    const std::shared_ptr<ZVAvatarView>& avatar() const { return avatar_; }
    const std::shared_ptr<platform::ImageView>& emailIndicator() const { return emailIndicator_; }
    const std::shared_ptr<platform::View>& separator() const { return separator_; }
    const std::shared_ptr<platform::ImageView>& checkMark() const { return checkMark_; }
    const std::shared_ptr<ZVBadge>& adminBadge() const { return adminBadge_; }

    void layoutSubviews() override;

private:
    std::weak_ptr<ZVMember> member_;
    std::shared_ptr<ZVAvatarView> avatar_;
    std::shared_ptr<platform::ImageView> emailIndicator_;
    std::shared_ptr<platform::View> separator_;
    std::shared_ptr<platform::ImageView> checkMark_;
    std::shared_ptr<ZVBadge> adminBadge_;
    bool checked_ = false;
};
