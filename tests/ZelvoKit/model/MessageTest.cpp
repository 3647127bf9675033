#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/ZVMarkupServices.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
const QString kOtherConversationId = u"9b2c6d1e-5a4f-4b3c-8d2e-1f0a9b8c7d6e"_s;
const QString kPosterId = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
const QString kBody = u"<msg><p>Hello</p></msg>"_s;

QJsonObject messageRecord(std::int64_t nr, QJsonObject fields = {},
                          const QString& conversationId = kConversationId) {
    fields.insert(u"conversation_id"_s, conversationId);
    fields.insert(u"message_nr"_s, qint64(nr));
    return streamRecord(u"message"_s, fields);
}

QJsonObject textRecord(std::int64_t nr, QJsonObject fields = {},
                       const QString& conversationId = kConversationId) {
    if (!fields.contains(u"message"_s)) {
        fields.insert(u"message"_s, kBody);
    }
    if (!fields.contains(u"mk_message_type"_s)) {
        fields.insert(u"mk_message_type"_s, u"text"_s);
    }
    fields.insert(u"account_id"_s, kPosterId);
    return messageRecord(nr, fields, conversationId);
}

// Counts how often the display model was rebuilt.
class CountingRepresentation : public ZVMessageRepresentation {
public:
    using ZVMessageRepresentation::ZVMessageRepresentation;
    void refresh() override {
        ++refreshes;
        ZVMessageRepresentation::refresh();
    }
    int refreshes = 0;
};

class MessageTest : public modeltest::SignedInTest {
protected:
    void TearDown() override {
        Message::setRepresentationClass(nullptr);
        SignedInTest::TearDown();
    }

    std::shared_ptr<Message> stored(std::int64_t nr,
                                    const QString& conversationId = kConversationId) {
        return session_->messageFromKey(conversationId, nr);
    }

    std::size_t messageRows() {
        auto rows = session_->repository()->fetchObjects(QString(Message::kEntityName));
        return rows ? rows->size() : 0;
    }

    static ZVErrorPtr read(const std::shared_ptr<Message>& message, const QJsonObject& record,
                           bool isNew = false) {
        ZVJsonParser parser(record);
        message->setReadingNewObject(isNew);
        ZVErrorPtr error = message->deserializeFromJson(parser);
        message->setReadingNewObject(false);
        return error;
    }

    // A message made locally, not from a record.
    std::shared_ptr<Message> localMessage(std::int64_t nr, int type, std::uint32_t tags,
                                          const QString& body) {
        auto message = session_->repository()->createMemoryObjectOfClass<Message>(u"Message"_s);
        message->setConversationId(kConversationId);
        message->setMessageNr(nr);
        message->setMessageType(type);
        message->setTags(tags);
        message->setMessage(body);
        return message;
    }
};

TEST_F(MessageTest, ReadsANewMessageFromItsRecord) {
    const qint64 posted = 1700000000;
    ASSERT_EQ(
        applyLocally(session_, {textRecord(42, {{u"posted_time"_s, posted},
                                                {u"inbox_nr"_s, 17},
                                                {u"prev_message_nr"_s, 40},
                                                {u"subject"_s, u"Plans"_s},
                                                {u"pin_weight"_s, 2.5},
                                                {u"sender_name"_s, u"Fox"_s},
                                                {u"tags"_s, QJsonArray{u"pin"_s, u"odd"_s}},
                                                {u"is_new_sheet"_s, true},
                                                {u"assignee_ids"_s, QJsonArray{u"a"_s, u"b"_s}}})}),
        nullptr);
    const auto message = stored(42);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->guid(), kConversationId + u":42"_s);
    EXPECT_EQ(message->desc(), u"Message: "_s + kConversationId + u":42"_s);
    EXPECT_EQ(message->accountId(), kPosterId);
    EXPECT_EQ(message->message(), kBody);
    EXPECT_EQ(message->messageType(), Message::TypeText);
    EXPECT_EQ(message->postedTime().toSecsSinceEpoch(), posted);
    EXPECT_EQ(message->inboxNr(), 17);
    EXPECT_EQ(message->prevMessageNr(), 40);
    EXPECT_EQ(message->subject(), u"Plans"_s);
    EXPECT_EQ(message->pinWeight(), 2.5);
    EXPECT_EQ(message->senderName(), u"Fox"_s);
    // An unknown tag word is skipped; "is_new_sheet" is a tag of its own.
    EXPECT_EQ(message->tags(), (1u << Message::TagPin) | (1u << Message::TagNewSheet));
    EXPECT_EQ(message->assigneeIdsText(), u"a b"_s);
    EXPECT_EQ(message->assignees(), (QSet<QString>{u"a"_s, u"b"_s}));
}

