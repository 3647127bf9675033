#include "ZelvoKit/model/search/ZVSearch.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "tests/emulator/Fixture.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kSearchPath = u"search"_s;
const QStringList kMessageTypes{u"chat"_s, u"pin"_s, u"file"_s, u"task"_s, u"subject"_s};
// A second of 2026.
constexpr qint64 kInboxTime = 1767225600;

class ZVSearchTest : public modeltest::SignedInTest {
protected:
    void TearDown() override {
        for (const auto& search : searches_) {
            search->abandon();
        }
        searches_.clear();
        SignedInTest::TearDown();
    }

    static QString id(int n) { return u"00000000-0000-4000-8000-%1"_s.arg(n, 12, 10, QChar(u'0')); }
    static QString personId(int n) {
        return u"00000000-0000-4000-9000-%1"_s.arg(n, 12, 10, QChar(u'0'));
    }
    static QJsonObject contact(int n, const QString& name, const QString& dialogId = {}) {
        QJsonObject fields{{u"account_id"_s, personId(n)},
                           {u"email"_s, u"person%1@example.com"_s.arg(n)},
                           {u"display_name"_s, name}};
        if (!dialogId.isEmpty()) {
            fields.insert(u"dialog_id"_s, dialogId);
        }
        return streamRecord(u"contact"_s, fields);
    }
    // A conversation known in full, with the user and the people given.
    QJsonObject conversation(int n, const QString& topic, QList<int> people = {},
                             qint64 inboxTime = kInboxTime, QJsonObject fields = {}) const {
        QJsonArray members{session_->sessionId()};
        for (int person : people) {
            members.append(personId(person));
        }
        fields.insert(u"conversation_id"_s, id(n));
        fields.insert(u"topic"_s, topic);
        fields.insert(u"members"_s, members);
        fields.insert(u"inbox_time"_s, inboxTime);
        if (!fields.contains(u"is_tiny"_s) && !fields.contains(u"is_init"_s)) {
            fields.insert(u"is_init"_s, true);
        }
        return streamRecord(u"conv"_s, fields);
    }
    std::shared_ptr<ZVSearch> search(const QString& text, bool allowMessages = true) {
        auto made = ZVSearch::create(session_, text, allowMessages);
        searches_.push_back(made);
        return made;
    }
    static QStringList contactNames(const ZVSearch& search) {
        QStringList names;
        for (const auto& match : search.contacts()) {
            names.append(match->nameMatch().string());
        }
        return names;
    }
    // Each match as "<last two digits of the id>" with ":t" for a topic match and the member
    // names after "/".
    static QStringList conversationRows(const ZVSearch& search) {
        QStringList rows;
        for (const auto& match : search.conversations()) {
            QString row = match->conversationId().right(2);
            if (match->topicMatch()) {
                row += u":t"_s;
            }
            if (match->memberMatch()) {
                row += u"/"_s + match->memberMatch()->string();
            }
            rows.append(row);
        }
        return rows;
    }
    QList<QJsonObject> searchCalls() const {
        QList<QJsonObject> bodies;
        for (const auto& request : emulator.requests(kSearchPath)) {
            bodies.append(request.body);
        }
        return bodies;
    }
    static QStringList strings(const QJsonValue& array) {
        QStringList list;
        for (const QJsonValue& value : array.toArray()) {
            list.append(value.toString());
        }
        return list;
    }

    std::vector<std::shared_ptr<ZVSearch>> searches_;
};

