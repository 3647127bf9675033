#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Scheduler.h"

#include <algorithm>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMessages;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kIsLoading = u"isLoading"_s;
const QString kLoadRequest = u"loadRequest"_s;
// What the screen shows above the first message follows the loading; it observes this key.
const QString kLoadState = u"loadState"_s;

const QString kMessageRange =
    u"(conversation_id = $id) and (message_nr >= $from) and (message_nr <= $to)"_s;
const QString kMessageByInboxNr = u"(conversation_id = $id) and (inbox_nr = $nr)"_s;
const QString kMessageByNr = u"(conversation_id = $id) and (message_nr = $message_nr)"_s;
const QString kUncommittedMessage =
    u"(conversation_id = $id) and (uncommitted_fields > 0) and (message_nr < $mnr)"_s;

// The first window reaches this many inbox messages, or message numbers, back from the end.
constexpr std::int64_t kFirstWindowSpan = 20;
// Each page backward adds this many inbox messages.
constexpr std::int64_t kPageInboxSpan = 30;
// A linked message is shown with this many numbers either side.
constexpr std::int64_t kContextSpan = 10;
// Messages either side of a linked one that must be loaded for it to be shown in context.
constexpr int kContextCount = 5;
// Inbox numbers of neighbours this far apart mean messages are missing between them.
constexpr std::int64_t kInboxNrBreak = 2;
// A conversation known only by its short record is loaded only while this recent.
constexpr qint64 kTinyRecordLoadAge = 2592000;

}  // namespace

// --- load requests ---

void Conversation::setLoadRequest(int type, std::int64_t messageNr) {
    willChangeValueForKey(kIsLoading);
    willChangeValueForKey(kLoadState);
    willChangeValueForKey(kLoadRequest);
    loadRequest_ = ZVConversationLoadRequest(type, messageNr);
    didChangeValueForKey(kLoadRequest);
    didChangeValueForKey(kLoadState);
    didChangeValueForKey(kIsLoading);
    if (const auto session = repositorySession()) {
        session->commitObject(self());
    }
}

void Conversation::clearLoadRequest() {
    willChangeValueForKey(kIsLoading);
    willChangeValueForKey(kLoadState);
    willChangeValueForKey(kLoadRequest);
    loadRequest_.reset();
    didChangeValueForKey(kLoadRequest);
    didChangeValueForKey(kLoadState);
    didChangeValueForKey(kIsLoading);
}

void Conversation::fillGapFromMessageNr(std::int64_t messageNr, bool directionBefore) {
    setLoadRequest(directionBefore ? ZVConversationLoadRequest::GapBefore
                                   : ZVConversationLoadRequest::GapAfter,
                   messageNr);
}

bool Conversation::needsMessageLoad() const {
    if (isNewConversation() || messageLoadRefused_) {
        return false;
    }
    const std::int64_t completeness = recordCompleteness();
    if (completeness < RecordTiny) {
        return true;
    }
    if (completeness > RecordTiny) {
        return numberOfLocalMessagesPresent() < numberOfLocalMessagesRequired();
    }
    // Known by its short record only: worth loading while recent and listed under a label.
    const QDateTime inbox = inboxTime();
    if (inbox.isValid() &&
        inbox.secsTo(platform::Scheduler::main().currentDate()) > kTinyRecordLoadAge) {
        return false;
    }
    const auto session = repositorySession();
    if (!session) {
        return false;
    }
    const auto& labels = session->labels();
    return std::any_of(labels.begin(), labels.end(), [this](const std::shared_ptr<Label>& label) {
        return label->isConversationMember(*this);
    });
}

bool Conversation::needsSync() const {
    return ZVManagedObject::needsSync() || needsMessageLoad() || loadRequest_.has_value();
}

std::int64_t Conversation::numberOfLocalMessagesRequired() const {
    if (lastMessageNr().value_or(0) < 1) {
        return 0;
    }
    const std::int64_t join = joinMessageNr().value_or(0);
    const auto session = repositorySession();
    const std::int64_t from =
        session && session->syncFullHistory() ? join : readMessageNr().value_or(0);
    return showMessageNr().value_or(0) - std::max(from, join);
}

std::int64_t Conversation::numberOfLocalMessagesPresent() const {
    if (fwMessageNr() && bwMessageNr()) {
        return *fwMessageNr() - *bwMessageNr() + 1;
    }
    return inboxMessageNr() ? 1 : 0;
}

// --- reading the store ---

