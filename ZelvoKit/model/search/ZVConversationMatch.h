#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>

class Conversation;

// One conversation found by an inbox search: by its topic (highlighted) or by the names of its
// matched members (each highlighted, joined by ", "), or both. What the list is ordered by is kept
// as it was when the conversation matched, so that a later change of the conversation cannot
// leave the list out of order.
class ZVConversationMatch {
public:
    ZVConversationMatch(const std::shared_ptr<Conversation>& conversation,
                        std::optional<platform::AttributedString> topicMatch,
                        std::optional<platform::AttributedString> memberMatch);

    // None once the conversation is gone.
    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    // Absent when only members matched.
    const std::optional<platform::AttributedString>& topicMatch() const { return topicMatch_; }
    // Absent when no member matched.
    const std::optional<platform::AttributedString>& memberMatch() const { return memberMatch_; }
    const QString& conversationId() const { return conversationId_; }
    // Whole seconds of the conversation's inbox time when it matched; 0 without one.
    std::int64_t inboxSeconds() const { return inboxSeconds_; }

private:
    std::weak_ptr<Conversation> conversation_;
    std::optional<platform::AttributedString> topicMatch_;
    std::optional<platform::AttributedString> memberMatch_;
    QString conversationId_;
    std::int64_t inboxSeconds_ = 0;
};
