#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Message.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kHorizonsId = u"4b3a2c1d-0e9f-4a8b-9c7d-6e5f4a3b2c1d"_s;

QJsonObject conv(QJsonObject fields) {
    fields.insert(u"conversation_id"_s, kHorizonsId);
    return streamRecord(u"conv"_s, fields);
}

QJsonObject message(int nr, int inboxNr) {
    return streamRecord(u"message"_s, {{u"conversation_id"_s, kHorizonsId},
                                       {u"message_nr"_s, nr},
                                       {u"inbox_nr"_s, inboxNr},
                                       {u"prev_message_nr"_s, nr - 1},
                                       {u"mk_message_type"_s, u"text"_s},
                                       {u"message"_s, u"<msg>Hi</msg>"_s}});
}

class ConversationHorizonsTest : public modeltest::SignedInTest {
protected:
    std::shared_ptr<Conversation> conversation() {
        return session_->conversations().value(kHorizonsId);
    }
    void apply(const QList<QJsonObject>& records) {
        ASSERT_EQ(applyLocally(session_, records), nullptr);
    }
};

TEST_F(ConversationHorizonsTest, ArrivingMessagesMoveTheHorizonsAtTheCommit) {
    apply({conv({{u"is_init"_s, true},
                 {u"bw_message_nr"_s, 1},
                 {u"fw_message_nr"_s, 10},
                 {u"last_message_nr"_s, 10},
                 {u"last_inbox_nr"_s, 10}})});
    const auto made = conversation();
    int announced = 0;
    const auto observation = made->observe(QStringList{u"fw_message_nr"_s, u"last_message_nr"_s},
                                           [&](const QString&) { ++announced; });

    session_->startTransaction();
    QJsonArray stream;
    for (const QJsonObject& record : {message(11, 11), message(12, 12), message(14, 13)}) {
        stream.append(record);
    }
    ASSERT_EQ(api().processStream(stream, session_), nullptr);
    EXPECT_EQ(made->fwMessageNr(), 10) << "staged until the commit";
    EXPECT_EQ(made->messageByNumber(14)->messageNr(), 14) << "found among the arrivals";
    session_->endTransaction();

    // The stored stretch grows over 11 and 12, not past the hole at 13.
    EXPECT_EQ(made->fwMessageNr(), 12);
    EXPECT_EQ(made->lastMessageNr(), 14);
    EXPECT_EQ(made->lastInboxNr(), 13);
    EXPECT_EQ(announced, 2);
}

