#include "ZelvoKit/model/search/ZVConversationMatch.h"

#include "ZelvoKit/model/Conversation.h"

ZVConversationMatch::ZVConversationMatch(const std::shared_ptr<Conversation>& conversation,
                                         std::optional<platform::AttributedString> topicMatch,
                                         std::optional<platform::AttributedString> memberMatch)
    : conversation_(conversation),
      topicMatch_(std::move(topicMatch)),
      memberMatch_(std::move(memberMatch)),
      conversationId_(conversation->conversationId()) {
    const QDateTime inboxTime = conversation->inboxTime();
    inboxSeconds_ = inboxTime.isValid() ? inboxTime.toSecsSinceEpoch() : 0;
}
