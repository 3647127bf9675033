#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Member.h"

#include <QtCore/QJsonArray>

#include <algorithm>
#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kRecordId = u"5c0f2d1e-8a7b-4c3d-9e2f-0a1b2c3d4e5f"_s;
const QString kAnn = u"a-ann"_s;
const QString kBob = u"a-bob"_s;
const QString kCid = u"a-cid"_s;

QJsonObject recordOf(QJsonObject fields, const QString& id = kRecordId) {
    fields.insert(u"conversation_id"_s, id);
    return streamRecord(u"conv"_s, fields);
}

class ConversationRecordTest : public modeltest::SignedInTest {
protected:
    std::shared_ptr<Conversation> conversation(const QString& id = kRecordId) {
        return session_->conversations().value(id);
    }
    // Applies the records as one answer and expects no error.
    void apply(const QList<QJsonObject>& records) {
        const ZVErrorPtr error = applyLocally(session_, records);
        ASSERT_EQ(error, nullptr) << error->description().toStdString();
    }
    std::vector<std::shared_ptr<Member>> memberRows() {
        auto rows = session_->repository()->fetchObjects<Member>(QString(Member::kEntityName));
        return rows ? *rows : std::vector<std::shared_ptr<Member>>{};
    }
    static QStringList accountIds(const std::vector<std::shared_ptr<Member>>& members) {
        QStringList ids;
        for (const auto& member : members) {
            ids.append(member->accountId());
        }
        ids.sort();
        return ids;
    }
};

TEST_F(ConversationRecordTest, AFragmentUpdatesWhatItCarriesAndObserversHearAtTheCommit) {
    apply({recordOf({{u"topic"_s, u"Plans"_s},
                     {u"last_message_nr"_s, 40},
                     {u"read_message_nr"_s, 30},
                     {u"snooze_interval"_s, 3600},
                     {u"star_weight"_s, 2.5},
                     {u"inbox_time"_s, 1700000000},
                     {u"can_post"_s, true},
                     {u"label_ids"_s, QJsonArray{u"l1"_s, u"l2"_s}},
                     {u"teams"_s, QJsonArray{u"t1"_s}}})});
    const auto made = conversation();
    ASSERT_TRUE(made);
    EXPECT_EQ(made->labelIdsText(), uR"(["l1","l2"])"_s);
    EXPECT_EQ(made->labelsSet(), (QSet<QString>{u"l1"_s, u"l2"_s}));
    EXPECT_EQ(made->teamsArray(), QJsonArray{u"t1"_s});
    EXPECT_EQ(made->inboxTime().toSecsSinceEpoch(), 1700000000);

    QStringList heard;
    const auto observation =
        made->observe(QStringList{u"topic"_s, u"read_message_nr"_s, u"last_message_nr"_s},
                      [&](const QString& key) { heard.append(key); });
    session_->startTransaction();
    ASSERT_EQ(api().processStream(
                  QJsonArray{recordOf({{u"read_message_nr"_s, 35}, {u"last_message_nr"_s, 40}})},
                  session_),
              nullptr);
    EXPECT_TRUE(heard.isEmpty()) << "nothing is announced before the transaction ends";
    session_->endTransaction();
    EXPECT_EQ(heard, QStringList{u"read_message_nr"_s}) << "an equal value is no change";

    EXPECT_EQ(made->topic(), u"Plans"_s);
    EXPECT_EQ(made->readMessageNr(), 35);
    EXPECT_EQ(made->snoozeInterval(), 3600.0);
    EXPECT_EQ(made->starWeight(), 2.5);
    EXPECT_TRUE(made->canPost());
    EXPECT_FALSE(made->showMessageNr()) << "never sent, so unset rather than 0";
}

