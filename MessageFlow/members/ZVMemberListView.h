#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>
#include <vector>

class Conversation;
class Team;
class ZVMember;
class ZVMemberListPill;
class ZVMemberListViewDelegate;

// The strip of name pills at the top of the members editor: the user, the conversation's teams,
// then its other members, flowing in rows. When they need more height than the page allows, the
// old members fold into one "%ld members" pill and, if still too tall, the new ones into
// "%ld new members". It follows the roster until the page starts closing it, and publishes the
// height it needs as "requestedHeight". Main thread only.
class ZVMemberListView : public platform::View, public platform::Observable {
public:
    static inline const QString kRequestedHeightKey = QStringLiteral("requestedHeight");
    static inline const QString kMembersFormat = QStringLiteral("%1 members");
    static inline const QString kNewMembersFormat = QStringLiteral("%1 new members");
    static constexpr qreal kMargin = 13;
    static constexpr qreal kTop = 10;
    static constexpr qreal kSpacing = 5;
    static constexpr qreal kBottom = 10;
    // Smaller changes of the needed height are not published.
    static constexpr qreal kHeightTolerance = 0.1;
    static constexpr double kRemoveDuration = 0.5;
    static constexpr qreal kBackgroundWhite = 1.0;
    static constexpr qreal kBackgroundAlpha = 0.95;

    explicit ZVMemberListView(std::shared_ptr<Conversation> conversation);
    ~ZVMemberListView() override;

    const std::shared_ptr<Conversation>& conversation() const { return conversation_; }
    const std::vector<std::shared_ptr<ZVMemberListPill>>& pills() const { return pills_; }
    const std::shared_ptr<ZVMemberListPill>& collapsedMembers() const { return collapsedMembers_; }
    const std::shared_ptr<ZVMemberListPill>& collapsedAdds() const { return collapsedAdds_; }
    qreal maximumHeight() const { return maximumHeight_; }
    void setMaximumHeight(qreal height);
    qreal requestedHeight() const { return requestedHeight_; }
    bool disappearing() const { return disappearing_; }
    void setDelegate(std::weak_ptr<ZVMemberListViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void prepareForAppear();
    void prepareForDisappear() { disappearing_ = true; }
    void finishAnimations();
    bool pillIsVisible(const ZVMemberListPill& pill) const;
    // The height the pills need, the old members folded or not.
    qreal calculateHeightOldMembersCollapsed(bool collapsed) const;
    void updatePills();

    void pillTouched(ZVMemberListPill& pill);
    void removeButtonClicked(const std::shared_ptr<ZVMember>& member);
    void removeButtonClicked(const std::shared_ptr<Team>& team);

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    void placePills();
    void addPill(const std::shared_ptr<ZVMemberListPill>& pill);
    void removePill(const std::shared_ptr<ZVMemberListPill>& pill);
    bool isCollapsePill(const ZVMemberListPill& pill) const;
    // A pill as wide as it is, but never wider than a row.
    qreal fittedWidth(const ZVMemberListPill& pill) const;

    std::shared_ptr<Conversation> conversation_;
    std::vector<std::shared_ptr<ZVMemberListPill>> pills_;
    std::shared_ptr<ZVMemberListPill> collapsedMembers_;
    std::shared_ptr<ZVMemberListPill> collapsedAdds_;
    qreal maximumHeight_ = 0;
    qreal requestedHeight_ = 0;
    bool disappearing_ = false;
    std::weak_ptr<ZVMemberListViewDelegate> delegate_;
    platform::Observation rosterObservation_;
};
