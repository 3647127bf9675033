#include "tests/app/ShellTestSupport.h"

#include "MessageEditor/StartUp.h"
#include "MessageFlow/markers/ZVHorizonIndicators.h"
#include "MessageFlow/pages/StartUp.h"
#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVWritersView.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/StartUp.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "MessageFlow/screen/ZVConversationScreenActions.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "MessageFlow/screen/actions/ZVConversationMessageActions.h"
#include "MessageFlow/views/ZVMessageView.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVTableMessage.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Past the read timer, with room for the clock's rounding.
constexpr double kPastReadDelay =
    ZVConversationViewController::kConsumeDelay + ZVConversationViewController::kDeferral;

const QString kScreenConversationId = u"7a2e4c1b-0d3f-4b6a-9e8c-1f2a3b4c5d60"_s;
const QString kScreenOtherId = u"9c8b7a6d-5e4f-4a3b-8c2d-1e0f9a8b7c61"_s;

// A composer that writes down what the screen asks of it.
class FixtureComposer : public ZVConversationComposer {
public:
    qreal requestedHeight() const override { return height; }
    void updateSubject() override { ++subjectUpdates; }
    void pasteMessage(const std::shared_ptr<ZVClipboardMessage>& message, bool quote) override {
        pasted.push_back({message, quote});
    }
    void quoteMessage(const std::shared_ptr<Message>&, const QString&) override {}
    bool focusComposer() override { return false; }
    bool resignComposer() override {
        ++resigns;
        return true;
    }
    bool composerHasFocus() const override { return false; }
    void ask(qreal newHeight) {
        changeValueForKey(kRequestedHeightKey, [&] { height = newHeight; });
    }

    qreal height = 60;
    int subjectUpdates = 0;
    int resigns = 0;
    std::vector<std::pair<std::shared_ptr<ZVClipboardMessage>, bool>> pasted;
};

