#include "tests/app/ShellTestSupport.h"

#include "MessageEditor/StartUp.h"
#include "MessageEditor/ZVFlatMessageEditor.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "MessageFlow/screen/ZVConversationScreenActions.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "MessageFlow/screen/actions/ZVConversationMessageActions.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Qt::Literals::StringLiterals;

namespace {

using Actions = ZVConversationMessageActions;

const QString kActionsOtherId = u"8e7d6c5b-4a39-4281-9f0e-a1b2c3d4e5f6"_s;
// The editor's growing and shrinking is over, with room for the clock's rounding.
constexpr double kPastEditorAnimation = ZVConversationMessageActions::kEditorDuration + 0.1;

// A composer that keeps what it was asked to quote.
class ActionsComposer : public ZVConversationComposer {
public:
    qreal requestedHeight() const override { return 60; }
    void updateSubject() override {}
    void pasteMessage(const std::shared_ptr<ZVClipboardMessage>&, bool) override {}
    void quoteMessage(const std::shared_ptr<Message>& message, const QString& text) override {
        quoted.emplace_back(message, text);
    }
    bool focusComposer() override { return false; }
    bool resignComposer() override { return false; }
    bool composerHasFocus() const override { return false; }

    std::vector<std::pair<std::shared_ptr<Message>, QString>> quoted;
};

// Fox's conversation with another member at the loopback service, its messages page in a phone
// window with a phone's keyboard, and the message actions installed.
class MessageActions : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVConversationComposer::setFactory([this](const auto&, const auto&) {
            auto composer = std::make_shared<ActionsComposer>();
            composer_ = composer;
            return composer;
        });
        keyboard_ = std::make_shared<platform::FakeKeyboard>();
        platform::Keyboard::setShared(keyboard_);
        Actions::install();
        launch();
        session_ = signIn(u"fox@example.com"_s);
        ASSERT_TRUE(session_);
        self_ = session_->sessionId();
        // Known to the service, so that what the page sends about it is taken.
        conversationId_ = emulator.addConversation(u"Harbour"_s, {self_, kActionsOtherId});
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
        platform::Keyboard::setShared(nullptr);
        ShellTest::TearDown();
    }

    QJsonObject messageRecord(std::int64_t nr, const QString& poster, const QString& body,
                              const QJsonObject& extra = {}) {
        QJsonObject record{{u"mk_rec_type"_s, u"message"_s},
                           {u"conversation_id"_s, conversationId_},
                           {u"message_nr"_s, qint64(nr)},
                           {u"account_id"_s, poster},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"inbox_nr"_s, qint64(nr)},
                           {u"message"_s, body}};
        if (nr > 1) {
            record.insert(u"prev_message_nr"_s, qint64(nr - 1));
        }
        for (auto it = extra.begin(); it != extra.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        return record;
    }
    QJsonObject fileRecord(std::int64_t nr, const QString& key) {
        return {
            {u"mk_rec_type"_s, u"file"_s},      {u"conversation_id"_s, conversationId_},
            {u"message_nr"_s, qint64(nr)},      {u"attachment_id"_s, key},
            {u"file_name"_s, key + u".pdf"_s},  {u"file_url"_s, u"https://files.example/"_s + key},
            {u"file_sha256"_s, key + u"-sha"_s}};
    }
    // Messages 1..count, all read; `own` are the user's, `special` replace the plain ones.
    void seed(std::int64_t count, const std::set<std::int64_t>& own = {},
              const std::map<std::int64_t, QJsonObject>& special = {},
              const QList<QJsonObject>& files = {}) {
        zvemu::Fixture fixture;
        fixture.ownerId = self_;
        fixture.conversations = {QJsonObject{{u"mk_rec_type"_s, u"conv"_s},
                                             {u"conversation_id"_s, conversationId_},
                                             {u"topic"_s, u"Harbour"_s},
                                             {u"members"_s, QJsonArray{self_, kActionsOtherId}},
                                             {u"can_post"_s, true},
                                             {u"last_message_nr"_s, qint64(count)},
                                             {u"read_message_nr"_s, qint64(count)},
                                             {u"unread_count"_s, 0},
                                             {u"join_message_nr"_s, 1},
                                             {u"is_init"_s, true}}};
        for (std::int64_t nr = 1; nr <= count; ++nr) {
            const auto found = special.find(nr);
            fixture.messages.push_back(
                found != special.end()
                    ? found->second
                    : messageRecord(nr, own.contains(nr) ? self_ : kActionsOtherId,
                                    u"<msg>Message %1 on the harbour.</msg>"_s.arg(nr)));
        }
        service.seed(self_, fixture);
        if (!files.isEmpty()) {
            emulator.appendEvents(self_, files);
        }
        ASSERT_TRUE(waitForStreamEnd(session_));
        conversation_ = session_->conversationFromId(conversationId_);
        ASSERT_TRUE(conversation_);
    }
    void open() {
        screen_ = ZVConversationViewController::make(conversation_, 0);
        navigation_ = std::make_shared<platform::NavigationController>(screen_);
        window_ = platform::Window::make();
        window_->setRootViewController(navigation_);
        window_->updateNow();
        settle();
        ASSERT_TRUE(scheduler().runUntil([&] { return !conversation_->isLoading(); }));
        settle();
    }
    void settle(double seconds = 0.5) {
        scheduler().advance(seconds);
        window_->updateNow();
    }
    std::shared_ptr<Message> messageNr(std::int64_t nr) const {
        return conversation_->messages()->messageByNr(nr);
    }
    std::shared_ptr<ZVFlatMessageEditor> editor() const { return Actions::editor(*screen_); }
    QRectF viewLessKeyboard(qreal keyboard) const {
        const QRectF bounds = screen_->view()->bounds();
        return {0, 0, bounds.width(), bounds.height() - keyboard};
    }
    QRectF stripAboveTable() const {
        const QRectF table = screen_->table()->frame();
        return {table.left(), table.top() - ZVConversationCells::kOffscreenStripHeight,
                table.width(), ZVConversationCells::kOffscreenStripHeight};
    }
    int editorsInView() const {
        int count = 0;
        for (const auto& view : screen_->view()->subviews()) {
            count += std::dynamic_pointer_cast<ZVFlatMessageEditor>(view) != nullptr;
        }
        return count;
    }
    QString activityPath() const { return u"conversation/show_activity/"_s + conversationId_; }
    // Turns of the clock, each letting the network answer, until `done`: queued requests leave
    // on the session's next turn.
    bool turnUntil(const std::function<bool()>& done) {
        constexpr int kTurns = 100;
        constexpr int kTurnWaitMs = 100;
        for (int turn = 0; turn < kTurns && !done(); ++turn) {
            scheduler().advance(ZVConversationViewController::kDeferral);
            scheduler().runUntil(done, kTurnWaitMs);
        }
        window_->updateNow();
        return done();
    }
    // Waits until the service has heard the activity report `writing` about `nr`.
    bool heardActivity(bool writing, std::int64_t nr) {
        return turnUntil([&] {
            const auto request = emulator.lastRequest(activityPath());
            return request && request->body.value(u"is_writing"_s).toBool() == writing &&
                   request->body.value(u"message_nr"_s).toInteger() == nr;
        });
    }
    // Where the view shows now, mid-animation.
    static QRectF presented(platform::View& view) {
        const QSizeF size = view.layer().presentationBounds().size();
        const QPointF centre = view.layer().presentationPosition();
        return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                size.height()};
    }
    // The y of `rect` of `view` from the top of what the table shows.
    qreal onScreen(const platform::View& view, const QRectF& rect) const {
        const auto& table = screen_->table();
        return view.convertRectTo(rect, table->superview()).top() - table->frame().top();
    }
    template <class T>
    static void collect(const std::shared_ptr<platform::View>& view,
                        std::vector<std::shared_ptr<T>>& found) {
        if (auto match = std::dynamic_pointer_cast<T>(view)) {
            found.push_back(match);
        }
        for (const auto& child : view->subviews()) {
            collect(child, found);
        }
    }

    std::shared_ptr<ZVRepositorySession> session_;
    QString self_;
    QString conversationId_;
    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<ZVConversationViewController> screen_;
    std::shared_ptr<platform::NavigationController> navigation_;
    std::shared_ptr<platform::Window> window_;
    std::weak_ptr<ActionsComposer> composer_;
    std::shared_ptr<platform::FakeKeyboard> keyboard_;
};

