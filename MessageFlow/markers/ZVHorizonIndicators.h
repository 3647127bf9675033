#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QString>

#include <cstdint>
#include <map>
#include <memory>

class Conversation;
class ZVConversationCells;
class ZVHorizonIndicatorStack;
class ZVHorizonIndicatorView;
class ZVTableView;

// How far each other member has read in the conversation screen's table: one marker per member,
// gathered into one stack per message, floating at the foot of that message's row. When read
// positions change, markers glide to their new rows, new stacks fade in and unneeded markers fade
// out. All markers are subviews of the table, so they scroll with the rows. Main thread only.
class ZVHorizonIndicators : public std::enable_shared_from_this<ZVHorizonIndicators> {
public:
    static constexpr qreal kStackHeight = 21;
    // A marker stands this far above the foot of its row.
    static constexpr qreal kRowFootInset = 2;
    // Where a message older than anything loaded is, far above the content.
    static constexpr qreal kAboveContent = -1000;
    static constexpr platform::TimeInterval kAnimationDuration = 0.5;
    // Refreshes sooner than this after creation place markers without motion: the first showing.
    static constexpr platform::TimeInterval kFirstShowingWindow = 0.2;
    static constexpr qsizetype kFewestOthersForAll = 2;

    ZVHorizonIndicators(const std::shared_ptr<Conversation>& conversation,
                        const std::shared_ptr<ZVConversationCells>& cells);
    ~ZVHorizonIndicators();

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    std::shared_ptr<ZVConversationCells> cells() const { return cells_.lock(); }
    std::shared_ptr<ZVTableView> tableView() const;
    bool appeared() const { return appeared_; }
    const std::map<QString, std::shared_ptr<ZVHorizonIndicatorView>>& indicatorsByMemberId() const {
        return indicatorsByMemberId_;
    }
    const std::map<std::int64_t, std::shared_ptr<ZVHorizonIndicatorStack>>& indicatorsByPosition()
        const {
        return indicatorsByPosition_;
    }

    void appear();
    void refresh() { refreshAnimated(true); }
    void refreshAnimated(bool animated);
    void refreshNames();
    void updatePositions();
    void bringToTop();
    // "<message number>: <label>" per stack.
    QString description() const;

    // The y in the table where a marker of that message stands.
    qreal positionForMessageNr(std::int64_t messageNr) const;
    // The message a member who has read up to `horizon` is shown at.
    std::int64_t targetForHorizon(std::int64_t horizon) const;
    // Null below 1, or when absent and not to be created.
    std::shared_ptr<ZVHorizonIndicatorStack> stackForPosition(std::int64_t position,
                                                              bool createIfNeeded);

private:
    QRectF stackFrame(std::int64_t position) const;
    std::shared_ptr<ZVHorizonIndicatorView> indicatorForMember(const QString& accountId,
                                                               const QString& name);
    // Takes the marker out of the stack it stands in (dropping a stack left empty) and sets it at
    // no message.
    void takeOutOfStack(const std::shared_ptr<ZVHorizonIndicatorView>& indicator);

    std::weak_ptr<Conversation> conversation_;
    std::weak_ptr<ZVConversationCells> cells_;
    std::map<QString, std::shared_ptr<ZVHorizonIndicatorView>> indicatorsByMemberId_;
    std::map<std::int64_t, std::shared_ptr<ZVHorizonIndicatorStack>> indicatorsByPosition_;
    bool appeared_ = false;
    platform::TimeInterval initTime_ = 0;
};
