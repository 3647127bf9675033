#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "platform/store/ManagedObjectContext.h"

#include <QtCore/QJsonArray>

#include <sqlite3.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;
using Load = ZVConversationLoadRequest;

const QString kLoadingId = u"5c0f2d1e-8a7b-4c3d-9e2f-0a1b2c3d4e5f"_s;
constexpr qint64 kLastLoaded = 200;
// The store lacks these: the service never sent them.
constexpr qint64 kHoleFirst = 101;
constexpr qint64 kHoleLast = 120;

// Counts the statements the store runs.
struct StatementCounter {
    int statements = 0;

    void attach(sqlite3* db) {
        sqlite3_trace_v2(
            db, SQLITE_TRACE_STMT,
            [](unsigned, void* data, void*, void*) {
                ++static_cast<StatementCounter*>(data)->statements;
                return 0;
            },
            this);
    }
};

std::vector<std::int64_t> loadedNumbers(const ZVMessageArray& array) {
    std::vector<std::int64_t> numbers;
    for (const auto& message : array) {
        numbers.push_back(message->messageNr());
    }
    return numbers;
}

std::vector<std::int64_t> range(std::int64_t from, std::int64_t to) {
    std::vector<std::int64_t> numbers;
    for (std::int64_t nr = from; nr <= to; ++nr) {
        if (nr < kHoleFirst || nr > kHoleLast) {
            numbers.push_back(nr);
        }
    }
    return numbers;
}

// A conversation of 200 messages, numbered and inbox-numbered alike, whose store lacks 101 to 120.
class ConversationLoadingTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        QList<QJsonObject> records{streamRecord(u"conv"_s, {{u"conversation_id"_s, kLoadingId},
                                                            {u"is_init"_s, true},
                                                            {u"join_message_nr"_s, 1},
                                                            {u"bw_message_nr"_s, 1},
                                                            {u"fw_message_nr"_s, kLastLoaded},
                                                            {u"last_message_nr"_s, kLastLoaded},
                                                            {u"show_message_nr"_s, kLastLoaded},
                                                            {u"read_message_nr"_s, 190},
                                                            {u"inbox_message_nr"_s, kLastLoaded}})};
        for (qint64 nr : range(1, kLastLoaded)) {
            records.append(streamRecord(u"message"_s, {{u"conversation_id"_s, kLoadingId},
                                                       {u"message_nr"_s, nr},
                                                       {u"inbox_nr"_s, nr},
                                                       {u"prev_message_nr"_s, nr - 1},
                                                       {u"mk_message_type"_s, u"text"_s},
                                                       {u"message"_s, u"<msg>m</msg>"_s}}));
        }
        const ZVErrorPtr error = applyLocally(session_, records);
        ASSERT_EQ(error, nullptr) << error->description().toStdString();
        conversation_ = session_->conversations().value(kLoadingId);
        ASSERT_TRUE(conversation_);
    }

    std::vector<std::int64_t> window() const { return loadedNumbers(*conversation_->messages()); }

    std::shared_ptr<Conversation> conversation_;
};

TEST_F(ConversationLoadingTest, TheFirstWindowAndThePagesBeforeIt) {
    int messagesHeard = 0;
    const auto token = conversation_->observe(QStringList{u"messages"_s},
                                              [&](const QString&) { ++messagesHeard; });
    conversation_->loadMessages();
    // 20 inbox messages back from the inbox message, which reaches no further than 20 numbers.
    EXPECT_EQ(window(), range(180, kLastLoaded));
    EXPECT_EQ(conversation_->firstLoadedMessage(), 180);
    EXPECT_FALSE(conversation_->isLoading()) << "the store holds everything up to the end";
    EXPECT_EQ(messagesHeard, 1);

    // A page is 30 inbox messages.
    conversation_->loadMoreMessages();
    EXPECT_EQ(window(), range(150, kLastLoaded));
    EXPECT_EQ(conversation_->firstLoadedMessage(), 150);
    EXPECT_EQ(messagesHeard, 2);

    // No message of inbox number 120 is stored: the page reaches down to the back edge, the hole
    // shows as a gap in the window, and the gap's button asks for what precedes 121.
    conversation_->loadMoreMessages();
    EXPECT_EQ(window(), range(1, kLastLoaded));
    EXPECT_EQ(conversation_->firstLoadedMessage(), 1);
    const auto& messages = *conversation_->messages();
    const qsizetype afterHole = messages.indexOfMessageNr(kHoleLast + 1);
    EXPECT_EQ(messages.backwardRelationshipOfMessageAtIndex(afterHole),
              ZVMessageArray::RelationGap);
    EXPECT_EQ(messages.forwardRelationshipOfMessageAtIndex(afterHole - 1),
              ZVMessageArray::RelationGap);
    EXPECT_FALSE(conversation_->isLoading());
    conversation_->fillGapFromMessageNr(kHoleLast + 1, true);
    EXPECT_EQ(conversation_->loadRequest(), Load(Load::GapBefore, kHoleLast + 1));

    // At the join point there is nothing further back.
    conversation_->clearLoadRequest();
    conversation_->loadMoreMessages();
    EXPECT_FALSE(conversation_->isLoading());
    EXPECT_EQ(messagesHeard, 3);
    EXPECT_EQ(conversation_->startType(), Conversation::StartBeginning);
}

