#include "app/inbox/cells/ZVInboxTableViewCell.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "app/inbox/cells/ZVMutePopover.h"
#include "app/inbox/cells/ZVSwipeAction.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ViewLayout.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;
using platform::GestureRecognizerState;
using platform::ViewAnimation;

namespace {

qreal signOf(qreal value) {
    return value > 0 ? 1 : -1;
}

}  // namespace

bool ZVInboxTableViewCell::shouldReceiveTouch(platform::GestureRecognizer& recognizer,
                                              const platform::Touch& touch) {
    const platform::View* view = recognizer.view();
    gestureStartPos_ = touch.locationInView(view ? view->superview() : nullptr);
    return true;
}

bool ZVInboxTableViewCell::shouldBegin(platform::GestureRecognizer& recognizer) {
    // A row without a conversation has nothing to act on: it never slides.
    if (isEditing() || !conversation()) {
        return false;
    }
    const platform::View* view = recognizer.view();
    const QPointF at = recognizer.locationInView(view ? view->superview() : nullptr);
    return std::abs(at.x() - gestureStartPos_.x()) > std::abs(at.y() - gestureStartPos_.y());
}

void ZVInboxTableViewCell::setSwiping(bool swiping) {
    if (swiping == swiping_) {
        return;
    }
    swiping_ = swiping;
    if (!swiping) {
        resumeHeldChanges();
        return;
    }
    const auto conversation = this->conversation();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (session) {
        session->holdLabelChanges();
        heldSession_ = session;
    }
}

void ZVInboxTableViewCell::resumeHeldChanges() {
    const auto session = heldSession_.lock();
    heldSession_.reset();
    if (session) {
        session->resumeLabelChanges();
    }
}

void ZVInboxTableViewCell::cellPan(platform::GestureRecognizer& recognizer) {
    const GestureRecognizerState state = recognizer.state();
    setSwiping(state == GestureRecognizerState::Began || state == GestureRecognizerState::Changed);
    if (state == GestureRecognizerState::Possible || recognizer.view() == nullptr) {
        return;
    }
    platform::View* up = recognizer.view()->superview();
    while (up != nullptr && dynamic_cast<ZVInboxTableViewCell*>(up) == nullptr) {
        up = up->superview();
    }
    if (up == nullptr) {
        return;
    }
    auto& row = static_cast<ZVInboxTableViewCell&>(*up);
    auto& pan = static_cast<platform::PanGestureRecognizer&>(recognizer);
    platform::View& content = *recognizer.view();
    const qreal restX = row.bounds().width() / 2;
    const qreal height = row.bounds().height();
    content.setBackgroundColor(color_);

    const qreal tx = pan.translationInView(&row).x();
    const qreal limit = (tx > 0 ? kRightLimit : kLeftLimit) * height;
    qreal x = tx;
    qreal damping = 1;
    if (std::abs(tx) > limit) {
        const qreal excess = std::abs(tx) - limit;
        damping = 1 + excess / kBandDamping;
        x = signOf(tx) * (limit + excess / damping);
    }
    const qreal activation = height > 0 ? std::min<qreal>(1, std::abs(x) / height) : 0;
    const auto conversation = row.conversation();
    if (!conversation) {
        x = 0;
    }
    const auto code =
        x > 0 ? (conversation->isUnread() ? ZVSwipeAction::MarkRead : ZVSwipeAction::MarkUnread)
              : ZVSwipeAction::Mute;
    row.setActionIcon(static_cast<int>(code), activation, x < 0);
    content.setCenter(QPointF(restX + x, content.center().y()));

    if (state == GestureRecognizerState::Ended) {
        row.release(x, damping, activation, pan.velocityInView(&row).x());
    }
}

