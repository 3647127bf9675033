#include "ZelvoKit/model/Message.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVMarkupServices.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

#include <functional>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kEditedConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
constexpr qint64 kPosted = 5;
constexpr qint64 kPending = 1000000000;

std::string text(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

class MessageEditTest : public modeltest::SignedInTest {
protected:
    std::shared_ptr<Message> newMessage(std::int64_t nr, const QString& typed = u"hello"_s,
                                        const QString& subject = QString()) {
        auto message =
            session_->repository()->createObjectOfClass<Message>(QString(Message::kEntityName));
        message->setConversationId(kEditedConversationId);
        message->setMessageNr(nr);
        message->setMessageType(Message::TypeText);
        message->setMessage(typed.isEmpty() ? QString() : ZVMarkupServices::xmlWithMessage(typed));
        if (!subject.isNull()) {
            message->setSubject(subject);
        }
        return message;
    }

    std::shared_ptr<File> newFile(const QString& url) {
        auto file = session_->repository()->createObjectOfClass<File>(QString(File::kEntityName));
        file->setFileName(u"photo.png"_s);
        file->setFileUrl(url);
        return file;
    }

    static QJsonObject argumentsOf(const std::shared_ptr<ZVApiRequest>& request) {
        return request && request->arguments() ? *request->arguments() : QJsonObject();
    }
};

TEST_F(MessageEditTest, StoreRequestArgumentsOfEachEdit) {
    const QJsonValue null;
    struct Case {
        const char* name;
        std::int64_t nr;
        QString typed;
        QString subject;
        std::function<void(Message&)> edit;
        QJsonObject expected;
    };
    const Case cases[] = {
        {"new text of a message with a subject",
         kPosted,
         u"hello"_s,
         u"Plan"_s,
         [](Message& m) { m.edit(u"hello *there*"_s); },
         {{u"message_nr"_s, kPosted},
          {u"message"_s, u"hello *there*"_s},
          {u"subject"_s, u"Plan"_s},
          {u"attachments"_s, QJsonArray()}}},
        {"a new subject",
         kPosted,
         u"hello"_s,
         u"Plan"_s,
         [](Message& m) { m.editSubject(u"Plans"_s); },
         {{u"message_nr"_s, kPosted}, {u"subject"_s, u"Plans"_s}}},
        {"the subject removed",
         kPosted,
         u"hello"_s,
         u"Plan"_s,
         [](Message& m) { m.editSubject(QString()); },
         {{u"message_nr"_s, kPosted}, {u"subject"_s, null}}},
        {"pinned",
         kPosted,
         u"hello"_s,
         {},
         [](Message& m) {
             m.setTags(m.tags() | (1u << Message::TagHidden));
             m.pin();
         },
         {{u"message_nr"_s, kPosted},
          {u"tags"_s, QJsonArray{u"pin"_s, u"is_shared"_s, u"is_hidden"_s}}}},
        {"deleted",
         kPosted,
         u"hello"_s,
         {},
         [](Message& m) { m.deleteMessage(); },
         {{u"message_nr"_s, kPosted}, {u"tags"_s, QJsonArray{u"is_deleted"_s}}}},
        {"an empty body sends only its deletion",
         kPosted,
         u""_s,
         u"Plan"_s,
         [](Message& m) {
             m.setPinWeight(1);
             m.editSubject(u"x"_s);
         },
         {{u"message_nr"_s, kPosted}, {u"tags"_s, QJsonArray{u"is_deleted"_s}}}},
        {"a pending message always sends its body",
         kPending,
         u"hello"_s,
         {},
         [](Message&) {},
         {{u"message"_s, u"hello"_s}, {u"attachments"_s, QJsonArray()}}},
        {"assignees, pin weight and previews",
         kPosted,
         u"hello"_s,
         {},
         [](Message& m) {
             m.setAssignees({u"a"_s, u"b"_s});
             m.setPinWeight(2.5);
             m.disableUrlPreviews();
         },
         {{u"message_nr"_s, kPosted},
          {u"assignee_ids"_s, QJsonArray{u"a"_s, u"b"_s}},
          {u"pin_weight"_s, 2.5},
          {u"is_url_preview_disabled"_s, true}}},
        {"no assignees",
         kPosted,
         u"hello"_s,
         {},
         [](Message& m) { m.setAssignees({}); },
         {{u"message_nr"_s, kPosted}, {u"assignee_ids"_s, QJsonArray()}}},
    };
    std::int64_t offset = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case its own message, so that no dirty bit carries over.
        const auto message =
            newMessage(c.nr + offset++ * (c.nr == kPending ? 1 : 100), c.typed, c.subject);
        c.edit(*message);
        QJsonObject expected = c.expected;
        if (expected.contains(u"message_nr"_s)) {
            expected.insert(u"message_nr"_s, qint64(message->messageNr()));
        }
        const auto request = message->getStoreRequest(false);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->method(), u"message/store/"_s + kEditedConversationId);
        EXPECT_EQ(text(argumentsOf(request)), text(expected));
    }
}

