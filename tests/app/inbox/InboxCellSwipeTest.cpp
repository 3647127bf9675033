#include "app/inbox/cells/ZVInboxTableViewCell.h"

#include "tests/app/inbox/InboxTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "app/inbox/cells/ZVMutePopover.h"
#include "app/inbox/cells/ZVSwipeAction.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <cmath>
#include <functional>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::TouchPhase;

constexpr qreal kRowHeight = 70;
constexpr qreal kRowWidth = 375;
constexpr qreal kRestX = kRowWidth / 2;
const QPointF kStart{100, 35};

// A row on a phone's window, swiped by a finger on the virtual clock.
class InboxCellSwipeTest : public inboxtest::InboxTest {
protected:
    void SetUp() override {
        InboxTest::SetUp();
        window_->setRootView(root_);
        root_->addSubview(cell_);
        cell_->setFrame(QRectF(0, 0, kRowWidth, kRowHeight));
        cell_->layoutIfNeeded();
        ZVMutePopover::setPresenter(
            [this](const std::shared_ptr<Conversation>& conversation, platform::View& at) {
                muted_.push_back({conversation->conversationId(), &at == cell_.get()});
            });
    }
    void TearDown() override {
        ZVMutePopover::setPresenter({});
        root_->removeFromSuperview();
        InboxTest::TearDown();
    }

public:
    // The cases' scripts call these.
    std::shared_ptr<Conversation> show(int n, QJsonObject fields = {}) {
        EXPECT_TRUE(deliver(session_, {conversation(n, u"Row %1"_s.arg(n), 1000, {}, fields)}));
        const auto shown = session_->conversationFromId(id(n));
        cell_->setItem(shown);
        return shown;
    }

    // The finger lands, passes the pan's threshold and moves to each offset in turn, a
    // hundredth of a second apart.
    void drag(const std::vector<qreal>& offsets) {
        window_->sendTouch(1, TouchPhase::Began, kStart);
        for (qreal dx : offsets) {
            moveTo(dx, 0.01);
        }
    }
    void moveTo(qreal dx, double after) {
        scheduler().advance(after);
        lastOffset_ = QPointF(dx, 0);
        window_->sendTouch(1, TouchPhase::Moved, kStart + lastOffset_);
    }
    // The finger rests at `from`, then leaves quickly towards `to` and lifts there.
    void flick(qreal from, qreal to) {
        moveTo(from, 0.2);
        moveTo(to, 0.01);
        lift();
    }
    // Holds still long enough for the speed to die, then lifts.
    void holdAndLift() {
        const QPointF at = window_->hasActiveTouches() ? lastAt() : kStart;
        scheduler().advance(0.2);
        window_->sendTouch(1, TouchPhase::Moved, at);
        scheduler().advance(0.2);
        window_->sendTouch(1, TouchPhase::Moved, at);
        window_->sendTouch(1, TouchPhase::Ended, at);
    }
    void lift() { window_->sendTouch(1, TouchPhase::Ended, lastAt()); }
    QPointF lastAt() const { return kStart + lastOffset_; }
    qreal contentOffset() const { return cell_->contentView()->center().x() - kRestX; }

    // The drag that leaves the row at `x` (the band's inverse).
    static qreal dragFor(qreal x) {
        const qreal limit =
            (x > 0 ? ZVInboxTableViewCell::kRightLimit : ZVInboxTableViewCell::kLeftLimit) *
            kRowHeight;
        if (std::abs(x) <= limit) {
            return x;
        }
        const qreal y = std::abs(x) - limit;
        const qreal excess = y / (1 - y / ZVInboxTableViewCell::kBandDamping);
        return (x > 0 ? 1 : -1) * (limit + excess);
    }

