#include "MessageFlow/pages/ZVLeaveConversationCard.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

ZVLeaveConversationCard::Presenter& ZVLeaveConversationCard::presenter() {
    static Presenter installed;
    return installed;
}

void ZVLeaveConversationCard::setPresenter(Presenter presenter) {
    ZVLeaveConversationCard::presenter() = std::move(presenter);
}

void ZVLeaveConversationCard::show(const std::shared_ptr<Conversation>& conversation,
                                   platform::View* anchor) {
    if (const Presenter& present = presenter()) {
        present(conversation, anchor);
        return;
    }
    ZVLogError(u"ZVLeaveConversationCard: no card to leave %@",
               conversation ? conversation->conversationId() : QString());
}
