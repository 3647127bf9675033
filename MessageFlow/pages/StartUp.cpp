#include "MessageFlow/pages/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVConversationSettingsViewController.h"

void ZVStartUpPages() {
    ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
    ZVConversationPageRegistry::shared().pages[ZVConversationPageSet::SettingsPage] =
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return platform::ViewController::make<ZVConversationSettingsViewController>(
                conversation, page);
        };
}
