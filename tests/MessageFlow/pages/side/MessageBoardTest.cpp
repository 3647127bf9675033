#include "tests/MessageFlow/pages/side/SidePagesTestSupport.h"

#include "MessageEditor/ZVFlatMessageEditor.h"
#include "MessageFlow/pages/ZVTasksViewController.h"
#include "MessageFlow/pages/side/ZVMessageBoardViewController.h"
#include "MessageFlow/pages/side/ZVPinsViewController.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "platform/foundation/Application.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <gtest/gtest.h>

namespace sidetest {
namespace {

class MessageBoard : public SidePagesTest {
protected:
    void SetUp() override {
        SidePagesTest::SetUp();
        applyConversation({{u"can_post"_s, true}});
    }
    void TearDown() override {
        board.reset();
        SidePagesTest::TearDown();
    }
    void openPins() {
        board = ZVMessageBoardViewController::make(
            conversation(), 2, [](const std::weak_ptr<ZVMessageBoard>& shown) {
                return std::make_unique<ZVPinsViewController>(shown);
            });
        show(*board);
    }
    void openTasks() {
        board = ZVMessageBoardViewController::make(
            conversation(), 4, [](const std::weak_ptr<ZVMessageBoard>& shown) {
                return std::make_unique<ZVTasksViewController>(shown);
            });
        show(*board);
    }
    bool hasButton(const std::shared_ptr<platform::BarButtonItem>& button) {
        const auto& items = board->navigationItem().rightBarButtonItems();
        return std::find(items.begin(), items.end(), button) != items.end();
    }
    std::vector<std::int64_t> listed() const {
        std::vector<std::int64_t> numbers;
        if (const auto messages = board->cells()->messages()) {
            for (const auto& message : *messages) {
                numbers.push_back(message->messageNr());
            }
        }
        return numbers;
    }
    void search(const QString& text) {
        board->searchBar()->setText(text);
        board->searchBarTextDidChange(board->searchBar()->dummySearchBar(), text);
    }

    std::shared_ptr<ZVMessageBoardViewController> board;
};

// "new" shows with a message and the right to post (an empty board has its link instead), "Edit"
// with three or more.
TEST_F(MessageBoard, TheButtonsFollowTheListedMessages) {
    struct Case {
        int pins;
        bool canPost;
        bool newButton;
        bool reorderButton;
    };
    const Case cases[] = {
        {0, true, false, false},
        {2, true, true, false},
        {3, true, true, true},
        {3, false, false, true},
    };
    int nr = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pins << " pins, may post: " << c.canPost);
        applyConversation({{u"can_post"_s, c.canPost}});
        while (nr < c.pins) {
            ++nr;
            pin(nr, u"Pin %1"_s.arg(nr), 100.0 * nr);
        }
        openPins();
        ASSERT_EQ(listed().size(), std::size_t(c.pins));
        EXPECT_EQ(hasButton(board->newButton()), c.newButton);
        EXPECT_EQ(hasButton(board->reorderButton()), c.reorderButton);
        board.reset();
    }
    // Losing the right to post takes "new" away at once.
    applyConversation({{u"can_post"_s, true}});
    openPins();
    ASSERT_TRUE(hasButton(board->newButton()));
    applyConversation({{u"can_post"_s, false}});
    ASSERT_TRUE(settle([&] { return !hasButton(board->newButton()); }));
    EXPECT_TRUE(board->cells()->createNewText().isEmpty());
}

// A search lists the matches, highlighted; emptying it lists the board again without highlights;
// entering reorder mode empties a search first.
TEST_F(MessageBoard, SearchingReplacesTheListAndRestoresIt) {
    const auto launch = pin(1, u"Plan the launch"_s, 300);
    pin(2, u"Book rooms"_s, 200);
    const auto dinner = pin(3, u"Plan dinner"_s, 100);
    openPins();
    ASSERT_EQ(listed(), (std::vector<std::int64_t>{1, 2, 3}));

    search(u"plan"_s);
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{1, 3}));
    EXPECT_TRUE(model(launch)->isShowingMatch());
    EXPECT_TRUE(board->searchBarShown());

    search(QString());
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_FALSE(board->searchMessages());
    EXPECT_FALSE(model(launch)->isShowingMatch());
    EXPECT_FALSE(model(dinner)->isShowingMatch());

    search(u"book"_s);
    board->startReorder();
    EXPECT_TRUE(board->searchText().isEmpty());
    EXPECT_EQ(listed(), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_TRUE(board->table()->isEditing());
    EXPECT_FALSE(board->navigationItem().leftBarButtonItem());
    const auto& done = board->navigationItem().rightBarButtonItems();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done.front()->title(), u"Done"_s);
}