    struct Muted {
        QString conversationId;
        bool atRow;
    };
    std::shared_ptr<platform::Window> window_ = platform::Window::make();
    std::shared_ptr<platform::View> root_ =
        platform::View::make<platform::View>(QRectF(0, 0, kRowWidth, 667));
    std::shared_ptr<ZVInboxTableViewCell> cell_ = platform::View::make<ZVInboxTableViewCell>();
    std::vector<Muted> muted_;
    QPointF lastOffset_;
};

QColor stripColor(ZVSwipeAction action) {
    return platform::resolveColor(swipeActionLook(static_cast<int>(action))->stripColor);
}

// The band holds the row: freely up to three quarters of its height to the right and half to
// the left, then ever harder; turning over mid-drag swaps the action's icon, side and colour.
TEST_F(InboxCellSwipeTest, TheRowFollowsTheFingerThroughTheBandAndTurnsOver) {
    const auto conversation = show(1, {{u"unread_count"_s, 2}});
    const qreal overRight = 0.75 * kRowHeight + 50;
    window_->sendTouch(1, TouchPhase::Began, kStart);
    scheduler().advance(0.01);
    window_->sendTouch(1, TouchPhase::Moved, kStart + QPointF(overRight, 0));
    EXPECT_NEAR(contentOffset(), 77.5, 1e-9);
    EXPECT_EQ(cell_->pendingAction(), static_cast<int>(ZVSwipeAction::MarkRead));
    EXPECT_TRUE(cell_->actionActivated());
    ASSERT_TRUE(cell_->actionIcon());
    EXPECT_EQ(cell_->actionIcon()->center(), QPointF(kRowHeight / 2, kRowHeight / 2));
    EXPECT_EQ(cell_->backgroundColor(), stripColor(ZVSwipeAction::MarkRead));
    EXPECT_TRUE(session_->isHoldingLabelChanges());

    scheduler().advance(0.01);
    window_->sendTouch(1, TouchPhase::Moved, kStart - QPointF(overRight, 0));
    EXPECT_NEAR(contentOffset(), -(35 + 67.5 / 2.35), 1e-9);
    EXPECT_EQ(cell_->pendingAction(), static_cast<int>(ZVSwipeAction::Mute));
    EXPECT_FALSE(cell_->actionActivated());
    ASSERT_TRUE(cell_->actionIcon());
    EXPECT_EQ(cell_->actionIcon()->center(), QPointF(kRowWidth - kRowHeight / 2, kRowHeight / 2));
    EXPECT_NEAR(cell_->actionIcon()->alpha(), (35 + 67.5 / 2.35) / kRowHeight, 1e-9);
    EXPECT_EQ(cell_->backgroundColor(), stripColor(ZVSwipeAction::Mute));

    window_->sendTouch(1, TouchPhase::Cancelled, kStart - QPointF(overRight, 0));
    EXPECT_FALSE(session_->isHoldingLabelChanges());
    EXPECT_TRUE(muted_.empty());
    EXPECT_TRUE(conversation->isUnread());
}

