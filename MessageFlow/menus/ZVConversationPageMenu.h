#pragma once

#include "toolkit/menus/ZVVerticalMenu.h"

// The tablet's column of page icons beside an open conversation's messages: one item a side page,
// tagged with its page number (the messages page has none). The page set observes its
// "selectedItemIndex"; touching the selected icon again deselects it, which goes back to the
// messages. Its owner sets its height.
class ZVConversationPageMenu : public ZVVerticalMenu {
public:
    static constexpr int kColorScheme = 1;
    static constexpr qreal kItemHeight = 50;
    static constexpr qreal kWidth = 50;

    ZVConversationPageMenu();

    // Adds the six page items in page order, each with its icon and tag, and with its title only
    // when asked.
    static void populateMenu(ZVVerticalMenu& menu, bool withTitles);
};
