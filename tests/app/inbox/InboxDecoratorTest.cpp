#include "app/inbox/decorators/ZVContactDecorator.h"
#include "app/inbox/decorators/ZVConversationDecorator.h"
#include "app/inbox/decorators/ZVConversationMatchDecorator.h"
#include "app/inbox/decorators/ZVMessageDecorator.h"

#include "tests/app/inbox/InboxTestSupport.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/search/ZVContactMatch.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/TextAttributes.h"
#include "tests/emulator/Fixture.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

class CountingRow : public ZVInboxItemDecoratorDelegate {
public:
    void update() override { ++updates; }
    int updates = 0;
};

class InboxDecoratorTest : public inboxtest::InboxTest {
protected:
    qint64 now() const { return scheduler().currentDate().toSecsSinceEpoch(); }
    // An inbox message by Ann, so that the row has a message line.
    QList<QJsonObject> withInboxMessage(int n, const QString& topic, QJsonObject fields) const {
        fields.insert(u"inbox_message_nr"_s, 1);
        QJsonObject posted = message(n, 1, u"hello"_s, now() - 600);
        posted.insert(u"account_id"_s, personId(1));
        return {conversation(n, topic, now() - 600, {}, fields), posted};
    }
};

// Each row kind's texts and flags, as the user sees them.
TEST_F(InboxDecoratorTest, ConversationRowsShowDraftsOnlyWhenReadAndMutesOnlyAhead) {
    QList<QJsonObject> records{contact(1, u"Ann Lee"_s)};
    const QJsonObject read{{u"read_message_nr"_s, 1}};
    const auto with = [&](QJsonObject fields) {
        fields.insert(u"read_message_nr"_s, 1);
        return fields;
    };
    records +=
        withInboxMessage(1, u"Unread"_s, {{u"unread_count"_s, 2}, {u"read_message_nr"_s, 0}});
    records += withInboxMessage(2, u"Draft"_s, read);
    records += withInboxMessage(3, u"File"_s, read);
    records += withInboxMessage(4, u"Muted ahead"_s, with({{u"snooze_time"_s, now() + 3600}}));
    records += withInboxMessage(5, u"Muted before"_s, with({{u"snooze_time"_s, now() - 3600}}));
    ASSERT_TRUE(deliver(session_, records));
    session_->conversationFromId(id(1))->setPendingMessage(u"not shown"_s);
    session_->conversationFromId(id(2))->setPendingMessage(u"see you"_s);
    const auto file = session_->fileWithData("notes", u"notes.txt"_s);
    ASSERT_TRUE(file);
    session_->conversationFromId(id(3))->addPendingFile(file);

    const QString me = session_->localContact()->shortName();
    const QString inboxDay =
        ZVLocalization::formatDate(QDateTime::fromSecsSinceEpoch(now() - 600), true);
    const QString snoozeEnd =
        ZVLocalization::formatDateAndTime(QDateTime::fromSecsSinceEpoch(now() + 3600));
    struct Case {
        int n;
        QString detail;
        QString timestamp;
        bool unread;
        bool snoozed;
    };
    const Case cases[] = {
        {1, u"Ann: hello"_s, inboxDay, true, false},
        {2, me + u": see you"_s, inboxDay, false, false},
        {3, me + u": notes.txt"_s, inboxDay, false, false},
        {4, u"Ann: hello"_s, u"Muted until "_s + snoozeEnd, false, true},
        {5, u"Ann: hello"_s, inboxDay, false, false},
    };
    ZVConversationDecorator decorator;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        const auto conversation = session_->conversationFromId(id(c.n));
        ASSERT_TRUE(conversation);
        decorator.setItem(conversation);
        EXPECT_EQ(decorator.title().string(), conversation->topic());
        EXPECT_EQ(decorator.detailTitle().string(), c.detail);
        EXPECT_EQ(decorator.timestamp(), c.timestamp);
        EXPECT_EQ(decorator.isUnread(), c.unread);
        EXPECT_EQ(decorator.isSnoozed(), c.snoozed);
        EXPECT_EQ(decorator.guid(), id(c.n));
    }
    EXPECT_EQ(decorator.unreadCount(), 0);
    decorator.setItem(session_->conversationFromId(id(1)));
    EXPECT_GE(decorator.unreadCount(), 1);
}