ZVMessageArray Conversation::loadMessagesFrom(std::int64_t from, std::int64_t to,
                                              bool expectPresent) {
    ZVMessageArray array;
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return array;
    }
    auto fetched =
        session->repository()->fetchObjects<Message>(QString(Message::kEntityName), kMessageRange,
                                                     {{u"id"_s, conversationId()},
                                                      {u"from"_s, QVariant::fromValue(from)},
                                                      {u"to"_s, QVariant::fromValue(to)}});
    if (!fetched) {
        return array;
    }
    const auto conversation = self();
    for (const auto& message : *fetched) {
        message->setConversation(conversation);
    }
    array = ZVMessageArray(std::move(*fetched), ZVMessageArray::AscendingNumber);
    if (expectPresent && array.count() > 1) {
        logMissingMessages(array, from, to);
    }
    return array;
}

void Conversation::logMissingMessages(const ZVMessageArray& array, std::int64_t from,
                                      std::int64_t to) const {
    QStringList missing;
    for (qsizetype i = 1; i < array.count(); ++i) {
        const std::optional<std::int64_t> previous = array[i]->prevMessageNr();
        if (previous != array[i - 1]->messageNr()) {
            missing.append(QString::number(previous.value_or(0)));
        }
    }
    if (missing.isEmpty()) {
        return;
    }
    const auto text = [](std::optional<std::int64_t> nr) {
        return nr ? QString::number(*nr) : u"(null)"_s;
    };
    ZVLogError(u"Conversation: %@: loadMessages(%@, %@)", desc(), from, to);
    ZVLogError(u"bw, fw, last = (%@, %@, %@)", text(bwMessageNr()), text(fwMessageNr()),
               text(lastMessageNr()));
    ZVLogError(u"Missing: [%@]", missing.join(u' '));
}

std::int64_t Conversation::messageNrFromInboxMessageNr(std::int64_t inboxNr) {
    const auto fetched = messagesWithInboxNr(inboxNr);
    return fetched.empty() ? 0 : fetched.back()->messageNr();
}

std::vector<std::shared_ptr<Message>> Conversation::messagesWithInboxNr(std::int64_t inboxNr) {
    return fetchStoredMessages(kMessageByInboxNr, {{u"nr"_s, QVariant::fromValue(inboxNr)}});
}

std::vector<std::shared_ptr<Message>> Conversation::fetchStoredMessages(const QString& predicate,
                                                                        QVariantMap arguments) {
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return {};
    }
    arguments.insert(u"id"_s, conversationId());
    auto fetched = session->repository()->fetchObjects<Message>(QString(Message::kEntityName),
                                                                predicate, arguments);
    if (!fetched) {
        return {};
    }
    const auto conversation = self();
    for (const auto& message : *fetched) {
        message->setConversation(conversation);
    }
    return std::move(*fetched);
}

ZVMessageArray Conversation::loadRecentMessages() {
    const std::int64_t last = lastMessageNr().value_or(0);
    const std::shared_ptr<Message> inbox =
        inboxMessageNr() ? messageByNumber(*inboxMessageNr(), true) : nullptr;
    const std::int64_t inboxNr = inbox ? inbox->inboxNr().value_or(0) : 0;
    const std::int64_t m =
        messageNrFromInboxMessageNr(std::max<std::int64_t>(inboxNr - kFirstWindowSpan, 1));
    std::int64_t from = std::max(std::min(m, last - kFirstWindowSpan), bwMessageNr().value_or(0));
    if (const auto read = readMessageNr()) {
        // The window always reaches down to what the user has read.
        from = std::min(from, *read);
    }
    std::int64_t to = last;
    if (const auto pending = pendingMessageNr(); pending && *pending > to) {
        to = *pending;
    }
    return loadMessagesFrom(from, to, true);
}

std::shared_ptr<Message> Conversation::getUncommittedMessage() {
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return nullptr;
    }
    auto fetched = session->repository()->fetchObjects<Message>(
        QString(Message::kEntityName), kUncommittedMessage,
        {{u"id"_s, conversationId()},
         {u"mnr"_s, QVariant::fromValue(Message::kFirstPendingMessageNr)}});
    if (!fetched || fetched->empty()) {
        return nullptr;
    }
    fetched->back()->setConversation(self());
    return fetched->back();
}

// --- the window ---

