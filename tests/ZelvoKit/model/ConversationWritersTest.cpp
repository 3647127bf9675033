#include "ZelvoKit/model/ConversationWriters.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

class ConversationWritersTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        bob_ = emulator.addAccount(u"bob@example.com"_s, u"secret"_s, u"Bob Stone"_s).accountId;
        emulator.routePrefix(u"conversation/show_activity/"_s,
                             zvemu::ServiceEmulator::Access::Session,
                             [](zvemu::Call&) { return zvemu::Reply::ok(); });
        conversationId_ = emulator.addConversation(u"Plans"_s, {session_->sessionId(), bob_});
        QJsonObject record = *emulator.conversationRecord(conversationId_);
        record.insert(u"last_message_nr"_s, 9);
        record.insert(u"can_post"_s, true);
        record.insert(u"inbox_time"_s, 1000);
        ASSERT_TRUE(deliver(
            session_, {streamRecord(u"contact"_s,
                                    {{u"account_id"_s, bob_}, {u"display_name"_s, u"Bob Stone"_s}}),
                       record}));
        conversation_ = session_->conversationFromId(conversationId_);
        ASSERT_TRUE(conversation_);
    }

    QJsonObject activity(const QString& accountId, bool writing) const {
        return streamRecord(u"activity"_s, {{u"conversation_id"_s, conversationId_},
                                            {u"account_id"_s, accountId},
                                            {u"is_writing"_s, writing}});
    }
    QJsonObject lock(int messageNr, const QString& accountId) const {
        QJsonObject fields{{u"conversation_id"_s, conversationId_}, {u"message_nr"_s, messageNr}};
        if (!accountId.isNull()) {
            fields.insert(u"lock_account_id"_s, accountId);
        }
        return streamRecord(u"lock"_s, fields);
    }
    QStringList names() {
        return conversation_->hasWriters() ? conversation_->writers()->nameList() : QStringList{};
    }
    QString activityPath() const { return u"conversation/show_activity/"_s + conversationId_; }

    QString bob_;
    QString conversationId_;
    std::shared_ptr<Conversation> conversation_;
};

TEST_F(ConversationWritersTest, AWriterExpiresBetweenSixtyAndSeventySeconds) {
    int told = 0;
    const auto observation = conversation_->observe(u"writers"_s, [&](const QString&) { ++told; });
    ASSERT_EQ(applyLocally(session_, {activity(bob_, true)}), nullptr);
    EXPECT_EQ(names(), QStringList{u"Bob"_s});

    scheduler().advance(ConversationWriters::kWriterExpiry);
    EXPECT_EQ(names(), QStringList{u"Bob"_s});
    const int toldBefore = told;
    scheduler().advance(ConversationWriters::kPurgeInterval);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_GT(told, toldBefore);
    // Nobody writes, the user neither: the conversation let the writers go.
    EXPECT_FALSE(conversation_->hasWriters());
}

