#pragma once

#include "app/inbox/cells/ZVAvatarCell.h"
#include "app/inbox/decorators/ZVInboxItemDecorator.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/alerts/ZVHighlightableCell.h"

#include <QtGui/QColor>

#include <memory>

class Conversation;
namespace platform {
class Touch;
class Window;
}  // namespace platform
class ZVRepositorySession;
class ZVUnreadBadge;
namespace platform {
class GestureRecognizer;
class ImageView;
class Label;
class PanGestureRecognizer;
}  // namespace platform

// One row of the inbox list: a conversation, or a conversation, contact or message found by a
// search, shown through a decorator of the item's kind. A horizontal drag on a conversation row
// slides its content aside over a coloured strip with the action's icon; released far enough (or
// flicked), the action runs: mark read or unread to the right, mute to the left. While a row is
// dragged its session holds label changes, so the rows stay still under the finger.
class ZVInboxTableViewCell : public ZVAvatarCell, public ZVHighlightableCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("inboxCell");
    static constexpr int kAvatarSize = 2;
    static constexpr int kTitleStyleUnread = 29;
    static constexpr int kTitleStyleRead = 28;
    static constexpr int kDetailStyle = 13;
    static constexpr int kTimestampStyle = 12;
    static constexpr int kMentionStyle = 18;
    static constexpr qreal kTitleHeight = 20;
    static constexpr qreal kSelectedWhite = 0.9;
    static constexpr qreal kMuteIconAlpha = 0.3;
    // Title line: left-aligned, centred on the tallest view at the top; detail line: labels
    // sized to fit, centred on the tallest at the bottom.
    static constexpr int kTitleLineFlags = 0x41;
    static constexpr int kDetailLineFlags = 0x281;
    // The star and e-mail marks sit on the avatar's lower right corner.
    static constexpr qreal kBadgeMarkInsetX = 5;
    static constexpr qreal kBadgeMarkInsetY = 7;

    // The swipe: how far the content follows freely (times the row height), how hard it resists
    // beyond, and when an action counts as chosen.
    static constexpr qreal kRightLimit = 0.75;
    static constexpr qreal kLeftLimit = 0.5;
    static constexpr qreal kBandDamping = 50;
    static constexpr qreal kActivatedAt = 0.99;
    static constexpr qreal kFireAt = 0.999;
    static constexpr qreal kRestTolerance = 1;
    static constexpr double kFlickDuration = 0.1;
    // Points per second of the return after a flick.
    static constexpr double kFlickReturnSpeed = 500;
    static constexpr double kReturnDuration = 0.3;
    static constexpr double kBounceDuration = 0.1;
    static constexpr qreal kBounceScale = 1.2;
    static constexpr int kTrackingCategory = 4;

    explicit ZVInboxTableViewCell(Style style = Style::Subtitle,
                                  QString reuseIdentifier = kReuseIdentifier);
    ~ZVInboxTableViewCell() override;

    // --- the item ---
    // None keeps what the row shows; an item of another kind takes a new decorator.
    void setItem(const ZVInboxRowItem& item);
    ZVInboxRowItem item() const;
    ZVInboxItemDecorator* decorator() const { return decorator_.get(); }
    // The item when it is a conversation that is still there.
    std::shared_ptr<Conversation> conversation() const;
    // Null unless the row shows a conversation.
    QString conversationId() const;
    bool isUnread() const;

    // Refreshes every part of the row from the decorator.
    void update();
    // One update on the next turn, however often asked.
    void updateAsync();

    // --- look ---
    const QColor& color() const { return color_; }
    void setColor(const QColor& color);
    void setMentionVisible(bool visible);
    const std::shared_ptr<platform::Label>& timestampLabel() const { return timestampLabel_; }
    const std::shared_ptr<ZVUnreadBadge>& unreadBadge() const { return unreadBadge_; }
    const std::shared_ptr<platform::ImageView>& failedIcon() const { return failedIcon_; }
    const std::shared_ptr<platform::ImageView>& editIcon() const { return editIcon_; }
    const std::shared_ptr<platform::ImageView>& muteIcon() const { return muteIcon_; }
    const std::shared_ptr<platform::ImageView>& starIcon() const { return star_; }
    const std::shared_ptr<platform::ImageView>& emailIcon() const { return email_; }
    const std::shared_ptr<platform::Label>& mentionIndicator() const { return mentionIndicator_; }

    // --- actions ---
    void performAction(int code);
    void setActionIcon(int code, qreal activation, bool rightSide);
    void resetActionIcon();
    void bounceActionIconHideAfterwards(bool hide);
    int pendingAction() const { return pendingAction_; }
    bool actionActivated() const { return actionActivated_; }
    const std::shared_ptr<platform::ImageView>& actionIcon() const { return actionIcon_; }
    bool isSwiping() const { return swiping_; }
    void setSwiping(bool swiping);
    const std::shared_ptr<platform::PanGestureRecognizer>& panRecognizer() const { return pan_; }

    // --- the row interface of cards and menus ---
    QRectF contentRect() const override { return bounds(); }
    bool selecting() const override { return false; }
    bool keepHighlight() const { return keepHighlight_; }
    void setKeepHighlight(bool keep) override { keepHighlight_ = keep; }
    void setHighlightColor(const QColor& color, double duration) override;

    // --- the cell ---
    void setHighlighted(bool highlighted, bool animated) override;
    using platform::TableViewCell::setHighlighted;
    void setSelected(bool selected, bool animated) override;
    using platform::TableViewCell::setSelected;
    void prepareForReuse() override;
    QRectF layoutWithRect(const QRectF& rect) override;
    void layoutSubviews() override;
    void willMoveToWindow(platform::Window* newWindow) override;

private:
    class Relay;
    friend class Relay;

    std::shared_ptr<ZVInboxTableViewCell> self();
    bool shouldReceiveTouch(platform::GestureRecognizer& recognizer, const platform::Touch& touch);
    bool shouldBegin(platform::GestureRecognizer& recognizer);
    void cellPan(platform::GestureRecognizer& recognizer);
    // The finger lifted with the row at `x`: it goes back, acting when the drag or the flick
    // went far enough.
    void release(qreal x, qreal damping, qreal activation, qreal velocityX);
    // Gives back the session's held label changes, if this row holds them.
    void resumeHeldChanges();
    void applyRowColor();

    std::shared_ptr<Relay> relay_;
    std::shared_ptr<platform::Label> timestampLabel_;
    std::unique_ptr<ZVInboxItemDecorator> decorator_;
    // Which of the decorator kinds made decorator_.
    int decoratorKind_ = -1;
    int pendingAction_ = 0;
    std::shared_ptr<platform::ImageView> actionIcon_;
    std::shared_ptr<platform::ImageView> failedIcon_;
    std::shared_ptr<platform::ImageView> editIcon_;
    std::shared_ptr<platform::ImageView> muteIcon_;
    std::shared_ptr<platform::ImageView> star_;
    std::shared_ptr<platform::ImageView> email_;
    std::shared_ptr<ZVUnreadBadge> unreadBadge_;
    std::shared_ptr<platform::Label> mentionIndicator_;
    std::shared_ptr<platform::PanGestureRecognizer> pan_;
    bool actionActivated_ = false;
    bool needUpdate_ = false;
    platform::ScopedTimer deferredUpdate_;
    QPointF gestureStartPos_;
    QColor color_ = Qt::white;
    bool keepHighlight_ = false;
    bool swiping_ = false;
    // The session whose label changes this row holds while it is dragged.
    std::weak_ptr<ZVRepositorySession> heldSession_;
};