TEST_F(ZVSearchTest, NamesAndTopicsMatchWhereAWordStarts) {
    ASSERT_TRUE(deliver(session_,
                        {contact(1, u"Orla Berg"_s), contact(2, u"Morla Lind"_s),
                         contact(3, u"Jo-orla Park"_s), contact(4, u"Ben Costa"_s),
                         conversation(1, u"Orbit plan"_s), conversation(2, u"Plan, orchard"_s),
                         conversation(3, u"Budget"_s, {1}), conversation(4, u"Planning"_s),
                         // Known only by id: never listed by the local match.
                         conversation(5, u"Orchard"_s, {}, kInboxTime, {{u"is_init"_s, false}})}));
    struct Case {
        QString text;
        QStringList contacts;
        QStringList conversations;
    };
    const QList<Case> cases = {
        {u"or"_s, {u"Jo-orla Park"_s, u"Orla Berg"_s}, {u"01:t"_s, u"02:t"_s, u"03/Orla Berg"_s}},
        {u"ORLA B"_s, {u"Orla Berg"_s}, {u"03/Orla Berg"_s}},
        {u"plan"_s, {}, {u"01:t"_s, u"02:t"_s, u"04:t"_s}},
        {u"rla"_s, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const auto found = search(c.text);
        EXPECT_EQ(contactNames(*found), c.contacts);
        EXPECT_EQ(conversationRows(*found), c.conversations);
        found->abandon();
    }

    const auto found = search(u"or"_s);
    EXPECT_EQ(found->contacts()[0]->nameMatch(),
              attributedStringHighlightingRange(u"Jo-orla Park"_s, StringRange{3, 2}));
    EXPECT_EQ(*found->conversations()[1]->topicMatch(),
              attributedStringHighlightingRange(u"Plan, orchard"_s, StringRange{6, 2}));
    EXPECT_EQ(found->totalMatchCount(), 5);
}

TEST_F(ZVSearchTest, APartnerListedThroughTheDialogIsNotListedAgainAsAContact) {
    // Ben's dialog, and a group where Ben and Bea are members: the group names both matched
    // members in name order, also Ben's, whose contact row the dialog took.
    ASSERT_TRUE(deliver(session_, {contact(1, u"Ben Costa"_s, id(1)), contact(2, u"Bea Fox"_s),
                                   contact(3, u"Carl Berg"_s), conversation(1, u""_s, {1}),
                                   conversation(2, u"Budget"_s, {1, 2, 3})}));
    const auto found = search(u"be"_s);
    EXPECT_EQ(contactNames(*found), (QStringList{u"Bea Fox"_s, u"Carl Berg"_s}));
    QStringList rows = conversationRows(*found);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(u"01"_s));
    EXPECT_EQ(rows[1], u"02/Bea Fox, Ben Costa, Carl Berg"_s);
}

TEST_F(ZVSearchTest, AnEmailAddressIsOfferedAsAPersonUntilAbandoned) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"Ada Moreau"_s)}));
    const auto found = search(u"ada@elsewhere.org"_s);
    ASSERT_EQ(found->contacts().count(), 1);
    const auto offered = found->contacts()[0]->contact();
    ASSERT_TRUE(offered);
    EXPECT_EQ(offered->email(), u"ada@elsewhere.org"_s);
    EXPECT_EQ(offered->accountId(), u"search_contact"_s);
    EXPECT_FALSE(offered->isHiddenForAdd());
    EXPECT_FALSE(session_->contacts().contains(u"search_contact"_s));

    found->abandon();
    EXPECT_TRUE(offered->isDeleted());
    EXPECT_TRUE(found->text().isNull());
    EXPECT_FALSE(session_->search());

    EXPECT_FALSE(search(u"ada@"_s)->emailContact());
}

TEST_F(ZVSearchTest, ConversationsAreOrderedByTopicThenWholeInboxSecondThenId) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"Dora Lind"_s), conversation(1, u"Docs"_s),
                                   conversation(2, u"Docs"_s), conversation(3, u"Docs"_s),
                                   conversation(4, u"Other"_s, {1}, kInboxTime + 100)}));
    const auto at = [](qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC); };
    const qint64 base = kInboxTime * 1000;
    // Within one second by id; a later second first; a match through members only goes last
    // whatever its time.
    session_->conversationFromId(id(1))->setInboxTime(at(base + 500));
    session_->conversationFromId(id(2))->setInboxTime(at(base));
    session_->conversationFromId(id(3))->setInboxTime(at(base + 2000));
    const auto found = search(u"do"_s);
    EXPECT_EQ(conversationRows(*found),
              (QStringList{u"03:t"_s, u"01:t"_s, u"02:t"_s, u"04/Dora Lind"_s}));
}