TEST_F(MessageTest, TypeAndTagsThatARecordImplies) {
    struct Case {
        const char* name;
        QJsonObject fields;
        int type;
        std::uint32_t tags;
        QString cleanedHtml;
    };
    const Case cases[] = {
        {"a separator is a task", {{u"mk_message_type"_s, u"separator"_s}}, 20, 1u << 15, {}},
        {"a word the table lacks is a system message",
         {{u"mk_message_type"_s, u"hologram"_s}},
         Message::TypeSystem,
         0,
         {}},
        {"an HTML e-mail body makes an HTML e-mail whatever the type says",
         {{u"mk_message_type"_s, u"text"_s},
          {u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>hi</p>"_s}}}},
         Message::TypeHtmlEmail,
         0,
         u"<p>hi</p>"_s},
    };
    std::int64_t nr = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(applyLocally(session_, {textRecord(++nr, c.fields)}), nullptr);
        const auto message = stored(nr);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->messageType(), c.type);
        EXPECT_EQ(message->tags(), c.tags);
        EXPECT_EQ(message->cleanedHtml(), c.cleanedHtml);
    }
    EXPECT_TRUE(stored(101)->isTask());
    EXPECT_TRUE(stored(103)->isTextMessage());
}

TEST_F(MessageTest, ANewMessageNeedsItsBodyAndTypeWhileAFragmentUpdatesWhatItHolds) {
    // A new message whose body or type is not text is reported and leaves no row behind.
    const std::pair<QJsonObject, int> refused[] = {
        {textRecord(1, {{u"message"_s, QJsonValue::Null}}), ZVError::MissingValue},
        {textRecord(2, {{u"message"_s, 5}}), ZVError::WrongValueClass},
        {textRecord(3, {{u"mk_message_type"_s, 1}}), ZVError::WrongValueClass},
    };
    for (const auto& [record, code] : refused) {
        const ZVErrorPtr error = applyLocally(session_, {record});
        ASSERT_NE(error, nullptr) << qPrintable(ZVJsonParser(record).description());
        EXPECT_EQ(error->code(), code);
    }
    EXPECT_EQ(messageRows(), 0u);
    EXPECT_TRUE(logText().contains(u"MessageFromJson: "_s));
    QJsonObject noBody = textRecord(4, {{u"subject"_s, u"x"_s}});
    noBody.remove(u"message"_s);
    // A record without a body is a fragment: for an unknown message it is dropped, not an error.
    EXPECT_EQ(applyLocally(session_, {noBody}), nullptr);
    EXPECT_EQ(messageRows(), 0u);
    EXPECT_TRUE(logText().contains(u"Message fragment with no corresponding message"_s));

    ASSERT_EQ(applyLocally(session_, {textRecord(5, {{u"subject"_s, u"First"_s}})}), nullptr);
    // Fragments of a known message: neither body nor type, then only a type.
    ASSERT_EQ(applyLocally(session_, {messageRecord(5, {{u"subject"_s, u"Second"_s}}),
                                      messageRecord(5, {{u"tags"_s, QJsonArray{u"pin"_s}}})}),
              nullptr);
    const auto message = stored(5);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message(), kBody);
    EXPECT_EQ(message->messageType(), Message::TypeText);
    EXPECT_EQ(message->subject(), u"Second"_s);
    EXPECT_TRUE(message->isPin());
    EXPECT_EQ(messageRows(), 1u);
}

TEST_F(MessageTest, ASearchHitKeepsTheStoredBodyAndItsHighlight) {
    const QString hit = u"<msg><p>Hello <mark>world</mark></p></msg>"_s;
    const QString plain = u"<msg><p>Hello world</p></msg>"_s;
    // Known through a search only: stored with the highlight unwrapped.
    ASSERT_EQ(applyLocally(session_, {textRecord(7, {{u"message"_s, hit}})}), nullptr);
    ASSERT_TRUE(stored(7));
    EXPECT_EQ(stored(7)->message(), plain);
    const auto found = localMessage(7, 0, 0, QString());
    found->setNull(found->entity().attributeIndex(u"message"));
    ASSERT_EQ(read(found, textRecord(7, {{u"message"_s, hit}, {u"search_weight"_s, 9}}), true),
              nullptr);
    EXPECT_EQ(found->message(), plain);
    EXPECT_EQ(found->markedText(), hit);
    EXPECT_EQ(found->searchWeight(), 9);

    // A known message: a hit leaves the body, a plain body replaces it, and a highlight sent
    // beside the body becomes the marked text; a record without a body keeps it.
    const auto message = localMessage(8, 1, 0, kBody);
    ASSERT_EQ(read(message, textRecord(8, {{u"message"_s, hit}})), nullptr);
    EXPECT_EQ(message->message(), kBody);
    EXPECT_EQ(message->markedText(), hit);
    const QString edited = u"<msg><p>Hello there</p></msg>"_s;
    const QString otherHit = u"<msg><p>Hello <mark>there</mark></p></msg>"_s;
    ASSERT_EQ(read(message, textRecord(8, {{u"message"_s, edited}, {u"marked_text"_s, otherHit}})),
              nullptr);
    EXPECT_EQ(message->message(), edited);
    EXPECT_EQ(message->markedText(), otherHit);
    ASSERT_EQ(read(message, messageRecord(8, {{u"marked_text"_s, hit}})), nullptr);
    EXPECT_EQ(message->message(), edited);
    EXPECT_EQ(message->markedText(), otherHit);
}