// A pin dragged between two others takes the mean of their weights, and the service hears it.
TEST_F(MessageBoard, ADraggedPinTakesTheMeanWeight) {
    pin(1, u"Top"_s, 300);
    pin(2, u"Middle"_s, 200);
    const auto bottom = pin(3, u"Bottom"_s, 100);
    openPins();
    board->startReorder();
    auto table = board->table();
    table->dataSource()->tableViewMoveRowAtIndexPath(*table, {0, 2}, {0, 1});
    EXPECT_DOUBLE_EQ(bottom->pinWeight().value_or(0), 250);
    const QString path = u"message/store/"_s + displaytest::kConversationId;
    ASSERT_TRUE(waitForAnswered(path));
    EXPECT_DOUBLE_EQ(emulator.requests(path).front().body.value(u"pin_weight"_s).toDouble(), 250);
}

// A new pin is written in a strip in the pin colour, a new task in white; "Done" on a blank new
// message posts nothing, on written words posts them with the board's modifier.
TEST_F(MessageBoard, ANewMessageIsPostedOnlyWithContent) {
    pin(1, u"Old pin"_s, 100);
    openTasks();
    board->createNew();
    ASSERT_TRUE(board->editor());
    EXPECT_EQ(board->editor()->backgroundColor(), QColor(Qt::white));
    board->cancelEdit();
    board.reset();

    openPins();
    board->createNew();
    const auto editor = board->editor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->backgroundColor(), platform::resolveColor(ZVColors::pin()));
    EXPECT_EQ(editor->frame().height(), ZVMessageBoardViewController::kNewEditorHeight);
    EXPECT_TRUE(board->isEditing());

    const auto queue = conversation()->messageQueue();
    editor->textView()->setText(u"  \n "_s);
    board->commitEdit();
    EXPECT_FALSE(board->isEditing());
    EXPECT_FALSE(board->editor());
    EXPECT_EQ(queue->messages().count(), 0);
    // The editor shrinks away and goes.
    scheduler().advance(ZVMessageBoardViewController::kEditorCloseDuration +
                        platform::AnimationDriver::kFrameInterval);
    EXPECT_EQ(editor->superview(), nullptr);

    board->createNew();
    board->editor()->textView()->setText(u"Order cake"_s);
    board->commitEdit();
    ASSERT_EQ(queue->messages().count(), 1);
    const auto posted = queue->messages()[0];
    EXPECT_TRUE(posted->isPinned());
}

// An existing message opens at its row, at least 80 points high, and the user is seen editing it
// until the editor closes; a message the user may not edit opens nothing.
TEST_F(MessageBoard, EditingOpensAtTheRow) {
    const auto mine = pin(1, u"Short"_s, 200);
    const auto theirs = message(2, u"text"_s, u"<msg>Theirs</msg>"_s,
                                {{u"tags"_s, QJsonArray{u"pin"_s}}, {u"pin_weight"_s, 100.0}});
    openPins();
    ASSERT_EQ(listed(), (std::vector<std::int64_t>{1, 2}));
    const QRectF row = board->cells()->visibleRectForMessageNr(1);

    board->editMessage(theirs);
    EXPECT_FALSE(board->editor());
    board->editMessage(nullptr);
    EXPECT_FALSE(board->editor());

    board->editMessage(mine);
    ASSERT_TRUE(board->editor());
    EXPECT_EQ(board->editor()->frame().top(), row.top());
    EXPECT_GE(board->editor()->frame().height(),
              ZVMessageBoardViewController::kMinimumEditorHeight);
    const auto writers = conversation()->writers();
    EXPECT_TRUE(writers->isWriting());
    EXPECT_EQ(writers->editMessageNr(), 1);

    board->editor()->textView()->setText(u"Longer now"_s);
    board->commitEdit();
    EXPECT_FALSE(writers->isWriting());
    EXPECT_EQ(mine->message(), u"<msg>Longer now</msg>"_s);
}

