#include "app/inbox/cells/ZVMutePopover.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

ZVMutePopover::Presenter& ZVMutePopover::presenter() {
    static Presenter installed;
    return installed;
}

void ZVMutePopover::setPresenter(Presenter presenter) {
    ZVMutePopover::presenter() = std::move(presenter);
}

void ZVMutePopover::show(const std::shared_ptr<Conversation>& conversation, platform::View& at) {
    if (const Presenter& present = presenter()) {
        present(conversation, at);
        return;
    }
    ZVLogError(u"ZVMutePopover: no popover to mute %@",
               conversation ? conversation->conversationId() : QString());
}
