#include "app/inbox/cells/ZVAvatarCell.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

ZVAvatarCell::ZVAvatarCell(Style style, QString reuseIdentifier)
    : platform::TableViewCell(style, std::move(reuseIdentifier)),
      separator_(platform::View::make<platform::View>()) {
    separator_->setBackgroundColor(platform::resolveColor(colorWithName(u"lightborder"_s)));
    contentView()->addSubview(separator_);
}

ZVAvatarCell::~ZVAvatarCell() = default;

int ZVAvatarCell::avatarSize() const {
    return avatarView_ ? avatarView_->size() : 0;
}

void ZVAvatarCell::setAvatarSize(int size) {
    if (size == 0) {
        if (avatarView_) {
            avatarView_->removeFromSuperview();
            avatarView_.reset();
        }
        return;
    }
    if (!avatarView_) {
        avatarView_ = platform::View::make<ZVAvatarView>();
        avatarView_->setType(ZVAvatarView::kConversation);
        contentView()->addSubview(avatarView_);
    }
    avatarView_->setSize(size);
}

bool ZVAvatarCell::separator() const {
    return !separator_->isHidden();
}

void ZVAvatarCell::setSeparator(bool visible) {
    separator_->setHidden(!visible);
}

QRectF ZVAvatarCell::layoutWithRect(const QRectF& rect) {
    const QRectF content = contentView()->bounds();
    const auto placeSeparator = [&](qreal x) {
        separator_->setFrame(QRectF(x, content.height() - 1, content.width() - x, 1));
    };
    if (!separatorExcludesAvatar_) {
        placeSeparator(rect.x());
    }
    QRectF inner =
        rect.adjusted(kHorizontalInset, kVerticalInset, -kHorizontalInset, -kVerticalInset);
    if (avatarView_) {
        const QRectF strip = CGRectExtractLeft(inner, avatarView_->bounds().width());
        avatarView_->setCenter(CGRectGetCenter(strip));
        CGRectExtractLeft(inner, kAvatarGap);
    }
    if (separatorExcludesAvatar_) {
        placeSeparator(inner.x());
    }
    return inner;
}

void ZVAvatarCell::layoutSubviews() {
    if (std::abs(contentView()->bounds().width() - bounds().width()) > kRelayoutTolerance) {
        platform::TableViewCell::layoutSubviews();
    }
    layoutWithRect(contentView()->bounds());
}