void Conversation::loadMessages() {
    if (messages_) {
        const bool stored = !messages_->isEmpty() && !(*messages_)[0]->isPending();
        firstLoadedMessage_ = stored ? (*messages_)[0]->messageNr() : 0;
        return;
    }
    if (recordCompleteness() > RecordTiny) {
        if (fwMessageNr().value_or(0) < showMessageNr().value_or(0) && !loadRequest_) {
            setLoadRequest(ZVConversationLoadRequest::MessageLoad, fwMessageNr().value_or(0));
        }
    } else {
        setLoadRequest(ZVConversationLoadRequest::FillTiny, 0);
    }
    changeValueForKey(kMessages, [this] {
        messages_ = std::make_shared<ZVMessageArray>(loadRecentMessages());
        firstLoadedMessage_ = messages_->isEmpty() ? 0 : (*messages_)[0]->messageNr();
    });
}

void Conversation::loadMoreMessages() {
    const std::int64_t join = joinMessageNr().value_or(0);
    if (firstLoadedMessage_ == join) {
        return;
    }
    if (!messages_ || messages_->isEmpty()) {
        loadMessages();
        return;
    }
    if (loadRequest_) {
        return;
    }
    const std::int64_t first = (*messages_)[0]->messageNr();
    if (firstLoadedMessage_ > first) {
        fillGapFromMessageNr(first, true);
        return;
    }
    const std::shared_ptr<Message> oldest = messageByNumber(firstLoadedMessage_);
    const std::int64_t inboxNr = oldest ? oldest->inboxNr().value_or(0) : 0;
    const std::int64_t from =
        std::max(messageNrFromInboxMessageNr(std::max<std::int64_t>(inboxNr - kPageInboxSpan, 0)),
                 bwMessageNr().value_or(0));
    ZVMessageArray page = loadMessagesFrom(from, firstLoadedMessage_ - 1, false);
    if (!page.isEmpty()) {
        firstLoadedMessage_ = std::min(firstLoadedMessage_, page[0]->messageNr());
        changeValueForKey(kMessages, [&] { messages_->addMessages(page); });
        return;
    }
    if (fwMessageNr().value_or(0) > join) {
        setLoadRequest(ZVConversationLoadRequest::MessageLoad, 0);
    }
}

std::shared_ptr<Message> Conversation::loadMessage(std::int64_t messageNr) {
    // Without a window (the screen opens it first) there is nothing to add to.
    if (!messages_) {
        return nullptr;
    }
    if (auto loaded = messages_->messageByNr(messageNr)) {
        return loaded;
    }
    const std::int64_t from = std::max(messageNr - kContextSpan, joinMessageNr().value_or(0));
    const std::int64_t to = std::min(messageNr + kContextSpan, lastMessageNr().value_or(0));
    ZVMessageArray around = loadMessagesFrom(from, to, false);
    if (!around.isEmpty()) {
        changeValueForKey(kMessages, [&] { messages_->addMessages(around); });
    }
    if (!contextMessagesExistAround(messageNr)) {
        setLoadRequest(ZVConversationLoadRequest::Context, messageNr);
    }
    return messages_->messageByNr(messageNr);
}

bool Conversation::contextMessagesExistAround(std::int64_t messageNr) {
    return contiguousMessagesExistAround(messageNr, kContextCount, +1) &&
           contiguousMessagesExistAround(messageNr, kContextCount, -1);
}

bool Conversation::contiguousMessagesExistAround(std::int64_t messageNr, int count, int direction) {
    if (!messages_) {
        return false;
    }
    qsizetype index = messages_->indexOfMessageNr(messageNr);
    if (index == ZVMessageArray::kNotFound) {
        return false;
    }
    // Each neighbour must follow on from the one before it: an inbox number that jumps means
    // messages are missing between them.
    std::int64_t inboxNr = (*messages_)[index]->inboxNr().value_or(0);
    for (int step = 0; step < count; ++step) {
        index += direction;
        if (index >= messages_->count()) {
            return true;
        }
        if (index < 0) {
            return (*messages_)[0]->messageNr() <= joinMessageNr().value_or(0);
        }
        const std::int64_t next = (*messages_)[index]->inboxNr().value_or(0);
        if (std::abs(next - inboxNr) >= kInboxNrBreak) {
            return false;
        }
        inboxNr = next;
    }
    return true;
}