TEST_F(MessageTest, QuestionsAboutAMessage) {
    constexpr std::uint32_t pin = 1u << Message::TagPin;
    constexpr std::uint32_t archived = 1u << Message::TagArchived;
    constexpr std::uint32_t todo = 1u << Message::TagTodo;
    constexpr std::uint32_t done = 1u << Message::TagDone;
    constexpr std::uint32_t deleted = 1u << Message::TagDeleted;
    struct Case {
        const char* name;
        std::int64_t nr;
        int type;
        std::uint32_t tags;
        QString body;
        QString editor;
        bool text, isDeleted, edited, pinned, task, pending;
    };
    const Case cases[] = {
        {"edited text", 5, 1, 0, kBody, kPosterId, true, false, true, false, false, false},
        {"emptied text", 5, 1, 0, u""_s, kPosterId, true, true, false, false, false, false},
        {"emptied file", 5, 11, 0, u""_s, {}, false, true, false, false, false, false},
        {"emptied topic change", 5, 5, 0, u""_s, {}, false, false, false, false, false, false},
        {"deleted by tag", 5, 9, deleted, kBody, {}, true, true, false, false, false, false},
        {"edited file", 5, 11, 0, kBody, kPosterId, false, false, false, false, false, false},
        {"pinned", 5, 1, pin, kBody, {}, true, false, false, true, false, false},
        {"archived pin", 5, 1, archived, kBody, {}, true, false, false, true, false, false},
        {"pinned to-do", 5, 1, pin | todo, kBody, {}, true, false, false, false, true, false},
        {"pinned done", 5, 1, pin | done, kBody, {}, true, false, false, false, true, false},
        {"deleted to-do", 5, 1, todo | deleted, kBody, {}, true, true, false, false, false, false},
        {"separator", 5, 20, 0, kBody, {}, false, false, false, false, true, false},
        {"last stored number", 999999999, 1, 0, kBody, {}, true, false, false, false, false, false},
        {"first local number", 1000000000, 1, 0, kBody, {}, true, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto message = localMessage(c.nr, c.type, c.tags, c.body);
        if (!c.editor.isNull()) {
            message->setValue(u"edit_account_id", c.editor);
        }
        EXPECT_EQ(message->isTextMessage(), c.text);
        EXPECT_EQ(message->isDeletedMessage(), c.isDeleted);
        EXPECT_EQ(message->isEdited(), c.edited);
        EXPECT_EQ(message->isPinned(), c.pinned);
        EXPECT_EQ(message->isTask(), c.task);
        EXPECT_EQ(message->isPending(), c.pending);
    }
    const auto message = localMessage(1, 1, 1u << 31, kBody);
    EXPECT_TRUE(message->hasTag(31));
    EXPECT_FALSE(message->hasTag(32));
    EXPECT_FALSE(message->hasTag(-1));
}

TEST_F(MessageTest, UnconsumedMeansPostedAndStillUnreadInItsConversation) {
    auto conversation =
        session_->repository()->createMemoryObjectOfClass<Conversation>(u"Conversation"_s);
    conversation->setLastMessageNr(10);
    conversation->setReadMessageNrValue(5);
    const struct {
        std::int64_t nr;
        bool attached;
        bool unconsumed;
    } cases[] = {{7, true, true},   {10, true, true},  {5, true, false},
                 {11, true, false}, {7, false, false}, {1000000000, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nr);
        const auto message = localMessage(c.nr, 1, 0, kBody);
        if (c.attached) {
            message->setConversation(conversation);
        }
        EXPECT_EQ(message->isUnconsumed(), c.unconsumed);
    }
}

TEST_F(MessageTest, ARecordForAMessageNoWindowHoldsFindsItsRowAgain) {
    // Through the service: the first answer makes the row, the later ones (one of them after a
    // restart, when nothing of the conversation is in memory) update the same row.
    const std::int32_t receivedBefore = ZVApi::api().sessionStats()->messagesReceived();
    ASSERT_TRUE(deliver(session_, {textRecord(1), textRecord(1, {}, kOtherConversationId)}));
    ASSERT_TRUE(deliver(session_, {textRecord(1, {{u"subject"_s, u"again"_s}}),
                                   textRecord(1, {{u"subject"_s, u"and again"_s}})}));
    EXPECT_EQ(ZVApi::api().sessionStats()->messagesReceived() - receivedBefore, 2);
    EXPECT_EQ(messageRows(), 2u);

    session_.reset();
    session_ = restart(u"anna@example.com"_s);
    ASSERT_TRUE(session_);
    ASSERT_TRUE(deliver(session_, {messageRecord(1, {{u"subject"_s, u"after restart"_s}})}));
    EXPECT_EQ(messageRows(), 2u);
    EXPECT_EQ(stored(1)->subject(), u"after restart"_s);
    EXPECT_EQ(stored(1, kOtherConversationId)->message(), kBody);
}

TEST_F(MessageTest, ADeletedRecordRemovesTheMessage) {
    ASSERT_EQ(applyLocally(session_, {textRecord(1), textRecord(2)}), nullptr);
    ASSERT_EQ(applyLocally(session_, {messageRecord(1, {{u"is_deleted"_s, true}}),
                                      messageRecord(3, {{u"is_deleted"_s, true}})}),
              nullptr);
    EXPECT_FALSE(stored(1));
    EXPECT_TRUE(stored(2));
    EXPECT_EQ(messageRows(), 1u);
    EXPECT_TRUE(logText().contains(u"DeleteMessage: "_s + kConversationId + u":1"_s));
}

TEST_F(MessageTest, TheDisplayModelFollowsTheRecords) {
    Message::setRepresentationClass([](const std::shared_ptr<Message>& message) {
        return std::make_shared<CountingRepresentation>(message);
    });
    ASSERT_EQ(applyLocally(session_, {textRecord(1)}), nullptr);
    const auto message = stored(1);
    auto model = std::dynamic_pointer_cast<CountingRepresentation>(message->representation());
    ASSERT_TRUE(model) << "the installed class makes the display model";
    EXPECT_EQ(model->message(), message);
    EXPECT_EQ(model->localizedText(), u"Hello"_s);

    const QString edited = u"<msg><p>Hello there</p></msg>"_s;
    ASSERT_EQ(applyLocally(session_, {textRecord(1, {{u"message"_s, edited}})}), nullptr);
    EXPECT_EQ(model->refreshes, 1);
    EXPECT_EQ(message->localizedMessage(), u"Hello there"_s);

    // No longer a text message: the model is dropped and made again on demand.
    ASSERT_EQ(applyLocally(session_, {messageRecord(1, {{u"mk_message_type"_s, u"file"_s}})}),
              nullptr);
    EXPECT_FALSE(message->hasRepresentation());
    EXPECT_NE(message->representation(), model);
}

TEST_F(MessageTest, TheQuotedTextLeavesQuotesOut) {
    ASSERT_TRUE(ZVMarkupServices::isInstalled());
    const auto message =
        localMessage(1, 1, 0, ZVMarkupServices::xmlWithMessage(u"> quoted\nmine"_s));
    EXPECT_EQ(message->plainMessageWithMarkup().trimmed(), u"mine"_s);
}

TEST_F(MessageTest, ANewBodyThatDropsAFileDeletesThatFile) {
    const auto fileRecord = [](const QString& key) {
        return streamRecord(u"file"_s, {{u"conversation_id"_s, kConversationId},
                                        {u"message_nr"_s, 9},
                                        {u"attachment_id"_s, key},
                                        {u"file_name"_s, key + u".png"_s},
                                        {u"file_url"_s, u"https://f/"_s + key}});
    };
    const QString both = ZVMarkupServices::xmlWithMessage(u"two"_s, QStringList{u"a1"_s, u"a2"_s});
    const QString one = ZVMarkupServices::xmlWithMessage(u"one"_s, QStringList{u"a2"_s});
    ASSERT_EQ(applyLocally(session_, {textRecord(9, {{u"message"_s, both}}), fileRecord(u"a1"_s),
                                      fileRecord(u"a2"_s)}),
              nullptr);
    ASSERT_EQ(session_->filesInMessageNr(9, kConversationId).size(), 2);

    ASSERT_EQ(applyLocally(session_, {textRecord(9, {{u"message"_s, one}})}), nullptr);
    const auto files = session_->filesInMessageNr(9, kConversationId);
    EXPECT_EQ(files.keys(), QStringList{u"a2"_s});
    EXPECT_EQ(stored(9)->message(), one);
}

}  // namespace
