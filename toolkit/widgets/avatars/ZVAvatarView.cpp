#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Hook.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/ColorValue.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarManager.h"

#include <cmath>

using platform::resolveColor;

namespace {

QString iconForType(int type) {
    switch (type) {
        case ZVAvatarView::kHook:
            return QStringLiteral("icon-avatar-hook");
        case ZVAvatarView::kPin:
        case ZVAvatarView::kFadedPin:
            return QStringLiteral("icon-avatar-pin");
        case ZVAvatarView::kTaskCompleted:
        case ZVAvatarView::kTaskCompletedToo:
            return QStringLiteral("icon-avatar-task-completed");
        case ZVAvatarView::kSystemMessage:
            return QStringLiteral("icon-avatar-systemmessage");
        case ZVAvatarView::kNew:
            return QStringLiteral("icon-avatar-new");
        case ZVAvatarView::kTeam:
            return QStringLiteral("icon-team");
        default:
            return {};
    }
}

QImage icon(const QString& name) {
    return name.isEmpty() ? QImage() : platform::Images::named(name);
}

}  // namespace

ZVAvatarView::ZVAvatarView()
    : nameLabel_(std::make_shared<platform::Label>()),
      image_(std::make_shared<platform::ImageView>()) {
    ZVTextStyles::styleLabel(*nameLabel_, kSmallLabelStyle);
    addSubview(image_);
    addSubview(nameLabel_);
    setSize(ZVAvatarManager::kMedium);
    updateImage();
}

ZVAvatarView::~ZVAvatarView() = default;

qreal ZVAvatarView::pointsForSize(int size) {
    return ZVAvatarManager::sizeForSize(size);
}

void ZVAvatarView::preloadAvatarForContact(const Contact& contact, int size) {
    if (const auto manager = ZVAvatarManager::instance()) {
        (void)manager->avatarForContact(contact, size);
    }
}

void ZVAvatarView::setContact(const std::shared_ptr<Contact>& contact) {
    if (contact == contact_) {
        return;
    }
    if (!contact) {
        setType(kPlaceholder);
        return;
    }
    type_ = kContact;
    conversation_.reset();
    hook_.reset();
    contact_ = contact;
    showInitials(contact->initials(), contact->accountId());
    const auto manager = ZVAvatarManager::instance();
    setAvatar(manager ? manager->avatarForContact(*contact, size_) : nullptr);
}

void ZVAvatarView::setConversation(const std::shared_ptr<Conversation>& conversation) {
    if (conversation == conversation_) {
        return;
    }
    if (!conversation) {
        setType(kPlaceholder);
        return;
    }
    const QString partner = conversation->dialogPartner();
    if (!partner.isEmpty()) {
        if (const auto session = conversation->repositorySession()) {
            setContact(session->contactFromId(partner));
            return;
        }
    }
    type_ = kConversation;
    contact_.reset();
    hook_.reset();
    conversation_ = conversation;
    showInitials(conversation->initials(), conversation->conversationId());
    // A reused view must not keep the picture of what it showed before.
    setAvatar(nullptr);
}

void ZVAvatarView::setHook(const std::shared_ptr<Hook>& hook) {
    if (hook == hook_) {
        return;
    }
    if (!hook) {
        setType(kPlaceholder);
        return;
    }
    type_ = kHook;
    contact_.reset();
    conversation_.reset();
    hook_ = hook;
    const auto manager = ZVAvatarManager::instance();
    setAvatar(manager ? manager->avatarForHook(*hook, size_) : nullptr);
}

void ZVAvatarView::setPlaceholder(const QString& text) {
    setType(kPlaceholder);
    placeholder_ = text;
    showInitials(text, text);
    setAvatar(nullptr);
}

void ZVAvatarView::setType(int type) {
    if (type == type_) {
        return;
    }
    type_ = type;
    contact_.reset();
    conversation_.reset();
    hook_.reset();
    setAvatar(nullptr);
}

void ZVAvatarView::showInitials(const QString& text, const QString& colourId) {
    nameLabel_->setText(text);
    nameLabel_->setTextColor(resolveColor(colorFromGUID(colourId)));
}

void ZVAvatarView::setAvatar(const std::shared_ptr<ZVCachedImage>& avatar) {
    loading_.reset();
    avatar_ = avatar;
    updateImage();
}

