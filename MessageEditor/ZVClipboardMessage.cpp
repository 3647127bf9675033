#include "MessageEditor/ZVClipboardMessage.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/ui/standins/input/Pasteboard.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QStringList>

using namespace Qt::Literals::StringLiterals;

const QString ZVClipboardMessage::kMessageType = u"com.zelvo.app.message"_s;

namespace {

const QString kClipMessageKey = u"message"_s;
const QString kClipSubjectKey = u"subject"_s;
const QString kClipQuoteHeaderKey = u"quoteHeader"_s;
const QString kClipConversationIdKey = u"conversationId"_s;
const QString kClipFilesKey = u"files"_s;
const QString kClipRefConversationKey = u"conversation"_s;
const QString kClipRefMessageNrKey = u"message_nr"_s;
const QString kClipRefKeyKey = u"key"_s;

std::shared_ptr<ZVClipboardMessage> plainClipboardMessage(const platform::Pasteboard& pasteboard) {
    return std::make_shared<ZVClipboardMessage>(pasteboard.string(), ZVClipboardMessage::Files{});
}

// The stored files of a message, by attachment key, from the first signed-in account that
// knows the conversation.
QHash<QString, std::shared_ptr<File>> clipFilesOfMessage(const QString& conversationId,
                                                         std::int64_t messageNr) {
    for (const auto& apiSession : ZVApi::api().sessions()) {
        const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(apiSession);
        if (session && session->conversationFromId(conversationId)) {
            return session->filesInMessageNr(messageNr, conversationId);
        }
    }
    return {};
}

}  // namespace

ZVClipboardMessage::ZVClipboardMessage(const QString& text, const QString& subject, Files files,
                                       const QString& quoteHeader, const QString& conversationId)
    : message_(text),
      quotedText_(text),
      subject_(subject),
      files_(std::move(files)),
      quoteHeader_(quoteHeader),
      conversationId_(conversationId) {}

ZVClipboardMessage::ZVClipboardMessage(const QString& text, Files files)
    : ZVClipboardMessage(text, QString(), std::move(files), QString(), QString()) {}

ZVClipboardMessage::ZVClipboardMessage(const std::shared_ptr<Message>& message, const QString& text)
    : ZVClipboardMessage(text, message->subject(), {}, QString(), message->conversationId()) {
    if (const auto model = ZVRichMessageRepresentation::of(message)) {
        files_ = model->files().value_or(Files{});
        quoteHeader_ = model->quoteHeader();
    } else if (const auto plain = message->representation()) {
        files_ = plain->files().value_or(Files{});
    }
    messageNr_ = message->messageNr();
}

ZVClipboardMessage::ZVClipboardMessage(const std::shared_ptr<Message>& message)
    : ZVClipboardMessage(message,
                         ZVMessageStripper::extractPlainTextWithMarkup(message->message(), false)) {
    quotedText_ = ZVMessageStripper::extractPlainTextWithMarkup(message->message(), true);
}

void ZVClipboardMessage::copyToClipboard() const {
    platform::PasteboardItem item;
    if (!message_.isNull()) {
        item.insert(platform::Pasteboard::kPlainTextType, message_.toUtf8());
    }
    item.insert(kMessageType, serializedData());
    platform::Pasteboard::general()->setItem(item);
}

QByteArray ZVClipboardMessage::serializedData() const {
    QJsonObject record;
    const auto put = [&record](const QString& key, const QString& value) {
        if (!value.isNull()) {
            record.insert(key, value);
        }
    };
    put(kClipMessageKey, message_);
    put(kClipSubjectKey, subject_);
    put(kClipQuoteHeaderKey, quoteHeader_);
    put(kClipConversationIdKey, conversationId_);
    if (!files_.empty()) {
        QJsonArray references;
        for (const auto& file : files_) {
            references.append(serializeFile(*file));
        }
        record.insert(kClipFilesKey, references);
    }
    return QJsonDocument(record).toJson(QJsonDocument::Compact);
}

