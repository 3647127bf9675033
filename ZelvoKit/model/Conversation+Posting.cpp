#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

#include <algorithm>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMessages;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kPendingFiles = u"pendingFiles"_s;

// The form unsent work takes outside the store.
const QString kKeptConversationId = u"conversation_id"_s;
const QString kKeptDraft = u"draft"_s;
const QString kKeptMessages = u"messages"_s;
const QString kKeptMessageType = u"mk_message_type"_s;
const QString kKeptRequestId = u"client_req_id"_s;
const QString kKeptPostedTime = u"posted_ms"_s;
const QString kKeptFiles = u"files"_s;
const QString kKeptFileUrl = u"file_url"_s;
// What a local message is made of, besides its number and its time.
const QStringList kKeptMessageAttributes{
    u"message"_s,      u"mk_message_type"_s, u"tags"_s,         u"subject"_s,
    u"cleaned_html"_s, u"client_req_id"_s,   u"assignee_ids"_s, u"pin_weight"_s,
};
// What an attachment of a local message is made of, besides its place (conversation, message,
// poster), which it takes from the message it is put back into.
const QStringList kKeptFileAttributes{
    u"attachment_id"_s, u"file_name"_s,  u"file_size"_s,      u"file_type"_s,
    u"file_sha256"_s,   u"file_url"_s,   u"width"_s,          u"height"_s,
    u"is_animated"_s,   u"thumb_urls"_s, u"orig_file_name"_s, u"orig_file_size"_s,
};

QJsonObject keptValues(const platform::ManagedObject& object, const QStringList& attributes) {
    QJsonObject kept;
    for (const QString& attribute : attributes) {
        if (const QVariant value = object.value(attribute); !value.isNull()) {
            kept.insert(attribute, QJsonValue::fromVariant(value));
        }
    }
    return kept;
}

void restoreValues(platform::ManagedObject& object, const QJsonObject& kept,
                   const QStringList& attributes) {
    for (const QString& attribute : attributes) {
        if (kept.contains(attribute)) {
            object.setValue(attribute, kept.value(attribute).toVariant());
        }
    }
}

// An attachment put back into the new store. A local file kept aside is copied back among the
// account's uploads, where the upload finds it, and its preview follows it there.
std::shared_ptr<File> restoreFile(const std::shared_ptr<ZVRepositorySession>& session,
                                  const QJsonObject& kept) {
    const auto file = session->repository()->createObjectOfClass<File>(QString(File::kEntityName));
    if (!file) {
        return nullptr;
    }
    restoreValues(*file, kept, kKeptFileAttributes);
    const QUrl keptUrl(kept.value(kKeptFileUrl).toString());
    if (!keptUrl.isLocalFile()) {
        return file;
    }
    QFile copy(keptUrl.toLocalFile());
    const auto transfers = ZVApi::api().fileTransfers();
    const QUrl placed = transfers && copy.open(QIODevice::ReadOnly)
                            ? transfers->createUploadFileWithName(
                                  QFileInfo(copy.fileName()).fileName(), session, copy.readAll())
                            : QUrl();
    if (placed.isEmpty()) {
        ZVLogError(u"Conversation::RestoreUnsentWork: file %@ lost", copy.fileName());
    }
    file->setFileUrl(placed.isEmpty() ? QString() : placed.toString());
    file->setThumbUrls(file->thumbUrls().replace(keptUrl.toString(),
                                                 placed.isEmpty() ? QString() : placed.toString()));
    return file;
}

// Where the composed conversation's sends go once the service has made it: the conversation
// itself, or the known one that took its messages.
std::shared_ptr<Conversation> sendingConversation(const std::weak_ptr<Conversation>& composed) {
    const auto conversation = composed.lock();
    if (!conversation || !conversation->isDeleted()) {
        return conversation;
    }
    return conversation->takenOverBy();
}

}  // namespace

std::shared_ptr<ZVMessageQueue> Conversation::messageQueue(bool create) {
    if (!messageQueue_ && create) {
        messageQueue_ = ZVMessageQueue::create(self());
    }
    return messageQueue_;
}

void Conversation::postMessage(const QString& text, const QString& subject,
                               const std::vector<std::shared_ptr<File>>& files) {
    messageQueue()->postMessage(text, subject, files);
    createOnServiceThenSend();
}

void Conversation::postMessage(const QString& text, const QString& subject,
                               const std::vector<std::shared_ptr<File>>& files, int modifier) {
    messageQueue()->postMessage(text, subject, files, modifier);
    createOnServiceThenSend();
}

void Conversation::createOnServiceThenSend() {
    // The queue sends nothing for the composed conversation until the service has made it.
    if (!isNewConversation()) {
        return;
    }
    const std::weak_ptr<Conversation> weak = self();
    sortedMembers()->commitAdds(
        [weak] {
            if (const auto conversation = sendingConversation(weak)) {
                conversation->messageQueue()->attemptSend();
            }
        },
        {});
}