// Fox's conversation with another member at the loopback service, shown by the messages page on
// top of a navigation in a phone window.
class ConversationScreen : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVConversationComposer::setFactory([this](const auto&, const auto&) {
            auto composer = std::make_shared<FixtureComposer>();
            composer_ = composer;
            return composer;
        });
        launch();
        session_ = signIn(u"fox@example.com"_s);
        ASSERT_TRUE(session_);
        self_ = session_->sessionId();
    }
    void TearDown() override {
        if (screen_) {
            screen_->releaseObservers();
        }
        window_.reset();
        navigation_.reset();
        screen_.reset();
        conversation_.reset();
        session_.reset();
        // What start-up installed, for the tests that follow.
        ZVStartUpMessageEditor();
        ZVConversationMessageActions::install();
        ShellTest::TearDown();
    }

    QJsonObject messageRecord(std::int64_t nr, const QString& poster, int lines = 1) {
        QStringList text;
        for (int line = 0; line < lines; ++line) {
            // About a line of a phone's row each, wrapping.
            text << u"Message %1 goes on for a while, part %2 of it."_s.arg(nr).arg(line + 1);
        }
        QJsonObject record{{u"mk_rec_type"_s, u"message"_s},
                           {u"conversation_id"_s, kScreenConversationId},
                           {u"message_nr"_s, qint64(nr)},
                           {u"account_id"_s, poster},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"inbox_nr"_s, qint64(nr)},
                           {u"message"_s, u"<msg>%1</msg>"_s.arg(text.join(u" "_s))}};
        if (nr > 1) {
            record.insert(u"prev_message_nr"_s, qint64(nr - 1));
        }
        return record;
    }
    QJsonObject conversationRecord(std::int64_t last, std::int64_t read,
                                   const QJsonObject& extra = {}) {
        QJsonObject record{{u"mk_rec_type"_s, u"conv"_s},
                           {u"conversation_id"_s, kScreenConversationId},
                           {u"topic"_s, u"Harbour"_s},
                           {u"members"_s, QJsonArray{self_, kScreenOtherId}},
                           {u"can_post"_s, true},
                           {u"last_message_nr"_s, qint64(last)},
                           {u"read_message_nr"_s, qint64(read)},
                           {u"unread_count"_s, qint64(last - read)},
                           {u"inbox_message_nr"_s, qint64(std::min(read + 1, last))},
                           {u"join_message_nr"_s, 1},
                           // The whole record, as a first sync gives it: the stream's messages
                           // are all there is, and opening asks the service for nothing more.
                           {u"is_init"_s, true}};
        for (auto it = extra.begin(); it != extra.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        return record;
    }
    // Messages 1..count by the other member, read up to `read`.
    void seed(std::int64_t count, std::int64_t read, const QJsonObject& extra = {}, int lines = 1) {
        zvemu::Fixture fixture;
        fixture.ownerId = self_;
        fixture.conversations = {conversationRecord(count, read, extra)};
        for (std::int64_t nr = 1; nr <= count; ++nr) {
            fixture.messages.push_back(messageRecord(nr, kScreenOtherId, lines));
        }
        service.seed(self_, fixture);
        ASSERT_TRUE(waitForStreamEnd(session_));
        conversation_ = session_->conversationFromId(kScreenConversationId);
        ASSERT_TRUE(conversation_);
        last_ = count;
    }
    void open() {
        screen_ = ZVConversationViewController::make(conversation_, 0);
        navigation_ = std::make_shared<platform::NavigationController>(screen_);
        window_ = platform::Window::make();
        window_->setRootViewController(navigation_);
        window_->updateNow();
        settle();
        // The opening's own load ends at a moment of its own; it would reset the read timer.
        ASSERT_TRUE(scheduler().runUntil([&] { return !conversation_->isLoading(); }));
        settle();
    }
    // Opens with nothing read yet: the appearance's read timer runs out in background mode.
    void openUnread() {
        api().setBackgroundMode(true);
        open();
        settle(kPastReadDelay);
        api().setBackgroundMode(false);
        ASSERT_FALSE(screen_->consumeTimerRunning());
    }
    // Lets the stream, the loads, the animations and the 0.1 s deferrals run out; short of the
    // read timer when `beforeRead`.
    void settle(double seconds = 0.5) {
        scheduler().advance(seconds);
        window_->updateNow();
    }
    // Another member's message arrives through the stream.
    void arrive(std::int64_t nr, int lines = 1, bool read = true) {
        emulator.appendEvent(self_, messageRecord(nr, kScreenOtherId, lines));
        emulator.appendEvent(
            self_, conversationRecord(nr, read ? nr : conversation_->readMessageNumber()));
        ASSERT_TRUE(waitForStreamEnd(session_));
        last_ = nr;
    }
    const std::shared_ptr<ZVTableView>& table() const { return screen_->table(); }
    qreal offset() const { return table()->contentOffset().y(); }
    // Where the message's text shows, from the top of the table's view (a row's strips above
    // the text may come and go).
    qreal placeOf(std::int64_t nr) const {
        const auto cell = screen_->cells()->cellByMessageNr(nr);
        if (!cell || !cell->messageView()) {
            return -1e9;
        }
        return cell->frame().top() + cell->messageView()->frame().top() - offset();
    }
    // The message cell at the top of the visible rows, and its place on screen.
    std::pair<std::int64_t, qreal> topRow() const {
        std::int64_t nr = 0;
        qreal top = 1e9;
        for (const auto& cell : table()->visibleCells()) {
            const auto message = std::dynamic_pointer_cast<ZVMessageCell>(cell);
            if (message && message->message() && cell->frame().bottom() > offset() &&
                cell->frame().top() - offset() < top) {
                top = cell->frame().top() - offset();
                nr = message->message()->messageNr();
            }
        }
        return {nr, placeOf(nr)};
    }
    void scrollTo(qreal y) {
        screen_->scrollViewWillBeginDragging(*table());
        table()->setContentOffset(QPointF(0, y));
        screen_->scrollViewDidEndDragging(*table(), false);
        window_->updateNow();
    }
    int storeRequests() const {
        return emulator.requestCount(u"conversation/store/"_s + kScreenConversationId);
    }
    std::optional<qint64> lastStoredReadNr() const {
        const auto request = emulator.lastRequest(u"conversation/store/"_s + kScreenConversationId);
        if (!request || !request->body.contains(u"read_message_nr"_s)) {
            return std::nullopt;
        }
        return request->body.value(u"read_message_nr"_s).toInteger();
    }

    std::shared_ptr<ZVRepositorySession> session_;
    QString self_;
    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<ZVConversationViewController> screen_;
    std::shared_ptr<platform::NavigationController> navigation_;
    std::shared_ptr<platform::Window> window_;
    std::weak_ptr<FixtureComposer> composer_;
    std::int64_t last_ = 0;
};