void ZVInboxTableViewCell::release(qreal x, qreal damping, qreal activation, qreal velocityX) {
    const bool activated = activation > kFireAt;
    if (std::abs(x) <= kRestTolerance) {
        resetActionIcon();
        return;
    }
    const auto content = contentView();
    const qreal restX = bounds().width() / 2;
    const qreal height = bounds().height();
    const qreal v = velocityX / damping;
    const qreal d = content->center().x() - restX;
    std::weak_ptr<ZVInboxTableViewCell> weak = self();
    const auto finish = [weak](bool fire) {
        return [weak, fire](bool) {
            if (auto cell = weak.lock()) {
                if (fire) {
                    cell->performAction(cell->pendingAction());
                }
                cell->resetActionIcon();
            }
        };
    };
    // The content's layer keeps the animations: they hold the content weakly.
    const std::weak_ptr<platform::View> weakContent = content;
    const auto returnToRest = [weakContent, restX] {
        if (const auto content = weakContent.lock()) {
            content->setCenter(QPointF(restX, content->center().y()));
        }
    };
    if ((d > 0) == (v > 0)) {
        // A flick along the drag carries the row on a little before it comes back.
        const qreal step = signOf(v) * std::sqrt(std::abs(v));
        const bool fire = std::abs(x + step) / height > kFireAt || activated;
        ViewAnimation::animate(
            kFlickDuration, 0, ViewAnimation::CurveEaseOut,
            [weakContent, step] {
                if (const auto content = weakContent.lock()) {
                    content->setCenter(content->center() + QPointF(step, 0));
                }
            },
            [returnToRest, finish, fire, d](bool) {
                ViewAnimation::animate(std::abs(d) / kFlickReturnSpeed, 0,
                                       ViewAnimation::CurveEaseIn, returnToRest, finish(fire));
            });
        return;
    }
    ViewAnimation::animate(kReturnDuration, 0, ViewAnimation::CurveLinear, returnToRest,
                           finish(activated));
}

void ZVInboxTableViewCell::setActionIcon(int code, qreal activation, bool rightSide) {
    if (code != pendingAction_) {
        if (actionIcon_) {
            actionIcon_->removeFromSuperview();
            actionIcon_.reset();
        }
        if (code == 0) {
            setColor(color_);
        } else if (const auto look = swipeActionLook(code)) {
            const QImage image = platform::Images::named(look->imageName);
            if (!image.isNull()) {
                actionIcon_ = platform::View::make<platform::ImageView>(image);
                actionIcon_->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
                actionIcon_->setTintColor(Qt::white);
                actionIcon_->sizeToFit();
                const QRectF b = bounds();
                const qreal half = b.height() / 2;
                actionIcon_->setCenter(QPointF(rightSide ? b.width() - half : half, half));
                insertSubview(actionIcon_, 0);
                setBackgroundColor(platform::resolveColor(look->stripColor));
            }
        }
        pendingAction_ = code;
        for (const auto& label : ViewList{textLabel(), detailTextLabel(), timestampLabel_}) {
            label->setBackgroundColor(color_);
        }
    }
    const bool activated = activation > kActivatedAt;
    if (activated && !actionActivated_) {
        bounceActionIconHideAfterwards(false);
    }
    actionActivated_ = activated;
    if (!activated && actionIcon_) {
        actionIcon_->setAlpha(activation);
    }
}

void ZVInboxTableViewCell::resetActionIcon() {
    setActionIcon(0, 0, false);
    setNeedsLayout();
}

void ZVInboxTableViewCell::bounceActionIconHideAfterwards(bool hide) {
    const auto icon = actionIcon_;
    if (!icon) {
        return;
    }
    if (!hide) {
        icon->setAlpha(1);
    }
    const platform::LayerTransform rest = icon->layer().transform();
    platform::LayerTransform grown = rest;
    grown.scale *= kBounceScale;
    // The icon's own layer keeps the animations: they hold the icon weakly, or it never goes.
    const std::weak_ptr<platform::ImageView> weak = icon;
    ViewAnimation::animate(
        kBounceDuration,
        [weak, grown] {
            if (const auto icon = weak.lock()) {
                icon->layer().setTransform(grown);
            }
        },
        [weak, rest, hide](bool) {
            ViewAnimation::animate(kBounceDuration, [weak, rest, hide] {
                if (const auto icon = weak.lock()) {
                    icon->layer().setTransform(rest);
                    if (hide) {
                        icon->setAlpha(0);
                    }
                }
            });
        });
}

void ZVInboxTableViewCell::performAction(int code) {
    const auto conversation = this->conversation();
    const auto look = swipeActionLook(code);
    if (!conversation || !look) {
        return;
    }
    if (!look->eventLabel.isNull()) {
        ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, u"Conversation"_s,
                                                          look->eventLabel);
    }
    switch (static_cast<ZVSwipeAction>(code)) {
        case ZVSwipeAction::MarkRead:
            conversation->markRead();
            break;
        case ZVSwipeAction::MarkUnread:
            conversation->markUnread();
            break;
        case ZVSwipeAction::Star:
            if (conversation->starWeight()) {
                conversation->unstar();
            } else {
                conversation->starAfter(QString());
            }
            break;
        case ZVSwipeAction::Archive:
            conversation->archive();
            break;
        case ZVSwipeAction::Unarchive:
            conversation->unarchive();
            break;
        case ZVSwipeAction::Mute:
            ZVMutePopover::show(conversation, *this);
            break;
        case ZVSwipeAction::None:
            break;
    }
}