void Conversation::forwardMessage(const std::shared_ptr<Message>& message) {
    if (isNewConversation()) {
        // Forwarded once the service has made the conversation, which this object becomes.
        const std::weak_ptr<Conversation> weak = self();
        sortedMembers()->commitAdds(
            [weak, message] {
                const auto conversation = sendingConversation(weak);
                if (conversation && !conversation->isNewConversation()) {
                    conversation->forwardMessage(message);
                }
            },
            {});
        return;
    }
    messageQueue()->forwardMessage(message);
}

// --- local messages ---

std::shared_ptr<Message> Conversation::createLocalMessage(int type) {
    if (!messages_) {
        if (isNewConversation()) {
            messages_ = std::make_shared<ZVMessageArray>();
        } else {
            loadMessages();
        }
    }
    const auto session = repositorySession();
    auto message =
        session && session->repository()
            ? session->repository()->createObjectOfClass<Message>(QString(Message::kEntityName))
            : nullptr;
    if (!message) {
        ZVLogError(u"Conversation::CreateMessageType failed");
        return nullptr;
    }
    // Above everything in the window and every local number in use: one row per number.
    std::int64_t nr = Message::kFirstPendingMessageNr;
    if (!messages_->isEmpty()) {
        nr = std::max(nr, messages_->lastMessage()->messageNr() + 1);
    }
    if (const auto pending = pendingMessageNr(); pending && *pending >= nr) {
        nr = *pending + 1;
    }
    setPendingMessageNr(nr);
    message->setConversationId(conversationId());
    message->setMessageNr(nr);
    message->setMessageType(type);
    message->setPostedTime(platform::Scheduler::main().currentDate());
    if (session->profile()) {
        message->setAccountId(session->profile()->contactId());
    }
    return message;
}

bool Conversation::finishLocalMessage(const std::shared_ptr<Message>& message,
                                      const std::function<void(Message&)>& prepare) {
    message->setConversation(self());
    message->setField(Message::FieldBody, true);
    if (prepare) {
        prepare(*message);
    }
    const auto session = repositorySession();
    if (const auto error = message->validateForInsert()) {
        ZVLogError(u"Conversation::CreateMessageType: %@", error->message());
        session->repository()->deleteObject(message);
        return false;
    }
    message->awakeFromFetch();
    changeValueForKey(kMessages, [&] { messages_->addMessage(message); });
    // Saved before the caller goes on: a message accepted is never lost to a crash.
    session->saveContext();
    return true;
}

std::shared_ptr<Message> Conversation::createMessageWithText(
    const QString& text, const std::vector<std::shared_ptr<File>>& files,
    const std::function<void(Message&)>& prepare) {
    const std::shared_ptr<Message> message = createLocalMessage(Message::TypeText);
    if (!message) {
        return nullptr;
    }
    const Message::Files absorbed = message->absorbFiles(files);
    QStringList keys;
    for (const auto& file : absorbed) {
        keys.append(file->attachmentId());
    }
    message->setMessage(ZVMarkupServices::xmlWithMessage(
        text, keys.isEmpty() ? std::nullopt : std::optional<QStringList>(keys)));
    if (!finishLocalMessage(message, prepare)) {
        return nullptr;
    }
    if (!files.empty()) {
        message->updateRepresentation();
    }
    return message;
}

std::shared_ptr<Message> Conversation::createMessageWithMessage(
    const std::shared_ptr<Message>& source, const std::function<void(Message&)>& prepare) {
    const std::shared_ptr<Message> message = createLocalMessage(Message::TypeHtmlEmail);
    if (!message) {
        return nullptr;
    }
    // The original travels as the one file reference, "<conversation>:<number>".
    message->setMessage(ZVMarkupServices::xmlWithMessage(
        ZVMarkupServices::plainTextWithMarkup(source->message(), false),
        QStringList{source->guid()}));
    message->setCleanedHtml(source->cleanedHtml());
    message->setSubject(source->subject());
    return finishLocalMessage(message, prepare) ? message : nullptr;
}

std::shared_ptr<Message> Conversation::createStoredMessage(const std::shared_ptr<Message>& local,
                                                           std::int64_t storedNr,
                                                           const QString& sentBody) {
    const auto session = repositorySession();
    auto message =
        session && session->repository()
            ? session->repository()->createObjectOfClass<Message>(QString(Message::kEntityName))
            : nullptr;
    if (!message) {
        return nullptr;
    }
    message->setConversationId(conversationId());
    message->setMessageNr(storedNr);
    message->setMessageType(local->messageType().value_or(Message::TypeText));
    message->setAccountId(local->accountId());
    message->setPostedTime(local->postedTime());
    message->setMessage(sentBody);
    message->setTags(local->tags());
    if (!local->subject().isNull()) {
        message->setSubject(local->subject());
    }
    message->setConversation(self());
    if (const auto error = message->validateForInsert()) {
        ZVLogError(u"Conversation::CreateStoredMessage: %@", error->message());
        session->repository()->deleteObject(message);
        return nullptr;
    }
    message->awakeFromFetch();
    // Found by its number from now on, so the record updates it rather than making a second row.
    addMessage(message);
    if (session->inTransaction()) {
        session->conversationChanged(self());
    }
    return message;
}

