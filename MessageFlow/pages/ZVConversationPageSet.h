#pragma once

#include "MessageFlow/pages/ZVConversationPage.h"
#include "app/shell/ZVAppServices.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/screens/ZVSwipeGestureRecognizerDelegate.h"

#include <cstdint>
#include <memory>
#include <vector>

class Conversation;
class Message;
class ZVConversationPageScreen;
class ZVSlideInMenu;
class ZVTableAndBottomViewController;
class ZVVerticalMenu;
class ZVViewController;

// The pages of the one open conversation (messages, search, pins, files, tasks, members,
// settings), each a screen of its own made on first use. On a phone the pages are screens of the
// conversation side's navigation stack; on a tablet the messages page stays and the others show in
// its side panel, chosen from a column of page icons at its right edge. Swipes, menu choices and
// the navigation's own moves switch pages; leaving the conversation (back from the messages page,
// the conversation deleted, a message of another conversation focused) goes through the
// coordinator. The coordinator owns the one instance; it is also the current one. Main thread
// only.
class ZVConversationPageSet : public ZVConversationPages {
public:
    enum Page : int {
        MessagesPage = 0,
        SearchPage = 1,
        PinsPage = 2,
        FilesPage = 3,
        TasksPage = 4,
        MembersPage = 5,
        SettingsPage = 6,
    };
    static constexpr int kPageCount = 7;
    // The messages page's title is the topic cut at this many UTF-16 units.
    static constexpr int kTitleLength = 30;
    static constexpr int kTabletTitleLength = 60;
    static constexpr platform::TimeInterval kMenuChoiceDelay = 0.1;
    static constexpr platform::TimeInterval kCrossDissolveDuration = 0.2;

    // Builds the pages and shows `page` (animated) in `navigation`.
    ZVConversationPageSet(std::shared_ptr<Conversation> conversation, int page,
                          const std::shared_ptr<platform::NavigationController>& navigation);
    ~ZVConversationPageSet() override;

    // What the coordinator's pages slot makes of an open request: the page asked for, else page
    // 2 for a pinned message and page 0 for anything else, then the message focused. None when the
    // messages page cannot be made.
    static std::unique_ptr<ZVConversationPages> make(
        const std::shared_ptr<Conversation>& conversation, const ZVOpenRequest& request,
        const std::shared_ptr<platform::NavigationController>& navigation);

    // The current instance; null when no conversation is open.
    static ZVConversationPageSet* conversationPages();
    // Shows the message, on these pages when they belong to its conversation, else by opening its
    // conversation through the coordinator.
    static void focusMessage(const std::shared_ptr<Message>& message);
    // The topic as the messages page shows it: cut at `length` units, on a character's edge, with
    // "..." when it is that long or longer.
    static QString cutTitle(const QString& topic, int length);

    // --- pages ---
    const std::shared_ptr<Conversation>& conversation() const { return conversation_; }
    int pageCount() const { return kPageCount; }
    const ZVConversationPage& getPage(int index) const { return pages_.at(index); }
    std::shared_ptr<ZVViewController> viewControllerForPage(int index) const;
    int activePageIndex() const { return activePageIndex_; }
    void setActivePageIndex(int index) { setActivePageIndex(index, true); }
    void setActivePageIndex(int index, bool animated);
    // A page without a screen factory never; the search page only while there is a search text.
    bool canNavigateToPage(int index) const;
    // Shows a message of this conversation on the page that holds it.
    void focusMessage(std::int64_t messageNr);

    // --- swipes and menus ---
    void navigateNext();
    void navigatePrev();
    void swipeLeft();
    void swipeRight();
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side);
    // The phone's page menu, made on first use; null on a tablet or when none is registered.
    std::shared_ptr<ZVSlideInMenu> conversationMenu();
    const std::shared_ptr<ZVVerticalMenu>& pageMenu() const { return pageMenu_; }
    void synchronizeWithMenu();

    // --- ZVConversationPages ---
    QString conversationId() const override;
    void notifyAppActivation() override;
    void hideSideMenus() override;
    void notifyViewControllerChange(platform::ViewController& shown) override;
    std::shared_ptr<platform::ViewController> showingPage() const override;
    // Every created screen lets go of what it observes, and the page menu is no longer followed.
    void reset() override { releaseObservers(); }
    void releaseObservers();

private:
    class SwipeTarget;

    std::shared_ptr<ZVViewController> createPageViewController(int index);
    void activatePage(int index, bool animated);
    // Puts the messages screen into the navigation, the first time a page is shown.
    bool showMessagesScreen(int target, bool animated);
    std::shared_ptr<ZVTableAndBottomViewController> messagesBase() const;
    void updateMenu(ZVVerticalMenu* menu) const;
    void observeMenu(ZVVerticalMenu& menu, platform::Observation& observation);
    // The pages of the registered factories alone are offered.
    static void dropUnofferedItems(ZVVerticalMenu& menu);
    QString messagesTitle() const;
    // Closes the conversation through the coordinator; this instance is gone afterwards.
    static void leaveConversation();

    std::shared_ptr<Conversation> conversation_;
    std::weak_ptr<platform::NavigationController> navigation_;
    bool tablet_;
    std::vector<ZVConversationPage> pages_;
    int activePageIndex_ = -1;
    std::shared_ptr<ZVVerticalMenu> pageMenu_;
    std::shared_ptr<ZVSlideInMenu> conversationMenu_;
    std::shared_ptr<SwipeTarget> swipeTarget_;
    // Set while a switch moves the navigation, whose will-show comes back here.
    bool switching_ = false;
    std::uint64_t instance_;
    platform::ScopedTimer menuChoice_;
    platform::Observation topicObservation_;
    platform::Observation deletedObservation_;
    platform::Observation pageMenuObservation_;
    platform::Observation conversationMenuObservation_;
};
