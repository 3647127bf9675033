#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr qsizetype kShortTopicLength = 30;
// A composed conversation of the user and one invitee is named after the invitee.
constexpr qsizetype kDialogRosterSize = 2;

}  // namespace

const std::shared_ptr<ZVConversationMembers>& Conversation::sortedMembers() {
    if (!sortedMembers_) {
        sortedMembers_ = std::make_shared<ZVConversationMembers>(self());
    }
    return sortedMembers_;
}

bool Conversation::containsMemberWithId(const QString& accountId) const {
    if (sortedMembers_) {
        return sortedMembers_->containsId(accountId);
    }
    for (const auto& member : members()) {
        if (member->accountId() == accountId) {
            return true;
        }
    }
    return false;
}

bool Conversation::localUserIsMember() const {
    const auto session = repositorySession();
    return session && session->profile() && containsMemberWithId(session->profile()->contactId());
}

QString Conversation::computeTopic() {
    const auto session = repositorySession();
    const bool strip = session && session->profile() && session->profile()->avatarsEnabled();
    const auto shown = [strip](const QString& name) {
        return strip ? ZVNameUtils::stripDecorations(name) : name;
    };
    if (const QString topic = this->topic(); !topic.isEmpty()) {
        return shown(topic);
    }
    if (isNewConversation()) {
        if (sortedMembers()->count() == kDialogRosterSize) {
            return ZVLocalization::nameListAsString(sortedMembers_->nameList());
        }
        return u"New conversation"_s;
    }
    if (const QString topic = defaultTopic(); !topic.isEmpty()) {
        return shown(topic);
    }
    QStringList names = sortedMembers()->uniqueNameList();
    names.removeDuplicates();
    if (!names.isEmpty()) {
        return ZVLocalization::nameListAsString(names);
    }
    return localUserIsMember() ? u"Monologue with myself"_s : u"Abandoned conversation"_s;
}

void Conversation::updateTopicNotifyImmediately(bool notify) {
    // Names come from the account's contacts; a conversation read before it has its session
    // gets its topic when the session takes it.
    if (!repositorySession()) {
        return;
    }
    const QString topic = computeTopic();
    if (topic == topicText_) {
        return;
    }
    willChangeProperty(u"topicText"_s);
    topicText_ = topic;
    if (notify) {
        notifyPropertyChanges();
    }
}

QString Conversation::shortTopicText() const {
    return stringTruncatedToLength(topicText_, kShortTopicLength);
}

QString Conversation::initials() {
    if (const QString topic = this->topic(); !topic.isEmpty()) {
        return ZVNameUtils::extractInitials(topic);
    }
    if (const QString partner = dialogPartner(); !partner.isNull()) {
        if (const auto session = repositorySession()) {
            if (const auto contact = session->contacts().value(partner)) {
                return contact->initials();
            }
        }
    }
    return ZVNameUtils::extractInitials(topicText_);
}

QString Conversation::dialogPartner() {
    const QString id = conversationId();
    for (const auto& entry : *sortedMembers()) {
        if (entry->contact() && !id.isEmpty() && entry->contact()->dialogId() == id) {
            return entry->accountId();
        }
    }
    return QString();
}

void Conversation::notifyContactChange(const QSet<QString>& accountIds) {
    const auto session = repositorySession();
    const auto reportChanged = [&] {
        if (session) {
            session->conversationChanged(self());
        }
    };
    if (inboxMessage_ && accountIds.contains(inboxMessage_->accountId())) {
        reportChanged();
        willChangeProperty(u"inboxMessageText"_s);
        if (inboxMessage_->hasRepresentation()) {
            inboxMessage_->representation()->updatePosterName();
            inboxMessage_->updateRepresentation();
        }
    }
    if (messages_ && updatePosterNames(*messages_, accountIds)) {
        reportChanged();
        willChangeProperty(u"messages"_s);
    }
    if (searchMatchMessages_ && updatePosterNames(*searchMatchMessages_, accountIds)) {
        reportChanged();
        willChangeProperty(u"searchMatchMessages"_s);
    }
    if (!sortedMembers_) {
        return;
    }
    bool any = false;
    for (const auto& entry : *sortedMembers_) {
        if (!accountIds.contains(entry->accountId())) {
            continue;
        }
        entry->updateName();
        if (!any) {
            any = true;
            reportChanged();
            willChangeProperty(u"members"_s);
        }
    }
    if (any) {
        sortedMembers_->updateUniqueNames();
        updateTopicNotifyImmediately(false);
    }
}

bool Conversation::updatePosterNames(const ZVMessageArray& messages,
                                     const QSet<QString>& accountIds) {
    bool any = false;
    for (const auto& message : messages) {
        if (!accountIds.contains(message->accountId())) {
            continue;
        }
        any = true;
        // A display model made later reads the new name itself.
        if (message->hasRepresentation()) {
            message->representation()->updatePosterName();
        }
    }
    return any;
}
