#include "app/inbox/decorators/ZVInboxItemDecorator.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/search/ZVConversationMatch.h"

void ZVInboxItemDecorator::setItem(const ZVInboxRowItem&) {
    changed_ = false;
}

std::shared_ptr<Conversation> conversationOfRowItem(const ZVInboxRowItem& item) {
    if (const auto* conversation = std::get_if<std::shared_ptr<Conversation>>(&item)) {
        return *conversation;
    }
    if (const auto* match = std::get_if<std::shared_ptr<ZVConversationMatch>>(&item)) {
        return *match ? (*match)->conversation() : nullptr;
    }
    if (const auto* message = std::get_if<std::shared_ptr<Message>>(&item)) {
        return *message ? (*message)->conversation() : nullptr;
    }
    return nullptr;
}
