#include "ZelvoKit/model/ZVMessageQueue.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <utility>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kBaselineKeyFormat = u"pmr_%1"_s;
const QString kResultMessageNr = u"result_message_nr"_s;

// The slash commands the queue acts on; the word must be followed by a blank.
const std::vector<std::pair<QString, int>>& commands() {
    static const std::vector<std::pair<QString, int>> table{
        {u"pin"_s, ZVMessageQueue::Pin},     {u"bug"_s, ZVMessageQueue::Bug},
        {u"task"_s, ZVMessageQueue::Task},   {u"taskto"_s, ZVMessageQueue::TaskTo},
        {u"leave"_s, ZVMessageQueue::Leave}, {u"add"_s, ZVMessageQueue::Add},
    };
    return table;
}

double now() {
    return platform::Scheduler::main().now();
}

std::shared_ptr<ZVRepositorySession> sessionOf(const std::shared_ptr<Conversation>& conversation) {
    return conversation ? std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session())
                        : nullptr;
}

}  // namespace

std::shared_ptr<ZVMessageQueue> ZVMessageQueue::create(
    const std::shared_ptr<Conversation>& conversation) {
    auto queue = std::shared_ptr<ZVMessageQueue>(new ZVMessageQueue(conversation));
    bool newIds = false;
    for (const auto& message : queue->messages_) {
        // A message stored before ids were kept with it gets one now, kept from here on.
        if (message->clientRequestId().isEmpty()) {
            message->setClientRequestId(ZelvoUtils::generateUUID().toLower());
            newIds = true;
        }
    }
    if (newIds) {
        queue->saveStore();
    }
    return queue;
}

ZVMessageQueue::ZVMessageQueue(const std::shared_ptr<Conversation>& conversation)
    : conversation_(conversation) {
    if (const auto pending = conversation->pendingMessageNr();
        pending && *pending >= Message::kFirstPendingMessageNr) {
        messages_ = conversation->loadMessagesFrom(Message::kFirstPendingMessageNr, *pending, true);
    }
    sendStartLastMessageNr_ = platform::UserDefaults::standard()->integerForKey(baselineKey());
    if (sendStartLastMessageNr_ != conversation->lastInboxNr().value_or(0)) {
        status_ = Failed;
    }
    if (!messages_.isEmpty()) {
        sendStartTime_ = messages_[0]->postedTime().toMSecsSinceEpoch() / 1000.0;
        // The attempt checks the baseline again and fails the queue if it moved.
        status_ = Queued;
    }
}

void ZVMessageQueue::moveBaseline(const QString& fromConversationId,
                                  const QString& toConversationId) {
    const auto defaults = platform::UserDefaults::standard();
    const QString from = kBaselineKeyFormat.arg(fromConversationId);
    const QVariant value = defaults->objectForKey(from);
    if (!value.isValid()) {
        return;
    }
    defaults->setObject(value, kBaselineKeyFormat.arg(toConversationId));
    defaults->removeObjectForKey(from);
}

void ZVMessageQueue::removeBaseline(const QString& conversationId) {
    platform::UserDefaults::standard()->removeObjectForKey(kBaselineKeyFormat.arg(conversationId));
}

QString ZVMessageQueue::baselineKey() const {
    const auto conversation = conversation_.lock();
    return kBaselineKeyFormat.arg(conversation ? conversation->conversationId() : QString());
}

std::shared_ptr<Message> ZVMessageQueue::pendingMessage() const {
    return messages_.isEmpty() ? nullptr : messages_[0];
}

bool ZVMessageQueue::isInitialSend() const {
    return now() - sendStartTime_ < kInitialSendInterval;
}

QString ZVMessageQueue::requestId(std::int64_t messageNr) const {
    const auto message = messages_.messageByNr(messageNr);
    return message ? message->clientRequestId() : QString();
}

// --- posting ---

void ZVMessageQueue::postMessage(const QString& text) {
    postMessage(text, QString(), {});
}

void ZVMessageQueue::postMessage(const QString& text, const QString& subject,
                                 const Message::Files& files) {
    int modifier = NoModifier;
    QString rest = text;
    if (text.startsWith(u'/')) {
        for (const auto& [word, value] : commands()) {
            const QString prefix = u"/%1 "_s.arg(word);
            if (text.startsWith(prefix, Qt::CaseInsensitive)) {
                modifier = value;
                rest = text.mid(prefix.size());
                break;
            }
        }
    }
    postMessage(rest, subject, files, modifier);
}

