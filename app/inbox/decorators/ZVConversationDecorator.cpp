#include "app/inbox/decorators/ZVConversationDecorator.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"

using namespace Qt::Literals::StringLiterals;

const QStringList& ZVConversationDecorator::watchedKeys() {
    static const QStringList keys{u"inboxDate"_s,       u"topicText"_s,    u"inboxMessageText"_s,
                                  u"isUnread"_s,        u"unread_count"_s, u"isHidden"_s,
                                  u"snooze_time"_s,     u"labels"_s,       u"my_message_nr"_s,
                                  u"pending_message"_s, u"pendingFiles"_s};
    return keys;
}

ZVInboxRowItem ZVConversationDecorator::item() const {
    return conversation_.item();
}

void ZVConversationDecorator::setItem(const ZVInboxRowItem& item) {
    ZVInboxItemDecorator::setItem(item);
    const auto* conversation = std::get_if<std::shared_ptr<Conversation>>(&item);
    setConversation(conversation ? *conversation : nullptr);
}

void ZVConversationDecorator::setConversation(const std::shared_ptr<Conversation>& conversation) {
    setChanged(false);
    refresh_.cancel();
    watching_ = {};
    conversation_.set(conversation);
    if (conversation) {
        watching_ =
            conversation->observe(watchedKeys(), [this](const QString&) { propertyChanged(); });
    }
}

std::shared_ptr<Conversation> ZVConversationDecorator::conversation() const {
    auto conversation = conversation_.lock();
    return conversation && !conversation->isDeleted() ? conversation : nullptr;
}

void ZVConversationDecorator::propertyChanged() {
    if (changed()) {
        return;
    }
    setChanged(true);
    refresh_ = platform::Scheduler::main().after(kRefreshDelay, [this] { callUpdate(); });
}

void ZVConversationDecorator::callUpdate() {
    setChanged(false);
    if (auto delegate = this->delegate()) {
        delegate->update();
    }
}

QString ZVConversationDecorator::conversationId() const {
    const auto conversation = this->conversation();
    return conversation ? conversation->conversationId() : QString();
}

platform::AttributedString ZVConversationDecorator::title() const {
    const auto conversation = this->conversation();
    return platform::AttributedString(conversation ? conversation->topicText() : kNullText);
}

platform::AttributedString ZVConversationDecorator::detailTitle() const {
    const auto conversation = this->conversation();
    if (!conversation) {
        return platform::AttributedString(kNullText);
    }
    if (conversation->isNotifyingUnread()) {
        return platform::AttributedString(conversation->inboxMessageText());
    }
    const auto& files = conversation->pendingFiles();
    QString pending = conversation->pendingMessage();
    if (pending.isEmpty() && !files.empty() && files.front()) {
        pending = files.front()->fileName();
    }
    if (pending.isEmpty()) {
        return platform::AttributedString(conversation->inboxMessageText());
    }
    const auto session = conversation->repositorySession();
    const auto local = session ? session->localContact() : nullptr;
    return platform::AttributedString(
        platform::format(u"%@: %@", local ? local->shortName() : QString(), pending));
}

QString ZVConversationDecorator::timestamp() const {
    const auto conversation = this->conversation();
    if (!conversation) {
        return {};
    }
    if (isSnoozed()) {
        return platform::format(u"Muted until %@",
                                ZVLocalization::formatDateAndTime(conversation->snoozeTime()));
    }
    const QDateTime inboxDate = conversation->inboxDate();
    return inboxDate.isValid() ? ZVLocalization::formatDate(inboxDate, true) : u""_s;
}

std::int64_t ZVConversationDecorator::unreadCount() const {
    const auto conversation = this->conversation();
    return conversation ? conversation->unreadCount().value_or(0) : 0;
}

bool ZVConversationDecorator::isUnread() const {
    return ask(&Conversation::isNotifyingUnread);
}

bool ZVConversationDecorator::isMuted() const {
    const auto conversation = this->conversation();
    return conversation && !conversation->alertsEnabled();
}

bool ZVConversationDecorator::ask(bool (Conversation::*test)() const) const {
    const auto conversation = this->conversation();
    return conversation && ((*conversation).*test)();
}

bool ZVConversationDecorator::isSnoozed() const {
    const auto conversation = this->conversation();
    if (!conversation) {
        return false;
    }
    const QDateTime until = conversation->snoozeTime();
    return until.isValid() && until > platform::Scheduler::main().currentDate();
}

bool ZVConversationDecorator::isStarred() const {
    return ask(&Conversation::isStarred);
}

bool ZVConversationDecorator::isMention() const {
    return ask(&Conversation::isMention);
}

bool ZVConversationDecorator::isEmail() const {
    return ask(&Conversation::hasEmailSubject);
}

bool ZVConversationDecorator::isFailed() const {
    return ask(&Conversation::isFailedSend);
}

bool ZVConversationDecorator::isArchived() const {
    return ask(&Conversation::isArchived);
}