void ZVAvatarView::updateImage() {
    const bool belowLarge = size_ < ZVAvatarManager::kLarge;
    if (avatar_) {
        QImage picture = avatar_->image();
        if (avatar_->loading()) {
            if (!loading_.isActive()) {
                loading_ = avatar_->observe(QString(ZVCachedImage::LoadingKey),
                                            [this](const QString&) { updateImage(); });
            }
        } else {
            loading_.reset();
        }
        if (picture.isNull() && type_ == kHook) {
            picture = icon(iconForType(kHook));
        }
        image_->setImage(picture);
        image_->setAlpha(1);
        setOwnBackground(Qt::white);
        if (belowLarge) {
            layer().setBorderColor(QColor());
            layer().setBorderWidth(0);
        }
    } else {
        image_->setImage(icon(iconForType(type_)));
        image_->setAlpha(type_ == kFadedPin ? kFadedIconAlpha : 1);
        const bool team = type_ == kTeam;
        setOwnBackground(resolveColor(team ? ZVColors::background() : ZVColors::logo()));
        if (belowLarge) {
            layer().setBorderColor(resolveColor(team ? ZVColors::border() : ZVColors::logo()));
            layer().setBorderWidth(kBorderWidth);
        }
    }

    const bool noPicture = image_->image().isNull();
    image_->setHidden(noPicture);
    nameLabel_->setHidden(!noPicture);
    if (noPicture) {
        const platform::Color tint =
            colorWithAlpha(platform::colorValue(nameLabel_->textColor()), kTintAlpha);
        setOwnBackground(resolveColor(colorByBlendingWithColor(colorWithWhite(1), tint)));
        nameLabel_->setBackgroundColor(backgroundColor());
        if (belowLarge) {
            layer().setBorderColor(resolveColor(colorWithName(QStringLiteral("avatar_border"))));
            layer().setBorderWidth(kBorderWidth);
        }
    }
    setNeedsLayout();
}

void ZVAvatarView::setSize(int size) {
    if (size == size_) {
        return;
    }
    size_ = size;
    const qreal side = pointsForSize(size);
    setFrame(QRectF(frame().topLeft(), QSizeF(side, side)));
    layer().setCornerRadius(side / 2);
    if (size == ZVAvatarManager::kLarge) {
        layer().setBorderColor(Qt::white);
        layer().setBorderWidth(kLargeRingWidth);
    } else {
        layer().setBorderColor(resolveColor(ZVColors::border()));
        layer().setBorderWidth(0);
    }
    setClipsToBounds(true);
    // The font only: the initials keep their owner's colour.
    nameLabel_->setFont(ZVTextStyles::fontForStyle(
        size == ZVAvatarManager::kLarge ? kLargeLabelStyle : kSmallLabelStyle));
    updateImage();
}

void ZVAvatarView::setCanChange(bool canChange) {
    if (canChange == this->canChange()) {
        return;
    }
    if (canChange) {
        overlay_ = platform::View::make();
        overlay_->setBackgroundColor(Qt::black);
        overlay_->setAlpha(kOverlayAlpha);
        overlay_->setUserInteractionEnabled(false);
        addSubview(overlay_);
        changeLabel_ = std::make_shared<platform::Label>();
        platform::FontDescription font = ZVTextStyles::mainFont();
        font.pointSize = kChangeFontSize;
        changeLabel_->setFont(font.bold());
        changeLabel_->setTextColor(Qt::white);
        changeLabel_->setBackgroundColor(QColor());
        changeLabel_->setText(kChangeText);
        addSubview(changeLabel_);
    } else {
        overlay_->removeFromSuperview();
        changeLabel_->removeFromSuperview();
        overlay_.reset();
        changeLabel_.reset();
    }
    setNeedsLayout();
}

void ZVAvatarView::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsLayout();
    layoutIfNeeded();
}

