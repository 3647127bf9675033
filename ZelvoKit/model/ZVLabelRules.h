#pragma once

#include "ZelvoKit/model/Label.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <compare>
#include <cstdint>

// Which conversations belong to a label and in which order, for any conversation type that
// answers the conversation's questions (isArchived(), alertsEnabled(), isMention(), isStarred(),
// isUnread(), pendingMessage(), hasSystemLabel(), hasEmailSubject(), hasUserLabel(),
// isFailedSend(), isNotifyingUnread(), topicText(), recordCompleteness(), inboxTime(),
// conversationId()).
//
// The order is a strict weak ordering, and total over distinct conversation ids: a sort and the
// binary searches of the label's list depend on it.
class ZVLabelRules {
public:
    ZVLabelRules() = delete;

    // Inbox times compare by whole seconds, as the service gives them; none sorts as the oldest.
    static std::int64_t inboxSeconds(const QDateTime& time) {
        return time.isValid() ? time.toSecsSinceEpoch() : 0;
    }

    // The label's own rule, then none of its exclude labels may hold the conversation.
    template <class C>
    static bool isMember(const Label& label, const C& conversation) {
        if (!matchesKind(label, conversation)) {
            return false;
        }
        for (const auto& weak : label.excludeLabels()) {
            if (const auto other = weak.lock(); other && matchesKind(*other, conversation)) {
                return false;
            }
        }
        return true;
    }

    template <class C>
    static bool matchesKind(const Label& label, const C& c) {
        if (c.recordCompleteness() < 1) {
            return false;
        }
        // Older than what the service has delivered of the label.
        if (const QDateTime delivered = label.syncInboxTime();
            delivered.isValid() && inboxSeconds(c.inboxTime()) < inboxSeconds(delivered)) {
            return false;
        }
        bool matches = false;
        switch (label.labelType()) {
            case Label::TypeRecent:
                matches = !c.isArchived() && (c.alertsEnabled() || c.isMention()) && !c.isStarred();
                break;
            case Label::TypeMuted:
                matches = !c.alertsEnabled();
                break;
            case Label::TypeUnread:
                matches = (c.isUnread() || !c.pendingMessage().isEmpty()) &&
                          !c.hasSystemLabel(Label::TypeSpam);
                break;
            case Label::TypeArchived:
                matches = c.isArchived();
                break;
            case Label::TypeEmail:
                matches = c.hasEmailSubject();
                break;
            default:
                matches = c.hasUserLabel(label.labelId()) && !c.isArchived();
                break;
        }
        // Spam shows in the spam label alone. Asked only of a match: most pairs of a label and a
        // conversation are none, and the question costs a look-up of the label.
        if (!matches) {
            return false;
        }
        return !c.hasSystemLabel(Label::TypeSpam) || label.isOfType(Label::TypeSpam);
    }

    // Ascending order of the label's list: alphabetical by topic in the starred label; elsewhere
    // failed sends first, in the unread label notifying ones next, then newest first.
    template <class C>
    static std::weak_ordering compare(const Label& label, const C& a, const C& b) {
        if (label.isOfType(Label::TypeStarred)) {
            if (const int byTopic = a.topicText().compare(b.topicText(), Qt::CaseInsensitive);
                byTopic != 0) {
                return byTopic <=> 0;
            }
            return byId(a, b);
        }
        // Two failed sends fall through to the next rule, or the order would not be strict.
        if (const bool failedA = a.isFailedSend(); failedA != b.isFailedSend()) {
            return failedA ? std::weak_ordering::less : std::weak_ordering::greater;
        }
        if (label.isOfType(Label::TypeUnread)) {
            if (const bool notifyingA = a.isNotifyingUnread();
                notifyingA != b.isNotifyingUnread()) {
                return notifyingA ? std::weak_ordering::less : std::weak_ordering::greater;
            }
        }
        if (const auto byTime = inboxSeconds(b.inboxTime()) <=> inboxSeconds(a.inboxTime());
            byTime != 0) {
            return byTime;
        }
        return byId(a, b);
    }

private:
    template <class C>
    static std::weak_ordering byId(const C& a, const C& b) {
        return a.conversationId().compare(b.conversationId()) <=> 0;
    }
};
