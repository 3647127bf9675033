#include "accounts/people/ZVContactAvatarView.h"

#include "ZelvoKit/model/Contact.h"
#include "accounts/pages/ZVCloudsView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

ZVContactAvatarView::ZVContactAvatarView(std::shared_ptr<Contact> contact)
    : View(QRectF(0, 0, kWidth, kHeight)), contact_(std::move(contact)) {
    const QColor color = platform::resolveColor(colorFromGUID(contact_->accountId()));
    setBackgroundColor(color);
    background_ = View::make<ZVCloudsView>();
    background_->setBackgroundColor(color);
    addSubview(background_);
    avatar_ = View::make<ZVAvatarView>();
    avatar_->setSize(kAvatarSize);
    avatar_->setContact(contact_);
    addSubview(avatar_);
    name_ = View::make<platform::Label>();
    name_->setBackgroundColor(Qt::transparent);
    ZVTextStyles::styleLabel(*name_, kNameStyle);
    name_->setTextAlignment(platform::TextAlignment::Center);
    addSubview(name_);
    lastSeen_ = View::make<platform::Label>();
    lastSeen_->setBackgroundColor(Qt::transparent);
    ZVTextStyles::styleLabel(*lastSeen_, kLastSeenStyle);
    lastSeen_->setTextAlignment(platform::TextAlignment::Center);
    lastSeen_->setAlpha(kLastSeenAlpha);
    lastSeen_->setHidden(!contact_->isZelvoContact() || contact_->isLocalContact());
    addSubview(lastSeen_);
    activityObservation_ = contact_->observe(QStringLiteral("activity_time"),
                                             [this](const QString&) { updateLastSeen(); });
    contact_->refreshData();
    updateLastSeen();
}

ZVContactAvatarView::~ZVContactAvatarView() = default;

void ZVContactAvatarView::updateLastSeen() {
    name_->setText(contact_->displayName());
    lastSeen_->setText(contact_->lastSeenText());
    setNeedsLayout();
}

void ZVContactAvatarView::layoutSubviews() {
    background_->setFrame(bounds());
    QRectF rect = bounds().adjusted(kMargin, 0, -kMargin, 0);
    CGRectExtractTop(rect, kTop);
    const QRectF strip = CGRectExtractTop(rect, avatar_->frame().height());
    avatar_->setCenter(CGRectGetCenter(strip));
    CGRectExtractTop(rect, kAvatarGap);
    name_->sizeToFit();
    name_->setFrame(CGRectExtractTop(rect, name_->frame().height()));
    CGRectExtractTop(rect, kNameGap);
    lastSeen_->sizeToFit();
    lastSeen_->setFrame(CGRectExtractTop(rect, lastSeen_->frame().height()));
}