void ZVMessageQueue::postMessage(const QString& text, const QString& subject,
                                 const Message::Files& files, int modifier) {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    resetState();
    QString body = text;
    QString assignee;
    if (modifier == Bug) {
        body = u"((bug)) %1"_s.arg(text);
    } else if (modifier == TaskTo && text.startsWith(u'@')) {
        const qsizetype blank = text.indexOf(u' ');
        if (const auto member = conversation->sortedMembers()->memberByLookupString(
                text.mid(1, blank < 0 ? -1 : blank - 1))) {
            assignee = member->accountId();
        }
        body = blank < 0 ? QString() : text.mid(blank + 1);
    } else if (modifier == Leave) {
        conversation->leave();
        return;
    } else if (modifier == Add) {
        if (ZelvoUtils::isValidEmail(text)) {
            const auto& members = conversation->sortedMembers();
            members->addEmail(text, QString());
            members->commitAdds({}, {});
        }
        return;
    }
    const std::shared_ptr<Message> message =
        conversation->createMessageWithText(body, files, [&](Message& created) {
            created.setSubject(subject);
            created.setClientRequestId(ZelvoUtils::generateUUID().toLower());
            if (modifier == Pin) {
                created.pin();
            }
            if (modifier == TaskTo && !assignee.isEmpty()) {
                created.setAssignees({assignee});
            }
            if (modifier == Bug || modifier == Task || modifier == TaskTo) {
                created.setTags(QList<int>{Message::TagTodo}, QList<int>{});
            }
        });
    if (!message) {
        return;
    }
    enqueue(message);
    if (status_ == Queued) {
        attemptSend();
    }
}

void ZVMessageQueue::forwardMessage(const std::shared_ptr<Message>& source) {
    const auto conversation = conversation_.lock();
    if (!conversation || !source) {
        return;
    }
    resetState();
    const std::shared_ptr<Message> message = conversation->createMessageWithMessage(
        source,
        [](Message& created) { created.setClientRequestId(ZelvoUtils::generateUUID().toLower()); });
    if (!message) {
        return;
    }
    enqueue(message);
    if (sendingMessageNr_ == 0) {
        attemptSend();
    }
}

void ZVMessageQueue::enqueue(const std::shared_ptr<Message>& message) {
    messages_.addMessage(message);
    updateStatus();
}

// --- sending ---

void ZVMessageQueue::attemptSend() {
    const auto conversation = conversation_.lock();
    // A refused message waits for the user to resend it.
    if (!conversation || conversation->isNewConversation() || sendingMessageNr_ != 0 ||
        status_ == Failed) {
        return;
    }
    if (messages_.isEmpty()) {
        if (ZVApi::api().backgroundMode()) {
            ZVApi::api().endBackgroundTaskIfDone();
        }
        return;
    }
    retryTimer_.cancel();
    if (baselineAfterStore_) {
        // The answer that brought the last stored message is applied by now: the user's own
        // message does not count as someone else's post.
        baselineAfterStore_ = false;
        updateSendStartMessageNr();
    }
    if (sendStartLastMessageNr_ != conversation->lastInboxNr().value_or(0)) {
        setFailed(true);
        return;
    }
    sendMessage(messages_[0]);
}

bool ZVMessageQueue::hasFileWithStatus(const std::shared_ptr<Message>& message, int status) {
    if (const auto files = message->representation()->files()) {
        for (const auto& file : *files) {
            if (static_cast<int>(file->status()) == status) {
                return true;
            }
        }
    }
    return false;
}

void ZVMessageQueue::sendMessage(const std::shared_ptr<Message>& message) {
    const auto conversation = conversation_.lock();
    const auto session = sessionOf(conversation);
    if (!session) {
        return;
    }
    if (hasFileWithStatus(message, static_cast<int>(File::Status::LocalIdle))) {
        setFailed(true);
        return;
    }
    if (hasFileWithStatus(message, static_cast<int>(File::Status::Uploading))) {
        updateStatus();
        return;
    }
    const std::shared_ptr<ZVApiRequest> request = message->getStoreRequest(!isInitialSend());
    if (!request) {
        // Nothing that could be sent: shown as failed rather than left in flight.
        setFailed(true);
        return;
    }
    const std::int64_t sentNr = message->messageNr();
    const QString sentBody = message->message();
    sendingMessageNr_ = sentNr;
    request->setRequestId(message->clientRequestId());

    // The answer and the stream's "request" record both tell the stored number; the first ends
    // the send.
    const auto done = std::make_shared<bool>(false);
    const std::weak_ptr<ZVMessageQueue> weak = shared_from_this();
    const auto complete = [weak, done, sentNr, sentBody](std::int64_t storedNr) {
        const auto self = weak.lock();
        if (!self || *done) {
            return;
        }
        *done = true;
        self->completeSend(sentNr, storedNr, sentBody);
    };
    request->setHandler([complete](ZVJsonParser& answer) -> ZVErrorPtr {
        complete(answer.extractInt(kResultMessageNr, 0));
        return nullptr;
    });
    request->setEarlyCompletionHandler(complete);
    request->setErrorHandler([weak, done, sentNr](const ZVErrorPtr& error) {
        const auto self = weak.lock();
        if (!self || *done) {
            return;
        }
        *done = true;
        self->failSend(sentNr, error);
    });
    session->sendRequest(request);
    updateStatus();
}

