#include "tests/accounts/people/PeopleMenuTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "accounts/ZVServiceAddresses.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVLeaveConversationView.h"
#include "accounts/people/ZVMemberCell.h"
#include "accounts/people/ZVMemberMenu.h"
#include "accounts/people/ZVMembersViewController.h"
#include "accounts/people/ZVTeamCell.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Anna's conversation with Bea (joined with Anna), Lee (joined later) and the Ops team of Bea and
// Tom, on its members page; the menus are opened by tapping rows.
class MemberMenu : public peopletest::PeopleMenuTest {
protected:
    void SetUp() override {
        PeopleMenuTest::SetUp();
        bea = emulator.addAccount(u"bea@example.com"_s, u"pw"_s).accountId;
        lee = emulator.addAccount(u"lee@example.com"_s, u"pw"_s).accountId;
        tom = emulator.addAccount(u"tom@example.com"_s, u"pw"_s).accountId;
    }
    void releaseScreen() override {
        if (page) {
            page->releaseObservers();
        }
        page.reset();
        conversation.reset();
        ZVServiceAddresses::reset();
    }
    const ZVActionMenuHost& menuHost() const override { return *page->menu(); }
    QJsonObject person(const QString& id, const QString& name, const QString& email,
                       QJsonObject fields = {}) const {
        fields.insert(u"account_id"_s, id);
        fields.insert(u"email"_s, email);
        fields.insert(u"display_name"_s, name);
        fields.insert(u"mk_account_status"_s, u"active"_s);
        return modeltest::streamRecord(u"contact"_s, fields);
    }
    void open(const QString& topic, QJsonObject fields = {}, QList<QJsonObject> extra = {}) {
        conversationId = emulator.addConversation(topic, {self(), bea, lee, tom});
        QJsonObject record = *emulator.conversationRecord(conversationId);
        record.insert(u"can_post"_s, true);
        record.insert(u"join_message_nr"_s, 1);
        record.insert(u"teams"_s, QJsonArray{teamId(1)});
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        QList<QJsonObject> records{person(bea, u"Bea Baker"_s, u"bea@example.com"_s),
                                   person(lee, u"Lee Late"_s, u"lee@example.com"_s),
                                   person(tom, u"Tom Team"_s, u"tom@example.com"_s),
                                   team(1, u"Ops <&> team"_s, {tom})};
        records << extra << record;
        conversationRecord = record;
        ASSERT_TRUE(deliver(session_, records));
        conversation = session_->conversationFromId(conversationId);
        ASSERT_TRUE(conversation);
        // Lee joined at message 5.
        for (const auto& member : *conversation->sortedMembers()) {
            if (member->accountId() == lee) {
                member->setJoinMessageNr(5);
            }
        }
        page = ZVMembersViewController::make(conversation);
        page->view()->setFrame(root->bounds());
        root->addSubview(page->view());
        window->updateNow();
    }
    // Taps the row showing `name` ("[team]" for the team row); false when there is none.
    bool tapRow(const QString& name) {
        window->updateNow();
        const auto& table = page->membersTable()->tableView();
        for (int row = 0; row < page->membersTable()->numberOfRows(); ++row) {
            const auto cell = table->cellForRowAtIndexPath({0, row});
            QString shown;
            if (const auto* member = dynamic_cast<ZVMemberCell*>(cell.get())) {
                shown = member->member()->displayName() +
                        (member->member()->isTeamMember() ? u" (team)"_s : QString());
            } else if (dynamic_cast<ZVTeamCell*>(cell.get())) {
                shown = u"[team]"_s;
            }
            if (shown == name) {
                page->cellTapped(*std::static_pointer_cast<ZVDialogCell>(cell));
                return true;
            }
        }
        return false;
    }
    void closeMenu() {
        if (const auto& menu = page->menu()->menu()) {
            menu->invokeActionIndex(-1, false);
        }
    }

    QString bea;
    QString lee;
    QString tom;
    // The conversation's record as delivered, changed by `fields`.
    bool redeliver(const QJsonObject& fields) {
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            conversationRecord.insert(it.key(), it.value());
        }
        return deliver(session_, {conversationRecord});
    }

    QString conversationId;
    QJsonObject conversationRecord;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<ZVMembersViewController> page;
};

