#include "tests/MessageFlow/menus/MessageMenuTestSupport.h"

#include "MessageFlow/rows/cells/ZVAvatarMessageCell.h"
#include "MessageFlow/views/ZVBaseMessageView.h"
#include "ZelvoKit/model/Contact.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/gesture/LongPressGestureRecognizer.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <gtest/gtest.h>

namespace menustest {
namespace {

// Long presses held on real message rows until the menu is due.
class MessageMenuPress : public MessageMenuTest {
protected:
    void longPress(const platform::View& view) {
        const QPointF at = view.convertRectTo(view.bounds(), nullptr).center();
        window->sendTouch(1, platform::TouchPhase::Began, at);
        scheduler().advance(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration +
                            0.01);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }
    std::shared_ptr<ZVFileView> fileViewOf(int row, bool urlPreview) {
        const auto cell = cellAt(row);
        auto* view = cell ? dynamic_cast<ZVBaseMessageView*>(cell->messageView().get()) : nullptr;
        if (!view) {
            return nullptr;
        }
        for (const auto& fileView : view->fileViews()) {
            if (fileView->file() && fileView->file()->isUrlPreview() == urlPreview) {
                return fileView;
            }
        }
        return nullptr;
    }
};

// A held link card offers its removal alone, points at the card and leaves the row unlit; the
// removal turns the message's previews off.
TEST_F(MessageMenuPress, ALinkCardOffersOnlyItsRemoval) {
    conversationWith({{u"can_post"_s, 1}});
    const auto shown =
        messageWithFiles(5, u"text"_s, u"Read "_s, 0, true, {{u"account_id"_s, self}});
    showRows({shown});
    const auto card = fileViewOf(0, true);
    ASSERT_TRUE(card);
    longPress(*card);
    ASSERT_TRUE(host->menuShowing());
    const auto menu = host->menu();
    EXPECT_EQ(titles(*menu), u"Remove link preview"_s);
    EXPECT_EQ(menu->pointAtView(), card);
    EXPECT_FALSE(cellAt(0)->keepHighlight());
    ASSERT_TRUE(choose(*menu, u"Remove link preview"_s));
    EXPECT_FALSE(host->menuShowing());
    EXPECT_TRUE(model(shown)->urlPreviews().empty());
}

// A held file that is no link card is let go: the row's menu is the message's, the row lit.
TEST_F(MessageMenuPress, AHeldFileGivesTheMessagesMenu) {
    conversationWith({{u"can_post"_s, 1}});
    const auto shown = messageWithFiles(5, u"text"_s, u"Files "_s, 1, false);
    showRows({shown});
    const auto file = fileViewOf(0, false);
    ASSERT_TRUE(file);
    longPress(*file);
    ASSERT_TRUE(host->menuShowing());
    EXPECT_FALSE(file->highlighted());
    EXPECT_FALSE(cellAt(0)->highlightedFile());
    EXPECT_EQ(host->menu()->pointAtView(), cellAt(0));
    EXPECT_TRUE(cellAt(0)->keepHighlight());
    EXPECT_TRUE(titles(*host->menu()).startsWith(u"Quote | Copy | Forward"_s));
}

// A held sender's picture shows the contact's header with "Show profile", and "Send message"
// when the conversation has three members or more.
TEST_F(MessageMenuPress, ASendersPictureOffersTheProfileAndADirectConversation) {
    struct Case {
        const char* name;
        QJsonArray members;
        QString expected;
    };
    const Case cases[] = {
        {"two members", QJsonArray{self, displaytest::kFox}, u"Show profile"_s},
        {"three members", QJsonArray{self, displaytest::kFox, displaytest::kOwl},
         u"Show profile | Send message"_s},
    };
    std::int64_t nr = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        conversationWith({{u"can_post"_s, 1}, {u"members"_s, c.members}});
        const auto shown = message(++nr, u"text"_s, u"<msg>Hi</msg>"_s);
        showRows({shown});
        const auto row = std::dynamic_pointer_cast<ZVAvatarMessageCell>(cellAt(0));
        ASSERT_TRUE(row && row->avatar());
        headerContacts.clear();
        longPress(*row->avatar());
        ASSERT_TRUE(host->menuShowing());
        const auto menu = host->menu();
        EXPECT_EQ(titles(*menu), c.expected);
        EXPECT_EQ(menu->pointAtView(), row->avatar());
        ASSERT_EQ(headerContacts.size(), 1u);
        EXPECT_EQ(headerContacts[0]->accountId(), displaytest::kFox);
        EXPECT_EQ(menu->views().size(), menu->actions().size() + 1);
        ASSERT_TRUE(choose(*menu, u"Show profile"_s));
        ASSERT_EQ(profiles.size(), static_cast<std::size_t>(nr));
        EXPECT_EQ(profiles.back().first->accountId(), displaytest::kFox);
        EXPECT_EQ(profiles.back().second, row.get());
    }
}

// "Send message" opens the sender's one-to-one conversation once the menu has gone, by its id,
// or by the sender's address when there is none yet; never a close of the open conversation.
TEST_F(MessageMenuPress, SendMessageOpensTheDirectConversationOrItsAddress) {
    apply({modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, displaytest::kOwl},
                                                  {u"display_name"_s, u"Owl Jones"_s},
                                                  {u"email"_s, u"owl@example.com"_s}}),
           modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, displaytest::kFox},
                                                  {u"display_name"_s, u"Fox Mulder"_s},
                                                  {u"dialog_id"_s, u"dialog-with-fox"_s}})});
    conversationWith({{u"can_post"_s, 1}});
    const auto fromFox = message(1, u"text"_s, u"<msg>Hi</msg>"_s);
    const auto fromOwl =
        message(2, u"text"_s, u"<msg>Hi</msg>"_s,
                {{u"account_id"_s, displaytest::kOwl}, {u"posted_time"_s, postedLongAgo() + 3600}});
    showRows({fromFox, fromOwl});
    const auto contactOwl = session_->contactFromId(displaytest::kOwl);
    ASSERT_TRUE(contactOwl && contactOwl->dialogId().isEmpty());
    for (int row = 0; row < 2; ++row) {
        const auto cell = std::dynamic_pointer_cast<ZVAvatarMessageCell>(cellAt(row));
        ASSERT_TRUE(cell && cell->avatar() && !cell->avatar()->isHidden()) << row;
        longPress(*cell->avatar());
        ASSERT_TRUE(host->menuShowing()) << row;
        ASSERT_TRUE(choose(*host->menu(), u"Send message"_s));
        EXPECT_EQ(coordinator->opened.size(), row) << "not before the menu has gone";
        scheduler().advance(ZVMessageMenu::kConversationChangeDelay + 0.01);
    }
    EXPECT_EQ(coordinator->opened,
              (QStringList{u"dialog-with-fox"_s, contactOwl->friendlyEmail()}));
    EXPECT_FALSE(contactOwl->friendlyEmail().isEmpty());
}