TEST_F(InboxDecoratorTest, ContactHitsOfferTheDialogOrANewConversationByAddress) {
    ASSERT_TRUE(deliver(session_, {contact(1, u"Ann Lee"_s, id(9)), contact(2, u"Bob Stone"_s)}));
    struct Case {
        int person;
        QString detail;
    };
    const Case cases[] = {{1, u"Conversation with Ann Lee"_s},
                          {2, u"Start a conversation with Bob Stone"_s}};
    ZVContactDecorator decorator;
    for (const Case& c : cases) {
        const auto person = session_->contactFromId(personId(c.person));
        const auto match =
            std::make_shared<ZVContactMatch>(person, platform::AttributedString(u"name"_s));
        decorator.setItem(match);
        EXPECT_EQ(decorator.detailTitle().string(), c.detail);
        EXPECT_EQ(decorator.guid(), u"person%1@example.com"_s.arg(c.person));
        // Picking a contact opens no conversation by id and shows no time.
        EXPECT_TRUE(decorator.conversationId().isNull());
        EXPECT_TRUE(decorator.timestamp().isNull());
    }
}

TEST_F(InboxDecoratorTest, MessageHitsShowTheirConversationAndTheHitLine) {
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Planning"_s, now())}));
    zvemu::Fixture held;
    held.messages = {message(1, 1,
                             u"We met on Monday and after a long talk agreed that the budget "
                             "stays as it is until the end of the year"_s,
                             now())};
    service.seedUnstreamed(session_->sessionId(), held);
    const auto found = search(u"budget"_s);
    found->runSearchNow();
    ASSERT_TRUE(scheduler().runUntil([&] { return !found->inProgress(); }));
    ASSERT_TRUE(found->messages() && found->messages()->count() == 1);

    ZVMessageDecorator decorator;
    decorator.setItem((*found->messages())[0]);
    // The loopback service marks no hit in the text, so the whole (short) line stands.
    const platform::AttributedString fragment = decorator.detailTitle();
    EXPECT_GE(fragment.string().indexOf(u"budget"_s), 0) << fragment.string().toStdString();
    EXPECT_EQ(decorator.title().string(), u"Planning"_s);
    EXPECT_EQ(decorator.guid(), id(1) + u":1"_s);
    EXPECT_EQ(decorator.conversationId(), id(1));
}

// The row is told once per burst, a tenth of a second after its first change; keys the row does
// not show tell it nothing.
TEST_F(InboxDecoratorTest, ABurstOfChangesRefreshesTheRowOnce) {
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Plans"_s, now())}));
    const auto conversation = session_->conversationFromId(id(1));
    const auto row = std::make_shared<CountingRow>();
    ZVConversationDecorator decorator;
    decorator.setDelegate(row);
    decorator.setItem(conversation);

    conversation->didChangeValueForKey(u"members"_s);
    scheduler().advance(1);
    EXPECT_EQ(row->updates, 0);

    conversation->didChangeValueForKey(u"topicText"_s);
    scheduler().advance(0.03);
    conversation->didChangeValueForKey(u"unread_count"_s);
    scheduler().advance(0.03);
    conversation->didChangeValueForKey(u"pending_message"_s);
    scheduler().advance(0.039);
    EXPECT_EQ(row->updates, 0);
    scheduler().advance(0.002);
    EXPECT_EQ(row->updates, 1);
    scheduler().advance(1);
    EXPECT_EQ(row->updates, 1);

    // Another item: the old conversation is no longer heard.
    ASSERT_TRUE(deliver(session_, {InboxTest::conversation(2, u"Other"_s, now())}));
    decorator.setItem(session_->conversationFromId(id(2)));
    conversation->didChangeValueForKey(u"topicText"_s);
    scheduler().advance(1);
    EXPECT_EQ(row->updates, 1);
}

