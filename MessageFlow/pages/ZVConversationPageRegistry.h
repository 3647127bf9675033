#pragma once

#include <array>
#include <functional>
#include <memory>

class Conversation;
class ZVConversationPageScreen;
class ZVSlideInMenu;
class ZVVerticalMenu;

// Where the page screens and the page menus of an open conversation come from. Each page's screen
// is made by the factory registered for its index at start-up; a page without one is not offered
// (no swipe, menu choice or focus reaches it), and without a messages page (0) a conversation
// cannot open. The menus list pages by item tag. Main thread only.
struct ZVConversationPageRegistry {
    static constexpr int kPageCount = 7;

    using PageFactory = std::function<std::shared_ptr<ZVConversationPageScreen>(
        const std::shared_ptr<Conversation>& conversation, int page)>;

    std::array<PageFactory, kPageCount> pages;
    // The phone's slide-in page menu; none until registered.
    std::function<std::shared_ptr<ZVSlideInMenu>()> makeConversationMenu;
    // The tablet's column of page icons beside the messages; none until registered.
    std::function<std::shared_ptr<ZVVerticalMenu>()> makePageMenu;

    static ZVConversationPageRegistry& shared();
    // Nothing registered.
    static void reset();

    bool hasPage(int page) const;
    // The page's screen; null for a page without a factory or a factory that made none.
    std::shared_ptr<ZVConversationPageScreen> makePage(
        const std::shared_ptr<Conversation>& conversation, int page) const;
};