// The up arrow reaches only the newest of the user's own messages: when that one may not be
// edited, nothing opens, even with an older own message that could be.
TEST_F(MessageActions, EditLastTakesOnlyTheNewestOwnMessage) {
    seed(6, {2, 4});
    open();
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void()> undo;
        std::int64_t edited;
    };
    const std::vector<Case> cases{
        {"newest own editable, others' newer", [] {}, [] {}, 4},
        {"newest own held by another member, an older one free",
         [&] {
             conversation_->writers()->updateActivityBy(kActionsOtherId, true, 4);
             ASSERT_TRUE(messageNr(2)->canEdit());
         },
         [&] { conversation_->writers()->updateActivityBy(kActionsOtherId, false, 0); }, 0},
        {"posting not allowed", [&] { conversation_->setCanPost(false); },
         [&] { conversation_->setCanPost(true); }, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        test.arrange();
        EXPECT_EQ(messageNr(4)->canEdit(), test.edited == 4);
        // The composer's up arrow, with nothing typed.
        composer_.lock()->onEditMessage()();
        const auto open = editor();
        EXPECT_EQ(open ? open->message()->messageNr() : 0, test.edited);
        if (open) {
            screen_->cancelEdit();
            settle();
        }
        test.undo();
    }
}

// A message that has no row on screen is edited from the strip just above the table, and the
// editor shrinks back there; the others hear that the message is being edited, then that it no
// longer is. Cancelling stores nothing, and a second edit meanwhile opens no second editor.
TEST_F(MessageActions, AnOffScreenMessageEditsFromTheStripAboveTheTable) {
    seed(40, {1, 40});
    open();
    ASSERT_FALSE(screen_->cells()->cellByMessageNr(1));
    const int stores = emulator.requestCount(u"message/store/"_s + conversationId_);

    screen_->editMessage(messageNr(1));
    const auto open = editor();
    ASSERT_TRUE(open);
    EXPECT_EQ(presented(*open), stripAboveTable());
    EXPECT_EQ(open->layer().presentationOpacity(), 0);
    EXPECT_TRUE(screen_->isEditing());
    EXPECT_TRUE(heardActivity(true, 1));

    settle(kPastEditorAnimation);
    EXPECT_EQ(presented(*open), viewLessKeyboard(keyboard_->height()));
    EXPECT_EQ(open->frame(), viewLessKeyboard(keyboard_->height()));
    EXPECT_EQ(open->alpha(), 1);

    screen_->editMessage(messageNr(40));
    EXPECT_EQ(editor(), open);
    EXPECT_EQ(editorsInView(), 1);

    screen_->cancelEdit();
    EXPECT_FALSE(editor());
    EXPECT_EQ(presented(*open), viewLessKeyboard(keyboard_->height()));
    EXPECT_TRUE(heardActivity(false, 1));
    settle(kPastEditorAnimation);
    EXPECT_EQ(open->frame(), stripAboveTable());
    EXPECT_EQ(open->alpha(), 0);
    EXPECT_FALSE(open->superview());
    EXPECT_EQ(editorsInView(), 0);
    EXPECT_EQ(emulator.requestCount(u"message/store/"_s + conversationId_), stores);
}

