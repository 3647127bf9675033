#include "app/inbox/decorators/ZVConversationMatchDecorator.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/search/ZVConversationMatch.h"

ZVInboxRowItem ZVConversationMatchDecorator::item() const {
    return match_.item();
}

void ZVConversationMatchDecorator::setItem(const ZVInboxRowItem& item) {
    ZVInboxItemDecorator::setItem(item);
    match_.set(item);
    const auto match = match_.lock();
    setConversation(match ? match->conversation() : nullptr);
}

platform::AttributedString ZVConversationMatchDecorator::title() const {
    const auto match = match_.lock();
    if (match && match->topicMatch()) {
        return *match->topicMatch();
    }
    return ZVConversationDecorator::title();
}

platform::AttributedString ZVConversationMatchDecorator::detailTitle() const {
    const auto match = match_.lock();
    if (match && match->memberMatch()) {
        platform::AttributedString text(kMembersPrefix);
        text.append(*match->memberMatch());
        return text;
    }
    return ZVConversationDecorator::detailTitle();
}
