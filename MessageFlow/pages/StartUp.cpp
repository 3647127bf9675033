#include "MessageFlow/pages/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVConversationSettingsViewController.h"
#include "MessageFlow/pages/ZVNewConversationViewController.h"
#include "app/inbox/screen/ZVInboxViewController.h"

void ZVStartUpPages() {
    ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
    ZVConversationPageRegistry::shared().pages[ZVConversationPageSet::SettingsPage] =
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return platform::ViewController::make<ZVConversationSettingsViewController>(
                conversation, page);
        };
    ZVInboxViewController::setNewConversationScreen(
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return std::static_pointer_cast<platform::ViewController>(
                ZVNewConversationViewController::make(conversation, page));
        });
}