// The page opens on its newest messages with the composer docked; a message from another member
// scrolls into view while the user is at the bottom, and leaves the rows alone while the user
// reads higher up.
TEST_F(ConversationScreen, NewMessagesAreFollowedOnlyAtTheBottom) {
    seed(40, 40);
    open();
    ASSERT_TRUE(screen_->viewHasAppeared());
    const auto composer = composer_.lock();
    ASSERT_TRUE(composer);
    EXPECT_EQ(screen_->bottomView(), composer);
    EXPECT_EQ(composer->frame().height(), composer->height);
    EXPECT_NEAR(offset(), table()->bottomScrollPos(), 1);
    EXPECT_EQ(screen_->lastVisibleMessageNr(), 40);

    arrive(41, 3);
    settle(2);
    EXPECT_NEAR(offset(), table()->bottomScrollPos(), 1);
    EXPECT_EQ(screen_->lastVisibleMessageNr(), 41);

    scrollTo(offset() - 500);
    settle();
    const auto before = topRow();
    ASSERT_GT(before.first, 0);
    arrive(42, 3);
    arrive(43, 1);
    settle(2);
    EXPECT_LT(std::abs(placeOf(before.first) - before.second), 0.5);
    EXPECT_TRUE(screen_->scrollToBottomButtonVisible());
}

// A stretch of unread rows taller than two thirds of the table is not jumped over: the view stays
// and the new-messages marker moves to the read horizon (once the marker's hold has passed).
TEST_F(ConversationScreen, ALongUnreadStretchKeepsTheViewAndMovesTheMarker) {
    seed(30, 30);
    open();
    EXPECT_EQ(screen_->cells()->readMessageNr(), 0);
    scheduler().advance(ZVConversationViewController::kHorizonHold);
    const qreal at = offset();
    emulator.appendEvents(
        self_, {messageRecord(31, kScreenOtherId, 6), messageRecord(32, kScreenOtherId, 6),
                messageRecord(33, kScreenOtherId, 6), messageRecord(34, kScreenOtherId, 6),
                conversationRecord(34, 30)});
    ASSERT_TRUE(waitForStreamEnd(session_));
    ASSERT_TRUE(conversation_->isUnread());
    settle(0.5);
    EXPECT_EQ(screen_->cells()->readMessageNr(), 30);
    EXPECT_LT(offset(), table()->bottomScrollPos() - 100);
    EXPECT_NEAR(offset(), at, 1);
}

// The read message itself may be missing (deleted): the unread stretch then starts at the next
// loaded row, as the new-messages row does, and that row's height counts.
TEST_F(ConversationScreen, TheUnreadStretchStartsAtTheRowAfterAMissingReadMessage) {
    seed(30, 30);
    open();
    scheduler().advance(ZVConversationViewController::kHorizonHold);
    const qreal at = offset();
    QJsonObject longOne = messageRecord(32, kScreenOtherId, 24);
    longOne.insert(u"prev_message_nr"_s, 30);
    emulator.appendEvents(self_, {longOne, messageRecord(33, kScreenOtherId),
                                  messageRecord(34, kScreenOtherId), conversationRecord(34, 31)});
    ASSERT_TRUE(waitForStreamEnd(session_));
    ASSERT_TRUE(conversation_->isUnread());
    settle(0.5);
    const auto& list = *conversation_->messages();
    ASSERT_FALSE(list.messageByNr(31));
    const qsizetype row32 = list.count() - 3;
    ASSERT_EQ(list[row32]->messageNr(), 32);
    const qreal limit = ZVConversationViewController::kUnreadShare * table()->bounds().height();
    // Only the long row takes the stretch over the limit.
    ASSERT_LT(screen_->cells()->heightForRowAtIndex(row32 + 1) +
                  screen_->cells()->heightForRowAtIndex(row32 + 2),
              limit);
    ASSERT_GT(screen_->cells()->heightForRowAtIndex(row32), limit);
    EXPECT_EQ(screen_->cells()->readMessageNr(), 31);
    EXPECT_NEAR(offset(), at, 1);
}

