#include "MessageFlow/screen/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/screen/ZVConversationViewController.h"

void ZVStartUpConversationScreen() {
    ZVConversationPageRegistry::shared().pages[ZVConversationPageSet::MessagesPage] =
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return std::static_pointer_cast<ZVConversationPageScreen>(
                ZVConversationViewController::make(conversation, page));
        };
}