// What a release does, by where the row is and how the finger left it: back at once, back slowly
// (acting only when fully drawn), or carried on by a flick along the drag (acting when it would
// reach the full width).
TEST_F(InboxCellSwipeTest, AReleaseActsOnlyWhenDrawnFullyOrFlickedFarEnough) {
    struct Case {
        const char* name;
        std::function<void(InboxCellSwipeTest&)> release;
        bool acts;
        // When it acts at the latest, and when surely not yet.
        double settles;
    };
    const auto slowRelease = [](qreal x) {
        return [x](InboxCellSwipeTest& t) {
            t.drag({20, dragFor(x)});
            t.holdAndLift();
        };
    };
    const Case cases[] = {
        {"within a point of rest",
         [](InboxCellSwipeTest& t) {
             t.drag({20, 1});
             t.holdAndLift();
         },
         false, 0},
        {"just short of full", slowRelease(0.998 * kRowHeight), false, 0.3},
        {"just past full", slowRelease(0.9995 * kRowHeight), true, 0.3},
        {"flicked along",
         [](InboxCellSwipeTest& t) {
             t.drag({20, 30});
             t.flick(30, 40);
         },
         true, 0.1 + 40.0 / 500},
        {"flicked back while short",
         [](InboxCellSwipeTest& t) {
             t.drag({20, 60});
             t.flick(60, 40);
         },
         false, 0.3},
        {"flicked back when full",
         [](InboxCellSwipeTest& t) {
             const qreal full = dragFor(0.9995 * kRowHeight) + 40;
             t.drag({20, full});
             t.flick(full, full - 5);
         },
         true, 0.3},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto conversation = show(++n, {{u"unread_count"_s, 1}, {u"read_message_nr"_s, 0}});
        ASSERT_TRUE(conversation->isUnread());
        c.release(*this);
        EXPECT_FALSE(session_->isHoldingLabelChanges());
        if (c.settles > 0) {
            scheduler().advance(c.settles - 0.02);
            EXPECT_EQ(conversation->readMessageNumber(), 0) << "acted before the row came back";
        }
        scheduler().advance(0.05);
        cell_->layoutIfNeeded();
        // Marked read up to its one message.
        EXPECT_EQ(conversation->readMessageNumber() == 1, c.acts);
        EXPECT_NEAR(contentOffset(), 0, 1e-9);
        EXPECT_EQ(cell_->pendingAction(), 0);
        EXPECT_FALSE(cell_->actionIcon());
        EXPECT_EQ(cell_->backgroundColor(), cell_->color());
    }
}

TEST_F(InboxCellSwipeTest, ARightSwipeTurnsReadAndUnreadAndALeftSwipeAsksToMute) {
    const auto conversation = show(1, {{u"read_message_nr"_s, 1}});
    ASSERT_FALSE(conversation->isUnread());
    const qreal full = dragFor(kRowHeight);
    drag({20, full});
    EXPECT_EQ(cell_->pendingAction(), static_cast<int>(ZVSwipeAction::MarkUnread));
    holdAndLift();
    scheduler().advance(0.5);
    EXPECT_LT(conversation->readMessageNumber(), 1);
    const std::int64_t unreadFrom = conversation->readMessageNumber();

    const qreal left = dragFor(-kRowHeight);
    drag({-20, left});
    holdAndLift();
    scheduler().advance(0.5);
    ASSERT_EQ(muted_.size(), 1u);
    EXPECT_EQ(muted_[0].conversationId, id(1));
    EXPECT_TRUE(muted_[0].atRow);
    EXPECT_EQ(conversation->readMessageNumber(), unreadFrom);
}

// A row that does not show a conversation of a label has nothing to act on: it stays put, shows
// no strip and holds nothing.
TEST_F(InboxCellSwipeTest, SearchRowsDoNotSlide) {
    ASSERT_TRUE(
        deliver(session_, {contact(1, u"Ann Lee"_s), conversation(1, u"Ann's plans"_s, 1000)}));
    const auto found = search(u"ann"_s);
    ASSERT_EQ(found->conversations().count(), 1);
    ASSERT_GE(found->contacts().count(), 1);
    const std::vector<ZVInboxRowItem> items{found->conversations()[0], found->contacts()[0]};
    for (const auto& item : items) {
        cell_->setItem(item);
        drag({20, 120});
        EXPECT_FALSE(session_->isHoldingLabelChanges());
        EXPECT_EQ(contentOffset(), 0);
        EXPECT_FALSE(cell_->actionIcon());
        holdAndLift();
        scheduler().advance(0.5);
    }
    EXPECT_TRUE(muted_.empty());
}