void Conversation::loadMessageCacheRange(std::int64_t location, std::int64_t length) {
    const std::int64_t end = std::min(location + length - 1, lastMessageNr().value_or(0));
    const std::int64_t start = std::max<std::int64_t>(location, 0);
    const std::int64_t span = std::max<std::int64_t>(end - start + 1, 0);
    if (start == cacheLocation_ && span == cacheLength_) {
        return;
    }
    cacheLocation_ = start;
    cacheLength_ = span;
    cachedMessages_ = span > 0 ? loadMessagesFrom(start, end, false) : ZVMessageArray();
}

void Conversation::dropMessageCache() {
    cachedMessages_.clear();
    cacheLocation_ = 0;
    cacheLength_ = 0;
}

bool Conversation::isInCacheRange(std::int64_t messageNr) const {
    return cacheLocation_ <= messageNr && messageNr - cacheLocation_ < cacheLength_;
}

std::shared_ptr<Message> Conversation::messageByNumber(std::int64_t messageNr,
                                                       bool searchOutsideSyncRange) {
    if (isInCacheRange(messageNr)) {
        return cachedMessages_.messageByNr(messageNr);
    }
    if (inboxMessage_ && inboxMessage_->messageNr() == messageNr) {
        return inboxMessage_;
    }
    if (newMessages_) {
        if (auto arrived = newMessages_->messageByNr(messageNr)) {
            return arrived;
        }
    }
    if (messages_) {
        if (auto loaded = messages_->messageByNr(messageNr)) {
            return loaded;
        }
    }
    if (!messageExistsForNr(messageNr) && !searchOutsideSyncRange) {
        return nullptr;
    }
    if (auto stored = fetchMessage(messageNr)) {
        return stored;
    }
    const auto session = repositorySession();
    const bool debugLogging = session && session->profile() && session->profile()->debugLogging();
    if (debugLogging && messageNr < lastMessageNr().value_or(0)) {
        ZVLogError(u"MessageByNumber(%ld) repository message not found", messageNr);
    }
    return nullptr;
}

std::shared_ptr<Message> Conversation::fetchMessage(std::int64_t messageNr) {
    const auto fetched =
        fetchStoredMessages(kMessageByNr, {{u"message_nr"_s, QVariant::fromValue(messageNr)}});
    return fetched.empty() ? nullptr : fetched.front();
}

bool Conversation::messageExistsForNr(std::int64_t messageNr) const {
    if (inboxMessageNr() == messageNr) {
        return true;
    }
    if (bwMessageNr() && fwMessageNr()) {
        return *bwMessageNr() <= messageNr;
    }
    return true;
}

std::shared_ptr<Message> Conversation::nextMessageFromNr(std::int64_t messageNr, int direction) {
    const std::int64_t join = joinMessageNr().value_or(0);
    const std::int64_t last = lastMessageNr().value_or(0);
    for (std::int64_t k = messageNr + direction; k >= join; k += direction) {
        if (k > last || !messageExistsForNr(k)) {
            return nullptr;
        }
        if (auto message = messageByNumber(k)) {
            return message;
        }
    }
    return nullptr;
}

int Conversation::startType() const {
    if (loadRequest_) {
        return ZVApi::api().connectionStatus() != 0 ? StartLoading : StartMoreAbove;
    }
    const std::int64_t join = joinMessageNr().value_or(0);
    if (firstLoadedMessage_ > join) {
        return StartMoreAbove;
    }
    if (const auto deleted = deleteMessageNr(); deleted && *deleted >= 1 && *deleted == join - 1) {
        return StartDeleted;
    }
    if (const auto disclosed = discloseMessageNr(); disclosed && *disclosed == join) {
        return StartDisclosed;
    }
    return join == 1 ? StartBeginning : StartJoined;
}

void Conversation::releaseMessages() {
    messages_.reset();
    loadRequest_.reset();
    firstLoadedMessage_ = 0;
    files_.reset();
    pinnedMessages_.reset();
    tasks_.reset();
    visibleTasks_.reset();
    taskArchiveHeader_.reset();
    if (!pendingMessageNr()) {
        messageQueue_.reset();
    }
    if (inboxMessage_) {
        inboxMessage_->resetRepresentation();
    }
}

void Conversation::deleteMessages() {
    dropMessageCache();
    if (messages_) {
        while (!messages_->isEmpty() && !(*messages_)[0]->isPending()) {
            messages_->removeMessageAtIndex(0);
        }
    }
    if (pinnedMessages_) {
        pinnedMessages_->clear();
    }
    if (tasks_) {
        tasks_->clear();
        visibleTasks_.reset();
    }
}