TEST_F(MessageEditTest, NothingToSendGivesNoRequest) {
    const auto message = newMessage(kPosted);
    message->setTags({Message::TagPin}, {Message::TagPin});
    message->setTags({}, {Message::TagDone, 40, -1});
    EXPECT_EQ(message->uncommittedFields(), 0u);
    EXPECT_FALSE(message->getStoreRequest(false));
    EXPECT_FALSE(newMessage(kPending)->getSyncRequest()) << "the queue sends those";

    message->editSubject(u"s"_s);
    const auto retry = message->getStoreRequest(true);
    ASSERT_TRUE(retry);
    EXPECT_EQ(argumentsOf(retry).value(u"is_retry"_s), QJsonValue(true));
}

TEST_F(MessageEditTest, AnAttachmentStillUploadingHoldsTheRequestBack) {
    const auto message = newMessage(kPosted);
    const QString local = QUrl::fromLocalFile(zvtest::makeTempDir() + u"/photo.png"_s).toString();
    const auto file = newFile(local);
    message->editBody(u"look"_s, {file});
    EXPECT_EQ(file->conversationId(), kEditedConversationId);
    EXPECT_EQ(file->messageNr(), kPosted);
    EXPECT_EQ(file->attachmentId(), u"file_1"_s);
    EXPECT_EQ(file->accountId(), session_->profile()->contactId());
    EXPECT_EQ(ZVMarkupServices::extractFiles(message->message()), QStringList{u"file_1"_s});
    EXPECT_FALSE(message->getStoreRequest(false));

    file->setFileUrl(u"https://f/photo.png"_s);
    const auto request = message->getStoreRequest(false);
    ASSERT_TRUE(request);
    EXPECT_EQ(argumentsOf(request).value(u"attachments"_s),
              QJsonValue(QJsonArray{u"https://f/photo.png"_s}));
}

TEST_F(MessageEditTest, AFileOfAnotherMessageIsCopied) {
    const auto message = newMessage(kPosted);
    const auto theirs = newFile(u"https://f/a.png"_s);
    theirs->setConversationId(kEditedConversationId);
    theirs->setMessageNr(kPosted + 1);
    theirs->setAttachmentId(u"att"_s);
    const auto free = newFile(u"https://f/b.png"_s);
    const Message::Files absorbed = message->absorbFiles({theirs, free});
    ASSERT_EQ(absorbed.size(), 2u);
    EXPECT_NE(absorbed[0], theirs);
    EXPECT_EQ(theirs->messageNr(), kPosted + 1) << "the other message keeps its file";
    EXPECT_EQ(absorbed[0]->messageNr(), kPosted);
    EXPECT_EQ(absorbed[0]->attachmentId(), u"file_1"_s) << "a copy is a new attachment";
    EXPECT_EQ(absorbed[1], free);
    EXPECT_EQ(absorbed[1]->attachmentId(), u"file_2"_s);
}

TEST_F(MessageEditTest, AFailedStoreKeepsTheChangeUnlessRefused) {
    const auto message = newMessage(kPosted);
    message->pin();
    message->editSubject(u"s"_s);
    const std::uint32_t mask = message->uncommittedFields();
    ASSERT_NE(mask, 0u);
    struct Case {
        int code;
        std::uint32_t after;
    };
    constexpr int kNotConnected = -1009;
    for (const Case& c : {Case{404, 0u}, Case{kNotConnected, mask}, Case{500, mask}}) {
        SCOPED_TRACE(c.code);
        message->setUncommittedFields(mask);
        const auto request = message->getStoreRequest(false);
        ASSERT_TRUE(request);
        request->submitHandler()();
        EXPECT_EQ(message->uncommittedFields(), 0u) << "sent: nothing waits";
        request->errorHandler()(ZVError::errorWithCode(c.code));
        EXPECT_EQ(message->uncommittedFields(), c.after);
    }
}

