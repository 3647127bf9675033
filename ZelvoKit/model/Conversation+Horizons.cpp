#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Scheduler.h"

#include <cstdlib>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMessages;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kInboxDate = u"inboxDate"_s;
const QString kInboxMessageText = u"inboxMessageText"_s;

// A conversation bumped within this long keeps its place.
constexpr qint64 kBringToTopAge = 3600;
// Alerts come back once the snooze interval is below a second.
constexpr double kShortestSnoozeInterval = 1.0;

}  // namespace

// --- arriving messages, staged until the commit ---

void Conversation::addMessage(const std::shared_ptr<Message>& message) {
    const std::int64_t nr = message->messageNr();
    const auto [location, length] = cacheRange();
    if (nr >= location && nr - location < length) {
        cachedMessages_.addMessage(message);
    }
    encounteredMessageNr(nr);
    if (const auto inboxNr = message->inboxNr();
        inboxNr && *inboxNr > newLastInboxNr_.value_or(lastInboxNr().value_or(0))) {
        newLastInboxNr_ = *inboxNr;
    }
    if (!newMessages_) {
        newMessages_ = std::make_shared<ZVMessageArray>(ZVMessageArray::AscendingNumber);
    }
    newMessages_->addMessage(message);
}

void Conversation::encounteredMessageNr(std::int64_t messageNr) {
    if (firstLoadedMessage_ == 0 || messageNr == firstLoadedMessage_ - 1) {
        firstLoadedMessage_ = messageNr;
    }
    if (newLastMessageNr_.value_or(lastMessageNr().value_or(0)) < messageNr) {
        newLastMessageNr_ = messageNr;
    }
    // The stored stretch only grows over consecutive numbers: past a hole it stays.
    const std::optional<std::int64_t> fw = newFwMessageNr_ ? newFwMessageNr_ : fwMessageNr();
    if (fw && *fw == messageNr - 1) {
        newFwMessageNr_ = messageNr;
    }
}

void Conversation::commitStagedNumbers() {
    if (newFwMessageNr_) {
        willChangeProperty(u"fw_message_nr"_s);
        setFwMessageNr(*std::exchange(newFwMessageNr_, std::nullopt));
    }
    if (newLastMessageNr_) {
        willChangeProperty(u"last_message_nr"_s);
        setLastMessageNr(*std::exchange(newLastMessageNr_, std::nullopt));
    }
    if (newLastInboxNr_) {
        willChangeProperty(u"last_inbox_nr"_s);
        setLastInboxNr(*std::exchange(newLastInboxNr_, std::nullopt));
    }
}

void Conversation::commitNewMessages() {
    const auto arrived = std::exchange(newMessages_, nullptr);
    if (!arrived) {
        return;
    }
    const bool flow = loadRequest_ && loadRequest_->isFlowLoadRequest();
    for (const auto& message : *arrived) {
        if (message->messageNr() == inboxMessageNr()) {
            willChangeProperties({kInboxDate, kInboxMessageText});
        }
        mergeIntoPinsAndTasks(message);
        // A posted message ends its poster's typing; without writers nobody is typing.
        if (writers_ && message->messageNr() > readMessageNumber()) {
            updateActivityBy(message->accountId(), false, 0);
        }
        if (messages_ && (flow || message->messageNr() > firstLoadedMessage_)) {
            willChangeProperty(kMessages);
            messages_->addMessage(message);
        }
    }
    if (loadRequest_ && messages_ && !messages_->isEmpty()) {
        const int type = loadRequest_->type();
        const bool widens = type == ZVConversationLoadRequest::FillTiny ||
                            type == ZVConversationLoadRequest::MessageLoad ||
                            (type == ZVConversationLoadRequest::GapBefore &&
                             loadRequest_->messageNr() >= firstLoadedMessage_);
        const std::int64_t first = (*messages_)[0]->messageNr();
        if (widens && first < firstLoadedMessage_) {
            firstLoadedMessage_ = first;
        }
    }
}

// --- the inbox message ---

void Conversation::updateInboxMessage() {
    // Read from the store before its session is set, it waits for the session.
    if (!repositorySession()) {
        return;
    }
    // A message being sent stands in the row until the service has it.
    std::shared_ptr<Message> found = messageQueue_ ? messageQueue_->pendingMessage() : nullptr;
    if (!found && !inboxMessageNr()) {
        return;
    }
    const std::int64_t nr = inboxMessageNr().value_or(0);
    if (!found) {
        found = messageByNumber(nr, true);
    }
    if (!found) {
        ZVLogError(u"Conv (%@ - %@): inbox message nr %@ not found (fw=%@, last=%@)",
                   conversationId(), topicText_, nr, fwMessageNr().value_or(0),
                   lastMessageNr().value_or(0));
        return;
    }
    if (found == inboxMessage_) {
        return;
    }
    willChangeProperties({kInboxDate, kInboxMessageText});
    inboxMessage_ = found;
    if (const auto session = repositorySession()) {
        session->conversationChanged(self());
    }
}