void ZVMessageQueue::completeSend(std::int64_t sentNr, std::int64_t storedNr,
                                  const QString& sentBody) {
    ZVApi& api = ZVApi::api();
    for (const auto& stats : {api.sessionStats(), api.cumulativeStats()}) {
        if (stats) {
            stats->reportSentMessage();
        }
    }
    sendingMessageNr_ = 0;
    const auto conversation = conversation_.lock();
    if (const auto pending = messages_.messageByNr(sentNr)) {
        // An edit made while the message was on its way goes to the stored message, and only
        // such an edit: the body sent is the service's already. When the answer comes before the
        // stream's record of the stored message, the edit waits in the store in a message made
        // of what was sent, which the record then completes.
        if (conversation && storedNr > 0 && pending->message() != sentBody) {
            std::shared_ptr<Message> stored = conversation->messageByNumber(storedNr, true);
            if (!stored) {
                stored = conversation->createStoredMessage(pending, storedNr, sentBody);
            }
            if (stored) {
                stored->editBody(ZVMarkupServices::plainTextWithMarkup(pending->message(), false),
                                 pending->representation()->files().value_or(Message::Files()));
            }
        }
        pending->setActualMessageNr(storedNr);
        deleteMessage(pending);
    }
    baselineAfterStore_ = true;
    saveStore();
    scheduleAttempt(kNextSendDelay);
}

void ZVMessageQueue::failSend(std::int64_t sentNr, const ZVErrorPtr& error) {
    sendingMessageNr_ = 0;
    if (const auto pending = messages_.messageByNr(sentNr);
        pending && pending->message().isEmpty()) {
        deleteMessage(pending);
    }
    const int code = error ? error->code() : 0;
    if (code >= kFirstRefusal && code <= kLastRefusal) {
        setFailed(true);
    } else {
        beginRetry();
    }
}

void ZVMessageQueue::scheduleAttempt(double delay) {
    const std::weak_ptr<ZVMessageQueue> weak = shared_from_this();
    attemptTimer_ = platform::Scheduler::main().after(delay, [weak] {
        if (const auto self = weak.lock()) {
            self->attemptSend();
        }
    });
}

void ZVMessageQueue::beginRetry() {
    if (sendingMessageNr_ != 0 || messages_.isEmpty() || retryTimer_.isValid()) {
        return;
    }
    const std::weak_ptr<ZVMessageQueue> weak = shared_from_this();
    retryTimer_ = platform::Scheduler::main().after(
        isInitialSend() ? kInitialRetryDelay : kLaterRetryDelay, [weak] {
            if (const auto self = weak.lock()) {
                self->attemptSend();
            }
        });
    updateStatus();
}

// --- state ---

void ZVMessageQueue::updateStatus() {
    if (status_ == Failed) {
        return;
    }
    if (messages_.isEmpty()) {
        status_ = Empty;
    } else if (sendingMessageNr_ != 0) {
        status_ = Sending;
    } else if (retryTimer_.isValid()) {
        status_ = RetryArmed;
    } else if (hasFileWithStatus(messages_[0], static_cast<int>(File::Status::Uploading))) {
        status_ = WaitingForUpload;
    } else {
        status_ = Queued;
    }
}

void ZVMessageQueue::resetState() {
    for (const auto& message : messages_) {
        if (const auto files = message->representation()->files()) {
            for (const auto& file : *files) {
                if (file->status() == File::Status::LocalIdle) {
                    file->retryUpload();
                }
            }
        }
    }
    setFailed(false);
    updateSendStartMessageNr();
    sendStartTime_ = now();
}

void ZVMessageQueue::setFailed(bool failed) {
    if (failed) {
        status_ = Failed;
    } else {
        status_ = Empty;
        updateStatus();
    }
    if (const auto conversation = conversation_.lock()) {
        conversation->willChangeProperties({u"messages"_s, u"inboxMessageText"_s, u"inboxDate"_s});
    }
    for (const auto& message : messages_) {
        message->updateRepresentation();
    }
}

void ZVMessageQueue::deleteMessage(const std::shared_ptr<Message>& message) {
    const auto conversation = conversation_.lock();
    const std::int64_t nr = message->messageNr();
    if (const auto files = message->representation()->files()) {
        for (const auto& file : *files) {
            if (conversation) {
                conversation->deleteFile(file->attachmentId(), nr);
            }
            file->deleteFile();
        }
    }
    messages_.removeMessageNr(nr);
    if (conversation) {
        conversation->deleteMessageNr(nr);
        // The inbox row shows the last local message and the queue's failure: both may go with it.
        conversation->willChangeProperties({u"messages"_s, u"inboxMessageText"_s, u"inboxDate"_s});
    }
    updateStatus();
}

void ZVMessageQueue::resendMessage() {
    resetState();
    attemptSend();
}

void ZVMessageQueue::updateSendStartMessageNr() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    sendStartLastMessageNr_ = conversation->lastInboxNr().value_or(0);
    platform::UserDefaults::standard()->setInteger(sendStartLastMessageNr_, baselineKey());
}

void ZVMessageQueue::saveStore() const {
    const auto session = sessionOf(conversation_.lock());
    if (session && !session->inTransaction()) {
        session->saveContext();
    }
}
