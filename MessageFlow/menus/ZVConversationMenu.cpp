#include "MessageFlow/menus/ZVConversationMenu.h"

#include "MessageFlow/menus/ZVConversationPageMenu.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"

ZVConversationMenu::ZVConversationMenu() : ZVSlideInMenu(ZVMenuSide::Right) {
    ZVConversationPageMenu::populateMenu(*this, true);
    setSelectedItemIndex(kNotFound);
    setTopOffset(kTopOffset);
    setItemHeight(kItemHeight);
    layoutIfNeeded();
}

void ZVConversationMenu::menuWillShow() {
    ZVSlideInMenu::menuWillShow();
    setNeedsLayout();
    layoutIfNeeded();
    const ZVConversationPageSet* pages = ZVConversationPageSet::conversationPages();
    if (pages == nullptr) {
        return;
    }
    const auto& shown = items();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i]->tag() == pages->activePageIndex()) {
            setSelectedItemIndex(static_cast<int>(i));
            return;
        }
    }
}
