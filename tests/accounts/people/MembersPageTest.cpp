#include "tests/MessageFlow/pages/PagesTestSupport.h"
#include "tests/accounts/people/PeopleTestSupport.h"
#include "tests/toolkit/screens/FakeCoordinator.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"

#include "MessageFlow/members/ZVMemberListView.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactListViewController.h"
#include "accounts/people/ZVMemberCell.h"
#include "accounts/people/ZVMembersViewController.h"
#include "accounts/people/ZVTeamCell.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBadge.h"
#include "toolkit/widgets/ZVInformationBanner.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Anna's conversation at the loopback service with Bea and Cal, accounts of the service, and the
// members page over it in a phone window.
class MembersPage : public peopletest::PeopleTest {
protected:
    void SetUp() override {
        PeopleTest::SetUp();
        bea = emulator.addAccount(u"bea@example.com"_s, u"pw"_s, u"Bea Baker"_s).accountId;
        cal = emulator.addAccount(u"cal@example.com"_s, u"pw"_s, u"Cal Cook"_s).accountId;
        dan = emulator.addAccount(u"dan@example.com"_s, u"pw"_s, u"Dan Dale"_s).accountId;
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    }
    void TearDown() override {
        if (page) {
            page->releaseObservers();
            page.reset();
        }
        conversation.reset();
        PeopleTest::TearDown();
    }
    QJsonObject account(const QString& id, const QString& name, const QString& email,
                        QJsonObject fields = {}) const {
        fields.insert(u"account_id"_s, id);
        fields.insert(u"email"_s, email);
        fields.insert(u"display_name"_s, name);
        fields.insert(u"mk_account_status"_s, u"active"_s);
        fields.insert(u"zelvo_address"_s, email.section(u'@', 0, 0));
        return modeltest::streamRecord(u"contact"_s, fields);
    }
    // The conversation at the service with the members, its record changed by `fields`, and the
    // people and teams delivered first.
    void open(const QStringList& members, QList<QJsonObject> records = {},
              QJsonObject fields = {}) {
        records << account(bea, u"Bea Baker"_s, u"bea@example.com"_s)
                << account(cal, u"Cal Cook"_s, u"cal@example.com"_s)
                << account(dan, u"Dan Dale"_s, u"dan@example.com"_s);
        conversationId = emulator.addConversation(u"Plans"_s, QStringList{self()} + members);
        QJsonObject record = *emulator.conversationRecord(conversationId);
        record.insert(u"can_post"_s, true);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        records << record;
        conversationRecord = record;
        ASSERT_TRUE(deliver(session_, records));
        conversation = session_->conversationFromId(conversationId);
        ASSERT_TRUE(conversation);
        page = ZVMembersViewController::make(conversation);
        page->view()->setFrame(root->bounds());
        root->addSubview(page->view());
        window->updateNow();
    }
    // The rows: "name" for a member, "[team]" for a team row.
    QStringList rows() const {
        QStringList shown;
        const auto& cells = *page->membersTable();
        for (int row = 0; row < cells.numberOfRows(); ++row) {
            const auto cell = page->membersTable()->cellForRow(row);
            if (const auto* member = dynamic_cast<ZVMemberCell*>(cell.get())) {
                shown << member->member()->displayName();
            } else if (const auto* team = dynamic_cast<ZVTeamCell*>(cell.get())) {
                shown << u"[%1]"_s.arg(team->team()->teamName());
            }
        }
        return shown;
    }
    const std::shared_ptr<ZVConversationMembers>& roster() { return conversation->sortedMembers(); }
    QStringList added() {
        QStringList names;
        for (const auto& member : *roster()) {
            if (member->isAdded()) {
                names << member->displayName();
            }
        }
        names.sort();
        return names;
    }
    void startEditing() {
        page->addMembers();
        wait(ZVMembersViewController::kAnimationDuration + 0.1);
        ASSERT_TRUE(page->isEditing());
        ASSERT_TRUE(page->contactsTable());
    }
    std::shared_ptr<ZVContact> entry(const QString& name) {
        for (const auto& e : page->contactsTable()->allContacts()) {
            if (e->name() == name) {
                return e;
            }
        }
        return nullptr;
    }

    QString bea;
    QString cal;
    QString dan;
    QString conversationId;
    QJsonObject conversationRecord;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<ZVMembersViewController> page;
};

