#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kConversationId;
using zvrecord::kIsDeleted;
using zvrecord::kMessage;
using zvrecord::kMessageNr;
using zvrecord::kMessageType;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kMessageByKey = u"(conversation_id = $id) and (message_nr = $nr)"_s;

QString recordText(const ZVJsonParser& record) {
    return QString::fromUtf8(
        QJsonDocument(record.values().toObject()).toJson(QJsonDocument::Compact));
}

}  // namespace

std::shared_ptr<Message> ZVRepositorySession::messageFromKey(const QString& conversationId,
                                                             std::int64_t messageNr) {
    if (!repository_) {
        return nullptr;
    }
    auto found = repository_->fetchObjects<Message>(
        QString(Message::kEntityName), kMessageByKey,
        {{u"id"_s, conversationId}, {u"nr"_s, QVariant::fromValue(messageNr)}});
    if (!found || found->empty()) {
        return nullptr;
    }
    return found->front();
}

ZVErrorPtr ZVRepositorySession::handleMessage(ZVJsonParser& record) {
    const QString conversationId = record.extractString(kConversationId);
    const std::optional<std::int64_t> messageNr = record.extractInt(kMessageNr);
    const bool deleted = record.extractBool(kIsDeleted, false);
    // The URL-safe id costs every record of an initial sync: made only for a line that is kept.
    if (profile() && profile()->debugLogging()) {
        emitDebugInfo(u"M:%@:%@", ZVURLHandler::urlEncodeUUID(conversationId),
                      messageNr.value_or(0));
    }
    if (conversationId.isNull() || !messageNr) {
        return record.error();
    }

    // A conversation the account does not know yet still gets its messages stored by key.
    const std::shared_ptr<Conversation> conversation = conversationChangedWithId(conversationId);
    std::shared_ptr<Message> message = conversation
                                           ? conversation->messageByNumber(*messageNr, true)
                                           : messageFromKey(conversationId, *messageNr);
    if (deleted) {
        ZVLogError(u"DeleteMessage: %@:%@", conversationId, *messageNr);
        if (conversation && conversation->messages()) {
            conversation->messages()->removeMessageNr(*messageNr);
        }
        if (conversation) {
            conversation->removeFromBoards(*messageNr);
        }
        if (message) {
            deleteObject(message);
        }
        return nullptr;
    }

    const QJsonObject fields = record.values().toObject();
    const bool fragment = !fields.contains(kMessageType) || !fields.contains(kMessage);
    // Where the conversation's flow has reached, which a record may name besides its message.
    const std::optional<std::int64_t> flowMessageNr = record.containsValue(u"flow_message_nr")
                                                          ? record.extractInt(u"flow_message_nr")
                                                          : std::nullopt;
    if (ZVErrorPtr error = record.error()) {
        return error;
    }

    const bool created = !message;
    if (created && fragment) {
        ZVLogError(u"Message fragment with no corresponding message: %@", recordText(record));
        return nullptr;
    }
    if (ZVErrorPtr error = createOrUpdateObject(message, QString(Message::kEntityName), record)) {
        ZVLogError(u"MessageFromJson: %@ => %@", recordText(record), error->description());
        return error;
    }
    message->setConversation(conversation);
    if (conversation) {
        conversation->addMessage(message);
        if (flowMessageNr) {
            conversation->encounteredMessageNr(*flowMessageNr);
        }
        // The service ends an edit by storing the message with the unlock tag.
        if (message->hasTag(Message::TagUnlock)) {
            conversation->updateActivityBy(QString(), false, *messageNr);
        }
    }
    if (created) {
        ZVApi& api = ZVApi::api();
        for (const auto& stats : {api.sessionStats(), api.cumulativeStats()}) {
            if (stats) {
                stats->reportReceivedMessage();
            }
        }
    }
    return nullptr;
}
