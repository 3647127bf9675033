#include "accounts/people/ZVContactCell.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "accounts/people/ZVContact.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

ZVContactCell::ZVContactCell(bool checkmark)
    : ZVTableViewCell(Style::Subtitle, checkmark ? kCheckReuseIdentifier : kReuseIdentifier) {
    if (checkmark) {
        checkmark_ = View::make<platform::ImageView>(platform::Images::named(kUncheckedImage));
        checkmark_->sizeToFit();
        contentView()->addSubview(checkmark_);
    }
    ZVTextStyles::styleLabel(*textLabel(), kNameStyle);
    ZVTextStyles::styleLabel(*detailTextLabel(), kEmailStyle);
    separator_ = View::make<platform::View>();
    separator_->setBackgroundColor(platform::resolveColor(ZVColors::border()));
    addSubview(separator_);
}

void ZVContactCell::setContact(const std::shared_ptr<ZVContact>& contact) {
    contact_ = contact;
    if (!contact) {
        return;
    }
    ZVTextStyles::styleLabel(*textLabel(), kNameStyle);
    ZVTextStyles::styleLabel(*detailTextLabel(), kEmailStyle);
    textLabel()->setText(contact->name());
    detailTextLabel()->setText(contact->email());
    setChecked(contact->checked() || contact->alwaysChecked());
    const qreal alpha = checkmark_ && contact->alwaysChecked() ? kDimmedAlpha : 1.0;
    if (checkmark_) {
        checkmark_->setAlpha(alpha);
    }
    textLabel()->setAlpha(alpha);
    detailTextLabel()->setAlpha(alpha);
    setHighlightable(!contact->alwaysChecked());
    updateAvatar();
    setNeedsLayout();
}

void ZVContactCell::updateAvatar() {
    const auto entry = contact_.lock();
    if (!avatar_ || !entry) {
        return;
    }
    if (entry->isTeam()) {
        avatar_->setContact(nullptr);
        avatar_->setType(ZVAvatarView::kTeam);
        emailIndicator_->setHidden(true);
        return;
    }
    avatar_->setType(ZVAvatarView::kContact);
    if (entry->contact()) {
        avatar_->setContact(entry->contact());
    } else {
        avatar_->setContact(nullptr);
        avatar_->setPlaceholder(ZVNameUtils::extractInitials(entry->name()));
    }
    emailIndicator_->setHidden(entry->contact() && entry->contact()->isZelvoContact());
}

void ZVContactCell::setChecked(bool checked) {
    checked_ = checked;
    if (checkmark_) {
        checkmark_->setImage(platform::Images::named(checked ? kCheckedImage : kUncheckedImage));
    }
}

void ZVContactCell::setAvatarSize(int size) {
    avatarSize_ = size;
    if (size == 0) {
        if (avatar_) {
            avatar_->removeFromSuperview();
            emailIndicator_->removeFromSuperview();
            avatar_.reset();
            emailIndicator_.reset();
        }
        setNeedsLayout();
        return;
    }
    if (!avatar_) {
        avatar_ = View::make<ZVAvatarView>();
        contentView()->addSubview(avatar_);
        emailIndicator_ =
            View::make<platform::ImageView>(platform::Images::named(kEmailIndicatorImage));
        emailIndicator_->sizeToFit();
        contentView()->addSubview(emailIndicator_);
    }
    avatar_->setSize(size);
    updateAvatar();
    setNeedsLayout();
}

void ZVContactCell::setHighlightStr(const QString& text) {
    const auto entry = contact_.lock();
    if (!entry) {
        return;
    }
    const auto highlighted = [&](const QString& line) {
        return attributedStringHighlightingRange(
            line, text.isEmpty() ? StringRange{} : rangeOfPrefixString(line, text));
    };
    textLabel()->setAttributedText(highlighted(entry->name()));
    detailTextLabel()->setAttributedText(highlighted(entry->email()));
}

void ZVContactCell::layoutSubviews() {
    ZVTableViewCell::layoutSubviews();
    QRectF rect =
        contentView()->bounds().adjusted(kContentViewInsets.left, kContentViewInsets.top,
                                         -kContentViewInsets.right, -kContentViewInsets.bottom);
    if (checkmark_) {
        const QRectF strip = CGRectExtractRight(rect, checkmark_->frame().width());
        checkmark_->setCenter(CGRectGetCenter(strip));
    }
    if (avatar_) {
        const qreal side = avatar_->frame().width();
        const QRectF strip = CGRectExtractLeft(rect, side);
        avatar_->setCenter(CGRectGetCenter(strip));
        CGRectExtractLeft(rect, kAvatarGap);
        const QRectF frame = avatar_->frame();
        emailIndicator_->setCenter(
            QPointF(frame.right() - kIndicatorInset, frame.bottom() - kIndicatorInset));
    }
    const qreal line = ZVTextStyles::lineHeightForStyle(kLineStyle);
    textLabel()->setFrame(CGRectExtractTop(rect, line));
    detailTextLabel()->setFrame(CGRectExtractBottom(rect, line));
    separator_->setFrame(
        QRectF(0, bounds().height() - kSeparatorHeight, bounds().width(), kSeparatorHeight));
}