TEST_F(ZVSearchTest, TheServiceIsAskedASecondLaterForTopicsThenForMessages) {
    ASSERT_TRUE(deliver(
        session_,
        {conversation(1, u"Release"_s),
         conversation(2, u"Other"_s, {}, kInboxTime, {{u"is_init"_s, false}, {u"is_tiny"_s, true}}),
         conversation(3, u"Other"_s, {}, kInboxTime, {{u"is_init"_s, false}})}));
    const auto found = search(u"rel"_s);
    scheduler().advance(ZVSearch::kServerSearchDelay - 0.1);
    scheduler().runPending();
    EXPECT_EQ(emulator.requestCount(kSearchPath), 0);
    EXPECT_TRUE(found->inProgress());

    scheduler().advance(0.1);
    ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));
    const QList<QJsonObject> calls = searchCalls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(strings(calls[0][u"search_types"_s]), QStringList{u"topic"_s});
    EXPECT_EQ(strings(calls[1][u"search_types"_s]), kMessageTypes);
    for (const QJsonObject& call : calls) {
        EXPECT_EQ(call[u"keywords"_s].toString(), u"rel"_s);
        QStringList ignored = strings(call[u"ignore_conversation_ids"_s]);
        ignored.sort();
        // Known in full or in short; not the one known only by id.
        EXPECT_EQ(ignored, (QStringList{id(1), id(2)}));
    }
    ASSERT_TRUE(found->messages());
    EXPECT_EQ(found->messages()->count(), 0);

    // Pressing the search key afterwards asks nothing more.
    found->runSearchNow();
    scheduler().runPending();
    EXPECT_EQ(emulator.requestCount(kSearchPath), 2);
}

TEST_F(ZVSearchTest, MessagesAreSearchedOnlyWhenAtMost99ConversationsMatched) {
    for (const int matched : {99, 100}) {
        SCOPED_TRACE(matched);
        emulator.clearRequests();
        QList<QJsonObject> records;
        for (int n = 1; n <= matched; ++n) {
            records.append(conversation(n, u"Sprint %1"_s.arg(n)));
        }
        ASSERT_TRUE(deliver(session_, records));
        const auto found = search(u"sprint"_s);
        EXPECT_EQ(found->conversations().count(), matched);
        EXPECT_EQ(found->messageSearchAllowed(), matched == 99);
        found->runSearchNow();
        ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));
        const QList<QJsonObject> calls = searchCalls();
        ASSERT_EQ(calls.size(), matched == 99 ? 2 : 1);
        EXPECT_EQ(strings(calls.last()[u"search_types"_s]),
                  matched == 99 ? kMessageTypes : QStringList{u"topic"_s});
        EXPECT_EQ(found->messages() != nullptr, matched == 99);
        found->abandon();
    }
    // Not allowed by the caller: the topic search alone.
    emulator.clearRequests();
    const auto found = search(u"sprint 1"_s, false);
    found->runSearchNow();
    ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));
    EXPECT_EQ(emulator.requestCount(kSearchPath), 1);
}

