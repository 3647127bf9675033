#include "app/inbox/screen/ZVForwardViewController.h"

#include "tests/app/ShellTestSupport.h"

#include "MessageEditor/StartUp.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/cells/ZVNewConversationCell.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Window.h"
#include "tests/app/inbox/InboxTestSupport.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;

class ForwardPickerTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVInboxViewController::setNewConversationScreen(
            [this](const std::shared_ptr<Conversation>& conversation, int) {
                newScreens.push_back(conversation->conversationId());
                return std::make_shared<platform::ViewController>();
            });
        ZVForwardViewController::setForwarder(
            [this](const std::shared_ptr<Conversation>& conversation,
                   const std::shared_ptr<Message>& message) {
                forwarded.push_back({conversation->conversationId(), message->guid()});
            });
    }
    void TearDown() override {
        ZVInboxViewController::setNewConversationScreen({});
        ZVStartUpMessageEditor();
        ShellTest::TearDown();
    }
    std::shared_ptr<ZVInboxViewController> inbox() {
        return std::dynamic_pointer_cast<ZVInboxViewController>(
            globals().inboxViewController()->viewController());
    }
    void settle() {
        globals().window()->updateNow();
        scheduler().advance(1);
        globals().window()->updateNow();
    }
    // Presented over the conversation side, as the message menu does.
    std::shared_ptr<ZVForwardViewController> present(const std::shared_ptr<Message>& message) {
        auto picker = ZVForwardViewController::create(message);
        globals().rightNavigationController()->presentViewController(
            std::make_shared<platform::NavigationController>(picker), false);
        settle();
        return picker;
    }
    // The user picks the row whose cell answers `matches`.
    bool pick(ZVForwardViewController& picker,
              const std::function<bool(platform::TableViewCell&)>& matches) {
        const auto table = picker.tableView();
        table->layoutIfNeeded();
        for (int section = 0; section < table->numberOfSections(); ++section) {
            for (int row = 0; row < table->numberOfRowsInSection(section); ++row) {
                const auto cell = table->cellForRowAtIndexPath({section, row});
                if (cell && matches(*cell)) {
                    picker.dataSource()->tableViewDidSelectRowAtIndexPath(*table, {section, row});
                    return true;
                }
            }
        }
        return false;
    }

    std::vector<QString> newScreens;
    std::vector<std::pair<QString, QString>> forwarded;
};

// While the picker shows the inbox lets go of the account; the picker lists conversations with
// the new row and no message hits; cancelling gives the inbox its list back.
TEST_F(ForwardPickerTest, ThePickerBorrowsTheListAndCancelReturnsIt) {
    launch();
    const auto anna = signIn(shelltest::kAnna);
    ASSERT_TRUE(anna && waitForStreamEnd(anna));
    const QString plans = emulator.addConversation(u"Plans"_s, {account(shelltest::kAnna)});
    QJsonObject record = *emulator.conversationRecord(plans);
    record.insert(u"is_init"_s, true);
    record.insert(u"show_message_nr"_s, 1);
    record.insert(u"last_message_nr"_s, 1);
    record.insert(u"inbox_time"_s, 1767225600);
    record.insert(u"label_ids"_s, QJsonArray{u"A"_s});
    emulator.appendEvents(account(shelltest::kAnna),
                          {inboxtest::labelRecord(u"A"_s, u"Work"_s, u"user"_s, 0), record});
    emulator.appendEvent(account(shelltest::kAnna),
                         QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                                     {u"conversation_id"_s, plans},
                                     {u"message_nr"_s, 1},
                                     {u"mk_message_type"_s, u"text"_s},
                                     {u"message"_s, u"<msg>hello</msg>"_s},
                                     {u"time"_s, 1767225600},
                                     {u"posted_time"_s, 1767225600}});
    ASSERT_TRUE(waitForStreamEnd(anna));
    const auto message = anna->messageFromKey(plans, 1);
    ASSERT_TRUE(message);

    auto picker = present(message);
    EXPECT_EQ(inbox()->session(), nullptr);
    ASSERT_TRUE(picker->dataSource());
    EXPECT_FALSE(picker->dataSource()->allowMessageSearch());
    EXPECT_TRUE(picker->dataSource()->showNew());

    picker->cancel();
    settle();
    EXPECT_EQ(inbox()->session(), anna);
    EXPECT_FALSE(picker->dataSource());

    // The new row: the new-conversation screen opens over the picker, the message forwarded.
    picker = present(message);
    ASSERT_TRUE(pick(*picker, [](platform::TableViewCell& cell) {
        return dynamic_cast<ZVNewConversationCell*>(&cell) != nullptr;
    }));
    settle();
    ASSERT_EQ(newScreens, std::vector<QString>{u"new"_s});
    ASSERT_EQ(forwarded.size(), 1u);
    EXPECT_EQ(forwarded[0].first, u"new"_s);
    EXPECT_EQ(forwarded[0].second, message->guid());
    EXPECT_TRUE(picker->presentedViewController());
    EXPECT_EQ(inbox()->session(), nullptr);
    picker->dismissViewController(false);
    picker->cancel();
    settle();

    // A conversation: the picker goes, then the conversation opens.
    picker = present(message);
    ASSERT_TRUE(pick(*picker, [&](platform::TableViewCell& cell) {
        const auto* row = dynamic_cast<ZVInboxTableViewCell*>(&cell);
        return row && row->conversationId() == plans;
    }));
    settle();
    EXPECT_EQ(forwarded.back().first, plans);
    ASSERT_FALSE(pagesOpened.empty());
    EXPECT_EQ(pagesOpened.back().conversationId, plans);
    EXPECT_EQ(globals().rightNavigationController()->presentedViewController(), nullptr);
    EXPECT_EQ(inbox()->session(), anna);
}

}  // namespace
