#include "MessageFlow/menus/ZVFileMenu.h"

#include "tests/MessageFlow/menus/MessageMenuTestSupport.h"

#include "MessageEditor/ZVClipboardMessage.h"
#include "ZelvoKit/model/ZVDataRepository.h"
#include "toolkit/tables/ZVTableViewCell.h"

#include <gtest/gtest.h>

namespace menustest {
namespace {

// A files-page row as the files page will make it.
class FakeFileRow : public ZVTableViewCell, public ZVFileRow {
public:
    FakeFileRow() : ZVTableViewCell(Style::Default, u"file"_s) {}
    std::shared_ptr<File> file() const override { return shownFile; }
    std::shared_ptr<File> shownFile;
};

const QString kFileDeletePath = u"message/delete/"_s + displaytest::kConversationId;

class FileMenuTest : public MessageMenuTest {
protected:
    void SetUp() override {
        MessageMenuTest::SetUp();
        show(listOf({}));
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        fileHost = ZVActionMenuHost::attach<ZVFileMenu>(table);
        table->addSubview(row);
    }
    void TearDown() override {
        fileHost.reset();
        MessageMenuTest::TearDown();
    }
    // File `key` of message `nr` (posted unless 0), named so.
    std::shared_ptr<File> fileOf(std::int64_t nr, const QString& key, const QString& name) {
        apply({fileRecord(nr, key, {{u"file_name"_s, name}})});
        return session_->fileFromConversation(displaytest::kConversationId, nr, key);
    }
    std::shared_ptr<ZVActionMenu> menuFor(const std::shared_ptr<File>& file) {
        row->shownFile = file;
        return fileHost->showWithCell(row) ? fileHost->menu() : nullptr;
    }

    std::shared_ptr<ZVFileMenu> fileHost;
    std::shared_ptr<FakeFileRow> row = platform::View::make<FakeFileRow>();
};

// The menu copies the file anywhere, and deletes it, after naming it, where the user may post;
// a row that shows no file has no menu.
TEST_F(FileMenuTest, CopyAlwaysDeleteWhereTheUserMayPost) {
    const auto file = fileOf(5, u"k5"_s, u"report.pdf"_s);
    ASSERT_TRUE(file);
    for (const bool canPost : {false, true}) {
        SCOPED_TRACE(canPost);
        conversationWith({{u"can_post"_s, canPost ? 1 : 0}});
        const auto menu = menuFor(file);
        ASSERT_TRUE(menu);
        EXPECT_EQ(titles(*menu), canPost ? u"Copy | Delete file"_s : u"Copy"_s);
        EXPECT_EQ(fileHost->targetName(), u"report.pdf"_s);
        EXPECT_TRUE(row->keepHighlight()) << "the row stays lit under its menu";
        menu->invokeActionIndex(-1, false);
        EXPECT_FALSE(fileHost->file());
        EXPECT_FALSE(row->keepHighlight());
    }
    const auto menu = menuFor(file);
    const auto remove = option(*menu, u"Delete file"_s);
    ASSERT_TRUE(remove);
    menu->invokeActionIndex(remove->tag(), true);
    const auto card = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(card && card != menu);
    EXPECT_EQ(card->textLabel()->attributedText().string(),
              u"Are you sure you want to delete the file \"report.pdf\"?"_s);
    card->hide();
    EXPECT_EQ(ZVFileMenu::deleteConfirmation(*fileOf(6, u"k6"_s, u"<i>a&b</i>.txt"_s)),
              u"Are you sure you want to delete the file \"&lt;i&gt;a&amp;b&lt;/i&gt;.txt\"?"_s);

    EXPECT_FALSE(menuFor(nullptr));
    EXPECT_FALSE(fileHost->showWithCell(platform::View::make<platform::TableViewCell>(
        platform::TableViewCell::Style::Default, u"plain"_s)));
    EXPECT_FALSE(fileHost->menuShowing());
}

// Copy leaves a clipboard message of the one file; a file gone while the menu shows is left
// alone.
TEST_F(FileMenuTest, CopyLeavesAOneFileClipboardMessage) {
    conversationWith({{u"can_post"_s, 1}});
    const auto first = fileOf(5, u"k5"_s, u"report.pdf"_s);
    fileOf(5, u"k5b"_s, u"other.pdf"_s);
    auto menu = menuFor(first);
    ASSERT_TRUE(menu && choose(*menu, u"Copy"_s));
    auto copied = ZVClipboardMessage::fromClipboard();
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->message().isEmpty());
    ASSERT_EQ(copied->files().size(), 1u);
    EXPECT_EQ(copied->files()[0], first);

    const auto gone = fileOf(0, u"k0"_s, u"draft.pdf"_s);
    menu = menuFor(gone);
    ASSERT_TRUE(menu);
    session_->repository()->deleteObject(gone);
    ASSERT_TRUE(choose(*menu, u"Copy"_s));
    copied = ZVClipboardMessage::fromClipboard();
    ASSERT_TRUE(copied && copied->files().size() == 1u);
    EXPECT_EQ(copied->files()[0], first);
    EXPECT_EQ(events(1), "File drawer screen: File/copy file");
}

// Deleting a posted file asks the service; an unsent one only leaves the store.
TEST_F(FileMenuTest, DeleteReachesTheServiceOnlyForAPostedFile) {
    conversationWith({{u"can_post"_s, 1}});
    const auto unsent = fileOf(0, u"k0"_s, u"draft.pdf"_s);
    auto menu = menuFor(unsent);
    ASSERT_TRUE(menu && choose(*menu, u"Delete file"_s));
    EXPECT_TRUE(unsent->isDeleted());

    const auto posted = fileOf(7, u"k7"_s, u"report.pdf"_s);
    menu = menuFor(posted);
    ASSERT_TRUE(menu && choose(*menu, u"Delete file"_s));
    ASSERT_TRUE(waitForAnswered(kFileDeletePath, 1));
    const auto sent = emulator.lastRequest(kFileDeletePath);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->body.value(u"message_nr"_s).toInteger(), 7);
    EXPECT_EQ(sent->body.value(u"attachment_id"_s).toString(), u"k7"_s);
    EXPECT_EQ(emulator.requests(kFileDeletePath).size(), 1)
        << "the unsent file's delete stayed on the device";
    EXPECT_EQ(events(2),
              "File drawer screen: File/delete file | File drawer screen: File/delete file");
}

}  // namespace
}  // namespace menustest
