#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kConversationId = u"00000000-0000-4000-8000-000000000001"_s;

class ConversationSearchTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        QList<QJsonObject> records{
            streamRecord(u"conv"_s, {{u"conversation_id"_s, kConversationId},
                                     {u"topic"_s, u"Plans"_s},
                                     {u"is_init"_s, true},
                                     {u"last_message_nr"_s, 3},
                                     {u"members"_s, QJsonArray{session_->sessionId()}}})};
        for (int nr = 1; nr <= 3; ++nr) {
            records.append(message(nr, 0));
        }
        ASSERT_TRUE(deliver(session_, records));
        conversation_ = session_->conversationFromId(kConversationId);
        ASSERT_TRUE(conversation_);
    }
    QJsonObject message(int nr, int weight) const {
        return streamRecord(u"message"_s, {{u"conversation_id"_s, kConversationId},
                                           {u"message_nr"_s, nr},
                                           {u"account_id"_s, session_->sessionId()},
                                           {u"mk_message_type"_s, u"text"_s},
                                           {u"message"_s, u"<msg>plan %1</msg>"_s.arg(nr)},
                                           {u"time"_s, 1767225600 + nr},
                                           {u"search_weight"_s, weight}});
    }
    QList<std::int64_t> resultNumbers() const {
        QList<std::int64_t> numbers;
        if (const auto& results = conversation_->searchMatchMessages()) {
            for (const auto& m : *results) {
                numbers.append(m->messageNr());
            }
        }
        return numbers;
    }

    std::shared_ptr<Conversation> conversation_;
};

TEST_F(ConversationSearchTest, OnlyTheNewestOfOverlappingSearchesEndsTheRunningState) {
    int announced = 0;
    const auto observation =
        conversation_->observe(u"searchInProgress"_s, [&](const QString&) { ++announced; });
    const std::int64_t first = conversation_->searchStarted();
    const std::int64_t second = conversation_->searchStarted();
    EXPECT_EQ(conversation_->searchState(), Conversation::SearchRunning);
    conversation_->searchEndedWithIndex(first);
    EXPECT_EQ(conversation_->searchState(), Conversation::SearchRunning);
    conversation_->searchEndedWithIndex(second);
    EXPECT_EQ(conversation_->searchState(), Conversation::SearchIdle);
    EXPECT_EQ(announced, 2);
}

TEST_F(ConversationSearchTest, TheServiceFindsMessagesRankedAndANewTextDropsThem) {
    emulator.scriptAnswer(
        u"search"_s,
        zvemu::Reply::ok({{u"matches"_s, QJsonArray{message(1, 5), message(2, 9), message(3, 5)}},
                          {u"skipped_count"_s, 0}}));
    conversation_->setSearchText(u"plan"_s);
    conversation_->runServerSearch();
    EXPECT_EQ(conversation_->searchState(), Conversation::SearchRunning);
    ASSERT_TRUE(scheduler().runUntil(
        [&] { return conversation_->searchState() == Conversation::SearchResults; }));
    // Heavier first, equal weights newest first.
    EXPECT_EQ(resultNumbers(), (QList<std::int64_t>{2, 3, 1}));
    const auto sent = emulator.lastRequest(u"search"_s);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->body[u"keywords"_s].toString(), u"plan"_s);
    EXPECT_EQ(sent->body[u"conversation_id"_s].toString(), kConversationId);

    int dropped = 0;
    const auto observation =
        conversation_->observe(u"searchMatchMessages"_s, [&](const QString&) { ++dropped; });
    conversation_->setSearchText(u"plan"_s);
    EXPECT_EQ(dropped, 0);
    conversation_->setSearchText(u"plans"_s);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(conversation_->searchState(), Conversation::SearchIdle);
}

// Counts the poster-name refreshes a contact change asks of a display model.
class CountingRepresentation : public ZVMessageRepresentation {
public:
    using ZVMessageRepresentation::ZVMessageRepresentation;
    void updatePosterName() override { ++posterNameUpdates; }
    int posterNameUpdates = 0;
};

TEST_F(ConversationSearchTest, ResultsOfARenamedPosterShowTheNewName) {
    Message::setRepresentationClass([](const std::shared_ptr<Message>& message) {
        return std::make_shared<CountingRepresentation>(message);
    });
    emulator.scriptAnswer(u"search"_s, zvemu::Reply::ok({{u"matches"_s, QJsonArray{message(2, 1)}},
                                                         {u"skipped_count"_s, 0}}));
    conversation_->setSearchText(u"plan"_s);
    conversation_->runServerSearch();
    ASSERT_TRUE(scheduler().runUntil(
        [&] { return conversation_->searchState() == Conversation::SearchResults; }));
    const auto found = (*conversation_->searchMatchMessages())[0];
    const auto model = std::static_pointer_cast<CountingRepresentation>(found->representation());
    QStringList told;
    const auto observation = conversation_->observe(u"searchMatchMessages"_s,
                                                    [&](const QString& key) { told.append(key); });

    ASSERT_TRUE(
        deliver(session_, {streamRecord(u"contact"_s, {{u"account_id"_s, session_->sessionId()},
                                                       {u"display_name"_s, u"Anna Lind"_s}})}));
    EXPECT_EQ(model->posterNameUpdates, 1);
    EXPECT_EQ(told, QStringList{u"searchMatchMessages"_s});
    Message::setRepresentationClass(nullptr);
}

}  // namespace