// Members in their own right first, then each team with its members: a person in two teams is
// under both, a team without members has its row alone.
TEST_F(MembersPage, ListsMembersThenTeams) {
    open({bea, cal},
         {team(1, u"Ops"_s, {bea, cal}), team(2, u"Dev"_s, {cal}), team(3, u"Empty"_s, {})},
         {{u"teams"_s, QJsonArray{teamId(1), teamId(2), teamId(3)}}});
    const QString me = roster()->memberByAccountId(self())->displayName();
    const QStringList shown = rows();
    ASSERT_FALSE(shown.isEmpty());
    const qsizetype ops = shown.indexOf(u"[Ops]"_s);
    const qsizetype dev = shown.indexOf(u"[Dev]"_s);
    const qsizetype empty = shown.indexOf(u"[Empty]"_s);
    ASSERT_TRUE(ops > 0 && dev > ops && empty > dev);
    EXPECT_TRUE(shown.mid(0, ops).contains(me));
    EXPECT_EQ(shown.mid(ops, dev - ops), (QStringList{u"[Ops]"_s, u"Bea Baker"_s, u"Cal Cook"_s}));
    EXPECT_EQ(shown.mid(dev, empty - dev), (QStringList{u"[Dev]"_s, u"Cal Cook"_s}));
    EXPECT_EQ(shown.mid(empty), QStringList{u"[Empty]"_s});

    // Without teams: one group, no team rows; member rows are 60 points, team rows 40.
    EXPECT_DOUBLE_EQ(page->membersTable()->heightForRow(0), 60);
    EXPECT_DOUBLE_EQ(page->membersTable()->heightForRow(static_cast<int>(ops)), 40);
}

// A member row: an account of the service has two lines and no e-mail indicator; an e-mail
// participant one centred line and the indicator; an admin the "ADMIN" badge.
TEST_F(MembersPage, MemberRowsShowAdminAndEmailParticipants) {
    open({bea, cal}, {}, {{u"admins"_s, QJsonArray{cal}}});
    roster()->addEmail(u"guest@outside.example"_s, u"Guest"_s);
    window->updateNow();
    std::shared_ptr<ZVMemberCell> beaRow;
    std::shared_ptr<ZVMemberCell> calRow;
    std::shared_ptr<ZVMemberCell> guestRow;
    for (int row = 0; row < page->membersTable()->numberOfRows(); ++row) {
        auto cell = std::dynamic_pointer_cast<ZVMemberCell>(
            page->membersTable()->tableView()->cellForRowAtIndexPath({0, row}));
        if (cell && cell->member()->displayName() == u"Bea Baker"_s) {
            beaRow = cell;
        } else if (cell && cell->member()->displayName() == u"Cal Cook"_s) {
            calRow = cell;
        } else if (cell && cell->member()->displayName() == u"Guest"_s) {
            guestRow = cell;
        }
    }
    ASSERT_TRUE(beaRow && calRow && guestRow);
    EXPECT_TRUE(guestRow->emailIndicator()->isHidden() == false);
    EXPECT_TRUE(guestRow->detailTextLabel()->isHidden());
    EXPECT_NEAR(guestRow->textLabel()->frame().center().y(),
                guestRow->contentView()->bounds().center().y(), 1);
    EXPECT_TRUE(beaRow->emailIndicator()->isHidden());
    EXPECT_FALSE(beaRow->detailTextLabel()->isHidden());
    EXPECT_LE(beaRow->textLabel()->frame().bottom(), beaRow->detailTextLabel()->frame().top());
    EXPECT_LE(beaRow->detailTextLabel()->frame().bottom(), beaRow->bounds().bottom());
    EXPECT_FALSE(beaRow->adminBadge() && !beaRow->adminBadge()->isHidden());
    ASSERT_TRUE(calRow->adminBadge());
    EXPECT_FALSE(calRow->adminBadge()->isHidden());
    EXPECT_EQ(calRow->adminBadge()->text(), u"ADMIN"_s);
    EXPECT_GE(calRow->adminBadge()->frame().left(), calRow->textLabel()->frame().right());
    // A reused row of a member who is no admin hides the badge again.
    calRow->setMember(beaRow->member());
    EXPECT_TRUE(calRow->adminBadge()->isHidden());
}

