#include "tests/accounts/people/PeopleTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactCell.h"
#include "accounts/people/ZVContactListDelegate.h"
#include "accounts/people/ZVContactListViewController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/tables/ZVTableView.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using platform::CompositeNameFormat;

namespace {

// Writes down what the list reports.
class RecordingListDelegate : public ZVContactListDelegate {
public:
    QStringList heard;
    std::function<void()> onAdded;
    void contactListAddedContact(ZVContactListViewController&,
                                 const std::shared_ptr<ZVContact>& contact) override {
        heard << u"+"_s + contact->email();
        if (onAdded) {
            onAdded();
        }
    }
    void contactListDeletedContact(ZVContactListViewController&,
                                   const std::shared_ptr<ZVContact>& contact) override {
        heard << u"-"_s + contact->email();
    }
};

class ContactList : public peopletest::PeopleTest {
protected:
    // The rows as the table shows them: each entry's name and address, the user's own left out.
    QStringList rows(ZVContactListViewController& list) const {
        QStringList shown;
        for (int row = 0; row < list.numberOfRows(); ++row) {
            const auto entry = list.contactAtIndexPath({0, row});
            if (!entry) {
                shown << u"[access]"_s;
            } else if (entry->objectId() != self()) {
                shown << entry->name() + u" <"_s + entry->email() + u">"_s;
            }
        }
        return shown;
    }
    std::shared_ptr<ZVContactListViewController> makeList() {
        auto list = platform::ViewController::make<ZVContactListViewController>(session_);
        list->view()->setFrame(root->bounds());
        root->addSubview(list->view());
        return list;
    }
    std::shared_ptr<ZVContactCell> cellAt(ZVContactListViewController& list, int row) {
        window->updateNow();
        return std::dynamic_pointer_cast<ZVContactCell>(
            list.tableView()->cellForRowAtIndexPath({0, row}));
    }
};

// Teams of the user, the contacts that may be added and the address book's people whose first
// unknown address makes them one entry, all in one order: teams first, then by name.
TEST_F(ContactList, LoadsTeamsContactsAndAddressBookPeople) {
    ASSERT_TRUE(deliver(session_, {
                                      team(1, u"Zeta team"_s, {self(), personId(1)}),
                                      team(2, u"Foreign team"_s, {personId(1)}),
                                      contact(1, u"Carol Jones"_s, u"carol@example.com"_s),
                                      contact(2, u"Hidden Hal"_s, u"hal@example.com"_s,
                                              {{u"is_hidden_for_add"_s, true}}),
                                      contact(3, u"Gone Gina"_s, u"gina@example.com"_s),
                                  }));
    ASSERT_TRUE(deliver(
        session_, {contact(3, u"Gone Gina"_s, u"gina@example.com"_s, {{u"is_deleted"_s, true}})}));
    authorizeBook({
        person(u"Carol"_s, u"Jones"_s, {u"Carol@Example.com"_s}),  // known: no entry
        person(u"Dan"_s, u"Brown"_s, {u"carol@example.com"_s, u"Dan@Home.org"_s}),
        person(u"Erin"_s, u"Black"_s, {u"dan@home.org"_s}),  // Dan had it first
        person(QString(), u"Smith"_s, {u"smith@example.com"_s}),
        person(u"Ann"_s, u"Lee"_s, {u"lee@example.com"_s}, CompositeNameFormat::LastNameFirst),
        person(u"Nobody"_s, QString(), {}),
    });
    const auto list = makeList();
    EXPECT_EQ(rows(*list),
              (QStringList{u"Zeta team <2 members>"_s, u" Smith <smith@example.com>"_s,
                           u"Carol Jones <carol@example.com>"_s, u"Dan Brown <dan@home.org>"_s,
                           u"Lee Ann <lee@example.com>"_s}));
    // Authorised: no access row.
    EXPECT_FALSE(list->requestAccessCell());
    EXPECT_TRUE(list->allContacts().front()->isTeam());
}

// Names compare without case or accents; teams stay first whatever their names.
TEST_F(ContactList, SortsByNameIgnoringCaseAndAccents) {
    ASSERT_TRUE(deliver(session_, {
                                      team(1, u"zoo team"_s, {self()}),
                                      contact(1, u"émile Roux"_s, u"emile@example.com"_s),
                                      contact(2, u"Eve Adams"_s, u"eve@example.com"_s),
                                      contact(3, u"adam Smith"_s, u"adam@example.com"_s),
                                      contact(4, u"Émilie Faure"_s, u"emilie@example.com"_s),
                                  }));
    authorizeBook({person(u"Zoë"_s, u"Ng"_s, {u"zoe@example.com"_s}),
                   person(u"Zoe"_s, u"Adler"_s, {u"zadler@example.com"_s})});
    const auto list = makeList();
    QStringList names;
    for (const auto& entry : list->allContacts()) {
        if (entry->objectId() != self()) {
            names << entry->name();
        }
    }
    EXPECT_EQ(names, (QStringList{u"zoo team"_s, u"adam Smith"_s, u"émile Roux"_s,
                                  u"Émilie Faure"_s, u"Eve Adams"_s, u"Zoe Adler"_s, u"Zoë Ng"_s}));
    EXPECT_EQ(ZVContact::collationKeyFor(u"Émile"_s), ZVContact::collationKeyFor(u"emile"_s));
}

// The filter keeps entries a word of whose name or address starts with the text; a well-formed
// address that nothing lists adds a row for it; the access row shows only without a filter.
TEST_F(ContactList, FiltersAndOffersATypedAddress) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"John Smith"_s, u"john@example.com"_s),
                                   contact(2, u"Mary Smithers"_s, u"mary@corp.example"_s),
                                   contact(3, u"Ann Other"_s, u"ann@example.com"_s)}));
    // Access not determined: the access row is last.
    const auto list = makeList();
    ASSERT_TRUE(list->requestAccessCell());
    EXPECT_EQ(list->requestAccessCell()->labelText(), u"SHOW PHONE CONTACTS"_s);
    EXPECT_EQ(rows(*list).last(), u"[access]"_s);

    struct Case {
        QString text;
        QStringList expected;
    };
    const Case cases[] = {
        {u"smi"_s, {u"John Smith <john@example.com>"_s, u"Mary Smithers <mary@corp.example>"_s}},
        {u"corp"_s, {u"Mary Smithers <mary@corp.example>"_s}},
        {u"mith"_s, {}},
        {u"bob"_s, {}},
        {u"Bob@Example.com"_s, {u"Bob@Example.com <bob@example.com>"_s}},
        {u"JOHN@example.com"_s, {u"John Smith <john@example.com>"_s}},
        {u"bob@example"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        list->setSearchText(c.text);
        EXPECT_EQ(rows(*list), c.expected);
        EXPECT_EQ(list->searchContact() != nullptr, c.text == u"Bob@Example.com"_s);
    }
    list->setSearchText(QString());
    EXPECT_FALSE(list->filteredContacts());
    EXPECT_EQ(rows(*list).last(), u"[access]"_s);
    EXPECT_EQ(session_->contactSearchText(), u"bob@example"_s);
}

