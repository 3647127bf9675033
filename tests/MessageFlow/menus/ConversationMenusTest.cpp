#include "MessageFlow/menus/ZVConversationMenu.h"
#include "MessageFlow/menus/ZVConversationPageMenu.h"

#include "toolkit/menus/ZVVerticalMenuItem.h"
#include "toolkit/style/ZVColors.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

struct ExpectedPageItem {
    int tag;
    QString iconId;
    QString title;
};

const ExpectedPageItem kExpectedPageItems[] = {
    {1, u"sidebar-search"_s, u"Search"_s},  {2, u"sidebar-pins"_s, u"Pinned messages"_s},
    {3, u"sidebar-files"_s, u"Files"_s},    {4, u"sidebar-tasks"_s, u"Tasks"_s},
    {5, u"sidebar-people"_s, u"Members"_s}, {6, u"sidebar-settings"_s, u"Settings"_s},
};

// The six side pages in page order, tagged with their numbers; titles only when asked.
void expectPageItems(const ZVVerticalMenu& menu, bool withTitles) {
    ASSERT_EQ(menu.items().size(), std::size(kExpectedPageItems));
    for (std::size_t i = 0; i < menu.items().size(); ++i) {
        const auto& item = *menu.items()[i];
        const auto& expected = kExpectedPageItems[i];
        EXPECT_EQ(item.tag(), expected.tag);
        EXPECT_EQ(item.iconId(), expected.iconId);
        EXPECT_TRUE(item.icon());
        if (withTitles) {
            EXPECT_EQ(item.title(), expected.title);
        } else {
            EXPECT_FALSE(item.titleLabel()) << "the icon column has no titles";
        }
    }
}

TEST(ConversationMenus, TheTabletColumnIsIconsOnlyAndToggles) {
    const auto menu = platform::View::make<ZVConversationPageMenu>();
    expectPageItems(*menu, false);
    EXPECT_EQ(menu->color(), 1);
    EXPECT_EQ(menu->itemHeight(), 50);
    EXPECT_EQ(menu->frame().width(), 50);
    EXPECT_EQ(menu->verticalSeparatorColor(), ZVColors::gray());
    EXPECT_TRUE(menu->toggleItems());
    EXPECT_EQ(menu->selectedItemIndex(), ZVVerticalMenu::kNotFound);
    menu->setFrame(QRectF(0, 0, 50, 400));
    menu->layoutIfNeeded();
    EXPECT_EQ(menu->items()[1]->frame().top() - menu->items()[0]->frame().top(), 50);
}

TEST(ConversationMenus, ThePhoneMenuSlidesInFromTheRightWithTitles) {
    const auto menu = platform::View::make<ZVConversationMenu>();
    expectPageItems(*menu, true);
    EXPECT_EQ(menu->side(), ZVMenuSide::Right);
    EXPECT_EQ(menu->topOffset(), 120);
    EXPECT_EQ(menu->itemHeight(), 70);
    EXPECT_EQ(menu->selectedItemIndex(), ZVVerticalMenu::kNotFound);
    // Without an open conversation there is no page to mark.
    menu->setSelectedItemIndex(3);
    menu->menuWillShow();
    EXPECT_EQ(menu->selectedItemIndex(), 3);
}

}  // namespace