TEST_F(ConversationLoadingTest, ALinkedMessageWithItsNeighboursAndTheContextRequest) {
    conversation_->loadMessages();
    // Ten either side, from the store; five either side follow on, so nothing is asked.
    const auto linked = conversation_->loadMessage(50);
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->messageNr(), 50);
    EXPECT_EQ(linked->conversation(), conversation_);
    EXPECT_EQ(window(), [] {
        auto numbers = range(40, 60);
        const auto tail = range(180, kLastLoaded);
        numbers.insert(numbers.end(), tail.begin(), tail.end());
        return numbers;
    }());
    EXPECT_FALSE(conversation_->isLoading());

    // The window now starts below what it reached down to: a page backward asks for the gap
    // before its first message instead of reading the store.
    conversation_->loadMoreMessages();
    EXPECT_EQ(conversation_->loadRequest(), Load(Load::GapBefore, 40));
    conversation_->clearLoadRequest();

    // Beside the hole the store lacks the context: the service is asked for it.
    ASSERT_TRUE(conversation_->loadMessage(123));
    EXPECT_EQ(conversation_->loadRequest(), Load(Load::Context, 123));
    EXPECT_FALSE(conversation_->contiguousMessagesExistAround(123, 5, -1));
    EXPECT_TRUE(conversation_->contiguousMessagesExistAround(123, 5, +1));
    // A message the store lacks is not there, and is asked all the same.
    conversation_->clearLoadRequest();
    EXPECT_FALSE(conversation_->loadMessage(110));
    EXPECT_EQ(conversation_->loadRequest(), Load(Load::Context, 110));
}

TEST_F(ConversationLoadingTest, LookUpsInsideTheCacheRangeNeverReadTheStore) {
    StatementCounter counter;
    counter.attach(session_->repository()->managedObjectContext()->database());
    conversation_->loadMessageCacheRange(95, 40);
    EXPECT_EQ(counter.statements, 1) << "one range read fills the cache";

    for (qint64 nr : {95, 100, 134}) {
        SCOPED_TRACE(nr);
        const auto message = conversation_->messageByNumber(nr);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->messageNr(), nr);
    }
    // Inside the range, absent from the cache: absent, without asking the store.
    EXPECT_FALSE(conversation_->messageByNumber(110, true));
    EXPECT_EQ(counter.statements, 1);
    // The same range again reads nothing.
    conversation_->loadMessageCacheRange(95, 40);
    EXPECT_EQ(counter.statements, 1);

    // Outside it, the store is asked.
    EXPECT_TRUE(conversation_->messageByNumber(135));
    EXPECT_EQ(counter.statements, 2);
    conversation_->dropMessageCache();
    EXPECT_FALSE(conversation_->messageByNumber(110));
    EXPECT_EQ(counter.statements, 3);
}

TEST_F(ConversationLoadingTest, AReadAcrossTheHoleLogsWhatIsMissing) {
    const ZVMessageArray read = conversation_->loadMessagesFrom(98, 123, true);
    EXPECT_EQ(loadedNumbers(read), range(98, 123));
    const QString log = logText();
    EXPECT_TRUE(log.contains(u"loadMessages(98, 123)"_s)) << qPrintable(log);
    EXPECT_TRUE(log.contains(u"bw, fw, last = (1, 200, 200)"_s));
    EXPECT_TRUE(log.contains(u"Missing: [120]"_s));
}

TEST_F(ConversationLoadingTest, WhatTheStoreShouldHoldAndWhenToAsk) {
    EXPECT_EQ(conversation_->numberOfLocalMessagesPresent(), kLastLoaded);
    // From the read horizon on.
    EXPECT_EQ(conversation_->numberOfLocalMessagesRequired(), kLastLoaded - 190);
    EXPECT_FALSE(conversation_->needsMessageLoad());
    session_->setSyncFullHistory(true);
    EXPECT_EQ(conversation_->numberOfLocalMessagesRequired(), kLastLoaded - 1);

    // The store reaches only half way back: a message load is due.
    conversation_->setFwMessageNr(kLastLoaded);
    conversation_->setBwMessageNr(150);
    EXPECT_TRUE(conversation_->needsMessageLoad());
    EXPECT_TRUE(conversation_->needsSync());
    // Below the stored back edge nothing is fetched unless asked.
    EXPECT_FALSE(conversation_->messageExistsForNr(149));
    EXPECT_FALSE(conversation_->messageByNumber(100));
    EXPECT_TRUE(conversation_->messageByNumber(100, true));
}

