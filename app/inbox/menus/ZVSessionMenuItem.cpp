#include "app/inbox/menus/ZVSessionMenuItem.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVUnreadBadge.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

using namespace Qt::Literals::StringLiterals;

ZVSessionMenuItem::ZVSessionMenuItem(const std::shared_ptr<ZVRepositorySession>& session)
    : session_(session),
      avatar_(platform::View::make<ZVAvatarView>()),
      name_(platform::View::make<platform::Label>()),
      email_(platform::View::make<platform::Label>()),
      badge_(platform::View::make<ZVUnreadBadge>()) {
    avatar_->setSize(kAvatarSize);
    avatar_->setContact(session ? session->localContact() : nullptr);
    addSubview(avatar_);
    ZVTextStyles::styleLabel(*name_, kNameStyle);
    name_->setTextColor(platform::resolveColor(colorWithName(u"lightText"_s)));
    addSubview(name_);
    ZVTextStyles::styleLabel(*email_, kEmailStyle);
    email_->setTextColor(QColor::fromRgbF(kEmailWhite, kEmailWhite, kEmailWhite, 1));
    addSubview(email_);
    addSubview(badge_);
    updateState();
    if (session) {
        unreadObservation_ = session->observe(QString(ZVRepositorySession::kUnreadCountKey),
                                              [this](const QString&) { updateState(); });
    }
}

ZVSessionMenuItem::~ZVSessionMenuItem() = default;

void ZVSessionMenuItem::releaseSession() {
    unreadObservation_ = {};
}

void ZVSessionMenuItem::updateState() {
    const auto session = this->session();
    const auto& contact = session ? session->localContact() : nullptr;
    name_->setText(contact ? contact->displayName() : QString());
    const auto& profile = session ? session->profile() : nullptr;
    email_->setText(profile ? profile->mainIdentifier() : QString());
    badge_->setNumber(session ? static_cast<long>(session->unreadCount()) : 0);
    setNeedsLayout();
}

void ZVSessionMenuItem::setActive(bool active) {
    if (active == isActive()) {
        return;
    }
    if (active) {
        activeIndicator_ = platform::View::make<platform::View>();
        activeIndicator_->setBackgroundColor(
            platform::resolveColor(colorWithName(u"gradient_from"_s)));
        activeIndicator_->layer().setCornerRadius(kMarkerRadius);
        addSubview(activeIndicator_);
        setNeedsLayout();
    } else {
        activeIndicator_->removeFromSuperview();
        activeIndicator_.reset();
    }
}

void ZVSessionMenuItem::layoutSubviews() {
    ZVVerticalMenuItem::layoutSubviews();
    QRectF rest = bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const QSizeF avatarSize = avatar_->bounds().size();
    avatar_->setCenter({rest.left() + avatarSize.width() / 2, rest.center().y()});
    rest.setLeft(rest.left() + avatarSize.width() + kAvatarGap);
    // Without a count the texts take the room the badge would have had.
    badge_->setHidden(badge_->number() < 1);
    if (badge_->number() >= 1) {
        const qreal width = badge_->bounds().width();
        badge_->setCenter({rest.right() - width / 2, rest.center().y()});
        rest.setRight(rest.right() - width - kBadgeGap);
    }
    const qreal nameHeight = ZVTextStyles::lineHeightForStyle(kNameLineStyle);
    const qreal emailHeight = ZVTextStyles::lineHeightForStyle(kEmailLineStyle);
    name_->setFrame(QRectF(rest.left(), rest.top(), rest.width(), nameHeight));
    email_->setFrame(QRectF(rest.left(), rest.bottom() - emailHeight, rest.width(), emailHeight));
    if (activeIndicator_) {
        activeIndicator_->setFrame(
            QRectF(kMarkerX, kMarkerY, kMarkerWidth, bounds().height() - 2 * kMarkerY));
    }
}
