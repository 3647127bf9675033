#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/text/DeviceLocale.h"
#include "platform/foundation/Application.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace displaytest {

using namespace Qt::Literals::StringLiterals;

inline const QString kConversationId = u"3f2504e0-4f89-41d3-9a0c-0305e82c3301"_s;
inline const QString kFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
inline const QString kOwl = u"8b2f1d5e-3c4a-4f6b-9d7e-0f1a2b3c4d5e"_s;

// A signed-in account with two contacts and one conversation of the three of them; messages are
// applied as the stream brings them. The locale, time zone and clock are fixed, so that sentences
// with dates read the same on every machine.
class DisplayModelTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        DeviceLocale::setLocale(u"en_US"_s);
        DeviceLocale::setTimeZone(u"UTC"_s);
        platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
        self = session_->profile()->contactId();
        apply({contactRecord(kFox, u"Fox Mulder"_s), contactRecord(kOwl, u"Owl Jones"_s)});
        applyConversation({});
    }

    void apply(const QList<QJsonObject>& records) {
        ASSERT_EQ(applyLocally(session_, records), nullptr);
    }
    static QJsonObject contactRecord(const QString& id, const QString& name) {
        return modeltest::streamRecord(u"contact"_s,
                                       {{u"account_id"_s, id}, {u"display_name"_s, name}});
    }
    // The conversation with the fields; members are the user, Fox and Owl unless given.
    void applyConversation(QJsonObject fields, const QString& id = kConversationId) {
        fields.insert(u"conversation_id"_s, id);
        if (!fields.contains(u"members"_s)) {
            fields.insert(u"members"_s, QJsonArray{self, kFox, kOwl});
        }
        if (!fields.contains(u"last_message_nr"_s)) {
            fields.insert(u"last_message_nr"_s, 100);
            fields.insert(u"read_message_nr"_s, 100);
        }
        apply({modeltest::streamRecord(u"conv"_s, fields)});
    }
    std::shared_ptr<Conversation> conversation() {
        return session_->conversationFromId(kConversationId);
    }

    // Message `nr` of the conversation, of the type word, posted by `author` (Fox unless given)
    // with the body; `fields` adds to or replaces what the record holds.
    std::shared_ptr<Message> message(std::int64_t nr, const QString& type, const QString& body,
                                     QJsonObject fields = {}) {
        fields.insert(u"conversation_id"_s, kConversationId);
        fields.insert(u"message_nr"_s, qint64(nr));
        fields.insert(u"mk_message_type"_s, type);
        fields.insert(u"message"_s, body);
        if (!fields.contains(u"account_id"_s)) {
            fields.insert(u"account_id"_s, kFox);
        }
        if (!fields.contains(u"posted_time"_s)) {
            fields.insert(u"posted_time"_s, postedLongAgo());
        }
        EXPECT_EQ(applyLocally(session_, {modeltest::streamRecord(u"message"_s, fields)}), nullptr);
        auto made = session_->messageFromKey(kConversationId, nr);
        EXPECT_TRUE(made);
        held.push_back(made);
        if (made && !made->conversation()) {
            made->setConversation(conversation());
        }
        return made;
    }
    static QString json(const QJsonObject& data) {
        return QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact));
    }
    static std::shared_ptr<ZVRichMessageRepresentation> model(
        const std::shared_ptr<Message>& message) {
        return ZVRichMessageRepresentation::of(message);
    }
    // An hour before the clock's now, in whole seconds.
    static qint64 postedLongAgo() { return static_cast<qint64>(scheduler().now()) - kHour; }

    static constexpr qint64 kHour = 3600;
    QString self;
    // The messages made, held as a conversation's message list holds those it shows.
    std::vector<std::shared_ptr<Message>> held;
};

}  // namespace displaytest