// Messages count as read once the table has rested 0.8 s: one store of the last fully seen
// number. Not in background mode, not mid-drag.
TEST_F(ConversationScreen, RestingTheTableMarksTheLastSeenMessageRead) {
    seed(20, 17);
    openUnread();
    ASSERT_EQ(conversation_->readMessageNumber(), 17);
    const int stores = storeRequests();
    screen_->resetConsumeMessagesTimer();
    scheduler().advance(ZVConversationViewController::kConsumeDelay - 0.1);
    EXPECT_EQ(conversation_->readMessageNumber(), 17);
    scheduler().advance(0.2);
    EXPECT_EQ(conversation_->readMessageNumber(), 20);
    ASSERT_TRUE(scheduler().runUntil([&] { return storeRequests() > stores; }));
    EXPECT_EQ(lastStoredReadNr(), 20);
    settle(2);
    EXPECT_EQ(storeRequests(), stores + 1);
}

TEST_F(ConversationScreen, NothingIsReadInBackgroundModeOrMidDrag) {
    seed(20, 17);
    openUnread();
    struct Case {
        const char* name;
        std::function<void()> interrupt;
        std::function<void()> resume;
    };
    const std::vector<Case> cases{
        {"background", [] { api().setBackgroundMode(true); },
         [] { api().setBackgroundMode(false); }},
        {"drag", [&] { screen_->scrollViewWillBeginDragging(*table()); },
         [&] { screen_->scrollViewDidEndDragging(*table(), false); }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        screen_->resetConsumeMessagesTimer();
        test.interrupt();
        settle(2 * ZVConversationViewController::kConsumeDelay);
        EXPECT_EQ(conversation_->readMessageNumber(), 17);
        EXPECT_FALSE(screen_->consumeTimerRunning());
        test.resume();
    }
    // The end of the drag starts the timer again: the rows rest and are read.
    EXPECT_TRUE(screen_->consumeTimerRunning());
    settle(kPastReadDelay);
    EXPECT_EQ(conversation_->readMessageNumber(), 20);
}

// The user's own unsent message at the bottom is not the service's to mark read: the walk passes
// over it to the last stored row, while the last visible number counts it.
TEST_F(ConversationScreen, APendingLastRowMarksOnlyTheStoredOnesRead) {
    seed(20, 17);
    openUnread();
    emulator.injectFault(u"message/store/"_s + kScreenConversationId,
                         zvemu::Fault::withStatus(430, u"refused"_s), 100);
    conversation_->postMessage(u"Not yet stored"_s, QString(), {});
    settle(0.5);
    ASSERT_TRUE(conversation_->messages()->messages().back()->isPending());
    screen_->viewWasScrolled();
    EXPECT_TRUE(Message::isPendingNr(screen_->lastVisibleMessageNr()));
    const auto stored = screen_->lastVisibleMessageCellIncludePending(false);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->message()->messageNr(), 20);
    screen_->resetConsumeMessagesTimer();
    settle(kPastReadDelay);
    EXPECT_EQ(conversation_->readMessageNumber(), 20);
}

// The marker is placed at the first appearance and kept for 30 s, so messages read meanwhile stay
// below it; after that an activation moves it.
TEST_F(ConversationScreen, TheMarkerIsPlacedAtFirstAppearanceAndHeldFor30Seconds) {
    seed(20, 17);
    openUnread();
    EXPECT_EQ(screen_->cells()->readMessageNr(), 17);
    screen_->resetConsumeMessagesTimer();
    settle(kPastReadDelay);
    ASSERT_EQ(conversation_->readMessageNumber(), 20);
    arrive(21, 1, false);
    emulator.appendEvent(self_, conversationRecord(21, 20));
    ASSERT_TRUE(waitForStreamEnd(session_));
    screen_->notifyAppActivation();
    EXPECT_EQ(screen_->cells()->readMessageNr(), 17);
    scheduler().advance(ZVConversationViewController::kHorizonHold);
    screen_->notifyAppActivation();
    EXPECT_EQ(screen_->cells()->readMessageNr(), conversation_->isUnread() ? 20 : 0);
}