TEST_F(InboxDecoratorTest, AConversationHitHighlightsWhatMatchedAndFallsBackToTheConversation) {
    ASSERT_TRUE(
        deliver(session_,
                {contact(1, u"Ann Lee"_s), conversation(1, u"Leeds trip"_s, now()),
                 conversation(2, u"Budget"_s, now(), {},
                              {{u"members"_s, QJsonArray{session_->sessionId(), personId(1)}}})}));
    const auto found = search(u"lee"_s);
    QStringList rows;
    ZVConversationMatchDecorator decorator;
    for (const auto& match : found->conversations()) {
        decorator.setItem(match);
        rows.append(decorator.title().string() + u" | "_s + decorator.detailTitle().string());
        EXPECT_EQ(decorator.guid(), match->conversationId());
    }
    rows.sort();
    EXPECT_EQ(rows, (QStringList{u"Budget | Members: Ann Lee"_s, u"Leeds trip | <null>"_s}));
}

// A message hit's line is cut to about thirty characters around the marked word, with an ellipsis
// on each side where text was left out, and the word keeps its highlight.
TEST_F(InboxDecoratorTest, AMessageHitLineIsCutAroundTheMarkedWord) {
    const QString words =
        u"We met on Monday and after a long talk agreed that the %1 stays as it is until the "
        "end of the year"_s;
    struct Case {
        const char* name;
        QString marked;
        bool cutBefore;
        bool cutAfter;
    };
    const Case cases[] = {
        {"at the start",
         u"<mark>We</mark> met on Monday and after a long talk agreed that the "
         "budget stays as it is until the end of the year"_s,
         false, true},
        {"in the middle", words.arg(u"<mark>budget</mark>"_s), true, true},
        {"at the end", words.arg(u"budget"_s).replace(u"year"_s, u"<mark>year</mark>"_s), true,
         false},
    };
    ASSERT_TRUE(deliver(session_, {conversation(1, u"Planning"_s, now())}));
    const QString ellipsis = u"..."_s;
    for (int i = 0; i < 3; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        // A search answer brings the held message again with the service's marks.
        QJsonObject record = message(1, i + 1, words.arg(u"budget"_s), now());
        ASSERT_TRUE(deliver(session_, {record}));
        const auto hit = session_->messageFromKey(id(1), i + 1);
        ASSERT_TRUE(hit);
        record.insert(u"marked_text"_s, u"<msg>"_s + c.marked + u"</msg>"_s);
        ASSERT_TRUE(deliver(session_, {record}));
        ASSERT_FALSE(hit->markedText().isNull());
        ZVMessageDecorator decorator;
        decorator.setItem(hit);
        const platform::AttributedString line = decorator.detailTitle();
        const QString text = line.string();
        const QString word = QString(c.marked).section(u"<mark>"_s, 1).section(u"</mark>"_s, 0, 0);
        const qsizetype at = text.indexOf(word);
        ASSERT_GE(at, 0) << text.toStdString();
        EXPECT_EQ(text.startsWith(ellipsis), c.cutBefore) << text.toStdString();
        EXPECT_EQ(text.endsWith(ellipsis), c.cutAfter) << text.toStdString();
        EXPECT_LE(text.size(), ZVMessageDecorator::kFragmentLength + 2 * ellipsis.size());
        EXPECT_GE(text.size(), ZVMessageDecorator::kFragmentLength - 2);
        const auto marked = [&](qsizetype index) {
            const QVariant value = line.attribute(platform::TextAttribute::BackgroundColor, index);
            return value.isValid() && value.value<platform::Color>().alpha > 0;
        };
        EXPECT_TRUE(marked(at));
        EXPECT_FALSE(marked(at == 0 ? at + word.size() + 1 : at - 2));
    }
}

}  // namespace