void Conversation::deleteMessageNr(std::int64_t messageNr) {
    const std::shared_ptr<Message> message = messageByNumber(messageNr, true);
    // A deleted message standing in the inbox row would still be found by its number.
    if (inboxMessage_ && inboxMessage_->messageNr() == messageNr) {
        willChangeProperties({u"inboxDate"_s, u"inboxMessageText"_s});
        inboxMessage_.reset();
    }
    cachedMessages_.removeMessageNr(messageNr);
    if (pinnedMessages_ &&
        pinnedMessages_->indexOfMessageNr(messageNr) != ZVMessageArray::kNotFound) {
        changeValueForKey(u"pinnedMessages"_s,
                          [&] { pinnedMessages_->removeMessageNr(messageNr); });
    }
    if (messages_ && messages_->indexOfMessageNr(messageNr) != ZVMessageArray::kNotFound) {
        changeValueForKey(kMessages, [&] { messages_->removeMessageNr(messageNr); });
    }
    if (pendingMessageNr() == messageNr) {
        std::int64_t next = 0;
        for (std::int64_t k = messageNr - 1; k >= Message::kFirstPendingMessageNr; --k) {
            if (messageByNumber(k)) {
                next = k;
                break;
            }
        }
        // 0, not unset: the queue outlives its last message until the conversation commits.
        setPendingMessageNr(next);
    }
    if (lastMessageNr() == messageNr) {
        setLastMessageNr(messageNr - 1);
        if (readMessageNr() == messageNr) {
            setReadMessageNrValue(messageNr - 1);
        }
    }
    if (fwMessageNr() == messageNr) {
        setFwMessageNr(messageNr - 1);
    }
    if (inboxMessageNr() == messageNr) {
        setInboxMessageNrValue(std::nullopt);
    }
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return;
    }
    if (message) {
        session->repository()->deleteObject(message);
    }
    for (const auto& file : session->filesInMessageNr(messageNr, conversationId())) {
        if (files_ && files_->items().contains(file)) {
            changeValueForKey(u"files"_s, [&] { files_->removeItem(file); });
        }
        session->repository()->deleteObject(file);
    }
}

void Conversation::takeComposedMessages(const std::shared_ptr<Conversation>& composed) {
    if (!composed || composed.get() == this) {
        return;
    }
    composed->takenOverBy_ = self();
    // Its queue stops; the messages are sent from here, with the ids they were saved with.
    composed->messageQueue_.reset();
    ZVMessageQueue::removeBaseline(composed->conversationId());
    const bool ownMessagesWait = messageQueue_ && messageQueue_->count() > 0;
    if (!composed->pendingFiles_.empty()) {
        willChangeProperty(kPendingFiles);
        for (const auto& file : composed->pendingFiles_) {
            file->setConversationId(conversationId());
            pendingFiles_.push_back(file);
        }
        composed->pendingFiles_.clear();
    }
    const std::int64_t pending = pendingMessageNr().value_or(0);
    if (pending < Message::kFirstPendingMessageNr) {
        return;
    }
    const ZVMessageArray local = loadMessagesFrom(Message::kFirstPendingMessageNr, pending, false);
    if (messages_) {
        changeValueForKey(kMessages, [&] {
            for (const auto& message : local) {
                if (messages_->indexOfMessageNr(message->messageNr()) ==
                    ZVMessageArray::kNotFound) {
                    messages_->addMessage(message);
                }
            }
        });
    }
    reloadMessageQueue();
    // What the composed messages were written against is this conversation as it stands now;
    // messages of its own keep the baseline they were written against.
    if (!ownMessagesWait) {
        messageQueue_->updateSendStartMessageNr();
    }
}

void Conversation::reloadMessageQueue() {
    // A queue in flight keeps its send; it was made with the messages it sends.
    if (!messageQueue_ || messageQueue_->status() != ZVMessageQueue::Sending) {
        messageQueue_ = ZVMessageQueue::create(self());
    }
}

// --- unsent work across a replaced store ---

