#include "app/inbox/menus/ZVConversationActionsMenu.h"

#include "tests/app/inbox/InboxTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertButton.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;

class ConversationActionsMenuTest : public inboxtest::InboxTest {
protected:
    void SetUp() override {
        InboxTest::SetUp();
        window_->setRootView(table_);
    }
    void TearDown() override {
        if (dataSource_) {
            dataSource_->releaseObservers();
        }
        InboxTest::TearDown();
    }
    // The menu of a row showing the conversation.
    std::shared_ptr<ZVActionMenu> openMenu(int n) {
        row_->setItem(session_->conversationFromId(id(n)));
        table_->addSubview(row_);
        if (!host_->showWithCell(row_)) {
            return nullptr;
        }
        return host_->menu();
    }
    // The titles in order, "--" where the secondary options begin.
    static QString titles(const ZVActionMenu& menu) {
        QStringList shown;
        for (const auto& action : menu.actions()) {
            shown.append(action == menu.separator() ? u"--"_s : action->title());
        }
        return shown.join(u" | "_s);
    }

    std::shared_ptr<platform::Window> window_ = platform::Window::make();
    std::shared_ptr<platform::TableView> table_ =
        platform::View::make<platform::TableView>(QRectF(0, 0, 375, 667));
    std::shared_ptr<ZVInboxDataSource> dataSource_;
    std::shared_ptr<ZVInboxTableViewCell> row_ = platform::View::make<ZVInboxTableViewCell>();
    std::shared_ptr<ZVConversationActionsMenu> host_ =
        ZVActionMenuHost::attach<ZVConversationActionsMenu>(table_);
};

// The options follow the conversation: archived ones offer only unarchive and delete; the read
// state, the star, the mute (either sign of the interval), the spam label and a demo topic choose
// the rest.
TEST_F(ConversationActionsMenuTest, TheOptionsFollowTheConversation) {
    struct Case {
        const char* name;
        QString topic;
        QJsonObject fields;
        // A system label of this kind in the session ("" for none), carried by the conversation
        // when `carried`.
        QString labelKind;
        bool carried;
        QString expected;
        bool holds;
    };
    const QString rest = u"Archive | Star | Mute | -- | Clone | Delete"_s;
    const Case cases[] = {
        {"archived",
         u"Old"_s,
         {{u"hide_message_nr"_s, 1}},
         {},
         false,
         u"Unarchive | Delete"_s,
         false},
        {"read", u"Plans"_s, {}, {}, false, u"Mark unread | "_s + rest, true},
        {"unread", u"Plans"_s, {{u"unread_count"_s, 1}}, {}, false, u"Mark read | "_s + rest, true},
        {"snoozed backwards",
         u"Plans"_s,
         {{u"snooze_interval"_s, -5}},
         {},
         false,
         u"Mark unread | Archive | Star | Unmute | -- | Clone | Delete"_s,
         true},
        {"snooze below a second",
         u"Plans"_s,
         {{u"snooze_interval"_s, 0.5}},
         {},
         false,
         u"Mark unread | "_s + rest,
         true},
        {"snoozed",
         u"Plans"_s,
         {{u"snooze_interval"_s, 1}},
         {},
         false,
         u"Mark unread | Archive | Star | Unmute | -- | Clone | Delete"_s,
         true},
        {"demo",
         u"[Demo] Tour"_s,
         {},
         {},
         false,
         u"Mark unread | Archive | Star | Mute | Delete | -- | Clone"_s,
         true},
        {"starred",
         u"Plans"_s,
         {},
         u"starred"_s,
         true,
         u"Mark unread | Archive | Unstar | Mute | -- | Clone | Delete"_s,
         true},
        {"spam label, not carried",
         u"Plans"_s,
         {},
         u"spam"_s,
         false,
         u"Mark unread | Archive | Star | Mute | -- | Mark spam | Clone | Delete"_s,
         true},
        {"spam label, carried",
         u"Plans"_s,
         {},
         u"spam"_s,
         true,
         u"Mark unread | Archive | Star | Mute | Unmark spam | -- | Clone | Delete"_s,
         true},
    };
    // A system label, once delivered, stays: the spam cases come last.
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++n;
        QList<QJsonObject> records{label(u"A"_s, u"Work"_s, u"user"_s, 0)};
        QStringList labels{u"A"_s};
        if (!c.labelKind.isEmpty()) {
            records.append(label(c.labelKind, c.labelKind, c.labelKind, n));
            if (c.carried) {
                labels.append(c.labelKind);
            }
        }
        records.append(conversation(n, c.topic, 1000 + n, labels, c.fields));
        ASSERT_TRUE(deliver(session_, records));
        const auto menu = openMenu(n);
        ASSERT_TRUE(menu);
        EXPECT_EQ(titles(*menu).toStdString(), c.expected.toStdString());
        EXPECT_EQ(session_->isHoldingLabelChanges(), c.holds);
        menu->invokeActionIndex(-1, false);
        EXPECT_FALSE(session_->isHoldingLabelChanges());
        EXPECT_FALSE(host_->menuShowing());
    }
}

// The delete option confirms with the topic and reaches the service once; the event follows even
// when the service refuses.
TEST_F(ConversationActionsMenuTest, DeleteConfirmsWithTheTopicAndAsksTheServiceOnce) {
    ASSERT_TRUE(deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0),
                                   conversation(1, u"Plans"_s, 1000, {u"A"_s})}));
    const auto menu = openMenu(1);
    ASSERT_TRUE(menu);
    std::shared_ptr<ZVActionMenuButton> remove;
    int index = -1;
    for (int i = 0; i < menu->actionCount(); ++i) {
        if (menu->actions()[i]->title() == u"Delete"_s) {
            index = i;
            remove = menu->buttonByIndex(i);
        }
    }
    ASSERT_TRUE(remove);
    EXPECT_EQ(remove->confirmMessage(),
              u"Please confirm that you wish to delete the conversation \"Plans\" from your "
              "conversation list.\n\nThis will not delete the conversation for other members."_s);
    menu->invokeActionIndex(index, false);
    const QString path = u"conversation/delete/"_s + id(1);
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requests(path).size() == 1; }));
    scheduler().advance(5);
    EXPECT_EQ(emulator.requests(path).size(), 1);
    EXPECT_FALSE(session_->isHoldingLabelChanges());
}

}  // namespace