// The header row says what lies above the first loaded message; a join or disclose message that
// is not loaded leaves the text as it was.
TEST_F(ConversationScreen, TheHeaderTellsWhatLiesAbove) {
    seed(3, 3);
    open();
    const auto textOf = [&](std::int64_t nr) {
        return conversation_->messages()->messageByNr(nr)->localizedMessage();
    };
    struct Case {
        const char* name;
        QJsonObject fields;
        QString text;
    };
    const std::vector<Case> cases{
        {"joined at the start", {{u"join_message_nr"_s, 1}}, textOf(1)},
        {"joined later", {{u"join_message_nr"_s, 2}}, textOf(2)},
        {"disclosed", {{u"join_message_nr"_s, 2}, {u"disclose_message_nr"_s, 2}}, textOf(2)},
        {"deleted before",
         {{u"join_message_nr"_s, 2}, {u"delete_message_nr"_s, 1}, {u"disclose_message_nr"_s, 0}},
         ZVConversationViewController::kDeletedText},
        {"joined past the loaded ones",
         {{u"join_message_nr"_s, 9}, {u"delete_message_nr"_s, 0}},
         ZVConversationViewController::kDeletedText},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        emulator.appendEvent(self_, conversationRecord(3, 3, test.fields));
        ASSERT_TRUE(waitForStreamEnd(session_));
        screen_->updateStartMessage();
        EXPECT_EQ(screen_->startMessage()->text(), test.text);
        EXPECT_FALSE(screen_->startMessage()->activity());
    }
    EXPECT_EQ(table()->tableHeaderView(), screen_->startMessage());

    // While a load is out, online: "Loading" with the spinner; then what the answer tells.
    ASSERT_NE(api().connectionStatus(), ZVApi::ConnectionStatusOffline);
    conversation_->setLoadRequest(ZVConversationLoadRequest::MessageLoad, 0);
    screen_->updateStartMessage();
    EXPECT_EQ(screen_->startMessage()->text(), ZVConversationViewController::kLoadingText);
    EXPECT_TRUE(screen_->startMessage()->activity());
    // The request leaves with the session's next turn; its answer ends the load.
    constexpr int kTurns = 100;
    constexpr int kTurnWaitMs = 100;
    for (int turn = 0; turn < kTurns && conversation_->isLoading(); ++turn) {
        scheduler().advance(ZVConversationViewController::kDeferral);
        scheduler().runUntil([&] { return !conversation_->isLoading(); }, kTurnWaitMs);
    }
    ASSERT_FALSE(conversation_->isLoading());
    settle();
    EXPECT_NE(screen_->startMessage()->text(), ZVConversationViewController::kLoadingText);
    EXPECT_FALSE(screen_->startMessage()->activity());
}

TEST_F(ConversationScreen, AWindowBelowTheStartSaysMoreAbove) {
    seed(60, 60, {}, 4);
    emulator.injectFault(u"conversation/sync/"_s + kScreenConversationId,
                         zvemu::Fault::withStatus(404, u"unknown_method"_s), 1000);
    open();
    ASSERT_GT(conversation_->firstLoadedMessage(), 1);
    EXPECT_EQ(screen_->startMessage()->text(), ZVConversationViewController::kMoreAboveText);
}

