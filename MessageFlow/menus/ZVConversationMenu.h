#pragma once

#include "toolkit/menus/ZVSlideInMenu.h"

// The phone's page menu of an open conversation: it slides in from the right with an icon and a
// title for each side page, tagged with its page number. The page set makes it on first use and
// observes its "selectedItemIndex". On show it marks the page on show; on the messages page, which
// has no item, it leaves the selection as it is.
class ZVConversationMenu : public ZVSlideInMenu {
public:
    static constexpr qreal kTopOffset = 120;
    static constexpr qreal kItemHeight = 70;

    ZVConversationMenu();

    // The active page as the pages last handed the menu out; the selection itself follows the
    // pages' active page when the menu shows.
    int selectedPage() const { return selectedPage_; }
    void setSelectedPage(int page) { selectedPage_ = page; }

    void menuWillShow() override;

private:
    int selectedPage_ = 0;
};