TEST_F(ConversationLoadingTest, AShortRecordIsLoadedOnlyWhileRecentAndListedUnderALabel) {
    ASSERT_EQ(
        applyLocally(session_, {streamRecord(u"label"_s, {{u"label_id"_s, u"U"_s},
                                                          {u"index"_s, 0},
                                                          {u"mk_label_status"_s, u"active"_s},
                                                          {u"mk_label_subtype"_s, u"user"_s}})}),
        nullptr);
    const qint64 now = platform::Scheduler::main().currentDate().toSecsSinceEpoch();
    constexpr qint64 kDay = 86400;
    const struct {
        const char* name;
        QJsonArray labels;
        qint64 inboxTime;
        bool needsLoad;
    } cases[] = {
        {"recent, in a label", {u"U"_s}, now - kDay, true},
        {"recent, in no label", {}, now - kDay, false},
        {"31 days old, in a label", {u"U"_s}, now - 31 * kDay, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString id = u"6d1f3e2a-9b8c-4d7e-8f3a-1b2c3d4e5f7%1"_s.arg(n++);
        ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, {{u"conversation_id"_s, id},
                                                                   {u"is_tiny"_s, true},
                                                                   {u"show_message_nr"_s, 3},
                                                                   {u"last_message_nr"_s, 3},
                                                                   {u"inbox_time"_s, c.inboxTime},
                                                                   {u"label_ids"_s, c.labels}})}),
                  nullptr);
        const auto conversation = session_->conversations().value(id);
        ASSERT_TRUE(conversation);
        EXPECT_EQ(conversation->needsMessageLoad(), c.needsLoad);
    }
}

TEST_F(ConversationLoadingTest, OpeningAShortRecordAsksAFillEvenWhileALoadIsPending) {
    const QString tiny = u"6d1f3e2a-9b8c-4d7e-8f3a-1b2c3d4e5f60"_s;
    ASSERT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, {{u"conversation_id"_s, tiny},
                                                               {u"is_tiny"_s, true},
                                                               {u"last_message_nr"_s, 3}})}),
              nullptr);
    const auto conversation = session_->conversations().value(tiny);
    ASSERT_TRUE(conversation);
    conversation->setLoadRequest(Load::Pins, 0);
    conversation->loadMessages();
    EXPECT_EQ(conversation->loadRequest(), Load(Load::FillTiny, 0));
    EXPECT_TRUE(conversation->messages()->isEmpty());
    // Loading while connected; while offline it reads as more messages above.
    EXPECT_EQ(conversation->startType(), ZVApi::api().connectionStatus() != 0
                                             ? Conversation::StartLoading
                                             : Conversation::StartMoreAbove);
}

TEST_F(ConversationLoadingTest, AnEditLockFromARecordAndItsEndByTheUnlockTag) {
    conversation_->loadMessages();
    const auto message = conversation_->messageByNumber(kLastLoaded);
    ASSERT_TRUE(message);
    conversation_->setCanPost(true);
    message->setAccountId(session_->sessionId());
    EXPECT_TRUE(message->canEdit());
    const auto record = [](QJsonObject fields) {
        fields.insert(u"conversation_id"_s, kLoadingId);
        fields.insert(u"message_nr"_s, kLastLoaded);
        return streamRecord(u"message"_s, fields);
    };
    const QString fox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
    ASSERT_EQ(applyLocally(session_, {record({{u"lock_account_id"_s, fox}})}), nullptr);
    EXPECT_EQ(message->lockAccountId(), fox);
    EXPECT_FALSE(message->canEdit()) << "someone else is editing it";
    // Unpinning is not the end of an edit; the unlock tag is.
    ASSERT_EQ(applyLocally(session_, {record({{u"tags"_s, QJsonArray{u"unpin"_s}}})}), nullptr);
    EXPECT_EQ(message->lockAccountId(), fox);
    ASSERT_EQ(applyLocally(session_, {record({{u"tags"_s, QJsonArray{u"unlock"_s}}})}), nullptr);
    EXPECT_TRUE(message->lockAccountId().isEmpty());
    EXPECT_TRUE(message->canEdit());
}

}  // namespace