QJsonObject ZVClipboardMessage::serializeFile(const File& file) {
    return QJsonObject{{kClipRefConversationKey, file.conversationId()},
                       {kClipRefMessageNrKey, qint64(file.messageNr())},
                       {kClipRefKeyKey, file.attachmentId()}};
}

std::shared_ptr<ZVClipboardMessage> ZVClipboardMessage::fromClipboard() {
    const auto pasteboard = platform::Pasteboard::general();
    const QByteArray data = pasteboard->dataForType(kMessageType);
    if (data.isNull()) {
        return plainClipboardMessage(*pasteboard);
    }
    // Anything may have put data under our type: a record that is not an object, or a value of
    // the wrong kind, is refused as a whole.
    ZVJsonParser parser = ZVJsonParser::jsonParserForData(data);
    ZVErrorPtr error = parser.error();
    if (!error && !parser.values().isObject()) {
        error = ZVError::errorWithCode(
            ZVError::WrongValueClass,
            QJsonObject{{ZVError::ClassKey, ZVJsonParser::className(parser.values())}});
    }
    if (error) {
        ZVLogError(u"ZVClipboard::fromClipboard: %@", error);
        return plainClipboardMessage(*pasteboard);
    }
    const QString text = parser.extractString(kClipMessageKey, QString());
    const QString subject = parser.extractString(kClipSubjectKey, QString());
    const QString quoteHeader = parser.extractString(kClipQuoteHeaderKey, QString());
    const QString conversationId = parser.extractString(kClipConversationIdKey, QString());
    const QJsonValue references =
        parser.extractObject(kClipFilesKey, ZVJsonParser::JsonClass::Array, QJsonValue());
    if (parser.error()) {
        ZVLogError(u"ZVClipboard::fromClipboard: %@", parser.error());
        return plainClipboardMessage(*pasteboard);
    }
    Files files;
    if (references.isArray()) {
        files = deserializeFiles(references.toArray());
    }
    return std::make_shared<ZVClipboardMessage>(text, subject, std::move(files), quoteHeader,
                                                conversationId);
}

ZVClipboardMessage::Files ZVClipboardMessage::deserializeFiles(const QJsonArray& references) {
    Files result;
    QString lastConversation;
    std::int64_t lastMessageNr = 0;
    bool haveLast = false;
    QHash<QString, std::shared_ptr<File>> table;
    for (const QJsonValue& reference : references) {
        const QJsonObject ref = reference.toObject();
        const QJsonValue conversation = ref.value(kClipRefConversationKey);
        const QJsonValue messageNr = ref.value(kClipRefMessageNrKey);
        const QJsonValue key = ref.value(kClipRefKeyKey);
        // A reference of the wrong shape names no file, as one with a value missing.
        if (!conversation.isString() || !messageNr.isDouble() || !key.isString()) {
            ZVLogError(u"File::filesFromReference: missing values");
            continue;
        }
        const QString conversationId = conversation.toString();
        const auto nr = static_cast<std::int64_t>(messageNr.toDouble());
        if (!haveLast || conversationId != lastConversation || nr != lastMessageNr) {
            table = clipFilesOfMessage(conversationId, nr);
            lastConversation = conversationId;
            lastMessageNr = nr;
            haveLast = true;
        }
        if (const auto file = table.value(key.toString())) {
            result.push_back(file);
        }
    }
    return result;
}

bool ZVClipboardMessage::isInClipboard() {
    return platform::Pasteboard::general()->containsType(kMessageType);
}

QString ZVClipboardMessage::quotedText() const {
    QString block;
    if (!quoteHeader_.isEmpty()) {
        block += quoteHeader_ + u'\n';
    }
    bool previousDropped = false;
    for (const QString& line : quotedText_.split(u'\n')) {
        if (!line.isEmpty() || previousDropped) {
            block += u"> "_s + line + u'\n';
            previousDropped = false;
        } else {
            previousDropped = true;
        }
    }
    return block;
}
