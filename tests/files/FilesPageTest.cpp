#include "tests/MessageFlow/pages/side/SidePagesTestSupport.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "files/page/ZVFileCell.h"
#include "files/page/ZVFilesViewController.h"
#include "files/views/ZVFileMenuHandler.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <gtest/gtest.h>

namespace sidetest {
namespace {

class FilesPage : public SidePagesTest {
protected:
    void TearDown() override {
        page.reset();
        SidePagesTest::TearDown();
    }
    void open() {
        page = ZVConversationTableViewController::create<ZVFilesViewController>(conversation(), 3);
        show(*page);
    }
    void addFile(std::int64_t nr, const QString& name) {
        apply({fileRecord(nr, u"k%1"_s.arg(nr), {{u"file_name"_s, name}})});
        message(nr, u"text"_s, u"<msg>%1</msg>"_s.arg(fileElement(u"k%1"_s.arg(nr))));
    }
    std::shared_ptr<ZVBackgroundView> background() const {
        return std::dynamic_pointer_cast<ZVBackgroundView>(page->table()->backgroundView());
    }
    QStringList listedNames() const {
        QStringList names;
        const auto table = page->table();
        for (int row = 0; row < table->numberOfRowsInSection(0); ++row) {
            const auto cell = std::dynamic_pointer_cast<ZVFileCell>(
                page->tableViewCellForRowAtIndexPath(*table, {0, row}));
            names.append(cell && cell->file() ? cell->file()->fileName() : QString());
        }
        names.sort();
        return names;
    }
    void search(const QString& text) {
        page->searchBar()->setText(text);
        page->searchBarTextDidChange(page->searchBar()->dummySearchBar(), text);
    }
    bool hasNewButton() const {
        const auto& items = page->navigationItem().rightBarButtonItems();
        return std::find(items.begin(), items.end(), page->newButton()) != items.end();
    }

    std::shared_ptr<ZVFilesViewController> page;
};

// A conversation without files says so, offering to add one only to a user who may post; losing
// the right to post takes the button and the link away at once.
TEST_F(FilesPage, AnEmptyConversationSaysSo) {
    for (const bool canPost : {true, false}) {
        SCOPED_TRACE(canPost ? "may post" : "may not post");
        applyConversation({{u"can_post"_s, canPost}});
        open();
        const auto empty = background();
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->text(), u"This conversation has no files yet"_s);
        EXPECT_EQ(empty->linkText(), canPost ? u"Add a file"_s : QString());
        EXPECT_EQ(hasNewButton(), canPost);
        page.reset();
    }
    applyConversation({{u"can_post"_s, true}});
    open();
    ASSERT_TRUE(hasNewButton());
    applyConversation({{u"can_post"_s, false}});
    ASSERT_TRUE(settle([&] { return !hasNewButton(); }));
    EXPECT_TRUE(background()->linkText().isEmpty());
}

// A search lists the files whose names have a word starting with the text; one that matches
// nothing leaves every file listed; clearing it, or leaving the page, drops the highlights.
TEST_F(FilesPage, SearchNarrowsByNamePrefix) {
    addFile(1, u"Quarterly report.pdf"_s);
    addFile(2, u"receipt.png"_s);
    addFile(3, u"agenda.pdf"_s);
    open();
    const QStringList all{u"Quarterly report.pdf"_s, u"agenda.pdf"_s, u"receipt.png"_s};
    ASSERT_EQ(listedNames(), all);
    EXPECT_FALSE(background());

    search(u"re"_s);
    EXPECT_EQ(listedNames(), (QStringList{u"Quarterly report.pdf"_s, u"receipt.png"_s}));
    const auto files = conversation()->files();
    const auto highlighted = [&] {
        int count = 0;
        for (const auto& file : *files) {
            count += file->highlightedName().isEmpty() ? 0 : 1;
        }
        return count;
    };
    EXPECT_EQ(highlighted(), 2);

    search(u"zzz"_s);
    EXPECT_EQ(listedNames(), all);

    search(u"agen"_s);
    ASSERT_EQ(listedNames(), QStringList{u"agenda.pdf"_s});
    search(QString());
    EXPECT_EQ(listedNames(), all);
    EXPECT_EQ(highlighted(), 0);

    search(u"agen"_s);
    page->viewWillDisappear(false);
    EXPECT_EQ(highlighted(), 0);
}

// A picked file goes out at once as a message of its own, holding that file alone.
TEST_F(FilesPage, APickedFileIsPostedAlone) {
    applyConversation({{u"can_post"_s, true}});
    open();
    const auto picked = session_->fileWithData("minutes", u"minutes.txt"_s);
    ASSERT_TRUE(picked);
    page->postPickedFile(picked);
    const auto queue = conversation()->messageQueue();
    ASSERT_EQ(queue->messages().count(), 1);
    const auto posted = queue->messages()[0];
    const auto postedFiles = model(posted)->files().value_or(Message::Files{});
    ASSERT_EQ(postedFiles.size(), 1u);
    EXPECT_EQ(postedFiles.front()->fileName(), u"minutes.txt"_s);
    EXPECT_TRUE(model(posted)->containsFilesOnly());
}

// The file menu is installed on the page's table and finds each row's file through the row.
TEST_F(FilesPage, TheFileMenuReadsTheRowsFiles) {
    struct Menu : ZVFileMenuHandler {
        bool menuShowing() const override { return false; }
    };
    std::shared_ptr<ZVTableView> installedOn;
    ZVFileMenuFactory::setFactory([&](const std::shared_ptr<ZVTableView>& table) {
        installedOn = table;
        return std::make_shared<Menu>();
    });
    addFile(1, u"plan.pdf"_s);
    open();
    ZVFileMenuFactory::reset();
    EXPECT_TRUE(page->fileMenu());
    EXPECT_EQ(installedOn, page->table());
    const auto row = std::dynamic_pointer_cast<ZVFileRow>(
        page->tableViewCellForRowAtIndexPath(*page->table(), {0, 0}));
    ASSERT_TRUE(row);
    ASSERT_TRUE(row->file());
    EXPECT_EQ(row->file()->fileName(), u"plan.pdf"_s);
}

}  // namespace
}  // namespace sidetest