TEST_F(ConversationWritersTest, FurtherActivityKeepsAWriterAndAnEndRemovesIt) {
    ASSERT_EQ(applyLocally(session_, {activity(bob_, true)}), nullptr);
    scheduler().advance(50);
    ASSERT_EQ(applyLocally(session_, {activity(bob_, true)}), nullptr);
    scheduler().advance(ConversationWriters::kWriterExpiry);
    EXPECT_EQ(names(), QStringList{u"Bob"_s});
    ASSERT_EQ(applyLocally(session_, {activity(bob_, false)}), nullptr);
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(ConversationWritersTest, APostedMessageEndsItsPostersTyping) {
    const auto message = [&](int nr, const QString& poster) {
        return streamRecord(u"message"_s, {{u"conversation_id"_s, conversationId_},
                                           {u"message_nr"_s, nr},
                                           {u"account_id"_s, poster},
                                           {u"mk_message_type"_s, u"text"_s},
                                           {u"message"_s, u"<msg>hi</msg>"_s}});
    };
    const QString carol = u"2e4a6c8e-0b1d-4f3a-9c5e-7a9b1c3d5e7f"_s;
    ASSERT_EQ(applyLocally(session_, {activity(bob_, true), activity(carol, true)}), nullptr);
    ASSERT_EQ(conversation_->writers()->count(), 2);
    ASSERT_EQ(applyLocally(session_, {message(10, bob_)}), nullptr);
    EXPECT_FALSE(conversation_->writers()->isWriter(bob_));
    EXPECT_TRUE(conversation_->writers()->isWriter(carol));
}

TEST_F(ConversationWritersTest, StrangersAreNamedByAQuestionMarkAndTheUserIsNoWriter) {
    const QString stranger = u"0b5c3a1e-7d2f-4e8a-9c6b-5a4f3e2d1c0b"_s;
    ASSERT_EQ(applyLocally(session_, {activity(session_->sessionId(), true),
                                      activity(stranger, true), activity(bob_, true)}),
              nullptr);
    // In the order of the account ids.
    const QStringList expected =
        stranger < bob_ ? QStringList{u"?"_s, u"Bob"_s} : QStringList{u"Bob"_s, u"?"_s};
    EXPECT_EQ(names(), expected);
    EXPECT_EQ(conversation_->writers()->count(), 2);
    EXPECT_FALSE(conversation_->writers()->isWriter(session_->sessionId()));
}

TEST_F(ConversationWritersTest, ActivityMovesAMembersHorizons) {
    int told = 0;
    const auto observation =
        conversation_->observe(u"memberHorizons"_s, [&](const QString&) { ++told; });
    QJsonObject record = activity(bob_, false);
    record.insert(u"read_message_nr"_s, 7);
    record.insert(u"join_message_nr"_s, 2);
    ASSERT_EQ(applyLocally(session_, {record}), nullptr);
    const auto bob = conversation_->sortedMembers()->memberByAccountId(bob_);
    ASSERT_TRUE(bob);
    EXPECT_EQ(bob->readHorizon(), 7);
    EXPECT_EQ(bob->joinMessageNr(), 2);
    EXPECT_EQ(told, 1);

    // The user's own activity is known here already.
    QJsonObject own = activity(session_->sessionId(), true);
    own.insert(u"read_message_nr"_s, 9);
    ASSERT_EQ(applyLocally(session_, {own}), nullptr);
    EXPECT_NE(
        conversation_->sortedMembers()->memberByAccountId(session_->sessionId())->readHorizon(), 9);
    EXPECT_EQ(told, 1);
}

TEST_F(ConversationWritersTest, LocksNameTheEditorTheUserIncluded) {
    ASSERT_EQ(applyLocally(session_, {lock(5, session_->sessionId()), lock(6, bob_)}), nullptr);
    const auto writers = conversation_->writers();
    EXPECT_EQ(writers->userEditingMessageNr(5), session_->sessionId());
    EXPECT_EQ(writers->userEditingMessageNr(6), bob_);
    ASSERT_EQ(applyLocally(session_, {lock(5, QString())}), nullptr);
    EXPECT_TRUE(writers->userEditingMessageNr(5).isNull());
    EXPECT_EQ(writers->userEditingMessageNr(6), bob_);

    // The edited message comes back unlocked.
    ASSERT_EQ(applyLocally(session_,
                           {streamRecord(u"message"_s, {{u"conversation_id"_s, conversationId_},
                                                        {u"message_nr"_s, 6},
                                                        {u"account_id"_s, bob_},
                                                        {u"mk_message_type"_s, u"text"_s},
                                                        {u"message"_s, u"<msg>edited</msg>"_s},
                                                        {u"tags"_s, QJsonArray{u"unlock"_s}}})}),
              nullptr);
    EXPECT_TRUE(writers->userEditingMessageNr(6).isNull());
}

TEST_F(ConversationWritersTest, TheUsersTypingIsReportedOncePerChange) {
    const QDateTime before = conversation_->inboxTime();
    conversation_->setWritingStatus(true, 0);
    // A new message moves the conversation up the inbox.
    EXPECT_GT(conversation_->inboxTime(), before);
    conversation_->setWritingStatus(true, 0);
    ASSERT_TRUE(waitForAnswered(activityPath()));
    conversation_->setWritingStatus(true, 4);
    ASSERT_TRUE(waitForAnswered(activityPath(), 2));
    const auto sent = emulator.requests(activityPath());
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].body.value(u"is_writing"_s), true);
    EXPECT_FALSE(sent[0].body.contains(u"message_nr"_s));
    EXPECT_EQ(sent[1].body.value(u"message_nr"_s), 4);

    // A message beyond the conversation's last is no edit of it.
    conversation_->setWritingStatus(false, 10);
    conversation_->setCanPost(false);
    conversation_->setWritingStatus(false, 0);
    EXPECT_FALSE(conversation_->writers()->isWriting());
    scheduler().advance(1);
    EXPECT_FALSE(waitForAnswered(activityPath(), 3));
}

}  // namespace