TEST_F(ZVSearchTest, WhatTheServiceFindsJoinsTheLists) {
    // The service holds a conversation this device was never sent, and messages in it and in a
    // conversation the device has.
    ASSERT_TRUE(deliver(
        session_, {conversation(1, u"Plans"_s, {}, kInboxTime, {{u"last_message_nr"_s, 1}})}));
    zvemu::Fixture unsent;
    unsent.conversations = {
        conversation(2, u"Roadmap review"_s, {}, kInboxTime + 60, {{u"last_message_nr"_s, 2}})};
    const auto message = [](int conversation, int nr, const QString& text, qint64 time) {
        return streamRecord(u"message"_s, {{u"conversation_id"_s, id(conversation)},
                                           {u"message_nr"_s, nr},
                                           {u"mk_message_type"_s, u"text"_s},
                                           {u"message"_s, u"<msg>"_s + text + u"</msg>"_s},
                                           {u"time"_s, time}});
    };
    unsent.messages = {message(2, 1, u"review the review"_s, kInboxTime),
                       message(2, 2, u"nothing here"_s, kInboxTime + 10),
                       message(1, 1, u"review later"_s, kInboxTime + 20)};
    service.seedUnstreamed(session_->sessionId(), unsent);

    const auto found = search(u"review"_s);
    EXPECT_TRUE(found->conversations().items().isEmpty());
    QStringList heard;
    const auto observation =
        found->observe(QStringList{u"conversations"_s, u"messages"_s, u"inProgress"_s},
                       [&](const QString& key) { heard.append(key); });
    found->runSearchNow();
    ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));

    EXPECT_EQ(conversationRows(*found), QStringList{u"02:t"_s});
    ASSERT_TRUE(found->messages());
    QStringList keys;
    for (const auto& m : *found->messages()) {
        keys.append(u"%1#%2"_s.arg(m->conversationId().right(2)).arg(m->messageNr()));
    }
    // Two hits weigh more than one; equal weights newest first.
    EXPECT_EQ(keys, (QStringList{u"02#1"_s, u"01#1"_s}));
    const auto conversation = session_->conversationFromId(id(2));
    ASSERT_TRUE(conversation && conversation->searchMatchMessages());
    EXPECT_EQ(conversation->searchMatchMessages()->count(), 1);
    EXPECT_TRUE(heard.contains(u"conversations"_s));
    EXPECT_EQ(heard.mid(heard.size() - 2), (QStringList{u"inProgress"_s, u"messages"_s}));
}

TEST_F(ZVSearchTest, AFailedSearchEndsAndIsStillReported) {
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Launch"_s)}));
    int reported = 0;
    api().setDefaultErrorHandler([&](const ZVErrorPtr&) { ++reported; });
    emulator.injectFault(kSearchPath, zvemu::Fault::withStatus(500));
    const auto found = search(u"launch"_s);
    found->runSearchNow();
    ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));
    EXPECT_EQ(reported, 1);
    EXPECT_FALSE(found->messages());
    EXPECT_EQ(found->conversations().count(), 1);
    EXPECT_EQ(emulator.requestCount(kSearchPath), 1);
}

TEST_F(ZVSearchTest, AnAbandonedSearchAsksNothingAndLeavesTheNextOneInPlace) {
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Goals"_s)}));
    const auto first = search(u"go"_s);
    const auto second = search(u"goa"_s);
    EXPECT_EQ(session_->search(), second);
    // The owner lets go of the old search late: the new one stays the session's.
    first->abandon();
    EXPECT_EQ(session_->search(), second);
    second->abandon();
    EXPECT_FALSE(session_->search());
    scheduler().advance(ZVSearch::kServerSearchDelay * 2);
    scheduler().runPending();
    EXPECT_EQ(emulator.requestCount(kSearchPath), 0);
}

TEST_F(ZVSearchTest, TheStreamAddsMatchesWithoutRepeatingOne) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"Ida Ito"_s), conversation(1, u"Ideas"_s),
                                   conversation(2, u"Ideas too"_s, {}, kInboxTime + 5)}));
    const auto found = search(u"id"_s);
    QStringList heard;
    const auto observation = found->observe(QStringList{u"contacts"_s, u"conversations"_s},
                                            [&](const QString& key) { heard.append(key); });
    // A new person, a renamed one, and a matched conversation that moves up the inbox.
    ASSERT_TRUE(deliver(session_, {contact(2, u"Idris Park"_s), contact(1, u"Ida Jung"_s)}));
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Ideas"_s, {}, kInboxTime + 60)}));
    EXPECT_EQ(contactNames(*found), (QStringList{u"Ida Jung"_s, u"Idris Park"_s}));
    EXPECT_EQ(conversationRows(*found), (QStringList{u"01:t"_s, u"02:t"_s}));
    EXPECT_EQ(heard, (QStringList{u"contacts"_s, u"contacts"_s, u"conversations"_s}));
}

}  // namespace
