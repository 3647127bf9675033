#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/menus/ZVMessageMenu.h"
#include "MessageFlow/rows/ZVMessageMenuHandler.h"
#include "MessageFlow/rows/cells/ZVAvatarMessageCell.h"
#include "MessageFlow/views/ZVBaseMessageView.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"

#include <QtCore/QUrl>

#include <gtest/gtest.h>

namespace rowstest {
namespace {

// The long-press menu as the message menus will register it: here it only says whether it shows.
class FixtureMenu : public ZVMessageMenuHandler {
public:
    bool menuShowing() const override { return showing; }
    bool showing = false;
};

class RowTaps : public RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        ZVMessageMenuFactory::setFactory(
            [this](const std::shared_ptr<ZVTableView>&, int) { return menu; });
        ZVModalFileDownloader::setDocumentOpener(
            [this](const QUrl& url, platform::View*) { opened << url.toString(); });
    }
    void TearDown() override {
        // The start-up registration back, for the tests that follow.
        ZVMessageMenu::registerFactory();
        ZVModalFileDownloader::setDocumentOpener(nullptr);
        RowsTest::TearDown();
    }
    // Message `nr` with one document already on the device.
    std::shared_ptr<Message> withLocalFile(std::int64_t nr) {
        const QString key = u"doc%1"_s.arg(nr);
        QJsonObject record = fileRecord(nr, key);
        record.insert(u"file_url"_s, u"file:///tmp/%1.pdf"_s.arg(key));
        apply({record});
        return row(nr, nr, u"text"_s, u"<msg>See this %1</msg>"_s.arg(fileElement(key)));
    }
    std::shared_ptr<ZVFileView> fileViewOf(int rowIndex) {
        const auto cell = cellAt(rowIndex);
        auto* view = cell ? dynamic_cast<ZVBaseMessageView*>(cell->messageView().get()) : nullptr;
        return view && !view->fileViews().empty() ? view->fileViews().front() : nullptr;
    }
    QPointF centreOf(const platform::View& view) {
        return view.convertRectTo(view.bounds(), nullptr).center();
    }
    // A finger down at `at`, held long enough for the row to light, then lifted.
    void tap(QPointF at, double hold = 0.2) {
        window->sendTouch(1, platform::TouchPhase::Began, at);
        scheduler().advance(hold);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }

    std::shared_ptr<FixtureMenu> menu = std::make_shared<FixtureMenu>();
    QStringList opened;
};

// A file of a stored message opens a tenth of a second after the tap; one of a message not yet
// stored, or tapped while the menu shows, never does; nor does one whose row was given another
// message meanwhile.
TEST_F(RowTaps, ATappedFileOpensOnlyInAStoredMessage) {
    const auto stored = withLocalFile(1);
    const auto pendingNr = Message::kFirstPendingMessageNr + 7;
    const auto pending = withLocalFile(pendingNr);
    show(listOf({stored, pending}));
    cells->addMessageMenuHandler(table);
    ASSERT_TRUE(fileViewOf(0) && fileViewOf(1));

    tap(centreOf(*fileViewOf(0)));
    scheduler().advance(0.09);
    EXPECT_TRUE(opened.isEmpty());
    scheduler().advance(0.02);
    EXPECT_EQ(opened, QStringList{u"file:///tmp/doc1.pdf"_s});

    tap(centreOf(*fileViewOf(1)));
    scheduler().advance(1.0);
    EXPECT_EQ(opened.size(), 1) << "the pending message's file";

    menu->showing = true;
    tap(centreOf(*fileViewOf(0)));
    scheduler().advance(1.0);
    EXPECT_EQ(opened.size(), 1) << "under the menu";
    menu->showing = false;

    tap(centreOf(*fileViewOf(0)), 0);
    cellAt(0)->setMessage(row(2, 2));
    scheduler().advance(1.0);
    EXPECT_EQ(opened.size(), 1) << "the row shows another message";
}

