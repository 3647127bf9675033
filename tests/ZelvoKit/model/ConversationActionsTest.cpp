#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"

#include <QtCore/QJsonArray>

#include <functional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

constexpr int kLast = 40;
constexpr int kRead = 10;

class ConversationActionsTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        id_ = emulator.addConversation(u"Plans"_s, {session_->localContact()->accountId()});
        reset();
    }

    // The conversation as the service last described it, with nothing unsent.
    void reset(QJsonObject fields = {}) {
        // Fully known and held in the store, so that no load is due besides the actions.
        QJsonObject record{{u"conversation_id"_s, id_},
                           {u"is_init"_s, true},
                           {u"bw_message_nr"_s, 1},
                           {u"fw_message_nr"_s, kLast},
                           {u"topic"_s, u"Plans"_s},
                           {u"last_message_nr"_s, kLast},
                           {u"show_message_nr"_s, kLast},
                           {u"read_message_nr"_s, kRead},
                           {u"join_message_nr"_s, 1},
                           {u"hide_message_nr"_s, 0},
                           {u"is_autojoin"_s, false},
                           {u"is_list"_s, false},
                           {u"is_disclose"_s, false},
                           {u"is_url_preview_disabled"_s, false},
                           {u"label_ids"_s, QJsonArray{u"l1"_s}},
                           {u"members"_s, QJsonArray{session_->localContact()->accountId()}}};
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        conversation()->setUncommittedFields(0);
        ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, record)}), nullptr);
        conversation()->setUncommittedFields(0);
        record_ = record;
    }

    std::shared_ptr<Conversation> conversation() {
        if (auto known = session_->conversations().value(id_)) {
            return known;
        }
        EXPECT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, {{u"conversation_id"_s, id_}})}),
                  nullptr);
        return session_->conversations().value(id_);
    }

    QString storePath() const { return u"conversation/store/"_s + id_; }

    QString id_;
    // The record `reset` applied last.
    QJsonObject record_;
};

TEST_F(ConversationActionsTest, EachActionSendsItsArgumentsWithItsPriority) {
    using Action = std::function<void(Conversation&)>;
    struct Case {
        const char* name;
        QJsonObject state;  // besides the defaults of reset()
        Action action;
        QJsonObject arguments;
        int priority;
    };
    const Case cases[] = {
        {"read alone",
         {},
         [](Conversation& c) { c.markRead(); },
         {{u"read_message_nr"_s, kLast}},
         1},
        {"read and a topic",
         {},
         [](Conversation& c) {
             c.markRead();
             c.changeTopic(u"Trip"_s);
         },
         {{u"read_message_nr"_s, kLast}, {u"topic"_s, u"Trip"_s}},
         3},
        {"archive reads up to the end",
         {},
         [](Conversation& c) { c.archive(); },
         {{u"read_message_nr"_s, kLast}, {u"hide_message_nr"_s, kLast}},
         3},
        {"unarchive",
         {{u"hide_message_nr"_s, kLast}},
         [](Conversation& c) { c.unarchive(); },
         {{u"hide_message_nr"_s, 0}},
         3},
        {"a short snooze",
         {},
         [](Conversation& c) { c.setSnoozeInterval(0.5); },
         {{u"snooze_interval"_s, 0.5}},
         3},
        {"labels keep their priority",
         {},
         [](Conversation& c) { c.addLabel(u"l2"_s); },
         {{u"label_ids"_s, QJsonArray{u"l1"_s, u"l2"_s}}},
         3},
        {"read and labels",
         {},
         [](Conversation& c) {
             c.markRead();
             c.removeLabel(u"l1"_s);
         },
         {{u"read_message_nr"_s, kLast}, {u"label_ids"_s, QJsonArray{}}},
         1},
        {"switches",
         {},
         [](Conversation& c) {
             c.setSharingEnabled(true);
             c.setUrlPreviewDisabled(true);
             c.setIsDisclose(true);
             c.setIsList(true);
         },
         {{u"is_autojoin"_s, true},
          {u"is_url_preview_disabled"_s, true},
          {u"is_disclose"_s, true},
          {u"is_list"_s, true}},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.state);
        c.action(*conversation());
        // A record the service wrote before it had the change arrives while the change waits:
        // what goes out is still the change.
        ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, record_)}), nullptr);
        const auto request = conversation()->getSyncRequest();
        ASSERT_TRUE(request);
        EXPECT_EQ(request->method(), storePath());
        EXPECT_EQ(request->arguments().value_or(QJsonObject()), c.arguments);
        EXPECT_EQ(request->priority(), c.priority);
        conversation()->setUncommittedFields(0);
    }
}