// The option acts on the message that was pressed, even when its row shows another one by then.
TEST_F(MessageMenuPress, TheOptionActsOnThePressedMessage) {
    conversationWith({{u"can_post"_s, 1}});
    const auto pressed = message(1, u"text"_s, u"<msg>Pressed</msg>"_s);
    const auto other = message(2, u"text"_s, u"<msg>Other</msg>"_s);
    showRows({pressed});
    const auto menu = menuOf(0);
    ASSERT_TRUE(menu);
    cellAt(0)->setMessage(other);
    ASSERT_TRUE(choose(*menu, u"Pin message"_s));
    EXPECT_TRUE(pressed->isPinned());
    EXPECT_FALSE(other->isPinned());
}

// Rows that are not message rows, or show no message, offer nothing, and the host is idle again.
TEST_F(MessageMenuPress, ARowWithoutAMessageHasNoMenu) {
    conversationWith({{u"can_post"_s, 1}});
    showRows({message(1, u"text"_s, u"<msg>Hi</msg>"_s)});
    const auto cell = cellAt(0);
    cell->setMessage(nullptr);
    EXPECT_FALSE(host->showWithCell(cell));
    EXPECT_FALSE(host->menuShowing());
    EXPECT_FALSE(host->cell());
    EXPECT_FALSE(host->menu());
    EXPECT_FALSE(host->message());
    const auto plain = platform::View::make<platform::TableViewCell>(
        platform::TableViewCell::Style::Default, u"plain"_s);
    EXPECT_FALSE(host->showWithCell(plain));
    EXPECT_FALSE(host->menuShowing());
    EXPECT_FALSE(ZVAlertViewManager::alertViewManager().currentAlertView());
}

// The row model of a message table gets its menu from the registered factory, and so knows
// whether it shows.
TEST_F(MessageMenuPress, TheRowModelsMenuIsTheMessageMenu) {
    conversationWith({{u"can_post"_s, 1}});
    showRows({message(1, u"text"_s, u"<msg>Hi</msg>"_s)});
    cells->addMessageMenuHandler(table);
    const auto installed = std::dynamic_pointer_cast<ZVMessageMenu>(cells->messageMenu());
    ASSERT_TRUE(installed);
    // Only the row model's menu listens.
    table->removeGestureRecognizer(host.get());
    host.reset();
    longPress(*cellAt(0));
    EXPECT_TRUE(cells->menuShowing());
    EXPECT_EQ(installed->page(), 0);
}

}  // namespace
}  // namespace menustest