void Conversation::setInboxMessageNr(std::int64_t messageNr) {
    if (inboxMessageNr() == messageNr) {
        return;
    }
    willChangeProperty(u"inbox_message_nr"_s);
    setInboxMessageNrValue(messageNr);
    updateInboxMessage();
    updateUnreadCount();
}

QString Conversation::inboxMessageText() const {
    if (!inboxMessage_) {
        return u"<null>"_s;
    }
    const QString text = inboxMessage_->localizedMessage();
    if (inboxMessage_->isTextMessage()) {
        if (const auto session = repositorySession()) {
            const auto poster = session->contactFromId(inboxMessage_->accountId());
            if (poster) {
                return platform::format(u"%@: %@", poster->shortName(), text);
            }
        }
    }
    return text.isNull() ? u"<null>"_s : text;
}

QDateTime Conversation::inboxDate() const {
    return inboxMessage_ ? inboxMessage_->postedTime() : QDateTime();
}

// --- unread ---

void Conversation::updateUnreadCount() {
    if (!inboxMessage_ || !inboxMessageNr()) {
        return;
    }
    const auto inbox = messageByNumber(*inboxMessageNr(), true);
    if (!inbox) {
        return;
    }
    // Inbox numbers may come negative; their size is what counts.
    const std::int64_t inboxNr = std::llabs(inbox->inboxNr().value_or(0));
    std::int64_t count = lastInboxNr().value_or(0) - inboxNr;
    if (readMessageNumber() < *inboxMessageNr()) {
        ++count;
    }
    setUnreadCount(count);
}

void Conversation::setUnreadCount(std::int64_t count) {
    if (unreadCount() == count) {
        return;
    }
    const bool wasUnread = isUnread();
    const bool unreadChanges = (count >= 1) != wasUnread;
    if (unreadChanges) {
        willChangeProperties({u"unread_count"_s, u"isUnread"_s, u"isNotifyingUnread"_s});
    } else {
        willChangeProperty(u"unread_count"_s);
    }
    setUnreadCountValue(count);
    if (unreadChanges) {
        if (const auto session = repositorySession()) {
            session->conversationChanged(self());
        }
    }
}

bool Conversation::isMessageUnread(const Message& message) const {
    return message.messageNr() <= lastMessageNr().value_or(0) &&
           message.messageNr() > readMessageNumber();
}

bool Conversation::isMention() const {
    return myMessageNr() && *myMessageNr() > readMessageNumber();
}

bool Conversation::alertsEnabled() const {
    return std::abs(snoozeInterval().value_or(0)) < kShortestSnoozeInterval &&
           !hasSystemLabel(Label::TypeSpam);
}

bool Conversation::isFailedSend() const {
    return messageQueue_ && messageQueue_->count() > 0 &&
           messageQueue_->status() == ZVMessageQueue::Failed;
}

bool Conversation::isNotifyingUnread() const {
    if (isUnread() && (alertsEnabled() || isMention()) && !isArchived()) {
        return true;
    }
    return isFailedSend();
}

// --- labels ---

bool Conversation::hasUserLabel(const QString& labelId) const {
    return labelsSet_.contains(labelId);
}

bool Conversation::hasSystemLabel(int type) const {
    const auto session = repositorySession();
    const auto label = session ? session->labelByType(type) : nullptr;
    return label && hasUserLabel(label->labelId());
}

bool Conversation::isStarred() const {
    return hasSystemLabel(Label::TypeStarred);
}

int Conversation::compareStarWeight(const Conversation& other) const {
    const auto mine = starWeight();
    const auto theirs = other.starWeight();
    if (!mine) {
        return -1;
    }
    if (!theirs) {
        return 1;
    }
    // Heavier first; equal weights by id.
    if (*theirs != *mine) {
        return *theirs < *mine ? -1 : 1;
    }
    return conversationId().compare(other.conversationId());
}

void Conversation::bringToTop() {
    const QDateTime now = platform::Scheduler::main().currentDate();
    const QDateTime last = inboxTime();
    // An unset time counts as now: nothing to bring up.
    if (!last.isValid() || last.secsTo(now) <= kBringToTopAge) {
        return;
    }
    willChangeProperty(u"inbox_time"_s);
    setInboxTime(now);
}

// --- read horizon moves that need messages ---

std::shared_ptr<Message> Conversation::messageByInboxIndex(std::int64_t inboxNr) {
    const auto fetched = messagesWithInboxNr(inboxNr);
    return fetched.empty() ? nullptr : fetched.front();
}
