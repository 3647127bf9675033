#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <vector>

// An account's repository session opened on this machine without a service, for the data model's
// benchmarks.
namespace modelbench {

inline std::shared_ptr<ZVUserCredentials> credentialsFor(const QString& uuid,
                                                         const QString& email) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(uuid);
    credentials->setTicket(QStringLiteral("ticket"));
    credentials->setCookie(QStringLiteral("cookie"));
    return credentials;
}

// The account's session with its store under the current paths root, as a saved sign-in opens it.
inline std::shared_ptr<ZVRepositorySession> openSession(const QString& uuid, const QString& email) {
    ZVJsonParser profiles(QJsonObject{
        {QStringLiteral("profiles"), QJsonArray{QJsonObject{{QStringLiteral("account_id"), uuid},
                                                            {QStringLiteral("email"), email}}}}});
    return std::dynamic_pointer_cast<ZVRepositorySession>(
        ZVRepositorySession::factory()(credentialsFor(uuid, email), &profiles));
}

// A person of the account's stream, known by name.
inline QJsonObject contactRecord(const QString& accountId, const QString& displayName) {
    return {{QStringLiteral("mk_rec_type"), QStringLiteral("contact")},
            {QStringLiteral("account_id"), accountId},
            {QStringLiteral("display_name"), displayName}};
}

// A conversation's record with its members and how far it is posted and read; `fields` add to it.
inline QJsonObject conversationRecord(const QString& conversationId, const QJsonArray& members,
                                      qint64 lastMessageNr, qint64 readMessageNr,
                                      QJsonObject fields = {}) {
    fields.insert(QStringLiteral("mk_rec_type"), QStringLiteral("conv"));
    fields.insert(QStringLiteral("conversation_id"), conversationId);
    fields.insert(QStringLiteral("members"), members);
    fields.insert(QStringLiteral("last_message_nr"), lastMessageNr);
    fields.insert(QStringLiteral("read_message_nr"), readMessageNr);
    return fields;
}

// Stores `stream` in one transaction, as a sync's answer is stored; the first error, if any.
inline ZVErrorPtr storeStream(const std::shared_ptr<ZVRepositorySession>& session,
                              const QJsonValue& stream) {
    session->startTransaction();
    ZVErrorPtr error = ZVApi::api().processStream(stream, session);
    session->endTransaction();
    return error;
}

// Messages `first` to `last` of a stored conversation, each tied to it as the screens tie them.
inline std::vector<std::shared_ptr<Message>> storedMessages(
    const std::shared_ptr<ZVRepositorySession>& session, const QString& conversationId,
    std::int64_t first, std::int64_t last) {
    const auto conversation = session->conversationFromId(conversationId);
    std::vector<std::shared_ptr<Message>> messages;
    for (std::int64_t nr = first; nr <= last; ++nr) {
        auto message = session->messageFromKey(conversationId, nr);
        message->setConversation(conversation);
        messages.push_back(message);
    }
    return messages;
}

}  // namespace modelbench