// However a drag ends, the label changes it held are given back.
TEST_F(InboxCellSwipeTest, HeldLabelChangesAreResumedHoweverTheDragEnds) {
    struct Case {
        const char* name;
        std::function<void(InboxCellSwipeTest&)> end;
    };
    const Case cases[] = {
        {"lifted", [](InboxCellSwipeTest& t) { t.lift(); }},
        {"cancelled",
         [](InboxCellSwipeTest& t) {
             t.window_->sendTouch(1, TouchPhase::Cancelled, kStart + QPointF(30, 0));
         }},
        {"reused", [](InboxCellSwipeTest& t) { t.cell_->prepareForReuse(); }},
        {"given another row", [](InboxCellSwipeTest& t) { t.show(9); }},
        {"removed", [](InboxCellSwipeTest& t) { t.cell_->removeFromSuperview(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show(1);
        root_->addSubview(cell_);
        drag({20, 30});
        ASSERT_TRUE(session_->isHoldingLabelChanges());
        c.end(*this);
        EXPECT_FALSE(session_->isHoldingLabelChanges());
        if (window_->hasActiveTouches()) {
            window_->sendTouch(1, TouchPhase::Cancelled, kStart);
        }
        scheduler().advance(1);
        cell_->resetActionIcon();
    }
}

// The row's marks follow its conversation: a muted conversation with unread messages shows a grey
// count and no mute mark.
TEST_F(InboxCellSwipeTest, AMutedUnreadRowShowsAGreyCountAndNoMuteMark) {
    const qint64 later = scheduler().currentDate().toSecsSinceEpoch() + 3600;
    show(1, {{u"snooze_time"_s, later}, {u"snooze_interval"_s, 3600}, {u"unread_count"_s, 3}});
    EXPECT_EQ(cell_->unreadBadge()->number(), 3);
    EXPECT_TRUE(cell_->unreadBadge()->isGray());
    EXPECT_TRUE(cell_->muteIcon()->isHidden());
    EXPECT_TRUE(cell_->timestampLabel()->text().startsWith(u"Muted until "_s));

    show(2, {{u"snooze_time"_s, later}, {u"snooze_interval"_s, 3600}});
    EXPECT_FALSE(cell_->muteIcon()->isHidden());
    EXPECT_EQ(cell_->unreadBadge()->number(), 0);
}

// A message the service refused marks the row: the failure icon in place of the mute mark, the
// time in red and the message line greyed, until the message is given up.
TEST_F(InboxCellSwipeTest, ARowWithARefusedMessageShowsTheFailure) {
    const qint64 later = scheduler().currentDate().toSecsSinceEpoch() + 3600;
    const auto conversation = show(1, {{u"snooze_time"_s, later}, {u"snooze_interval"_s, 3600}});
    const QColor readColor = cell_->timestampLabel()->textColor();
    ASSERT_FALSE(cell_->muteIcon()->isHidden());
    ASSERT_TRUE(cell_->failedIcon()->isHidden());

    const QString store = u"message/store/"_s + id(1);
    emulator.injectFault(store, zvemu::Fault::withStatus(431, u"refused"_s));
    conversation->postMessage(u"never arrives"_s, QString(), {});
    const auto queue = conversation->messageQueue();
    ASSERT_TRUE(scheduler().runUntil([&] { return queue->status() == ZVMessageQueue::Failed; }));
    scheduler().advance(1);
    EXPECT_FALSE(cell_->failedIcon()->isHidden());
    EXPECT_TRUE(cell_->muteIcon()->isHidden());
    EXPECT_EQ(cell_->timestampLabel()->textColor(), QColor(Qt::red));
    EXPECT_EQ(cell_->detailTextLabel()->textColor(),
              platform::resolveColor(colorWithName(u"messageComment"_s)));

    // Cancelling the message (deleting it unsent) takes the look back.
    queue->pendingMessage()->deleteMessage();
    ASSERT_EQ(queue->count(), 0);
    scheduler().advance(1);
    EXPECT_TRUE(cell_->failedIcon()->isHidden());
    EXPECT_FALSE(cell_->muteIcon()->isHidden());
    EXPECT_EQ(cell_->timestampLabel()->textColor(), readColor);
}

}  // namespace