// A message on screen grows from its row; "Done" stores the edit and the editor shrinks back
// onto the row.
TEST_F(MessageActions, DoneStoresTheEditAndShrinksOntoTheRow) {
    seed(5, {5});
    open();
    const auto message = messageNr(5);
    const QRectF row = screen_->cells()->visibleRectForMessageNr(5);
    ASSERT_NE(row, stripAboveTable());

    screen_->editMessage(message);
    const auto open = editor();
    ASSERT_TRUE(open);
    EXPECT_EQ(presented(*open), row);
    // The text starts below the status bar's room, and follows it.
    EXPECT_EQ(open->textView()->textContainerInset().top,
              ZVScreenCoordinator::shared().statusViewContentInset());
    screen_->setTopInset(30);
    EXPECT_EQ(open->textView()->textContainerInset().top, 30);
    EXPECT_EQ(open->textView()->textContainerInset().bottom, 0);
    settle(kPastEditorAnimation);
    open->textView()->setText(u"Message 5, edited"_s);

    screen_->commitEdit();
    EXPECT_FALSE(screen_->isEditing());
    const QString store = u"message/store/"_s + conversationId_;
    ASSERT_TRUE(turnUntil([&] {
        const auto request = emulator.lastRequest(store);
        return request && request->body.value(u"message"_s).toString().contains(u"edited"_s);
    }));
    settle(kPastEditorAnimation);
    EXPECT_EQ(open->frame(), screen_->cells()->visibleRectForMessageNr(5));
    EXPECT_FALSE(open->superview());
}