// Checking the typed address reports it, lists it in its sorted place, and the extra row does not
// come back for the same text typed with capitals.
TEST_F(ContactList, ACheckedTypedAddressJoinsTheList) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"Alice"_s, u"alice@example.com"_s),
                                   contact(2, u"Carl"_s, u"carl@example.com"_s)}));
    const auto list = makeList();
    auto delegate = std::make_shared<RecordingListDelegate>();
    list->setDelegate(delegate);
    list->setSearchText(u"Bob@Example.com"_s);
    window->updateNow();
    const auto cell = cellAt(*list, 0);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->contact(), list->searchContact());
    tap(*cell);
    EXPECT_EQ(delegate->heard, QStringList{u"+bob@example.com"_s});
    EXPECT_FALSE(list->searchContact());
    EXPECT_EQ(rows(*list), QStringList{u"Bob@Example.com <bob@example.com>"_s});
    list->setSearchText(QString());
    QStringList names;
    for (const auto& entry : list->allContacts()) {
        if (entry->objectId() != self()) {
            names << entry->name() + (entry->checked() ? u" ✓"_s : QString());
        }
    }
    EXPECT_EQ(names, (QStringList{u"Alice"_s, u"Bob@Example.com ✓"_s, u"Carl"_s}));
    // The address stays an entry when the list loads again.
    list->refreshList();
    EXPECT_TRUE(std::any_of(list->allContacts().begin(), list->allContacts().end(),
                            [](const auto& e) { return e->email() == u"bob@example.com"_s; }));
}

// A typed address not tapped is still reported when the owner asks; none without one.
TEST_F(ContactList, AnUntappedTypedAddressIsAddedOnRequest) {
    const auto list = makeList();
    auto delegate = std::make_shared<RecordingListDelegate>();
    list->setDelegate(delegate);
    list->addEmailContactIfApplicable();
    list->setSearchText(u"new@example.org"_s);
    list->addEmailContactIfApplicable();
    EXPECT_EQ(delegate->heard, QStringList{u"+new@example.org"_s});
}