// The writers line: "is writing" for one, "are writing" for more, the spacing under the last row
// 20 pt while it shows and 10 pt once nobody writes.
TEST_F(ConversationScreen, TheWritersLineNamesWhoIsWriting) {
    seed(5, 5);
    open();
    EXPECT_FALSE(screen_->writersView());
    EXPECT_EQ(screen_->bottomSpacing(), ZVConversationViewController::kBottomSpacing);
    const auto& writers = conversation_->writers();
    writers->updateActivityBy(kScreenOtherId, true, 0);
    screen_->updateWriters();
    ASSERT_TRUE(screen_->writersView());
    EXPECT_TRUE(screen_->writersView()->label().endsWith(u" is writing"_s));
    EXPECT_EQ(table()->bottomView(), screen_->writersView());
    EXPECT_EQ(screen_->bottomSpacing(), ZVConversationViewController::kWritersBottomSpacing);

    writers->updateActivityBy(u"1b2c3d4e-5f60-4a7b-8c9d-0e1f2a3b4c62"_s, true, 0);
    screen_->updateWriters();
    EXPECT_TRUE(screen_->writersView()->label().endsWith(u" are writing"_s));

    writers->reset();
    EXPECT_TRUE(screen_->updateWriters());
    EXPECT_FALSE(screen_->writersView());
    EXPECT_FALSE(table()->bottomView());
    EXPECT_EQ(screen_->bottomSpacing(), ZVConversationViewController::kBottomSpacing);
}

// Near the top older messages are asked for once per rest, 0.1 s after the scroll was evaluated,
// and not when the user scrolls again meanwhile.
TEST_F(ConversationScreen, OlderMessagesAreAskedOncePerRestAtTheTop) {
    seed(80, 80, {}, 4);
    // The service refuses loads, so the window stays as opened; older pages come from the store,
    // one page for each ask.
    const QString sync = u"conversation/sync/"_s + kScreenConversationId;
    emulator.injectFault(sync, zvemu::Fault::withStatus(404, u"unknown_method"_s), 1000);
    open();
    const std::int64_t firstBefore = conversation_->firstLoadedMessage();
    ASSERT_GT(firstBefore, 1);
    ASSERT_GT(offset(), table()->bounds().height());

    // A burst of scroll events is evaluated once; a new event before loadMore runs cancels it.
    for (int step = 0; step < 5; ++step) {
        table()->setContentOffset(QPointF(0, 40 - 8 * step));
    }
    EXPECT_TRUE(screen_->dragging());
    scheduler().advance(ZVConversationViewController::kDeferral);
    EXPECT_FALSE(screen_->dragging());
    table()->setContentOffset(QPointF(0, 1));
    scheduler().advance(ZVConversationViewController::kDeferral);
    EXPECT_EQ(conversation_->firstLoadedMessage(), firstBefore);

    // At rest it asks: one page comes, the row at the top stays, and no second page follows.
    const auto top = topRow();
    scheduler().advance(ZVConversationViewController::kDeferral);
    const std::int64_t firstAfter = conversation_->firstLoadedMessage();
    EXPECT_LT(firstAfter, firstBefore);
    settle(1);
    EXPECT_EQ(conversation_->firstLoadedMessage(), firstAfter);
    EXPECT_LT(std::abs(placeOf(top.first) - top.second), 0.5);
}

// The composer: docked while posting is allowed, resized to the height it asks, told of subject
// changes, handed a forwarded message once; the up arrow's hook reaches the actions seam.
TEST_F(ConversationScreen, TheComposerFollowsTheConversation) {
    seed(5, 5);
    open();
    const auto composer = composer_.lock();
    ASSERT_TRUE(composer);
    composer->ask(90);
    EXPECT_EQ(composer->frame().height(), 90);

    conversation_->changeValueForKey(u"can_post"_s, [&] { conversation_->setCanPost(false); });
    EXPECT_FALSE(screen_->bottomView());
    conversation_->changeValueForKey(u"can_post"_s, [&] { conversation_->setCanPost(true); });
    EXPECT_EQ(screen_->bottomView(), composer);
    EXPECT_EQ(composer->frame().height(), 90);

    const int subjects = composer->subjectUpdates;
    conversation_->changeValueForKey(u"subject"_s);
    EXPECT_EQ(composer->subjectUpdates, subjects + 1);

    int edits = 0;
    ZVConversationScreenActions::shared().editLastMessage = [&](ZVConversationViewController&) {
        ++edits;
    };
    composer->onEditMessage()();
    EXPECT_EQ(edits, 1);
}