// "Add" shows while posting is allowed and not editing; a managed conversation has a banner and
// refuses adding with an alert.
TEST_F(MembersPage, AddFollowsPostingAndManagedRefuses) {
    open({bea},
         {modeltest::streamRecord(u"org_header"_s, {{u"organisation_id"_s, u"org-1"_s},
                                                    {u"organisation_name"_s, u"Acme"_s}})},
         {{u"is_managed"_s, true}, {u"organisation_id"_s, u"org-1"_s}});
    EXPECT_EQ(page->navigationItem().rightBarButtonItem(), page->addButton());
    const auto banner = std::dynamic_pointer_cast<ZVInformationBanner>(
        page->membersTable()->tableView()->tableHeaderView());
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->message().string(),
              u"This conversation is managed by Acme. Only admins can add or remove members."_s);
    page->addMembers();
    EXPECT_FALSE(page->isEditing());
    const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), u"Cannot add members"_s);
    alert->hide();

    conversationRecord.insert(u"can_post"_s, false);
    ASSERT_TRUE(deliver(session_, {conversationRecord}));
    wait(1);
    EXPECT_FALSE(page->navigationItem().rightBarButtonItem());
    EXPECT_TRUE(page->addParticipantsRow()->isHidden());
}

// Two addresses and a contact go in one store call with the addresses joined by blanks; the
// editor closes once the service took them.
TEST_F(MembersPage, DoneSendsTheAdditionsOnce) {
    open({bea});
    startEditing();
    const auto& list = page->contactsTable();
    list->setSearchText(u"x@mail.org"_s);
    page->contactListAddedContact(*list, list->searchContact());
    list->setSearchText(u"y@mail.org"_s);
    page->contactListAddedContact(*list, list->searchContact());
    page->contactListAddedContact(*list, entry(u"Cal Cook"_s));
    EXPECT_EQ(added(), (QStringList{u"Cal Cook"_s, u"x@mail.org"_s, u"y@mail.org"_s}));
    // The picker's ticks follow the roster; the search was emptied by each addition.
    EXPECT_TRUE(entry(u"Cal Cook"_s)->checked());
    EXPECT_TRUE(list->searchText().isEmpty());

    emulator.clearRequests();
    page->commitEdit();
    EXPECT_TRUE(page->isEditing());
    ASSERT_TRUE(waitForAnswered(u"conversation/store/"_s + conversationId));
    EXPECT_EQ(emulator.requestCount(u"conversation/store/"_s + conversationId), 1);
    const auto request = emulator.lastRequest(u"conversation/store/"_s + conversationId);
    QStringList emails = request->body.value(u"add_emails"_s).toString().split(u' ');
    emails.sort();
    EXPECT_EQ(emails, (QStringList{u"x@mail.org"_s, u"y@mail.org"_s}));
    ASSERT_TRUE(settle([&] { return !page->isEditing(); }));
    wait(ZVMembersViewController::kAnimationDuration + 0.1);
    EXPECT_FALSE(page->contactsTable());
    EXPECT_FALSE(page->memberListView());
    EXPECT_EQ(page->navigationItem().rightBarButtonItem(), page->addButton());
}

// An address typed and left in the search field goes with "Done"; Cancel sends nothing and drops
// what was added, the typed address included.
TEST_F(MembersPage, ATypedAddressGoesWithDoneNotWithCancel) {
    open({bea});
    startEditing();
    page->searchBar()->setText(u"Typed@Mail.org"_s);
    page->searchBarTextDidChange(*page->searchBar(), u"Typed@Mail.org"_s);
    ASSERT_TRUE(page->contactsTable()->searchContact());
    emulator.clearRequests();
    page->cancelEdit();
    wait(ZVMembersViewController::kAnimationDuration + 0.1);
    EXPECT_FALSE(page->isEditing());
    EXPECT_TRUE(added().isEmpty());
    wait(2);
    EXPECT_EQ(emulator.requestCount(u"conversation/store/"_s + conversationId), 0);

    startEditing();
    page->searchBarTextDidChange(*page->searchBar(), u"Typed@Mail.org"_s);
    page->commitEdit();
    ASSERT_TRUE(waitForAnswered(u"conversation/store/"_s + conversationId));
    EXPECT_EQ(emulator.lastRequest(u"conversation/store/"_s + conversationId)
                  ->body.value(u"add_emails"_s)
                  .toString(),
              u"typed@mail.org"_s);
}

// A refused commit leaves the editor open with the additions kept.
TEST_F(MembersPage, AFailedCommitKeepsEditing) {
    open({bea});
    startEditing();
    page->contactListAddedContact(*page->contactsTable(), entry(u"Cal Cook"_s));
    emulator.injectFault(u"conversation/store/"_s + conversationId, zvemu::Fault::withStatus(500),
                         100);
    page->commitEdit();
    ASSERT_TRUE(waitForAnswered(u"conversation/store/"_s + conversationId));
    wait(1);
    EXPECT_TRUE(page->isEditing());
    EXPECT_TRUE(page->contactsTable());
    EXPECT_EQ(added(), QStringList{u"Cal Cook"_s});
}