// Focusing a pin highlights and expands it and scrolls it to 50 points below the top.
TEST_F(MessageBoard, FocusShowsThePinExpanded) {
    const QString longText =
        u"The long plan goes on with every detail of the evening. "_s.repeated(30);
    for (int nr = 1; nr <= 30; ++nr) {
        pin(nr, nr == 25 ? longText : u"Pin %1"_s.arg(nr), 1000.0 - nr);
    }
    openPins();
    const auto hit = conversation()->messageByNumber(25);
    ASSERT_TRUE(hit);
    ASSERT_TRUE(model(hit)->expandable());
    ASSERT_FALSE(model(hit)->expanded());

    board->focusMessage(25);
    window->updateNow();
    EXPECT_TRUE(model(hit)->expanded());
    const auto row = board->cells()->indexPathForMessage(25);
    ASSERT_TRUE(row);
    const qreal top = board->table()->rectForRowAtIndexPath(*row).top();
    EXPECT_DOUBLE_EQ(board->table()->contentOffset().y(),
                     top - ZVMessageBoardViewController::kFocusDistance);
    EXPECT_TRUE(board->cells()->cellByMessageNr(25));

    // A number the board does not hold moves nothing.
    const QPointF before = board->table()->contentOffset();
    board->focusMessage(77);
    EXPECT_EQ(board->table()->contentOffset(), before);
}

// Tapping the task archive's header (number 0) opens the archive, loading it when the device
// holds none, and the task page then folds it open.
TEST_F(MessageBoard, TheArchiveHeaderLoadsTheArchive) {
    applyConversation({{u"can_post"_s, true}, {u"has_task_archive"_s, true}});
    ownMessage(1, u"Order cake"_s, {{u"tags"_s, QJsonArray{u"is_todo"_s}}});
    openTasks();
    const auto rows = listed();
    const auto headerRow = std::find(rows.begin(), rows.end(), 0) - rows.begin();
    ASSERT_LT(headerRow, qsizetype(rows.size()));
    const auto header = conversation()->taskArchiveHeader();
    ASSERT_TRUE(header);
    ASSERT_FALSE(model(header)->expanded());

    board->tableViewDidSelectRowAtIndexPath(*board->table(), {0, int(headerRow)});
    EXPECT_TRUE(conversation()->isLoading());
    EXPECT_TRUE(model(header)->expanded());
    const QString path = u"conversation/sync/"_s + displaytest::kConversationId;
    ASSERT_TRUE(settle([&] {
        for (const auto& request : emulator.requests(path)) {
            if (request.body.value(u"mk_direction"_s).toString() == u"ic_tasks"_s) {
                return true;
            }
        }
        return false;
    }));
}

// With the keyboard up the editor fills the page above it on a phone, and the whole page on a
// tablet; with the keyboard gone, the whole page.
TEST_F(MessageBoard, TheEditorRidesOnTheKeyboard) {
    pin(1, u"Old pin"_s, 100);
    for (const bool tablet : {false, true}) {
        SCOPED_TRACE(tablet ? "tablet" : "phone");
        platform::Application::shared().setUserInterfaceIdiom(
            tablet ? platform::UserInterfaceIdiom::Pad : platform::UserInterfaceIdiom::Phone);
        openPins();
        board->createNew();
        const auto editor = board->editor();
        ASSERT_TRUE(editor);
        constexpr qreal kKeyboard = 260;
        const QRectF bounds = board->view()->bounds();
        const platform::Notification shown{
            QString(platform::Keyboard::WillShowNotification),
            nullptr,
            {},
            {{QString(platform::Keyboard::FrameEndUserInfoKey),
              QRectF(0, bounds.height() - kKeyboard, bounds.width(), kKeyboard)}}};
        board->keyboardWillShow(shown);
        scheduler().advance(1.0);
        EXPECT_EQ(editor->frame(),
                  QRectF(0, 0, bounds.width(), bounds.height() - (tablet ? 0 : kKeyboard)));
        EXPECT_EQ(editor->alpha(), 1);
        board->keyboardWillHide(platform::Notification{
            QString(platform::Keyboard::WillHideNotification), nullptr, {}, {}});
        EXPECT_EQ(editor->frame(), bounds);
        board->cancelEdit();
        board.reset();
    }
}

// The rows show file previews unless the account turned inline images off, and follow the switch.
TEST_F(MessageBoard, FilePreviewsFollowTheClientFlag) {
    pin(1, u"Pin"_s, 100);
    openPins();
    EXPECT_TRUE(board->cells()->showFilePreviews());
    session_->profile()->setClientFlag(QString(ZVUserProfile::NoInlineImagesFlag), true);
    ASSERT_TRUE(settle([&] { return !board->cells()->showFilePreviews(); }));
    session_->profile()->setClientFlag(QString(ZVUserProfile::NoInlineImagesFlag), false);
    ASSERT_TRUE(settle([&] { return board->cells()->showFilePreviews(); }));
}

}  // namespace
}  // namespace sidetest
