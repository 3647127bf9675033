#include "MessageFlow/members/ZVMemberListView.h"

#include "MessageFlow/members/ZVMemberListPill.h"
#include "MessageFlow/members/ZVMemberListViewDelegate.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "toolkit/style/ViewLayout.h"

#include <QtCore/QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

template <class T>
bool sameObject(const std::weak_ptr<T>& held, const std::shared_ptr<T>& object) {
    return object && !held.owner_before(object) && !object.owner_before(held);
}

}  // namespace

ZVMemberListView::ZVMemberListView(std::shared_ptr<Conversation> conversation)
    : conversation_(std::move(conversation)) {
    setBackgroundColor(
        QColor::fromRgbF(kBackgroundWhite, kBackgroundWhite, kBackgroundWhite, kBackgroundAlpha));
    const QString placeholder = QStringLiteral("X");
    collapsedMembers_ = View::make<ZVMemberListPill>(placeholder, false, false);
    collapsedAdds_ = View::make<ZVMemberListPill>(placeholder, true, false);
    for (const auto& pill : {collapsedMembers_, collapsedAdds_}) {
        pill->setHidden(true);
        pill->setFrame(QRectF(0, 0, pill->width(), ZVMemberListPill::kHeight));
    }
    pills_.push_back(collapsedMembers_);
    addSubview(collapsedMembers_);
    updatePills();
    pills_.push_back(collapsedAdds_);
    addSubview(collapsedAdds_);
    rosterObservation_ =
        conversation_->observe(QString::fromLatin1(ZVConversationMembers::kSortedMembersKey),
                               [this](const QString&) { updatePills(); });
}

ZVMemberListView::~ZVMemberListView() = default;

bool ZVMemberListView::isCollapsePill(const ZVMemberListPill& pill) const {
    return &pill == collapsedMembers_.get() || &pill == collapsedAdds_.get();
}

// --- following the roster ---

void ZVMemberListView::updatePills() {
    if (disappearing_) {
        return;
    }
    const auto& roster = conversation_->sortedMembers();
    if (!roster) {
        return;
    }
    std::vector<std::shared_ptr<ZVMemberListPill>> stale;
    for (const auto& pill : pills_) {
        if (!isCollapsePill(*pill)) {
            stale.push_back(pill);
        }
    }
    const auto keepPill = [&](const auto& matches) {
        const auto found = std::find_if(stale.begin(), stale.end(), matches);
        if (found == stale.end()) {
            return false;
        }
        stale.erase(found);
        return true;
    };
    const auto keepOrAddMember = [&](const std::shared_ptr<ZVMember>& member) {
        if (!keepPill([&](const auto& pill) { return sameObject(pill->weakMember(), member); })) {
            addPill(View::make<ZVMemberListPill>(member));
        }
    };

    const auto session = conversation_->session();
    const QString self =
        session && session->profile() ? session->profile()->contactId() : QString();
    const auto own = roster->memberByAccountId(self);
    if (own) {
        keepOrAddMember(own);
    }
    if (const auto* teams = roster->teams()) {
        const QJsonArray committed = conversation_->teamsArray();
        for (const auto& team : *teams) {
            if (!keepPill([&](const auto& pill) { return sameObject(pill->weakTeam(), team); })) {
                const bool isNew = !committed.contains(team->teamId());
                addPill(View::make<ZVMemberListPill>(team, isNew));
            }
        }
    }
    for (const auto& member : *roster) {
        if (member != own) {
            keepOrAddMember(member);
        }
    }
    for (const auto& pill : stale) {
        removePill(pill);
    }

    int oldCount = 0;
    int newCount = 0;
    for (const auto& pill : pills_) {
        if (!isCollapsePill(*pill)) {
            (pill->isNew() ? newCount : oldCount) += 1;
        }
    }
    collapsedMembers_->setName(kMembersFormat.arg(oldCount));
    collapsedAdds_->setName(kNewMembersFormat.arg(newCount));
    if (const auto listener = delegate_.lock()) {
        listener->requestedExpansionToHeight(0);
    }
    setNeedsLayout();
}

void ZVMemberListView::addPill(const std::shared_ptr<ZVMemberListPill>& pill) {
    pill->setFrame(QRectF(0, 0, pill->width(), ZVMemberListPill::kHeight));
    pills_.push_back(pill);
    insertSubviewBelow(pill, collapsedAdds_.get());
    if (!collapsedAdds_->isHidden()) {
        pill->setHidden(true);
    }
    // Just past the right edge, on the row it will take; the next layout slides it in.
    std::shared_ptr<ZVMemberListPill> last;
    for (const auto& other : pills_) {
        if (other != pill && pillIsVisible(*other) && !other->isHidden()) {
            last = other;
        }
    }
    const qreal width = bounds().width();
    qreal centerY = pill->frame().height() / 2;
    if (last) {
        centerY = last->center().y();
        if (last->frame().right() + kSpacing + pill->width() > width - kMargin) {
            centerY += last->frame().height() + kSpacing;
        }
    }
    pill->setCenter(QPointF(width + pill->width() / 2, centerY));
}