// A page gone before the service answers is left alone.
TEST_F(MembersPage, AnAnswerAfterThePageIsGoneDoesNothing) {
    open({bea});
    // The conversation's load is in first: handled after the stream's news of the new member, it
    // would put the older member list back.
    ASSERT_TRUE(waitForAnswered(u"conversation/sync/"_s + conversationId));
    startEditing();
    page->contactListAddedContact(*page->contactsTable(), entry(u"Cal Cook"_s));
    page->commitEdit();
    page->view()->removeFromSuperview();
    page->releaseObservers();
    page.reset();
    ASSERT_TRUE(waitForAnswered(u"conversation/store/"_s + conversationId));
    // The new member comes with the stream.
    EXPECT_TRUE(waitWithClock([&] { return roster()->containsId(cal); }));
}

// Editing lays out the pills on top, the search field under them and the picker below, each
// taking its strip; the pills may take at most half the room above the keyboard.
TEST_F(MembersPage, EditorLayout) {
    open({bea, cal});
    startEditing();
    const auto& pills = page->memberListView();
    const auto& search = page->searchBar();
    const auto picker = page->contactsTable()->view();
    const QRectF bounds = page->view()->bounds();
    EXPECT_DOUBLE_EQ(pills->frame().top(), 0);
    EXPECT_DOUBLE_EQ(pills->frame().height(), pills->requestedHeight());
    EXPECT_DOUBLE_EQ(search->frame().top(), pills->frame().bottom());
    EXPECT_DOUBLE_EQ(picker->frame().top(), search->frame().bottom());
    EXPECT_DOUBLE_EQ(picker->frame().bottom(), bounds.bottom());
    EXPECT_DOUBLE_EQ(pills->alpha(), 1);
    page->updateMemberListMaxHeight(300, 0, false);
    EXPECT_DOUBLE_EQ(pills->maximumHeight(),
                     (bounds.height() - 300) / 2 - search->frame().height());
    page->updateMemberListMaxHeight(300, 400, false);
    EXPECT_DOUBLE_EQ(pills->maximumHeight(), 400);
}

// Adding to a one-to-one dialog asks the service for a new conversation ("conversation/create"),
// and once it answers the pages go to their first page, where that conversation opens.
TEST_F(MembersPage, ADialogTurnsIntoAConversationOnItsFirstPage) {
    const auto coordinator = FakeCoordinator::install();
    auto& registry = ZVConversationPageRegistry::shared();
    const auto saved = registry;
    registry.pages[0] = [](const std::shared_ptr<Conversation>&, int) {
        return std::make_shared<pagestest::RowsScreen>(5);
    };
    registry.pages[ZVMembersViewController::kPage] = [](const auto& conversation, int page) {
        auto screen = ZVMembersViewController::make(conversation, page);
        // No screen view: a usage report would be sent by the analytics library long after the
        // test, from its own thread.
        screen->setTrackingCategory(0);
        return std::static_pointer_cast<ZVConversationPageScreen>(screen);
    };
    conversationId = emulator.addConversation(QString(), {self(), bea});
    QJsonObject record = *emulator.conversationRecord(conversationId);
    record.insert(u"can_post"_s, true);
    ASSERT_TRUE(deliver(session_, {account(bea, u"Bea Baker"_s, u"bea@example.com"_s,
                                           {{u"dialog_id"_s, conversationId}}),
                                   account(cal, u"Cal Cook"_s, u"cal@example.com"_s), record}));
    conversation = session_->conversationFromId(conversationId);
    ASSERT_TRUE(conversation && !conversation->dialogPartner().isEmpty());
    {
        ZVConversationPageSet pages(conversation, ZVMembersViewController::kPage,
                                    coordinator->right);
        wait(1);
        ASSERT_EQ(pages.activePageIndex(), ZVMembersViewController::kPage);
        page = std::dynamic_pointer_cast<ZVMembersViewController>(
            pages.viewControllerForPage(ZVMembersViewController::kPage));
        ASSERT_TRUE(page);
        startEditing();
        page->contactListAddedContact(*page->contactsTable(), entry(u"Cal Cook"_s));
        page->commitEdit();
        ASSERT_TRUE(waitForAnswered(u"conversation/create"_s));
        ASSERT_TRUE(settle([&] { return !page->isEditing(); }));
        EXPECT_EQ(pages.activePageIndex(), 0);
        page->releaseObservers();
        page.reset();
        pages.releaseObservers();
    }
    registry = saved;
}

}  // namespace
