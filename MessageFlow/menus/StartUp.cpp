#include "MessageFlow/menus/StartUp.h"

#include "MessageFlow/menus/ZVConversationMenu.h"
#include "MessageFlow/menus/ZVConversationPageMenu.h"
#include "MessageFlow/menus/ZVFileMenu.h"
#include "MessageFlow/menus/ZVMessageMenu.h"
#include "MessageFlow/menus/ZVSnoozeView.h"
#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "app/inbox/cells/ZVMutePopover.h"

void ZVStartUpConversationMenus() {
    auto& registry = ZVConversationPageRegistry::shared();
    registry.makeConversationMenu = [] { return platform::View::make<ZVConversationMenu>(); };
    registry.makePageMenu = [] { return platform::View::make<ZVConversationPageMenu>(); };
    ZVMessageMenu::registerFactory();
    ZVFileMenu::registerFactory();
    ZVMutePopover::setPresenter(
        [](const std::shared_ptr<Conversation>& conversation, platform::View& at) {
            const auto popup = ZVSnoozeView::make(conversation);
            popup->setPointAtView(at.shared_from_this());
            popup->show();
        });
}