// Released, the screen follows nothing and no delayed call reaches it.
TEST_F(ConversationScreen, ReleasingObserversCancelsDelayedCalls) {
    seed(80, 80, {}, 4);
    open();
    table()->setContentOffset(QPointF(0, 10));
    screen_->resetConsumeMessagesTimer();
    screen_->releaseObservers();
    const QString sync = u"conversation/sync/"_s + kScreenConversationId;
    const int before = emulator.requestCount(sync);
    const qint64 readBefore = conversation_->readMessageNumber();
    settle(2);
    EXPECT_TRUE(screen_->observersReleased());
    EXPECT_FALSE(screen_->consumeTimerRunning());
    EXPECT_FALSE(conversation_->isLoading());
    EXPECT_EQ(emulator.requestCount(sync), before);
    EXPECT_EQ(conversation_->readMessageNumber(), readBefore);
    const auto rows = table()->numberOfRowsInSection(0);
    arrive(81);
    EXPECT_EQ(table()->numberOfRowsInSection(0), rows);
}

// Scrolled more than the composer's height above the bottom, the button fades in at its place
// above the composer; a tap takes the user to the bottom and marks the conversation read, and it
// fades out again.
TEST_F(ConversationScreen, TheScrollToBottomButtonShowsAboveTheComposerAndGoesDown) {
    seed(40, 40);
    open();
    const auto& button = screen_->scrollToBottomButton();
    EXPECT_FALSE(screen_->scrollToBottomButtonVisible());
    EXPECT_FALSE(button->superview());

    scrollTo(offset() - 300);
    settle();
    ASSERT_TRUE(screen_->scrollToBottomButtonVisible());
    ASSERT_TRUE(button->superview());
    EXPECT_EQ(button->alpha(), 1);
    const QRectF tableFrame = table()->frame();
    const qreal composer = composer_.lock()->frame().height();
    EXPECT_EQ(button->center(),
              QPointF(tableFrame.right() - ZVConversationViewController::kButtonInset,
                      tableFrame.bottom() - ZVConversationViewController::kButtonInset - composer));

    // Unread messages arrive below while the user reads higher up.
    emulator.appendEvents(self_, {messageRecord(41, kScreenOtherId), conversationRecord(41, 40)});
    ASSERT_TRUE(waitForStreamEnd(session_));
    settle();
    ASSERT_TRUE(conversation_->isUnread());
    button->sendActionsForEvents(platform::Control::TouchUpInside);
    settle();
    EXPECT_NEAR(offset(), table()->bottomScrollPos(), 1);
    EXPECT_FALSE(conversation_->isUnread());
    EXPECT_FALSE(screen_->scrollToBottomButtonVisible());
    EXPECT_FALSE(button->superview());
}

// An empty conversation shows the empty text, and scrolling to the unread does nothing.
TEST_F(ConversationScreen, AnEmptyConversationShowsTheEmptyText) {
    seed(0, 0);
    open();
    EXPECT_TRUE(table()->backgroundView());
    const qreal at = offset();
    screen_->scrollToUnreadAnimated(true);
    settle();
    EXPECT_EQ(offset(), at);
}

// The application's own window and pages, in a real X window on a virtual X server: wheel notches
// through the window system's queue scroll the opened conversation up, an older page comes from
// the store, and the message at the top stays where it was.
class ConversationScreenWindowTest : public ConversationScreen {
protected:
    // Real events need real time: this bounds how long the window system may take, it times
    // nothing the code does.
    static constexpr int kWindowSystemTimeoutMs = 10000;

    void SetUp() override {
        ConversationScreen::SetUp();
        savedRegistry_ = ZVConversationPageRegistry::shared();
        // Other tests may have emptied the registry: the pages' own start-up fills it again.
        ZVStartUpPages();
        ZVStartUpConversationScreen();
        ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
    }
    void TearDown() override {
        host_.reset();
        ConversationScreen::TearDown();
        ZVConversationPageRegistry::shared() = savedRegistry_;
    }

    ZVConversationPageRegistry savedRegistry_;
    std::unique_ptr<platform::WindowHost> host_;
};