TEST_F(ConversationRecordTest, TheReadHorizonKeepsTheUsersUnsentMark) {
    struct Case {
        const char* name;
        std::optional<int> dirtyField;
        int incoming;
        int expected;
    };
    const Case cases[] = {
        {"nothing unsent: the service's value", std::nullopt, 20, 20},
        {"nothing unsent: also backwards", std::nullopt, 5, 5},
        {"unsent read: not moved back", Conversation::FieldRead, 5, 10},
        {"unsent read: moved further", Conversation::FieldRead, 20, 20},
        {"unsent unread: not moved at all", Conversation::FieldUnread, 20, 10},
        {"unsent unread: not moved back either", Conversation::FieldUnread, 5, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        apply({recordOf({{u"read_message_nr"_s, 10}, {u"last_message_nr"_s, 30}})});
        const auto made = conversation();
        made->setUncommittedFields(0);
        if (c.dirtyField) {
            made->setField(*c.dirtyField, true);
        }
        apply({recordOf({{u"read_message_nr"_s, c.incoming}})});
        EXPECT_EQ(made->readMessageNr(), c.expected);
        made->setUncommittedFields(0);
    }
}

TEST_F(ConversationRecordTest, FlagsFollowTheirKeysAndKeepTheirBitsWhenAbsent) {
    constexpr int kPinboard = 2, kTaskboard = 4, kTaskArchive = 8, kPremium = 16, kAutojoin = 32;
    struct Case {
        const char* name;
        QJsonObject record;
        int expected;
    };
    const Case cases[] = {
        {"no flag key", {{u"topic"_s, u"x"_s}}, kPinboard | kTaskboard | kAutojoin},
        {"one bit cleared", {{u"is_autojoin"_s, false}}, kPinboard | kTaskboard},
        {"bits set",
         {{u"is_premium"_s, true}, {u"has_task_archive"_s, true}},
         kPinboard | kTaskboard | kTaskArchive | kPremium | kAutojoin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        apply({recordOf({{u"has_pinboard"_s, true},
                         {u"has_taskboard"_s, true},
                         {u"has_task_archive"_s, false},
                         {u"is_premium"_s, false},
                         {u"is_autojoin"_s, true}})});
        apply({recordOf(c.record)});
        EXPECT_EQ(conversation()->flags(), c.expected);
        EXPECT_EQ(conversation()->hasFlag(Conversation::FlagAutojoin),
                  (c.expected & kAutojoin) != 0);
    }
}

TEST_F(ConversationRecordTest, CompletenessNeverGoesDown) {
    struct Case {
        const char* name;
        QList<QJsonObject> records;
        int expected;
    };
    const Case cases[] = {
        {"plain record", {recordOf({}, u"c1"_s)}, Conversation::RecordNone},
        {"tiny", {recordOf({{u"is_tiny"_s, true}}, u"c2"_s)}, Conversation::RecordTiny},
        {"tiny wins over init in one record",
         {recordOf({{u"is_tiny"_s, true}, {u"is_init"_s, true}}, u"c3"_s)},
         Conversation::RecordTiny},
        {"reset is full", {recordOf({{u"is_reset"_s, true}}, u"c4"_s)}, Conversation::RecordFull},
        {"tiny after full",
         {recordOf({{u"is_init"_s, true}}, u"c5"_s), recordOf({{u"is_tiny"_s, true}}, u"c5"_s)},
         Conversation::RecordFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        apply(c.records);
        EXPECT_EQ(conversation(c.records.first().value(u"conversation_id"_s).toString())
                      ->recordCompleteness(),
                  c.expected);
    }
}

TEST_F(ConversationRecordTest, SnoozeAndSkippedContent) {
    apply({recordOf(
        {{u"snooze_time"_s, 1800000000}, {u"snooze_interval"_s, 600}, {u"bw_message_nr"_s, 100}})});
    const auto made = conversation();
    EXPECT_EQ(made->snoozeTime().toSecsSinceEpoch(), 1800000000);

    // While the user's own snooze is unsent, the service's interval does not replace it.
    made->setSnoozeIntervalValue(60.0);
    made->setField(Conversation::FieldSnooze, true);
    apply({recordOf({{u"snooze_interval"_s, 600}})});
    EXPECT_EQ(made->snoozeInterval(), 60.0);
    made->setUncommittedFields(0);

    // So does an unsent topic; the record's other fields apply.
    made->setTopic(u"Typed"_s);
    made->setField(Conversation::FieldTopic, true);
    apply({recordOf({{u"topic"_s, QString()}, {u"snooze_interval"_s, 900}})});
    EXPECT_EQ(made->topic(), u"Typed"_s);
    EXPECT_EQ(made->snoozeInterval(), 900.0);
    made->setUncommittedFields(0);
    apply({recordOf({{u"topic"_s, u"Theirs"_s}})});
    EXPECT_EQ(made->topic(), u"Theirs"_s);

    // A snooze time of 0 ends the snooze.
    apply({recordOf({{u"snooze_time"_s, 0}})});
    EXPECT_FALSE(made->snoozeTime().isValid());
    EXPECT_TRUE(made->isNull(made->entity().attributeIndex(u"snooze_time")));

    // A record that skipped content says nothing of the store's back edge.
    apply({recordOf({{u"has_skipped_content"_s, true}, {u"bw_message_nr"_s, 150}})});
    EXPECT_EQ(made->bwMessageNr(), 100);
    EXPECT_TRUE(made->hasSkippedContent());
    apply({recordOf({{u"bw_message_nr"_s, 150}})});
    EXPECT_EQ(made->bwMessageNr(), 150);
}

TEST_F(ConversationRecordTest, MemberRowsAreReusedByAccountAndDroppedOnesDeleted) {
    apply({recordOf(
        {{u"members"_s, QJsonArray{kAnn, kBob, kCid}}, {u"admins"_s, QJsonArray{kAnn}}})});
    const auto made = conversation();
    const auto first = memberRows();
    ASSERT_EQ(accountIds(first), (QStringList{kAnn, kBob, kCid}));
    for (const auto& member : first) {
        EXPECT_EQ(member->isAdmin(), member->accountId() == kAnn);
        EXPECT_EQ(member->conversation(), made);
    }
    const auto ann = *std::find_if(first.begin(), first.end(),
                                   [](const auto& m) { return m->accountId() == kAnn; });
    ann->setReadHorizon(17);

    // The same list again, and a record without one: no new rows.
    apply(
        {recordOf({{u"members"_s, QJsonArray{kAnn, kBob, kCid}}, {u"admins"_s, QJsonArray{kBob}}}),
         recordOf({{u"topic"_s, u"x"_s}})});
    EXPECT_EQ(memberRows().size(), 3u);
    EXPECT_FALSE(ann->isDeleted());
    EXPECT_EQ(ann->readHorizon(), 17);
    EXPECT_FALSE(ann->isAdmin());

    // Bob leaves: his row goes.
    apply({recordOf({{u"members"_s, QJsonArray{kAnn, kCid}}})});
    EXPECT_EQ(accountIds(memberRows()), (QStringList{kAnn, kCid}));
    EXPECT_EQ(accountIds(made->members()), (QStringList{kAnn, kCid}));

    // A list with a non-text entry is refused and changes nothing.
    const ZVErrorPtr error =
        applyLocally(session_, {recordOf({{u"members"_s, QJsonArray{kAnn, 5}}})});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZVError::WrongValueClass);
    EXPECT_EQ(accountIds(memberRows()), (QStringList{kAnn, kCid}));

    // An empty list empties it.
    apply({recordOf({{u"members"_s, QJsonArray{}}})});
    EXPECT_TRUE(memberRows().empty());
    EXPECT_TRUE(made->members().empty());
}

TEST_F(ConversationRecordTest, ADeletedConversationTakesItsMembersAlong) {
    apply({recordOf({{u"members"_s, QJsonArray{kAnn, kBob}}}),
           recordOf({{u"members"_s, QJsonArray{kCid}}}, u"other"_s)});
    const auto made = conversation();
    QStringList heard;
    const auto observation =
        made->observe(u"isDeleted"_s, [&](const QString& key) { heard.append(key); });

    apply({recordOf({{u"is_deleted"_s, true}})});
    EXPECT_FALSE(conversation());
    EXPECT_TRUE(made->isDeleted());
    EXPECT_EQ(heard, QStringList{u"isDeleted"_s});
    EXPECT_EQ(accountIds(memberRows()), QStringList{kCid});

    // A deleted conversation the session never had is not made.
    apply({recordOf({{u"is_deleted"_s, true}}, u"unknown"_s)});
    EXPECT_FALSE(conversation(u"unknown"_s));
}

TEST_F(ConversationRecordTest, ADeletedConversationLeavesNoRowsBehind) {
    const auto message = [](const QString& id, int nr) {
        return streamRecord(u"message"_s, {{u"conversation_id"_s, id},
                                           {u"message_nr"_s, nr},
                                           {u"mk_message_type"_s, u"text"_s},
                                           {u"message"_s, u"<msg>Hi</msg>"_s}});
    };
    apply({recordOf({{u"members"_s, QJsonArray{kAnn}}}), message(kRecordId, 1),
           message(kRecordId, 2), recordOf({{u"members"_s, QJsonArray{kBob}}}, u"other"_s),
           message(u"other"_s, 1)});
    // A local message and a file of the conversation, as posting leaves them.
    const auto& repository = session_->repository();
    const auto local = repository->createObjectOfClass(u"Message"_s);
    local->setValue(u"conversation_id", kRecordId);
    local->setValue(u"message_nr", qlonglong(Conversation::kFirstLocalMessageNr));
    local->setValue(u"mk_message_type", 1);
    const auto file = repository->createObjectOfClass(u"File"_s);
    file->setValue(u"conversation_id", kRecordId);
    file->setValue(u"message_nr", 0);
    file->setValue(u"attachment_id", u"f1"_s);
    session_->saveContext();

    apply({recordOf({{u"is_deleted"_s, true}})});
    const auto rowsOf = [&](const QString& entity, const QString& id) {
        auto rows = repository->fetchObjects(entity, u"conversation_id = $id"_s, {{u"id"_s, id}});
        return rows ? rows->size() : 0u;
    };
    EXPECT_EQ(rowsOf(u"Message"_s, kRecordId), 0u);
    EXPECT_EQ(rowsOf(u"File"_s, kRecordId), 0u);
    EXPECT_EQ(accountIds(memberRows()), QStringList{kBob});
    EXPECT_EQ(rowsOf(u"Message"_s, u"other"_s), 1u) << "other conversations keep theirs";
}

TEST_F(ConversationRecordTest, SyncProgressCountsFromTheLastFullLoad) {
    EXPECT_EQ(session_->repositorySyncProgress(), 1.0f);
    int announced = 0;
    const auto observation =
        session_->observe(QString(ZVRepositorySession::kRepositorySyncProgressKey),
                          [&](const QString&) { ++announced; });
    // 19 messages to load read as done; 40 of which 10 are stored as a quarter.
    apply(
        {recordOf({{u"is_init"_s, true}, {u"last_message_nr"_s, 19}, {u"show_message_nr"_s, 19}})});
    EXPECT_EQ(session_->repositorySyncProgress(), 1.0f);
    apply({recordOf({{u"last_message_nr"_s, 40},
                     {u"show_message_nr"_s, 40},
                     {u"bw_message_nr"_s, 1},
                     {u"fw_message_nr"_s, 10}})});
    EXPECT_EQ(session_->repositorySyncProgress(), 0.25f);
    EXPECT_GE(announced, 2);
}

TEST_F(ConversationRecordTest, StartUpLoadsStoredConversationsButNotTheUnsavedOne) {
    apply({recordOf({{u"topic"_s, u"Plans"_s}, {u"members"_s, QJsonArray{kAnn}}})});
    // An unsaved conversation of an earlier run, as a crash may leave it.
    auto composed = session_->repository()->createObjectOfClass<Conversation>(
        QString(Conversation::kEntityName));
    composed->setConversationId(QString(Conversation::kNewConversationId));
    session_->saveContext();
    composed.reset();
    session_.reset();

    const auto restarted = restart(u"anna@example.com"_s);
    ASSERT_TRUE(restarted);
    EXPECT_EQ(restarted->conversations().keys(), QStringList{kRecordId});
    const auto loaded = restarted->conversationFromId(kRecordId);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->topic(), u"Plans"_s);
    EXPECT_EQ(accountIds(loaded->members()), QStringList{kAnn});
    EXPECT_FALSE(restarted->conversationFromId(QString(Conversation::kNewConversationId)));
    EXPECT_FALSE(restarted->conversationFromId(u"unknown"_s));

    EXPECT_FALSE(restarted->conversationFromId(QString()));
    EXPECT_TRUE(logText().contains(u"ConversationFromId(nil)"_s));
}

TEST_F(ConversationRecordTest, RecordsFromTheServiceReachTheStore) {
    ASSERT_TRUE(deliver(session_, {recordOf({{u"topic"_s, u"Over the wire"_s},
                                             {u"members"_s, QJsonArray{kAnn, kBob}}})}));
    const auto made = conversation();
    ASSERT_TRUE(made);
    EXPECT_EQ(made->topic(), u"Over the wire"_s);
    EXPECT_FALSE(made->isInserted()) << "saved with its answer";
    EXPECT_EQ(memberRows().size(), 2u);
}

}  // namespace