// What each row offers, in order.
TEST_F(MemberMenu, OptionsByRow) {
    open(u"Plans"_s);
    const QString me = conversation->sortedMembers()->memberByAccountId(self())->displayName();
    struct Case {
        QString row;
        QStringList expected;
    };
    const Case cases[] = {
        {me, {u"Leave conversation"_s}},
        {u"Bea Baker"_s, {u"View profile"_s, u"1:1 conversation"_s, u"Remove from conversation"_s}},
        {u"Lee Late"_s,
         {u"View profile"_s, u"1:1 conversation"_s, u"Remove from conversation"_s,
          u"Disclose history"_s}},
        {u"[team]"_s, {u"Remove team"_s}},
        {u"Tom Team (team)"_s,
         {u"View profile"_s, u"1:1 conversation"_s, u"Remove from conversation"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.toStdString());
        ASSERT_TRUE(tapRow(c.row));
        EXPECT_EQ(options(), c.expected);
        if (c.row == u"[team]"_s) {
            EXPECT_EQ(option(u"Remove team"_s)->confirmMessage(),
                      u"Remove team <b>Ops &lt;&amp;&gt; team</b> from conversation?"_s);
        } else if (c.row == u"Tom Team (team)"_s) {
            EXPECT_TRUE(option(u"Remove from conversation"_s)->confirmMessage().isEmpty());
        } else if (c.row == u"Bea Baker"_s) {
            EXPECT_EQ(option(u"Remove from conversation"_s)->confirmMessage(),
                      u"Please confirm that you wish to remove Bea Baker from this "
                      u"conversation."_s);
            // A person's menu is headed by their card.
            const auto& views = page->menu()->menu()->views();
            EXPECT_TRUE(std::any_of(views.begin(), views.end(), [](const auto& view) {
                return std::dynamic_pointer_cast<ZVContactAvatarView>(view) != nullptr;
            }));
        }
        closeMenu();
    }
}

// In a one-to-one dialog a person offers neither a dialog nor removal.
TEST_F(MemberMenu, ADialogOffersNoDialogOrRemoval) {
    conversationId = QString();
    open(u""_s);
    // Lee's contact names this conversation as the dialog with them.
    ASSERT_TRUE(deliver(session_, {person(lee, u"Lee Late"_s, u"lee@example.com"_s,
                                          {{u"dialog_id"_s, conversationId}})}));
    ASSERT_FALSE(conversation->dialogPartner().isEmpty());
    ASSERT_TRUE(tapRow(u"Lee Late"_s));
    EXPECT_EQ(options(), (QStringList{u"View profile"_s, u"Disclose history"_s}));
}

// Removing a team member or a member of a managed conversation is refused and sends nothing;
// another member is removed through the service; a team likewise.
TEST_F(MemberMenu, RemovalsAndRefusals) {
    open(u"Plans"_s);
    emulator.clearRequests();
    const QString store = u"conversation/store/"_s + conversationId;

    ASSERT_TRUE(tapRow(u"Tom Team (team)"_s));
    choose(u"Remove from conversation"_s);
    auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), u"Cannot remove member"_s);
    alert->hide();
    wait(2);
    EXPECT_EQ(emulator.requestCount(store), 0);

    ASSERT_TRUE(tapRow(u"Bea Baker"_s));
    choose(u"Remove from conversation"_s);
    ASSERT_TRUE(waitForAnswered(store));
    EXPECT_TRUE(emulator.lastRequest(store)->rawBody.contains(bea.toUtf8()));
    ASSERT_TRUE(tapRow(u"[team]"_s));
    choose(u"Remove team"_s);
    ASSERT_TRUE(waitForAnswered(store, 2));
    EXPECT_EQ(emulator.lastRequest(store)->body.value(u"remove_team_ids"_s).toArray(),
              QJsonArray{teamId(1)});

    ASSERT_TRUE(redeliver({{u"is_managed"_s, true}}));
    ASSERT_TRUE(conversation->isManaged());
    ASSERT_TRUE(tapRow(u"Lee Late"_s));
    choose(u"Remove from conversation"_s);
    alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), u"Cannot remove members"_s);
    alert->hide();
    wait(2);
    EXPECT_EQ(emulator.requestCount(store), 2);
}