TEST_F(ConversationActionsTest, ActionsThatChangeNothing) {
    struct Case {
        const char* name;
        QJsonObject state;
        std::function<void(Conversation&)> action;
    };
    const Case cases[] = {
        {"read past the last message", {}, [](Conversation& c) { c.markReadUntil(kLast + 1); }},
        {"read below the read horizon", {}, [](Conversation& c) { c.markReadUntil(kRead - 1); }},
        {"archive an archived one",
         {{u"hide_message_nr"_s, kLast}},
         [](Conversation& c) { c.archive(); }},
        {"unarchive one that is not", {}, [](Conversation& c) { c.unarchive(); }},
        {"remove a label it lacks", {}, [](Conversation& c) { c.removeLabel(u"l7"_s); }},
        {"the same topic", {}, [](Conversation& c) { c.changeTopic(u"Plans"_s); }},
        {"the same switch", {}, [](Conversation& c) { c.setIsList(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.state);
        c.action(*conversation());
        EXPECT_EQ(conversation()->uncommittedFields(), 0u);
        EXPECT_EQ(conversation()->readMessageNr(), kRead);
    }
}

TEST_F(ConversationActionsTest, QuickChangesGoOutAsOneRequestWhoseAnswerClearsThem) {
    const auto made = conversation();
    made->markRead();
    made->changeTopic(u"Trip"_s);
    made->setIsList(true);
    ASSERT_TRUE(waitForAnswered(storePath()));
    EXPECT_EQ(emulator.requestCount(storePath()), 1);
    const auto sent = emulator.lastRequest(storePath());
    EXPECT_EQ(sent->body.value(u"topic"_s).toString(), u"Trip"_s);
    EXPECT_EQ(sent->body.value(u"read_message_nr"_s).toInt(), kLast);
    EXPECT_TRUE(sent->body.value(u"is_list"_s).toBool());
    ASSERT_TRUE(settle([&] { return made->uncommittedFields() == 0; }));
    EXPECT_FALSE(made->isFieldDirty(Conversation::FieldTopic));
}

TEST_F(ConversationActionsTest, ARefusalDropsTheChangesAndAServerFailureKeepsThem) {
    // Refused: dropped, not sent again; the local value stays until a record replaces it.
    emulator.scriptAnswer(storePath(), zvemu::Reply::error(404, u"nope"_s));
    const auto refused = conversation();
    refused->changeTopic(u"Trip"_s);
    ASSERT_TRUE(settle([&] { return refused->uncommittedFields() == 0; }));
    EXPECT_EQ(emulator.requestCount(storePath()), 1);
    EXPECT_EQ(refused->topic(), u"Trip"_s);

    // A server failure: kept and sent again, until it is taken.
    id_ = emulator.addConversation(u"Plans"_s, {session_->localContact()->accountId()});
    reset();
    emulator.scriptAnswer(storePath(), zvemu::Reply::error(500, u"busy"_s));
    const auto failed = conversation();
    failed->changeTopic(u"Trip"_s);
    ASSERT_TRUE(settle([&] { return emulator.requestCount(storePath()) >= 2; }));
    EXPECT_EQ(emulator.requests(storePath()).back().body.value(u"topic"_s).toString(), u"Trip"_s);
    ASSERT_TRUE(settle([&] { return failed->uncommittedFields() == 0; }));
}

TEST_F(ConversationActionsTest, OpeningReportsOnlyForAMemberOfAStoredConversation) {
    bool completed = false;
    conversation()->reportConversationOpened([&] { completed = true; }, nullptr);
    ASSERT_TRUE(scheduler().runUntil([&] { return completed; }));
    EXPECT_EQ(emulator.requestCount(u"conversation/show_activity/"_s + id_), 1);

    // Not a member: nothing is sent, the completion runs at once.
    ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, {{u"conversation_id"_s, u"other"_s},
                                                               {u"members"_s, QJsonArray{}}})}),
              nullptr);
    completed = false;
    session_->conversations()
        .value(u"other"_s)
        ->reportConversationOpened([&] { completed = true; }, nullptr);
    EXPECT_TRUE(completed);
    EXPECT_EQ(emulator.requestCount(u"conversation/show_activity/other"_s), 0);
}

}  // namespace

namespace {

TEST_F(ConversationActionsTest, AnAnswerCommitsEachConversationOnceAtItsEnd) {
    const auto made = conversation();
    int topics = 0;
    int unreadCounts = 0;
    const auto topicObservation = made->observe(u"topic"_s, [&](const QString&) { ++topics; });
    const auto unreadObservation = session_->observe(QString(ZVRepositorySession::kUnreadCountKey),
                                                     [&](const QString&) { ++unreadCounts; });

    QList<QJsonObject> answer;
    for (const QString& topic : {u"One"_s, u"Two"_s, u"Three"_s}) {
        answer.append(streamRecord(u"conv"_s, {{u"conversation_id"_s, id_}, {u"topic"_s, topic}}));
    }
    ASSERT_EQ(applyLocally(session_, answer), nullptr);
    EXPECT_EQ(topics, 1);
    EXPECT_EQ(unreadCounts, 1);
    EXPECT_EQ(made->topic(), u"Three"_s);
    EXPECT_EQ(made->topicText(), u"Three"_s);

    // What an answer leaves dirty goes out shortly after it.
    made->setUncommittedFields(1u << Conversation::FieldList);
    made->setIsListValue(true);
    ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, {{u"conversation_id"_s, id_},
                                                               {u"unread_count"_s, 2}})}),
              nullptr);
    ASSERT_TRUE(waitForAnswered(storePath()));
    EXPECT_TRUE(emulator.lastRequest(storePath())->body.value(u"is_list"_s).toBool());
}

}  // namespace
