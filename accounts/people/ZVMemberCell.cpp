#include "accounts/people/ZVMemberCell.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBadge.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <algorithm>

// Always two lines, whatever layout the table's group asks for.
ZVMemberCell::ZVMemberCell(Style, QString reuseIdentifier)
    : ZVDialogCell(Style::Subtitle, std::move(reuseIdentifier)) {
    avatar_ = View::make<ZVAvatarView>();
    avatar_->setSize(kAvatarSize);
    contentView()->addSubview(avatar_);
    emailIndicator_ =
        View::make<platform::ImageView>(platform::Images::named(kEmailIndicatorImage));
    emailIndicator_->sizeToFit();
    contentView()->addSubview(emailIndicator_);
    separator_ = View::make<platform::View>();
    separator_->setBackgroundColor(platform::resolveColor(ZVColors::border()));
    addSubview(separator_);
    ZVTextStyles::styleLabel(*textLabel(), kNameStyle);
    ZVTextStyles::styleLabel(*detailTextLabel(), kDetailStyle);
    detailTextLabel()->setTextAlignment(platform::TextAlignment::Left);
}

ZVMemberCell::~ZVMemberCell() = default;

void ZVMemberCell::setMember(const std::shared_ptr<ZVMember>& member) {
    member_ = member;
    if (!member) {
        return;
    }
    textLabel()->setText(member->displayName());
    const auto& contact = member->contact();
    if (contact) {
        avatar_->setContact(contact);
        detailTextLabel()->setText(contact->lastSeenText());
        detailTextLabel()->setHidden(false);
    } else {
        avatar_->setContact(nullptr);
        avatar_->setPlaceholder(ZVNameUtils::extractInitials(member->displayName()));
        detailTextLabel()->setHidden(true);
    }
    if (member->isAdmin()) {
        if (!adminBadge_) {
            adminBadge_ = View::make<ZVBadge>();
            adminBadge_->setStyle(kBadgeStyle);
            contentView()->addSubview(adminBadge_);
        }
        adminBadge_->setText(kAdminText);
        adminBadge_->setHidden(false);
    } else if (adminBadge_) {
        adminBadge_->setHidden(true);
    }
    emailIndicator_->setHidden(contact && contact->isZelvoContact());
    setHighlightable(!member->isLocalContact());
    setNeedsLayout();
}

void ZVMemberCell::setChecked(bool checked) {
    checked_ = checked;
    const QImage image = platform::Images::named(checked ? kCheckedImage : kUncheckedImage);
    if (!checkMark_) {
        checkMark_ = View::make<platform::ImageView>(image);
        checkMark_->sizeToFit();
        contentView()->addSubview(checkMark_);
        setNeedsLayout();
    } else {
        checkMark_->setImage(image);
    }
}

void ZVMemberCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    const platform::EdgeInsets insets = contentViewInsets();
    QRectF rect =
        contentView()->bounds().adjusted(insets.left, insets.top, -insets.right, -insets.bottom);
    avatar_->setFrame(
        QRectF(rect.left(), rect.center().y() - kAvatarSide / 2, kAvatarSide, kAvatarSide));
    emailIndicator_->setCenter(avatar_->frame().topLeft() +
                               QPointF(kIndicatorOffset, kIndicatorOffset));
    CGRectExtractLeft(rect, kTextIndent);
    if (checkMark_) {
        const QSizeF mark = checkMark_->frame().size();
        checkMark_->setFrame(QRectF(rect.right() - mark.width(),
                                    rect.center().y() - mark.height() / 2, mark.width(),
                                    mark.height()));
        CGRectExtractRight(rect, mark.width() + kGap);
    }
    if (adminBadge_ && !adminBadge_->isHidden()) {
        adminBadge_->sizeToFit();
        const QRectF strip = CGRectExtractRight(rect, adminBadge_->frame().width());
        adminBadge_->setCenter(CGRectGetCenter(strip));
        CGRectExtractRight(rect, kGap);
    }
    const auto& name = textLabel();
    const auto& detail = detailTextLabel();
    name->sizeToFit();
    detail->sizeToFit();
    const qreal nameHeight = name->frame().height();
    if (!detail->isHidden()) {
        name->setFrame(QRectF(rect.left(), rect.top() + kGap, rect.width(), nameHeight));
        const qreal detailHeight = detail->frame().height();
        // Never over the name, however large the fonts.
        const qreal detailTop =
            std::max(rect.bottom() - kGap - detailHeight, name->frame().bottom());
        detail->setFrame(QRectF(rect.left(), detailTop, rect.width(), detailHeight));
    } else {
        name->setFrame(
            QRectF(rect.left(), rect.center().y() - nameHeight / 2, rect.width(), nameHeight));
    }
    separator_->setFrame(
        QRectF(0, bounds().height() - kSeparatorHeight, bounds().width(), kSeparatorHeight));
}