// Disclosing posts the member's address and tells how it went.
TEST_F(MemberMenu, DiscloseReportsTheOutcome) {
    open(u"Plans"_s);
    const QString path = u"conversation/disclose_all/"_s + conversationId;
    ASSERT_TRUE(tapRow(u"Lee Late"_s));
    EXPECT_EQ(option(u"Disclose history"_s)->confirmMessage(),
              u"Disclose all previous conversation history to Lee Late?"_s);
    choose(u"Disclose history"_s);
    ASSERT_TRUE(waitForAnswered(path));
    EXPECT_EQ(emulator.lastRequest(path)->body.value(u"emails"_s).toString(), u"lee@example.com"_s);
    const auto alertShows = [] {
        const auto shown = ZVAlertViewManager::alertViewManager().currentAlertView();
        return shown && shown->title() == u"Disclose history"_s;
    };
    ASSERT_TRUE(settle(alertShows));
    auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    EXPECT_EQ(alert->title(), u"Disclose history"_s);
    EXPECT_EQ(alert->message(), u"Conversation history disclosed"_s);
    EXPECT_EQ(alert->buttons(), QStringList{u"Ok"_s});
    alert->hide();

    emulator.injectFault(path, zvemu::Fault::withStatus(403, u"not_allowed"_s));
    ASSERT_TRUE(tapRow(u"Lee Late"_s));
    choose(u"Disclose history"_s);
    ASSERT_TRUE(waitForAnswered(path, 2));
    const auto failureShows = [] {
        const auto shown = ZVAlertViewManager::alertViewManager().currentAlertView();
        return shown && shown->title() == u"Disclose failed"_s;
    };
    ASSERT_TRUE(settle(failureShows));
}

// Leaving: the service is told, the conversation closes, and only with "Report abuse" checked a
// report goes to the operator's address, the topic in it as it is.
TEST_F(MemberMenu, LeaveWithAndWithoutReport) {
    const QString abuse = u"abuse@operator.example"_s;
    emulator.addAccount(abuse, u"pw"_s);
    ZVServiceAddresses::shared().abuseReport = abuse;
    open(u"Fish <&> chips"_s);
    EXPECT_EQ(
        ZVLeaveConversationView::reportText(*conversation),
        u"Reported abusive behavior in conversation \"%1\" (Fish <&> chips)"_s.arg(conversationId));
    const QString me = conversation->sortedMembers()->memberByAccountId(self())->displayName();
    ASSERT_TRUE(tapRow(me));
    ASSERT_EQ(options(), QStringList{u"Leave conversation"_s});

    for (const bool report : {false, true}) {
        SCOPED_TRACE(report ? "report" : "no report");
        const auto leave = ZVLeaveConversationView::make(conversation);
        const auto card = leave->alertView();
        ASSERT_TRUE(card);
        EXPECT_EQ(card->title(), u"Leave conversation"_s);
        EXPECT_EQ(card->buttons().last(), u"Leave"_s);
        EXPECT_EQ(leave->reportOption()->title(), u"Report abuse"_s);
        leave->show();
        leave->reportOption()->setChecked(report);
        card->alertView(*card, ZVConfirmationAlertView::kConfirmIndex);
        EXPECT_EQ(coordinator->conversationRequests.last(), QString());
        // The report's conversation with the operator is asked of the service, only with the
        // option checked.
        ASSERT_TRUE(waitForAnswered(u"conversation/leave/"_s + conversationId, report ? 2 : 1));
        if (!report) {
            wait(2);
            EXPECT_FALSE(emulator.lastRequest(u"account/dialog"_s));
            continue;
        }
        ASSERT_TRUE(waitForAnswered(u"account/dialog"_s));
        const auto dialog = emulator.lastRequest(u"account/dialog"_s);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->rawBody.contains(abuse.toUtf8()));
    }
}

}  // namespace