// A grouped row with avatars shows its time while touched, for 3 seconds; without an avatar
// column it never does.
TEST_F(RowTaps, AGroupedRowShowsItsTimeForThreeSeconds) {
    const auto first = row(1, 0);
    const auto grouped = row(2, 1);
    for (const int avatarSize : {2, 0}) {
        SCOPED_TRACE(avatarSize);
        show(listOf({first, grouped}), kPhoneWidth, avatarSize);
        const auto cell = cellAt(1);
        ASSERT_TRUE(cell && cell->groupedWithPrevious());
        tap(centreOf(*cell));
        if (avatarSize == 0) {
            EXPECT_FALSE(cell->timeLabel());
            continue;
        }
        ASSERT_TRUE(cell->timeLabel());
        EXPECT_FALSE(cell->timeLabel()->text().isEmpty());
        // The row lit up kHighlightDelay into the 0.2 s touch.
        const double hidesIn =
            platform::TableView::kHighlightDelay + ZVMessageCell::kTimeShownFor - 0.2;
        scheduler().advance(hidesIn - 0.05);
        EXPECT_TRUE(cell->timeLabel());
        scheduler().advance(0.1);
        EXPECT_FALSE(cell->timeLabel());
    }
}

// An edited message shows its edit mark beside its header; in a grouped row of the avatar kind
// (here one with a gap after it) there is none, until its time has shown and gone: then the
// plain rule brings it.
TEST_F(RowTaps, TheEditMarkOfAGroupedRowComesBackAfterItsTime) {
    const QJsonObject edited{{u"edit_account_id"_s, displaytest::kFox}};
    const auto first = row(1, 0, u"text"_s, u"<msg>One</msg>"_s, edited);
    const auto grouped = row(2, 1, u"text"_s, u"<msg>Two</msg>"_s, edited);
    const auto afterGap = row(9, 2, u"text"_s, u"<msg>Three</msg>"_s, {{u"prev_message_nr"_s, 5}});
    show(listOf({first, grouped, afterGap}));
    EXPECT_FALSE(cellAt(0)->editIcon()->isHidden());
    const auto cell = std::dynamic_pointer_cast<ZVAvatarMessageCell>(cellAt(1));
    ASSERT_TRUE(cell && cell->groupedWithPrevious());
    EXPECT_TRUE(cell->editIcon()->isHidden());
    tap(centreOf(*cell));
    ASSERT_TRUE(cell->timeLabel());
    EXPECT_TRUE(cell->editIcon()->isHidden());
    scheduler().advance(ZVMessageCell::kTimeShownFor);
    EXPECT_FALSE(cell->timeLabel());
    EXPECT_FALSE(cell->editIcon()->isHidden());
}

// Selecting the text of a collapsed message expands it first and selects a second later; a tap
// on an expandable row flips it.
TEST_F(RowTaps, ACollapsedMessageExpandsBeforeItsTextIsSelected) {
    const QString longText =
        u"<msg>%1</msg>"_s.arg(u"Line after line of words to read. "_s.repeated(200));
    const auto shown = row(1, 0, u"text"_s, longText);
    show(listOf({shown}));
    ASSERT_TRUE(model(shown)->expandable());
    ASSERT_FALSE(model(shown)->expanded());
    const qreal collapsed = cells->heightForRowAtIndex(0);

    auto cell = cellAt(0);
    cell->beginSelection();
    EXPECT_TRUE(model(shown)->expanded());
    EXPECT_FALSE(cell->selecting());
    scheduler().advance(ZVMessageCell::kSelectionRetryDelay - 0.05);
    EXPECT_FALSE(cell->selecting());
    scheduler().advance(0.1);
    cell = cellAt(0);
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->selecting());
    EXPECT_GT(cell->frame().height(), collapsed);

    table->setSelectionCell(nullptr);
    cells->tableViewDidSelectRowAtIndexPath(*table, {0, 0});
    EXPECT_FALSE(model(shown)->expanded());
    scheduler().advance(0.2);
    window->updateNow();
    EXPECT_DOUBLE_EQ(cellAt(0)->frame().height(), collapsed);
}

}  // namespace
}  // namespace rowstest