QJsonObject Conversation::unsentWork() {
    QJsonArray messages;
    if (const std::int64_t pending = pendingMessageNr().value_or(0);
        pending >= Message::kFirstPendingMessageNr) {
        for (const auto& message :
             loadMessagesFrom(Message::kFirstPendingMessageNr, pending, false)) {
            QJsonObject kept = keptValues(*message, kKeptMessageAttributes);
            kept.insert(kKeptPostedTime, message->postedTime().toMSecsSinceEpoch());
            QJsonArray files;
            for (const auto& file : message->representation()->files().value_or(Message::Files())) {
                files.append(keptValues(*file, kKeptFileAttributes));
            }
            if (!files.isEmpty()) {
                kept.insert(kKeptFiles, files);
            }
            messages.append(kept);
        }
    }
    const QString draft = pendingMessage();
    if (messages.isEmpty() && draft.isEmpty()) {
        return {};
    }
    QJsonObject work{{kKeptConversationId, conversationId()}, {kKeptMessages, messages}};
    if (!draft.isEmpty()) {
        work.insert(kKeptDraft, draft);
    }
    return work;
}

void Conversation::restoreUnsentWork(const QJsonObject& work) {
    if (const QString draft = work.value(kKeptDraft).toString();
        !draft.isEmpty() && pendingMessage().isEmpty()) {
        setPendingMessageText(draft);
    }
    QSet<QString> waiting;
    if (const std::int64_t pending = pendingMessageNr().value_or(0);
        pending >= Message::kFirstPendingMessageNr) {
        for (const auto& message :
             loadMessagesFrom(Message::kFirstPendingMessageNr, pending, false)) {
            waiting.insert(message->clientRequestId());
        }
    }
    bool restored = false;
    for (const QJsonValue& value : work.value(kKeptMessages).toArray()) {
        const QJsonObject kept = value.toObject();
        if (waiting.contains(kept.value(kKeptRequestId).toString())) {
            continue;
        }
        const auto message =
            createLocalMessage(kept.value(kKeptMessageType).toInt(Message::TypeText));
        if (!message) {
            continue;
        }
        Message::Files files;
        const bool made = finishLocalMessage(message, [&](Message& local) {
            restoreValues(local, kept, kKeptMessageAttributes);
            local.setPostedTime(
                QDateTime::fromMSecsSinceEpoch(kept.value(kKeptPostedTime).toInteger()));
            // The message's text names them already: they only take their place in it.
            for (const QJsonValue& keptFile : kept.value(kKeptFiles).toArray()) {
                const auto file = restoreFile(repositorySession(), keptFile.toObject());
                if (const auto placed = file ? local.absorbFile(file) : nullptr) {
                    files.push_back(placed);
                }
            }
        });
        if (!made) {
            for (const auto& file : files) {
                file->deleteFile();
            }
            continue;
        }
        // The upload starts again; the queue waits for it.
        for (const auto& file : files) {
            if (file->status() == File::Status::LocalIdle) {
                file->retryUpload();
            }
        }
        restored = true;
    }
    if (restored) {
        reloadMessageQueue();
    }
}

// --- what waits in the editor ---

void Conversation::setPendingMessage(const QString& text) {
    if (isDeleted()) {
        return;
    }
    willChangeProperty(u"inboxMessageText"_s);
    setPendingMessageText(text.isEmpty() ? QString() : text);
    if (const auto session = repositorySession()) {
        session->conversationChanged(self());
    }
}

void Conversation::clearPendingMessage() {
    willChangeProperties({u"pending_message"_s, kPendingFiles});
    setPendingMessageText(QString());
    pendingFiles_.clear();
}

void Conversation::addPendingFile(const std::shared_ptr<File>& file) {
    std::shared_ptr<File> used = file;
    if (!used->conversationId().isEmpty() && used->conversationId() != conversationId()) {
        used = used->clone();
    }
    if (used && used->messageNr() >= 1) {
        used = used->clone();
    }
    if (!used) {
        return;
    }
    used->setConversationId(conversationId());
    used->setMessageNr(0);
    willChangeProperty(kPendingFiles);
    pendingFiles_.push_back(used);
}

void Conversation::setForwardedMessage(std::shared_ptr<ZVClipboardMessage> message) {
    const QString key = u"forwardedMessage"_s;
    willChangeValueForKey(key);
    forwardedMessage_ = std::move(message);
    didChangeValueForKey(key);
}

void Conversation::removePendingFile(const std::shared_ptr<File>& file) {
    const auto found = std::find(pendingFiles_.begin(), pendingFiles_.end(), file);
    if (found == pendingFiles_.end()) {
        return;
    }
    willChangeProperty(kPendingFiles);
    pendingFiles_.erase(found);
    file->deleteFile();
}

QString Conversation::subject() {
    if (!messages_) {
        loadMessages();
    }
    for (auto it = messages_->messages().rbegin(); it != messages_->messages().rend(); ++it) {
        if (!(*it)->subject().isEmpty()) {
            return (*it)->subject();
        }
    }
    const QString title = topic();
    return title.isEmpty() ? QString() : title;
}
