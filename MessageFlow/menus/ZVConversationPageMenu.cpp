#include "MessageFlow/menus/ZVConversationPageMenu.h"

#include "toolkit/menus/ZVVerticalMenuItem.h"
#include "toolkit/style/ZVColors.h"

namespace {

struct ZVPageMenuEntry {
    int page;
    const char16_t* iconId;
    const char16_t* title;
};

// The side pages, in the order both page menus list them.
constexpr ZVPageMenuEntry kPageMenuEntries[] = {
    {1, u"sidebar-search", u"Search"},  {2, u"sidebar-pins", u"Pinned messages"},
    {3, u"sidebar-files", u"Files"},    {4, u"sidebar-tasks", u"Tasks"},
    {5, u"sidebar-people", u"Members"}, {6, u"sidebar-settings", u"Settings"},
};

}  // namespace

ZVConversationPageMenu::ZVConversationPageMenu() : ZVVerticalMenu(kColorScheme) {
    setItemHeight(kItemHeight);
    populateMenu(*this, false);
    setFrame(QRectF(0, 0, kWidth, frame().height()));
    setVerticalSeparatorColor(ZVColors::gray());
    setToggleItems(true);
}

void ZVConversationPageMenu::populateMenu(ZVVerticalMenu& menu, bool withTitles) {
    for (const ZVPageMenuEntry& entry : kPageMenuEntries) {
        auto item = platform::View::make<ZVVerticalMenuItem>();
        item->setIconId(QString::fromUtf16(entry.iconId));
        item->setTag(entry.page);
        if (withTitles) {
            item->setTitle(QString::fromUtf16(entry.title));
        }
        menu.addItem(item);
    }
}
