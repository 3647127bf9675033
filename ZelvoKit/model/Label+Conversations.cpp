#include "ZelvoKit/model/Label.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVLabelRules.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kUnreadCountKey = u"unread_count"_s;
const QString kMutedUnreadCountKey = u"muted_unread_count"_s;
const QString kVisibleUnreadCountKey = u"visibleUnreadCount"_s;

constexpr qsizetype kNotFound = ZVSortedArrayChange::kNotFound;

}  // namespace

bool Label::isConversationMember(const Conversation& conversation) const {
    return ZVLabelRules::isMember(*this, conversation);
}

std::weak_ordering Label::compareConversation(const Conversation& a, const Conversation& b) const {
    return ZVLabelRules::compare(*this, a, b);
}

void Label::initConversations() {
    if (conversations_) {
        return;
    }
    const std::weak_ptr<Label> weakSelf = std::static_pointer_cast<Label>(shared_from_this());
    const std::weak_ptr<ZVRepositorySession> weakSession = repositorySession();
    conversations_ = std::make_unique<Conversations>(kPageSize);
    conversations_->setFilterFunc([weakSelf](const ConversationPtr& conversation) {
        const auto self = weakSelf.lock();
        return self && self->isConversationMember(*conversation);
    });
    conversations_->setComparator([weakSelf](const ConversationPtr& a, const ConversationPtr& b) {
        const auto self = weakSelf.lock();
        return self ? self->compareConversation(*a, *b)
                    : (a->conversationId().compare(b->conversationId()) <=> 0);
    });
    conversations_->setSource(Conversations::Source{
        [weakSession] {
            const auto session = weakSession.lock();
            return session ? session->conversations().values() : QList<ConversationPtr>();
        },
        [weakSession](const ConversationPtr& conversation) {
            const auto session = weakSession.lock();
            return session &&
                   session->conversations().value(conversation->conversationId()) == conversation;
        }});
    updateUnreadCount();
    // A label that came in the same answer as its conversations is filled here, after its
    // delegate may have read it empty; the changes that follow find them already listed.
    if (const auto observer = delegate()) {
        observer->labelChanged(*this);
    }
}

bool Label::applyChanges(const QList<ConversationPtr>& changed) {
    const ZVSortedArrayChange change =
        conversations_ ? conversations_->applyChanges(changed) : ZVSortedArrayChange{false, 0, 0};
    bool membershipChanged = false;
    if (const auto observer = delegate()) {
        const auto from = static_cast<std::int32_t>(change.fromIndex);
        const auto to = static_cast<std::int32_t>(change.toIndex);
        if (change.needsReload) {
            observer->labelChanged(*this);
            membershipChanged = true;
        } else if (change.fromIndex == change.toIndex) {
            observer->labelConversationsChanged(*this);
        } else if (change.fromIndex == kNotFound) {
            observer->labelItemAppearedAtIndex(*this, to);
            membershipChanged = true;
        } else if (change.toIndex == kNotFound) {
            observer->labelItemDisappearedFromIndex(*this, from);
            membershipChanged = true;
        } else {
            observer->labelItemMovedFromIndex(*this, from, to);
        }
    }
    updateUnreadCount();
    return membershipChanged;
}

void Label::updateUnreadCount() {
    const auto session = repositorySession();
    if (!session) {
        return;
    }
    std::int64_t notifying = 0;
    std::int64_t quiet = 0;
    for (const auto& conversation : session->conversations()) {
        if (!isConversationMember(*conversation)) {
            continue;
        }
        if (conversation->isNotifyingUnread()) {
            ++notifying;
        } else if (conversation->isUnread()) {
            ++quiet;
        }
    }
    std::int64_t visible = 0;
    if (conversations_) {
        for (const auto& conversation : *conversations_) {
            visible += conversation->isNotifyingUnread() ? 1 : 0;
        }
    }
    const QStringList keys{kUnreadCountKey, kMutedUnreadCountKey, kVisibleUnreadCountKey};
    for (const QString& key : keys) {
        willChangeValueForKey(key);
    }
    if (unreadCount() != notifying || isNull(unreadCount_)) {
        setInteger(unreadCount_, notifying);
    }
    if (mutedUnreadCount() != quiet || isNull(mutedUnreadCount_)) {
        setInteger(mutedUnreadCount_, quiet);
    }
    visibleUnreadCount_ = visible;
    for (const QString& key : keys) {
        didChangeValueForKey(key);
    }
}
void Label::loadMore() {
    if (conversations_) {
        conversations_->setLimitCount(conversations_->limitCount() + kPageSize);
    }
    if (const auto observer = delegate()) {
        observer->labelChanged(*this);
    }
    if (!(conversations_ && conversations_->isLimited()) && canLoadMore()) {
        loadMoreFromServer();
    }
}

void Label::resetState() {
    if (conversations_) {
        conversations_->setLimitCount(kPageSize);
    }
    pagingStalled_ = false;
    if (const auto observer = delegate()) {
        observer->labelChanged(*this);
    }
}