// The open editor fills the page above the keyboard, and the whole page once the keyboard goes.
// A keyboard that takes no room and was already up for the composer sends no notice: the editor
// grows all the same.
TEST_F(MessageActions, TheEditorFillsThePageAboveTheKeyboard) {
    seed(5, {5});
    open();
    struct Case {
        const char* name;
        qreal keyboard;
        bool alreadyUp;
    };
    const Case cases[] = {
        {"phone keyboard comes up", platform::FakeKeyboard::kDefaultHeight, false},
        {"hardware keyboard already up", 0, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        keyboard_->setHeight(test.keyboard);
        if (test.alreadyUp) {
            keyboard_->inputDidBegin({window_->bounds()});
            settle();
        }
        screen_->editMessage(messageNr(5));
        const auto open = editor();
        ASSERT_TRUE(open);
        settle(kPastEditorAnimation);
        EXPECT_EQ(presented(*open), viewLessKeyboard(test.keyboard));
        EXPECT_EQ(open->alpha(), 1);

        keyboard_->inputDidEnd();
        settle();
        EXPECT_EQ(open->frame(), screen_->view()->bounds());
        screen_->cancelEdit();
        settle();
    }
}

// Quoting hands the composer the message's text with its markup, without the message's own
// quotes; a selected part goes as it is.
TEST_F(MessageActions, QuotingHandsTheComposerTheTextWithoutItsQuotes) {
    seed(3, {},
         {{2, messageRecord(
                  2, kActionsOtherId,
                  uR"(<msg><q><ql zvp="&gt; ">older words</ql></q><br/>my reply</msg>)"_s)}});
    open();
    const auto composer = composer_.lock();
    ASSERT_TRUE(composer);
    const auto message = messageNr(2);
    screen_->quoteMessage(message);
    screen_->quoteMessage(message, u"rep"_s);
    ASSERT_EQ(composer->quoted.size(), 2u);
    EXPECT_EQ(composer->quoted[0].first, message);
    EXPECT_EQ(composer->quoted[0].second.trimmed(), u"my reply"_s);
    EXPECT_EQ(composer->quoted[1].second, u"rep"_s);
}

// Selection starts in the row that shows the message, and nowhere when none does.
TEST_F(MessageActions, SelectionStartsOnlyInTheVisibleRow) {
    seed(40);
    open();
    const auto selecting = [&] {
        int count = 0;
        for (const auto& cell : screen_->table()->visibleCells()) {
            const auto row = std::dynamic_pointer_cast<ZVMessageCell>(cell);
            count += row && row->selecting();
        }
        return count;
    };
    screen_->selectMessage(messageNr(1));
    EXPECT_EQ(selecting(), 0);
    screen_->selectMessage(messageNr(40));
    ASSERT_EQ(selecting(), 1);
    EXPECT_TRUE(screen_->cells()->cellByMessageNr(40)->selecting());
}

// A found message is scrolled to its match as the row lays it out: a hit in the text shows 50 pt
// below the top of the rows, a hit in the second file's name shows that file just below the top,
// its text above scrolled away. The message is long enough to be cut until it is focused.
TEST_F(MessageActions, FocusBringsTheMatchItselfIntoView) {
    QStringList sentences;
    for (int i = 1; i <= 40; ++i) {
        sentences << u"Sentence %1 tells of the boats in the harbour."_s.arg(i);
    }
    const QString text = sentences.join(u" "_s);
    QString marked = text;
    marked.replace(u"Sentence 30 tells"_s, u"Sentence 30 <mark>tells</mark>"_s);
    const QString files =
        u"<file key=\"f0\">f0</file><file key=\"f1\">f1</file>"
        u"<file key=\"f2\">f2</file>"_s;
    const QString markedFiles =
        u"<file key=\"f0\">f0.pdf</file><file key=\"f1\"><mark>f1</mark>"
        u".pdf</file><file key=\"f2\">f2.pdf</file>"_s;
    const QJsonObject textHit = messageRecord(10, kActionsOtherId, u"<msg>%1</msg>"_s.arg(text));
    const QJsonObject fileHit =
        messageRecord(20, kActionsOtherId, u"<msg>%1%2</msg>"_s.arg(text, files));
    seed(40, {}, {{10, textHit}, {20, fileHit}},
         {fileRecord(20, u"f0"_s), fileRecord(20, u"f1"_s), fileRecord(20, u"f2"_s)});
    open();
    // The search's answer brings the highlights for the messages held.
    QJsonObject textAnswer = textHit;
    textAnswer.insert(u"marked_text"_s, u"<msg>%1</msg>"_s.arg(marked));
    QJsonObject fileAnswer = fileHit;
    fileAnswer.insert(u"marked_text"_s, u"<msg>%1%2</msg>"_s.arg(text, markedFiles));
    emulator.appendEvents(self_, {textAnswer, fileAnswer});
    ASSERT_TRUE(waitForStreamEnd(session_));
    ASSERT_FALSE(messageNr(10)->markedText().isEmpty());

    // The text hit.
    screen_->focusMessage(10);
    settle();
    auto cell = screen_->cells()->cellByMessageNr(10);
    ASSERT_TRUE(cell);
    std::vector<std::shared_ptr<ZVRichText>> texts;
    collect(cell, texts);
    std::shared_ptr<ZVRichText> highlighted;
    for (const auto& each : texts) {
        if (each->highlightFrame().height() > 0) {
            highlighted = each;
        }
    }
    ASSERT_TRUE(highlighted);
    const qreal textTop = highlighted->convertRectTo(highlighted->bounds(), cell.get()).top();
    EXPECT_NEAR(onScreen(*highlighted, highlighted->highlightFrame()),
                textTop + ZVConversationMessageActions::kTextMatchDistance, 1);
    EXPECT_EQ(screen_->cells()->anchorMessageNumber(), 10);

    // The hit in the second file's name.
    screen_->focusMessage(20);
    settle();
    cell = screen_->cells()->cellByMessageNr(20);
    ASSERT_TRUE(cell);
    std::vector<std::shared_ptr<ZVFileView>> fileViews;
    collect(cell, fileViews);
    ASSERT_EQ(fileViews.size(), 3u);
    const auto& second = fileViews[1];
    ASSERT_EQ(second->file()->attachmentId(), u"f1"_s);
    const qreal spacing =
        ZVFileView::spacingWithFile(second->file().get(), fileViews[0]->file().get(),
                                    ZVConversationMessageActions::kPreviewFileKind);
    texts.clear();
    collect(cell, texts);
    ASSERT_FALSE(texts.empty());
    const qreal fileTextTop =
        texts.front()->convertRectTo(texts.front()->bounds(), cell.get()).top();
    EXPECT_NEAR(onScreen(*second, second->bounds()),
                fileTextTop + spacing + ZVConversationMessageActions::kFileMatchDistance, 1);
    EXPECT_LT(onScreen(*texts.front(), texts.front()->bounds()), 0);
}

// A link opens the conversation on a message: focused before the page first shows, the page
// builds its rows then and shows that message rather than the newest ones.
TEST_F(MessageActions, AFocusBeforeTheFirstAppearanceHoldsThroughIt) {
    seed(40);
    screen_ = ZVConversationViewController::make(conversation_, 0);
    screen_->focusMessage(10);
    EXPECT_TRUE(screen_->viewHasAppeared());
    navigation_ = std::make_shared<platform::NavigationController>(screen_);
    window_ = platform::Window::make();
    window_->setRootViewController(navigation_);
    window_->updateNow();
    settle();
    EXPECT_TRUE(screen_->cells()->cellByMessageNr(10));
    EXPECT_FALSE(screen_->cells()->cellByMessageNr(40));
}

// A number that cannot be loaded leaves the page as it was.
TEST_F(MessageActions, FocusOnAMissingMessageDoesNothing) {
    seed(40);
    open();
    const qreal at = screen_->table()->contentOffset().y();
    screen_->focusMessage(400);
    settle();
    EXPECT_EQ(screen_->table()->contentOffset().y(), at);
}

}  // namespace