// The picking list over a conversation's roster: its members and teams are checked, dimmed and
// deaf to taps; other entries toggle and are reported; the roster given again re-derives the
// checks.
TEST_F(ContactList, MembersAtOpeningStayCheckedAndDimmed) {
    const QString conversationId = u"c0000000-0000-4000-8000-000000000001"_s;
    ASSERT_TRUE(deliver(
        session_,
        {
            team(1, u"Ops team"_s, {self(), personId(1)}),
            team(2, u"Dev team"_s, {self()}),
            contact(1, u"Bea Member"_s, u"bea@example.com"_s),
            contact(2, u"Cal Outsider"_s, u"cal@example.com"_s),
            modeltest::streamRecord(u"conv"_s, {{u"conversation_id"_s, conversationId},
                                                {u"topic"_s, u"Plans"_s},
                                                {u"members"_s, QJsonArray{self(), personId(1)}},
                                                {u"teams"_s, QJsonArray{teamId(1)}},
                                                {u"can_post"_s, true}}),
        }));
    const auto conversation = session_->conversationFromId(conversationId);
    ASSERT_TRUE(conversation);
    const auto& roster = conversation->sortedMembers();
    auto list = platform::ViewController::make<ZVContactListViewController>(*roster, session_);
    list->view()->setFrame(root->bounds());
    root->addSubview(list->view());
    auto delegate = std::make_shared<RecordingListDelegate>();
    list->setDelegate(delegate);
    EXPECT_TRUE(list->selection());

    const auto rowOf = [&](const QString& name) {
        for (int row = 0; row < list->numberOfRows(); ++row) {
            if (const auto e = list->contactAtIndexPath({0, row}); e && e->name() == name) {
                return row;
            }
        }
        return -1;
    };
    struct Expect {
        QString name;
        bool always;
    };
    for (const Expect& e : {Expect{u"Ops team"_s, true}, Expect{u"Dev team"_s, false},
                            Expect{u"Bea Member"_s, true}, Expect{u"Cal Outsider"_s, false}}) {
        SCOPED_TRACE(e.name.toStdString());
        const auto cell = cellAt(*list, rowOf(e.name));
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->contact()->alwaysChecked(), e.always);
        EXPECT_EQ(cell->checked(), e.always);
        EXPECT_EQ(cell->highlightable(), !e.always);
        EXPECT_DOUBLE_EQ(cell->checkmark()->alpha(), e.always ? 0.5 : 1.0);
        EXPECT_DOUBLE_EQ(cell->textLabel()->alpha(), e.always ? 0.5 : 1.0);
    }

    tap(*cellAt(*list, rowOf(u"Bea Member"_s)));
    EXPECT_TRUE(delegate->heard.isEmpty());
    tap(*cellAt(*list, rowOf(u"Cal Outsider"_s)));
    tap(*cellAt(*list, rowOf(u"Dev team"_s)));
    EXPECT_EQ(delegate->heard, (QStringList{u"+cal@example.com"_s, u"+1 members"_s}));
    EXPECT_TRUE(cellAt(*list, rowOf(u"Cal Outsider"_s))->checked());
    tap(*cellAt(*list, rowOf(u"Cal Outsider"_s)));
    EXPECT_EQ(delegate->heard.last(), u"-cal@example.com"_s);

    // The roster now holds Cal and an e-mail participant: the checks follow it.
    roster->addContact(personId(2));
    roster->addEmail(u"Pat@Mail.org"_s, u"Pat"_s);
    list->setSearchText(u"pat@mail.org"_s);
    ASSERT_TRUE(list->searchContact());
    tap(*cellAt(*list, 0));
    list->setSearchText(QString());
    list->setFromMembers(*roster);
    for (const auto& entry : list->allContacts()) {
        if (entry->objectId() == self()) {
            continue;
        }
        SCOPED_TRACE(entry->name().toStdString());
        const bool inRoster = entry->name() == u"Cal Outsider"_s ||
                              entry->name() == u"pat@mail.org"_s ||
                              entry->name() == u"Ops team"_s || entry->name() == u"Bea Member"_s;
        EXPECT_EQ(entry->checked() || entry->alwaysChecked(), inRoster);
    }
    delegate->heard.clear();
    list->deselectContact(u"cal@example.com"_s);
    list->deselectContact(u"bea@example.com"_s);
    EXPECT_EQ(delegate->heard, QStringList{u"-cal@example.com"_s});
}

// Tapping the access row asks for access a moment later; the answer reloads the list with the
// book's people and without the row. An answer that finds the list gone does nothing.
TEST_F(ContactList, AddressBookAccessIsAskedOnce) {
    book->setPeople({person(u"Dora"_s, u"Book"_s, {u"dora@book.example"_s})});
    auto list = makeList();
    ASSERT_TRUE(list->requestAccessCell());
    window->updateNow();
    tap(*list->requestAccessCell());
    EXPECT_EQ(book->accessRequestCount(), 0);
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());
    wait(ZVContactListViewController::kAccessRequestDelay);
    EXPECT_EQ(book->accessRequestCount(), 1);
    wait(0.01);
    EXPECT_FALSE(list->requestAccessCell());
    EXPECT_TRUE(rows(*list).contains(u"Dora Book <dora@book.example>"_s));

    // A second list, gone before the user answers.
    book->setAuthorizationStatus(platform::AddressBookAuthorizationStatus::NotDetermined);
    auto second = makeList();
    second->requestABAccess();
    second->view()->removeFromSuperview();
    second.reset();
    wait(0.01);
    EXPECT_EQ(book->accessRequestCount(), 2);
}

}  // namespace
