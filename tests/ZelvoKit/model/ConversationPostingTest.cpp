#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/File.h"

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kPostingId = u"5c0f2d1e-8a7b-4c3d-9e2f-0a1b2c3d4e5f"_s;
const QString kOtherId = u"6d1f3e2a-9b8c-4d7e-8f3a-1b2c3d4e5f60"_s;
constexpr qint64 kFirstLocal = Message::kFirstPendingMessageNr;

class ConversationPostingTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        QList<QJsonObject> records{streamRecord(u"conv"_s, {{u"conversation_id"_s, kPostingId},
                                                            {u"is_init"_s, true},
                                                            {u"join_message_nr"_s, 1},
                                                            {u"bw_message_nr"_s, 50},
                                                            {u"fw_message_nr"_s, 57},
                                                            {u"last_message_nr"_s, 57},
                                                            {u"show_message_nr"_s, 57},
                                                            {u"read_message_nr"_s, 57}})};
        for (qint64 nr = 50; nr <= 57; ++nr) {
            records.append(streamRecord(u"message"_s, {{u"conversation_id"_s, kPostingId},
                                                       {u"message_nr"_s, nr},
                                                       {u"prev_message_nr"_s, nr - 1},
                                                       {u"mk_message_type"_s, u"text"_s},
                                                       {u"message"_s, u"<msg>m</msg>"_s}}));
        }
        ASSERT_EQ(applyLocally(session_, records), nullptr);
        conversation_ = session_->conversations().value(kPostingId);
        ASSERT_TRUE(conversation_);
    }

    std::shared_ptr<Conversation> conversation_;
};

TEST_F(ConversationPostingTest, LocalMessagesAreNumberedAboveTheWindowAndSavedAtOnce) {
    const auto first = conversation_->createMessageWithText(u"one"_s, {});
    const auto second = conversation_->createMessageWithText(u"two"_s, {});
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->messageNr(), kFirstLocal);
    EXPECT_EQ(second->messageNr(), kFirstLocal + 1);
    EXPECT_EQ(conversation_->pendingMessageNr(), kFirstLocal + 1);
    EXPECT_EQ(conversation_->messages()->lastMessage(), second);
    EXPECT_EQ(first->accountId(), session_->sessionId());
    EXPECT_TRUE(first->isFieldDirty(Message::FieldBody));
    EXPECT_FALSE(conversation_->isFieldDirty(Conversation::FieldMessageEdit))
        << "the queue sends local messages";
    EXPECT_FALSE(session_->repository()->managedObjectContext()->hasChanges());

    // The newest local one goes first: the pending number falls to the next, then to 0.
    conversation_->deleteMessageNr(kFirstLocal + 1);
    EXPECT_EQ(conversation_->pendingMessageNr(), kFirstLocal);
    conversation_->deleteMessageNr(kFirstLocal);
    EXPECT_EQ(conversation_->pendingMessageNr(), 0);
    EXPECT_EQ(conversation_->messages()->lastMessage()->messageNr(), 57);
    EXPECT_FALSE(session_->messageFromKey(kPostingId, kFirstLocal));
}

TEST_F(ConversationPostingTest, DeletingTheLastMessageLowersTheNumbersThatNamedIt) {
    conversation_->loadMessages();
    conversation_->deleteMessageNr(55);
    EXPECT_EQ(conversation_->lastMessageNr(), 57);
    EXPECT_EQ(conversation_->readMessageNr(), 57);
    conversation_->deleteMessageNr(57);
    EXPECT_EQ(conversation_->lastMessageNr(), 56);
    EXPECT_EQ(conversation_->readMessageNr(), 56);
    EXPECT_EQ(conversation_->fwMessageNr(), 56);
    EXPECT_EQ(conversation_->messages()->indexOfMessageNr(57), ZVMessageArray::kNotFound);
    EXPECT_FALSE(session_->messageFromKey(kPostingId, 57));
}

TEST_F(ConversationPostingTest, AFileOfAnotherConversationIsAttachedAsACopy) {
    auto theirs = session_->repository()->createObjectOfClass<File>(QString(File::kEntityName));
    theirs->setConversationId(kOtherId);
    theirs->setMessageNr(3);
    theirs->setFileName(u"photo.png"_s);
    theirs->setFileUrl(u"https://f/photo.png"_s);
    conversation_->addPendingFile(theirs);
    ASSERT_EQ(conversation_->pendingFiles().size(), 1u);
    const auto pending = conversation_->pendingFiles().front();
    EXPECT_NE(pending, theirs);
    EXPECT_EQ(pending->conversationId(), kPostingId);
    EXPECT_EQ(pending->messageNr(), 0);
    EXPECT_EQ(theirs->conversationId(), kOtherId);
    EXPECT_EQ(theirs->messageNr(), 3);

    // Posted with a message, the file becomes that message's.
    const auto message =
        conversation_->createMessageWithText(u"look"_s, conversation_->pendingFiles());
    ASSERT_TRUE(message);
    EXPECT_EQ(pending->messageNr(), message->messageNr());
    EXPECT_FALSE(pending->attachmentId().isEmpty());
    conversation_->clearPendingMessage();
    EXPECT_TRUE(conversation_->pendingFiles().empty());
}

TEST_F(ConversationPostingTest, TheSubjectIsTheNewestInTheWindowElseTheTopic) {
    EXPECT_TRUE(conversation_->subject().isNull());
    conversation_->setTopic(u"Plans"_s);
    EXPECT_EQ(conversation_->subject(), u"Plans"_s);
    const auto message = conversation_->createMessageWithText(
        u"re"_s, {}, [](Message& created) { created.setSubject(u"Re: plans"_s); });
    ASSERT_TRUE(message);
    EXPECT_EQ(conversation_->subject(), u"Re: plans"_s);
}

}  // namespace
