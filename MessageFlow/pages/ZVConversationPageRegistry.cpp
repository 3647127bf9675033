#include "MessageFlow/pages/ZVConversationPageRegistry.h"

#include "MessageFlow/pages/ZVConversationPageScreen.h"

ZVConversationPageRegistry& ZVConversationPageRegistry::shared() {
    static ZVConversationPageRegistry registry;
    return registry;
}

void ZVConversationPageRegistry::reset() {
    shared() = ZVConversationPageRegistry();
}

bool ZVConversationPageRegistry::hasPage(int page) const {
    return page >= 0 && page < kPageCount && pages[page] != nullptr;
}

std::shared_ptr<ZVConversationPageScreen> ZVConversationPageRegistry::makePage(
    const std::shared_ptr<Conversation>& conversation, int page) const {
    return hasPage(page) ? pages[page](conversation, page) : nullptr;
}