TEST_F(MessageEditTest, UnpinningAPinOthersEditedArchivesIt) {
    const auto edited = newMessage(kPosted);
    edited->setTags((1u << Message::TagPin) | (1u << Message::TagShared) |
                    (1u << Message::TagEditedByOthers));
    edited->setPinWeightValue(3);
    edited->unpin();
    EXPECT_TRUE(edited->hasTag(Message::TagUnpin));
    EXPECT_TRUE(edited->hasTag(Message::TagArchived));
    EXPECT_FALSE(edited->hasTag(Message::TagPin));
    EXPECT_TRUE(edited->isShared());
    EXPECT_FALSE(edited->pinWeight());
    EXPECT_TRUE(edited->isPinned()) << "it stays on the pin archive";

    const auto own = newMessage(kPosted + 1);
    own->setTags((1u << Message::TagPin) | (1u << Message::TagShared));
    own->unpin();
    EXPECT_EQ(own->tags(), 0u);
}

TEST_F(MessageEditTest, AnEditInAConversationIsSentThroughIt) {
    ASSERT_EQ(applyLocally(session_, {modeltest::streamRecord(
                                         u"conv"_s, {{u"conversation_id"_s, kEditedConversationId},
                                                     {u"fw_message_nr"_s, 42},
                                                     {u"inbox_message_nr"_s, kPosted}})}),
              nullptr);
    const auto conversation = session_->conversations().value(kEditedConversationId);
    ASSERT_TRUE(conversation);
    const auto message = newMessage(kPosted);
    message->setConversation(conversation);
    QStringList heard;
    const auto token = conversation->observe(QStringList{u"messages"_s, u"inboxMessageText"_s},
                                             [&](const QString& key) { heard << key; });

    message->edit(u"changed"_s);
    EXPECT_TRUE(conversation->isFieldDirty(Conversation::FieldMessageEdit));
    EXPECT_EQ(argumentsOf(message->getStoreRequest(false)).value(u"from_message_nr"_s),
              QJsonValue(42));
    EXPECT_TRUE(heard.isEmpty()) << "told together, after the batching delay";
    scheduler().advance(ZVManagedObject::kNotificationDelay);
    heard.sort();
    EXPECT_EQ(heard, (QStringList{u"inboxMessageText"_s, u"messages"_s}));

    // Clearing a field leaves the conversation as it is.
    conversation->setField(Conversation::FieldMessageEdit, false);
    message->setField(Message::FieldBody, false);
    EXPECT_FALSE(conversation->isFieldDirty(Conversation::FieldMessageEdit));
}

TEST_F(MessageEditTest, AnEditedMessageReachesTheServiceThroughTheSessionsCommit) {
    const QString id = emulator.addConversation(u"Edits"_s, {session_->sessionId()});
    ASSERT_TRUE(deliver(session_, {*emulator.conversationRecord(id),
                                   modeltest::streamRecord(
                                       u"message"_s, {{u"conversation_id"_s, id},
                                                      {u"message_nr"_s, 1},
                                                      {u"account_id"_s, session_->sessionId()},
                                                      {u"mk_message_type"_s, u"text"_s},
                                                      {u"message"_s, u"<msg>first</msg>"_s}})}));
    const auto conversation = session_->conversations().value(id);
    ASSERT_TRUE(conversation);
    conversation->loadMessages();
    const auto message = conversation->messageByNumber(1);
    ASSERT_TRUE(message);

    message->edit(u"second"_s);
    ASSERT_TRUE(waitForAnswered(u"message/store/"_s + id));
    const QJsonObject body = emulator.requests(u"message/store/"_s + id).front().body;
    EXPECT_EQ(body.value(u"message_nr"_s), QJsonValue(1));
    EXPECT_EQ(body.value(u"message"_s), QJsonValue(u"second"_s));
    EXPECT_EQ(message->uncommittedFields(), 0u);
}

}  // namespace