void ZVMemberListView::removePill(const std::shared_ptr<ZVMemberListPill>& pill) {
    std::erase(pills_, pill);
    if (pill->isHidden()) {
        pill->removeFromSuperview();
        return;
    }
    platform::ViewAnimation::animate(
        kRemoveDuration,
        [this, pill] {
            pill->setCenter(QPointF(-pill->width(), pill->center().y()));
            placePills();
        },
        // The view holds the pill while it slides; the animation must not, or an animation that
        // never ends would keep the pill and its list.
        [weak = std::weak_ptr<ZVMemberListPill>(pill)](bool) {
            if (const auto gone = weak.lock()) {
                gone->removeFromSuperview();
            }
        });
}

// --- layout ---

qreal ZVMemberListView::fittedWidth(const ZVMemberListPill& pill) const {
    return std::min(pill.width(), std::max<qreal>(0, bounds().width() - 2 * kMargin));
}

qreal ZVMemberListView::calculateHeightOldMembersCollapsed(bool collapsed) const {
    const qreal limit = bounds().width() - kMargin;
    qreal x = kMargin;
    qreal y = kTop;
    qreal height = 0;
    for (const auto& pill : pills_) {
        if (pill == collapsedAdds_) {
            continue;
        }
        if (collapsed ? (pill != collapsedMembers_ && !pill->isNew()) : pill == collapsedMembers_) {
            continue;
        }
        const qreal width = fittedWidth(*pill);
        // A pill starts a new row only when the current one holds something.
        if (x > kMargin && limit - x < width) {
            y += pill->frame().height() + kSpacing;
            x = kMargin;
        }
        x += width + kSpacing;
        height = y + pill->frame().height() + kBottom;
    }
    return height;
}

bool ZVMemberListView::pillIsVisible(const ZVMemberListPill& pill) const {
    if (isCollapsePill(pill)) {
        return !pill.isHidden();
    }
    return pill.isNew() ? collapsedAdds_->isHidden() : collapsedMembers_->isHidden();
}

void ZVMemberListView::placePills() {
    if (calculateHeightOldMembersCollapsed(false) <= maximumHeight_) {
        collapsedMembers_->setHidden(true);
        collapsedAdds_->setHidden(true);
    } else {
        collapsedMembers_->setHidden(false);
        const bool anyNew = std::any_of(pills_.begin(), pills_.end(), [&](const auto& pill) {
            return !isCollapsePill(*pill) && pill->isNew();
        });
        collapsedAdds_->setHidden(
            !(calculateHeightOldMembersCollapsed(true) > maximumHeight_ && anyNew));
    }
    const qreal limit = bounds().width() - kMargin;
    qreal x = kMargin;
    qreal y = kTop;
    qreal height = 0;
    for (const auto& pill : pills_) {
        if (!pillIsVisible(*pill)) {
            continue;
        }
        pill->setHidden(false);
        const qreal width = fittedWidth(*pill);
        const qreal pillHeight = pill->frame().height();
        if (x > kMargin && limit - x < width) {
            y += pillHeight + kSpacing;
            x = kMargin;
        }
        pill->setFrame(QRectF(x, y, width, pillHeight));
        pill->layoutIfNeeded();
        x += width + kSpacing;
        height = y + pillHeight + kBottom;
    }
    // Folded pills shrink into the pill that stands for them; finishAnimations hides them.
    for (const auto& pill : pills_) {
        if (pillIsVisible(*pill) || isCollapsePill(*pill)) {
            continue;
        }
        pill->setFrame((pill->isNew() ? collapsedAdds_ : collapsedMembers_)->frame());
        pill->layoutIfNeeded();
    }
    if (std::abs(height - requestedHeight_) >= kHeightTolerance) {
        changeValueForKey(kRequestedHeightKey, [&] { requestedHeight_ = height; });
    }
}

void ZVMemberListView::setMaximumHeight(qreal height) {
    maximumHeight_ = height;
    placePills();
}

void ZVMemberListView::layoutSubviews() {
    placePills();
}

void ZVMemberListView::prepareForAppear() {
    placePills();
    const qreal width = bounds().width();
    for (const auto& pill : pills_) {
        pill->setCenter(QPointF(width + pill->frame().width() / 2, pill->center().y()));
    }
}

void ZVMemberListView::finishAnimations() {
    for (const auto& pill : pills_) {
        pill->setHidden(!pillIsVisible(*pill));
    }
}

void ZVMemberListView::drawRect(QPainter& painter, const QRectF&) {
    drawSeparator(painter, bounds(), false, true);
}

// --- touches ---

void ZVMemberListView::touchesBegan(const platform::TouchSet& touches,
                                    const platform::TouchEvent& event) {
    if (auto* holder = superview()) {
        holder->endEditing(true);
    }
    View::touchesBegan(touches, event);
}

void ZVMemberListView::pillTouched(ZVMemberListPill& pill) {
    if (&pill != collapsedAdds_.get()) {
        return;
    }
    if (const auto listener = delegate_.lock()) {
        listener->requestedExpansionToHeight(calculateHeightOldMembersCollapsed(true));
    }
}

void ZVMemberListView::removeButtonClicked(const std::shared_ptr<ZVMember>& member) {
    if (const auto& roster = conversation_->sortedMembers()) {
        roster->revokeAdd(member);
    }
}

void ZVMemberListView::removeButtonClicked(const std::shared_ptr<Team>& team) {
    if (const auto& roster = conversation_->sortedMembers()) {
        roster->revokeAddTeam(team->teamId());
    }
}