void ZVAvatarView::layoutSubviews() {
    const QRectF b = bounds();
    nameLabel_->sizeToFit();
    QRectF label = nameLabel_->frame();
    label.setSize(QSizeF(std::ceil(label.width()), std::ceil(label.height())));
    label.moveCenter(b.center());
    label.moveTopLeft(QPointF(std::ceil(label.x()), std::ceil(label.y())));
    nameLabel_->setFrame(label);

    QRectF picture(QPointF(), platform::Images::pointSize(image_->image()));
    picture.moveCenter(b.center());
    image_->setFrame(picture);

    if (overlay_) {
        const qreal top = b.height() * kOverlayTop;
        const QRectF quarter(0, top, b.width(), b.height() - top);
        overlay_->setFrame(highlighted_ ? b : quarter);
        changeLabel_->sizeToFit();
        changeLabel_->setCenter(quarter.center());
    }
    if (activity_) {
        activity_->setCenter(b.center());
    }
}

void ZVAvatarView::touchesBegan(const platform::TouchSet& touches,
                                const platform::TouchEvent& event) {
    setHighlighted(true);
    View::touchesBegan(touches, event);
}

void ZVAvatarView::touchesEnded(const platform::TouchSet& touches,
                                const platform::TouchEvent& event) {
    setHighlighted(false);
    View::touchesEnded(touches, event);
}

void ZVAvatarView::touchesCancelled(const platform::TouchSet& touches,
                                    const platform::TouchEvent& event) {
    setHighlighted(false);
    View::touchesCancelled(touches, event);
}

void ZVAvatarView::showActivity() {
    hideActivity();
    activity_ = std::make_shared<platform::ActivityIndicator>(
        platform::ActivityIndicator::Style::WhiteLarge);
    addSubview(activity_);
    activity_->startAnimating();
    setNeedsLayout();
}

void ZVAvatarView::hideActivity() {
    if (activity_) {
        activity_->stopAnimating();
        activity_->removeFromSuperview();
        activity_.reset();
    }
}

std::shared_ptr<ZVAvatarView> ZVAvatarView::Answer::arrived() const {
    auto shown = std::dynamic_pointer_cast<ZVAvatarView>(view.lock());
    if (!shown) {
        return nullptr;
    }
    if (shown->activity_ && shown->activity_ == activity.lock()) {
        shown->hideActivity();
    }
    return shown->contact_ == contact ? shown : nullptr;
}

void ZVAvatarView::deleteAvatar() {
    const std::shared_ptr<Contact> contact = contact_;
    const auto session = contact ? contact->session() : nullptr;
    if (!session) {
        return;
    }
    image_->setImage(QImage());
    image_->setHidden(true);
    nameLabel_->setHidden(false);
    showActivity();
    const Answer answer{weak_from_this(), contact, activity_};
    session->deleteMyAvatarOnSuccess(
        [answer] {
            if (const auto view = answer.arrived()) {
                view->setContact(nullptr);
                view->setContact(answer.contact);
            }
        },
        [answer](const ZVErrorPtr&) {
            if (const auto view = answer.arrived()) {
                view->updateImage();
            }
        });
}

void ZVAvatarView::setContactAvatar(const QUrl& fileUrl) {
    const std::shared_ptr<Contact> contact = contact_;
    const auto session = contact ? contact->session() : nullptr;
    const auto manager = ZVAvatarManager::instance();
    if (!session || !manager) {
        return;
    }
    image_->setImage(manager->prepareImage(QImage(fileUrl.toLocalFile()), size_));
    image_->setHidden(image_->image().isNull());
    nameLabel_->setHidden(!image_->isHidden());
    showActivity();
    const Answer answer{weak_from_this(), contact, activity_};
    // The contact's change, announced by the service, brings the stored picture.
    session->setMyAvatar(
        fileUrl, [answer] { (void)answer.arrived(); }, [](float) {},
        [answer](const ZVErrorPtr&) {
            if (const auto view = answer.arrived()) {
                view->updateImage();
            }
        });
}

void ZVAvatarView::willMoveToSuperview(View* newSuperview) {
    if (newSuperview) {
        return;
    }
    const auto manager = ZVAvatarManager::instance();
    // Not while it is being destroyed: then nothing shares it any more.
    if (const auto self = std::static_pointer_cast<ZVAvatarView>(weak_from_this().lock());
        manager && self) {
        manager->removeAvatarView(self);
    }
    setType(kPlaceholder);
}

void ZVAvatarView::didMoveToSuperview() {
    const auto manager = ZVAvatarManager::instance();
    if (const auto self = std::static_pointer_cast<ZVAvatarView>(weak_from_this().lock());
        superview() && manager && self) {
        manager->addAvatarView(self);
    }
}