TEST_F(ConversationHorizonsTest, UnreadCountsFromTheInboxMessage) {
    struct Case {
        const char* name;
        int inboxNr;
        int lastInboxNr;
        int read;
        int expected;
    };
    const Case cases[] = {
        {"a negative inbox number counts by its size", -7, 9, 4, 3},
        {"the inbox message read", -7, 9, 5, 2},
        {"all read", 9, 9, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        apply({conv({{u"last_message_nr"_s, 20},
                     {u"inbox_message_nr"_s, 5},
                     {u"last_inbox_nr"_s, c.lastInboxNr},
                     {u"read_message_nr"_s, c.read}}),
               message(5, c.inboxNr)});
        const auto made = conversation();
        ASSERT_TRUE(made->inboxMessage());
        EXPECT_EQ(made->inboxMessage()->messageNr(), 5);
        made->updateUnreadCount();
        EXPECT_EQ(made->unreadCount(), c.expected);
        EXPECT_EQ(made->isUnread(), c.expected > 0);
    }
}

TEST_F(ConversationHorizonsTest, WhichUnreadConversationsNotify) {
    struct Case {
        const char* name;
        QJsonObject state;
        bool notifying;
    };
    const Case cases[] = {
        {"unread", {}, true},
        {"muted", {{u"snooze_interval"_s, 3600}}, false},
        {"muted but mentioned", {{u"snooze_interval"_s, 3600}, {u"my_message_nr"_s, 8}}, true},
        {"muted without end", {{u"snooze_interval"_s, -1}}, false},
        {"archived", {{u"hide_message_nr"_s, 20}}, false},
        {"read", {{u"unread_count"_s, 0}}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject state{{u"conversation_id"_s, u"n%1"_s.arg(++n)},
                          {u"unread_count"_s, 2},
                          {u"read_message_nr"_s, 5},
                          {u"last_message_nr"_s, 20},
                          {u"show_message_nr"_s, 20},
                          {u"hide_message_nr"_s, 0}};
        for (auto it = c.state.begin(); it != c.state.end(); ++it) {
            state.insert(it.key(), it.value());
        }
        apply({streamRecord(u"conv"_s, state)});
        EXPECT_EQ(session_->conversations()
                      .value(state.value(u"conversation_id"_s).toString())
                      ->isNotifyingUnread(),
                  c.notifying);
    }
}

TEST_F(ConversationHorizonsTest, BringingToTopOnlyAfterAnHour) {
    const QDateTime now = scheduler().currentDate();
    struct Case {
        const char* name;
        QJsonValue inboxTime;
        QDateTime expected;
    };
    const Case cases[] = {
        {"bumped half an hour ago", now.addSecs(-1800).toSecsSinceEpoch(), now.addSecs(-1800)},
        {"bumped two hours ago", now.addSecs(-7200).toSecsSinceEpoch(), now},
        {"never bumped", QJsonValue(), QDateTime()},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject state{{u"conversation_id"_s, u"t%1"_s.arg(++n)}};
        if (!c.inboxTime.isNull()) {
            state.insert(u"inbox_time"_s, c.inboxTime);
        }
        apply({streamRecord(u"conv"_s, state)});
        const auto made =
            session_->conversations().value(state.value(u"conversation_id"_s).toString());
        made->bringToTop();
        EXPECT_EQ(made->inboxTime().toSecsSinceEpoch(), c.expected.toSecsSinceEpoch());
        EXPECT_EQ(made->inboxTime().isValid(), c.expected.isValid());
    }
}

TEST_F(ConversationHorizonsTest, MarkingUnreadMovesTheInboxRowBack) {
    QList<QJsonObject> records{conv({{u"is_init"_s, true},
                                     {u"bw_message_nr"_s, 1},
                                     {u"fw_message_nr"_s, 5},
                                     {u"last_message_nr"_s, 5},
                                     {u"show_message_nr"_s, 5},
                                     {u"join_message_nr"_s, 1},
                                     {u"read_message_nr"_s, 5},
                                     {u"inbox_message_nr"_s, 5},
                                     {u"last_inbox_nr"_s, 5},
                                     {u"unread_count"_s, 0}})};
    for (int nr = 1; nr <= 5; ++nr) {
        records.append(message(nr, nr));
    }
    apply(records);
    const auto made = conversation();
    made->loadMessages();

    made->markUnreadUntil(4);
    EXPECT_EQ(made->readMessageNr(), 3);
    EXPECT_EQ(made->inboxMessageNr(), 4);
    EXPECT_EQ(made->unreadCount(), 2);
    EXPECT_TRUE(made->isFieldDirty(Conversation::FieldUnread));
    EXPECT_FALSE(made->isFieldDirty(Conversation::FieldRead));

    made->markRead();
    EXPECT_EQ(made->readMessageNr(), 5);
    EXPECT_EQ(made->unreadCount(), 0);
    EXPECT_FALSE(made->isFieldDirty(Conversation::FieldUnread));
    const auto request = made->getSyncRequest();
    EXPECT_EQ(request->arguments()->value(u"read_message_nr"_s).toInt(), 5);
    EXPECT_EQ(request->priority(), 1);

    // Unstarring sends the weight as nothing.
    made->setUncommittedFields(0);
    made->unstar();
    EXPECT_TRUE(made->getSyncRequest()->arguments()->value(u"star_weight"_s).isNull());
}

}  // namespace
