#include "ZelvoKit/model/ConversationWriters.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

#include <QtCore/QJsonObject>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kWritersKey = u"writers"_s;
const QString kPinnedMessagesKey = u"pinnedMessages"_s;
const QString kLockAccountIdKey = u"lockAccountId"_s;
const QString kUnknownName = u"?"_s;

platform::TimeInterval now() {
    return platform::Scheduler::main().now();
}

}  // namespace

ConversationWriters::ConversationWriters(std::weak_ptr<Conversation> conversation)
    : conversation_(std::move(conversation)) {}

ConversationWriters::~ConversationWriters() {
    purgeTimer_.cancel();
}

void ConversationWriters::updateActivityBy(const QString& accountId, bool writing,
                                           std::int64_t messageNr) {
    // Ending the last writer may make the conversation let go of this object.
    const auto keepAlive = shared_from_this();
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    const bool self = session && session->profile() && session->profile()->isSelf(accountId);
    if (!self) {
        if (writing != isWriter(accountId)) {
            if (conversation) {
                conversation->willChangeProperty(kWritersKey);
            }
            if (!writing) {
                endWritingBy(accountId);
                purgeExpiredWriters();
            }
        } else if (!writing) {
            purgeExpiredWriters();
        }
        if (writing) {
            writers_[accountId] = now();
        }
    }
    if (!writers_.empty()) {
        startPurgeTimer();
    }
    if (messageNr != 0) {
        if (writing) {
            lockedMessages_[messageNr] = accountId;
        } else {
            lockedMessages_.erase(messageNr);
        }
        if (conversation) {
            announceLock(messageNr, conversation);
        }
    }
}

void ConversationWriters::startPurgeTimer() {
    if (purgeTimer_.isValid()) {
        return;
    }
    const std::weak_ptr<ConversationWriters> weak = weak_from_this();
    purgeTimer_ = platform::Scheduler::main().every(
        kPurgeInterval,
        [weak] {
            if (const auto self = weak.lock()) {
                self->tryPurgeWriters();
            }
        },
        platform::RunLoopMode::Default);
}

void ConversationWriters::endWritingBy(const QString& accountId) {
    writers_.erase(accountId);
    for (auto it = lockedMessages_.begin(); it != lockedMessages_.end(); ++it) {
        if (it->second == accountId) {
            lockedMessages_.erase(it);
            break;
        }
    }
}

void ConversationWriters::purgeExpiredWriters() {
    if (writers_.empty()) {
        return;
    }
    const auto keepAlive = shared_from_this();
    const platform::TimeInterval expired = now() - kWriterExpiry;
    QStringList ended;
    for (const auto& [accountId, lastActivity] : writers_) {
        if (lastActivity < expired) {
            ended.append(accountId);
        }
    }
    for (const QString& accountId : std::as_const(ended)) {
        endWritingBy(accountId);
    }
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    if (writers_.empty() && !writing_) {
        conversation->resetWriters();
    }
    if (!ended.isEmpty()) {
        conversation->willChangeProperty(kWritersKey);
        conversation->notifyPropertyChanges();
    }
}

void ConversationWriters::tryPurgeWriters() {
    const auto keepAlive = shared_from_this();
    purgeExpiredWriters();
    if (writers_.empty()) {
        purgeTimer_.cancel();
        purgeTimer_ = {};
    }
}

void ConversationWriters::reset() {
    writers_.clear();
    purgeTimer_.cancel();
    purgeTimer_ = {};
}

void ConversationWriters::setWritingStatus(bool writing, std::int64_t messageNr) {
    if (writing == writing_ && messageNr == editMessageNr_) {
        return;
    }
    const auto keepAlive = shared_from_this();
    writing_ = writing;
    editMessageNr_ = messageNr;
    if (!writing) {
        purgeExpiredWriters();
    }
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (!session || !conversation->canPost()) {
        return;
    }
    QJsonObject arguments{{u"is_writing"_s, writing}};
    if (messageNr >= 1) {
        arguments.insert(u"message_nr"_s, static_cast<qint64>(messageNr));
    }
    const QString id = conversation->conversationId();
    // A newer report of the same conversation replaces one still waiting.
    session->queueRequest(
        std::make_shared<ZVApiRequest>(u"conversation/show_activity/%@", id, arguments),
        u"show_activity_"_s + id);
}

QStringList ConversationWriters::nameList() const {
    QStringList names;
    const auto conversation = conversation_.lock();
    for (const auto& [accountId, lastActivity] : writers_) {
        const auto member =
            conversation ? conversation->sortedMembers()->memberByAccountId(accountId) : nullptr;
        names.append(member ? member->uniqueShortName() : kUnknownName);
    }
    return names;
}

QString ConversationWriters::userEditingMessageNr(std::int64_t messageNr) const {
    const auto found = lockedMessages_.find(messageNr);
    return found == lockedMessages_.end() ? QString() : found->second;
}

void ConversationWriters::announceLock(std::int64_t messageNr,
                                       const std::shared_ptr<Conversation>& conversation) {
    const auto& messages = conversation->messages();
    const auto message = messages ? messages->messageByNr(messageNr) : nullptr;
    if (!message) {
        return;
    }
    message->changeValueForKey(kLockAccountIdKey);
    if (message->isPinned()) {
        conversation->willChangeProperty(kPinnedMessagesKey);
    }
}