TEST_F(ConversationScreenWindowTest, WheelStepsUpLoadOlderMessagesAndKeepTheTopRow) {
    seed(80, 80, {}, 4);
    emulator.injectFault(u"conversation/sync/"_s + kScreenConversationId,
                         zvemu::Fault::withStatus(404, u"unknown_method"_s), 1000);
    globals().setConversationId(ZVOpenRequest{kScreenConversationId, {}, {}}, false);
    scheduler().advance(1);
    auto* pages = ZVConversationPageSet::conversationPages();
    ASSERT_TRUE(pages);
    screen_ = std::dynamic_pointer_cast<ZVConversationViewController>(
        pages->viewControllerForPage(ZVConversationPageSet::MessagesPage));
    ASSERT_TRUE(screen_);
    ASSERT_TRUE(scheduler().runUntil([&] { return !conversation_->isLoading(); }));
    scheduler().advance(1);
    const std::int64_t firstBefore = conversation_->firstLoadedMessage();
    ASSERT_GT(firstBefore, 1);

    window_ = globals().window();
    host_ = std::make_unique<platform::WindowHost>(window_);
    host_->show();
    ASSERT_TRUE(scheduler().runUntil(
        [&] {
            window_->updateNow();
            return host_->windowHandle()->isExposed();
        },
        kWindowSystemTimeoutMs));
    ASSERT_GT(offset(), table()->bounds().height());

    QWindow* handle = host_->windowHandle();
    const QPointF at = table()->convertPointTo(table()->bounds().center(), nullptr);
    const int notches = int(offset() / platform::WindowHost::kWheelNotchDistance) + 2;
    for (int notch = 0; notch < notches; ++notch) {
        QCoreApplication::postEvent(
            handle, new QWheelEvent(at, handle->mapToGlobal(at), QPoint(),
                                    QPoint(0, int(platform::WindowHost::kWheelNotchAngle)),
                                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false));
    }
    ASSERT_TRUE(scheduler().runUntil(
        [&] { return offset() == table()->minimumContentOffset().y(); }, kWindowSystemTimeoutMs));
    window_->updateNow();
    const auto top = topRow();
    ASSERT_GT(top.first, 0);

    // The steps rest: older messages come, and the message on top stays put.
    scheduler().advance(ZVConversationViewController::kDeferral);
    window_->updateNow();
    EXPECT_LT(conversation_->firstLoadedMessage(), firstBefore);
    EXPECT_LT(std::abs(placeOf(top.first) - top.second), 0.5);
    EXPECT_GT(offset(), table()->bounds().height());
}

// On a tablet, touching a message row while a side page is active brings page 0 back, a moment
// later; with page 0 active nothing changes.
class ConversationScreenTabletTest : public ConversationScreenWindowTest {
protected:
    void SetUp() override {
        platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
        ConversationScreenWindowTest::SetUp();
    }
    void TearDown() override {
        ConversationScreenWindowTest::TearDown();
        platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
    }
};

TEST_F(ConversationScreenTabletTest, TouchingARowClosesTheSidePage) {
    seed(10, 10);
    scheduler().advance(ZVGlobals::kSplitViewSetUpDelay);
    globals().setConversationId(ZVOpenRequest{kScreenConversationId, {}, {}}, false);
    scheduler().advance(1);
    auto* pages = ZVConversationPageSet::conversationPages();
    ASSERT_TRUE(pages);
    screen_ = std::dynamic_pointer_cast<ZVConversationViewController>(
        pages->viewControllerForPage(ZVConversationPageSet::MessagesPage));
    ASSERT_TRUE(screen_);
    ASSERT_TRUE(pages->canNavigateToPage(ZVConversationPageSet::SettingsPage));
    pages->setActivePageIndex(ZVConversationPageSet::SettingsPage, false);
    scheduler().advance(1);
    ASSERT_EQ(pages->activePageIndex(), ZVConversationPageSet::SettingsPage);

    screen_->tableViewDidHighlightRowAtIndexPath(*table(), {0, 0});
    EXPECT_EQ(pages->activePageIndex(), ZVConversationPageSet::SettingsPage);
    scheduler().advance(ZVConversationViewController::kDeferral);
    EXPECT_EQ(pages->activePageIndex(), ZVConversationPageSet::MessagesPage);
}

}  // namespace
