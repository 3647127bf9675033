#include "MessageFlow/pages/ZVConversationPageSet.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "MessageFlow/pages/ZVTableAndBottomViewController.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/menus/ZVVerticalMenu.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/screens/ZVSwipeGestureRecognizer.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QTextBoundaryFinder>

using namespace Qt::StringLiterals;

namespace {

ZVConversationPageSet* current = nullptr;
std::uint64_t currentInstance = 0;
std::uint64_t instances = 0;

const QString kEllipsis = u"..."_s;

struct PageInfo {
    const char16_t* icon;
    const char16_t* title;
};
constexpr PageInfo kPages[ZVConversationPageSet::kPageCount] = {
    {u"icon-conversation", u"Messages"},
    {u"icon-search", u"Search"},
    {u"icon-pin", u"Pinned messages"},
    {u"icon-file", u"Files"},
    {u"icon-task", u"Tasks"},
    {u"icon-members", u"Members"},
    {u"icon-settings", u"Settings"},
};

bool isTop(platform::NavigationController& navigation, const platform::ViewController* screen) {
    return screen != nullptr && navigation.topViewController() == screen;
}

}  // namespace

// The target of every page screen's swipe recogniser, which holds its target weakly: the pages
// own it, so swipes stop reaching them when they go.
class ZVConversationPageSet::SwipeTarget : public ZVSwipeGestureRecognizerDelegate {
public:
    explicit SwipeTarget(ZVConversationPageSet& pages) : pages_(pages) {}
    void swipeLeft() override { pages_.swipeLeft(); }
    void swipeRight() override { pages_.swipeRight(); }
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side) override {
        return pages_.menuForSide(side);
    }

private:
    ZVConversationPageSet& pages_;
};

ZVConversationPageSet::ZVConversationPageSet(
    std::shared_ptr<Conversation> conversation, int page,
    const std::shared_ptr<platform::NavigationController>& navigation)
    : conversation_(std::move(conversation)),
      navigation_(navigation),
      tablet_(platform::Application::shared().userInterfaceIdiom() ==
              platform::UserInterfaceIdiom::Pad),
      swipeTarget_(std::make_shared<SwipeTarget>(*this)),
      instance_(++instances) {
    const auto& registry = ZVConversationPageRegistry::shared();
    if (tablet_ && registry.makePageMenu) {
        pageMenu_ = registry.makePageMenu();
        if (pageMenu_) {
            dropUnofferedItems(*pageMenu_);
            observeMenu(*pageMenu_, pageMenuObservation_);
        }
    }
    for (int i = 0; i < kPageCount; ++i) {
        pages_.emplace_back(QString::fromUtf16(kPages[i].icon), QString::fromUtf16(kPages[i].title),
                            i);
    }
    setActivePageIndex(page, true);
    topicObservation_ = conversation_->observe(u"topicText"_s, [this](const QString&) {
        // The messages page follows the topic; the other pages keep the titles they have.
        if (const auto messages = viewControllerForPage(MessagesPage)) {
            messages->setTitle(messagesTitle());
        }
    });
    deletedObservation_ = conversation_->observe(u"isDeleted"_s, [this](const QString&) {
        if (conversation_->isDeleted()) {
            leaveConversation();
        }
    });
    current = this;
    currentInstance = instance_;
}

ZVConversationPageSet::~ZVConversationPageSet() {
    if (currentInstance == instance_) {
        current = nullptr;
        currentInstance = 0;
    }
    if (conversationMenu_ && conversationMenu_->superview() != nullptr) {
        conversationMenu_->disappearWithSpeed(0);
    }
    conversation_->releaseMessages();
}

std::unique_ptr<ZVConversationPages> ZVConversationPageSet::make(
    const std::shared_ptr<Conversation>& conversation, const ZVOpenRequest& request,
    const std::shared_ptr<platform::NavigationController>& navigation) {
    const auto& registry = ZVConversationPageRegistry::shared();
    if (!conversation || !navigation || !registry.hasPage(MessagesPage)) {
        return nullptr;
    }
    int page = MessagesPage;
    if (request.page) {
        page = *request.page;
    } else if (request.messageNr) {
        const auto message = conversation->messageByNumber(*request.messageNr, true);
        page = message && message->isPinned() ? PinsPage : MessagesPage;
    }
    if (!registry.hasPage(page)) {
        page = MessagesPage;
    }
    auto pages = std::make_unique<ZVConversationPageSet>(conversation, page, navigation);
    if (pages->activePageIndex() < 0) {
        return nullptr;
    }
    if (request.messageNr) {
        pages->focusMessage(*request.messageNr);
    }
    return pages;
}

ZVConversationPageSet* ZVConversationPageSet::conversationPages() {
    return current;
}

QString ZVConversationPageSet::cutTitle(const QString& topic, int length) {
    if (topic.size() < length) {
        return topic;
    }
    // A cut inside a character (a surrogate pair, an emoji sequence) backs off to its start.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, topic);
    graphemes.setPosition(length);
    if (!graphemes.isAtBoundary()) {
        graphemes.toPreviousBoundary();
    }
    return topic.left(std::max<qsizetype>(0, graphemes.position())) + kEllipsis;
}

QString ZVConversationPageSet::messagesTitle() const {
    return cutTitle(conversation_->topicText(), tablet_ ? kTabletTitleLength : kTitleLength);
}

QString ZVConversationPageSet::conversationId() const {
    return conversation_->conversationId();
}

std::shared_ptr<ZVViewController> ZVConversationPageSet::viewControllerForPage(int index) const {
    return index >= 0 && index < kPageCount ? pages_[index].viewController() : nullptr;
}

std::shared_ptr<platform::ViewController> ZVConversationPageSet::showingPage() const {
    return viewControllerForPage(activePageIndex_);
}

std::shared_ptr<ZVTableAndBottomViewController> ZVConversationPageSet::messagesBase() const {
    return std::dynamic_pointer_cast<ZVTableAndBottomViewController>(
        viewControllerForPage(MessagesPage));
}

bool ZVConversationPageSet::canNavigateToPage(int index) const {
    if (!ZVConversationPageRegistry::shared().hasPage(index)) {
        return false;
    }
    return index != SearchPage || !conversation_->searchText().isEmpty();
}

// --- screens ---

std::shared_ptr<ZVViewController> ZVConversationPageSet::createPageViewController(int index) {
    auto screen = pages_[index].createViewController(conversation_, index);
    if (!screen) {
        return nullptr;
    }
    if (index == MessagesPage) {
        screen->setTitle(messagesTitle());
    } else if (!tablet_) {
        screen->setTitle(pages_[index].title());
    }
    screen->setShowMenuButton(index == MessagesPage && !tablet_);
    screen->setShowCloseButton(index == MessagesPage && tablet_);
    screen->swipeGestureRecognizer()->setTarget(swipeTarget_);
    if (index == MessagesPage && pageMenu_) {
        if (const auto base = messagesBase()) {
            base->setRightSideView(pageMenu_);
        }
    }
    return screen;
}

bool ZVConversationPageSet::showMessagesScreen(int target, bool animated) {
    const auto navigation = navigation_.lock();
    const auto messages = createPageViewController(MessagesPage);
    if (!navigation || !messages) {
        return false;
    }
    if (!tablet_ && target == MessagesPage) {
        ZVLogError(u"PushMessagePageVC: %@", conversation_->topicText());
        navigation->pushViewController(messages, animated);
        return true;
    }
    const auto frame = navigation->view()->bounds();
    messages->view()->setFrame(frame);
    messages->viewWillLayoutSubviews();
    platform::NavigationController::Stack stack;
    if (!navigation->viewControllers().empty()) {
        stack.push_back(navigation->viewControllers().front());
    }
    stack.push_back(messages);
    const auto replace = [&] { navigation->setViewControllers(stack, false); };
    if (tablet_) {
        platform::ViewAnimation::transition(*navigation->view(), kCrossDissolveDuration,
                                            platform::ViewAnimation::TransitionCrossDissolve,
                                            replace);
    } else {
        replace();
    }
    return true;
}

void ZVConversationPageSet::setActivePageIndex(int index, bool animated) {
    if (index == activePageIndex_ || !ZVConversationPageRegistry::shared().hasPage(index)) {
        return;
    }
    const bool wasSwitching = std::exchange(switching_, true);
    if (animated) {
        hideSideMenus();
    }
    if (pages_[MessagesPage].screen() || showMessagesScreen(index, animated)) {
        activatePage(index, animated);
        if (pages_[index].screen()) {
            activePageIndex_ = index;
        }
    }
    switching_ = wasSwitching;
    updateMenu(pageMenu_.get());
    updateMenu(conversationMenu_.get());
}

void ZVConversationPageSet::activatePage(int index, bool animated) {
    auto screen = pages_[index].viewController();
    if (!screen) {
        screen = createPageViewController(index);
    }
    const auto navigation = navigation_.lock();
    if (!screen || !navigation) {
        return;
    }
    if (screen->isEditing()) {
        screen->setEditing(false, false);
    }
    const auto messages = viewControllerForPage(MessagesPage);
    if (tablet_) {
        if (const auto base = messagesBase()) {
            base->setOverlayViewController(index == MessagesPage ? nullptr : screen);
        }
        return;
    }
    if (isTop(*navigation, screen.get())) {
        return;
    }
    if (index == MessagesPage) {
        navigation->popToViewController(messages.get(), true);
    } else if (index <= activePageIndex_) {
        // Put below the screen on show, so that the move looks like going back.
        platform::NavigationController::Stack stack;
        const auto& shown = navigation->viewControllers();
        for (const auto& controller : {shown.empty() ? nullptr : shown.front(),
                                       std::shared_ptr<platform::ViewController>(messages),
                                       std::shared_ptr<platform::ViewController>(screen),
                                       shown.empty() ? nullptr : shown.back()}) {
            if (controller && std::find(stack.begin(), stack.end(), controller) == stack.end()) {
                stack.push_back(controller);
            }
        }
        navigation->setViewControllers(stack, false);
        navigation->popToViewController(screen.get(), true);
    } else {
        navigation->popToViewController(messages.get(), false);
        navigation->pushViewController(screen, animated);
    }
}

void ZVConversationPageSet::notifyViewControllerChange(platform::ViewController& shown) {
    if (switching_) {
        return;
    }
    for (int i = 0; i < kPageCount; ++i) {
        if (const auto screen = pages_[i].viewController(); screen && screen.get() == &shown) {
            setActivePageIndex(i, true);
            return;
        }
    }
}

// --- messages ---

void ZVConversationPageSet::focusMessage(std::int64_t messageNr) {
    const auto message = conversation_->messageByNumber(messageNr, true);
    if (message && message->isPinned() && canNavigateToPage(PinsPage)) {
        setActivePageIndex(PinsPage);
    } else {
        conversation_->loadMessage(messageNr);
        setActivePageIndex(MessagesPage);
    }
    if (activePageIndex_ >= 0) {
        if (const auto& screen = pages_[activePageIndex_].screen()) {
            screen->focusMessage(messageNr);
        }
    }
}

void ZVConversationPageSet::focusMessage(const std::shared_ptr<Message>& message) {
    if (!message) {
        return;
    }
    const QString conversationId = message->conversationId();
    if (current && current->conversationId() == conversationId) {
        current->focusMessage(message->messageNr());
        return;
    }
    if (const auto model = ZVRichMessageRepresentation::of(message)) {
        model->highlightSearchMatches();
    }
    if (ZVGlobals* globals = ZVGlobals::globals()) {
        // The request carries the page and the message: an open put off by a running transition
        // still lands on them.
        globals->setConversationId(
            ZVOpenRequest{conversationId, message->isPinned() ? PinsPage : MessagesPage,
                          message->messageNr()},
            true);
    }
}

// --- swipes ---

void ZVConversationPageSet::navigateNext() {
    for (int i = activePageIndex_ + 1; i < kPageCount; ++i) {
        if (canNavigateToPage(i)) {
            setActivePageIndex(i, true);
            return;
        }
    }
}

void ZVConversationPageSet::navigatePrev() {
    const auto navigation = navigation_.lock();
    if (!navigation || activePageIndex_ < 0) {
        return;
    }
    // On a tablet the side pages show in the messages screen's panel.
    const auto onShow = viewControllerForPage(tablet_ ? MessagesPage : activePageIndex_);
    if (!isTop(*navigation, onShow.get())) {
        navigation->popViewControllerAnimated(true);
    } else if (activePageIndex_ != MessagesPage) {
        setActivePageIndex(MessagesPage, true);
    } else {
        leaveConversation();
    }
}

void ZVConversationPageSet::leaveConversation() {
    if (ZVGlobals* globals = ZVGlobals::globals()) {
        globals->setConversationId(std::nullopt, true);
    }
}

void ZVConversationPageSet::swipeLeft() {
    const auto screen = showingPage();
    if (screen && !screen->isEditing()) {
        navigateNext();
    }
}

void ZVConversationPageSet::swipeRight() {
    const auto screen = showingPage();
    if (screen && !screen->isEditing()) {
        navigatePrev();
    }
}

// --- menus ---

std::shared_ptr<ZVSlideInMenu> ZVConversationPageSet::menuForSide(ZVMenuSide side) {
    return !tablet_ && side == ZVMenuSide::Right ? conversationMenu() : nullptr;
}

std::shared_ptr<ZVSlideInMenu> ZVConversationPageSet::conversationMenu() {
    const auto& registry = ZVConversationPageRegistry::shared();
    if (!conversationMenu_ && !tablet_ && registry.makeConversationMenu) {
        conversationMenu_ = registry.makeConversationMenu();
        if (conversationMenu_) {
            dropUnofferedItems(*conversationMenu_);
            observeMenu(*conversationMenu_, conversationMenuObservation_);
        }
    }
    // Made or shown again, it marks the page on show.
    updateMenu(conversationMenu_.get());
    return conversationMenu_;
}

void ZVConversationPageSet::dropUnofferedItems(ZVVerticalMenu& menu) {
    const auto items = menu.items();
    for (const auto& item : items) {
        if (!ZVConversationPageRegistry::shared().hasPage(item->tag())) {
            menu.removeItem(item);
        }
    }
}

void ZVConversationPageSet::observeMenu(ZVVerticalMenu& menu, platform::Observation& observation) {
    observation =
        menu.observe(QString(ZVVerticalMenu::SelectedItemIndexKey), [this](const QString&) {
            // Held by the pages: a choice made as they go is dropped with them.
            menuChoice_ = platform::Scheduler::main().after(kMenuChoiceDelay,
                                                            [this] { synchronizeWithMenu(); });
        });
}

void ZVConversationPageSet::synchronizeWithMenu() {
    const auto pickedPage = [](const ZVVerticalMenu& menu) {
        const auto item = menu.selectedItem();
        return item ? item->tag() : int(MessagesPage);
    };
    if (!tablet_ && conversationMenu_) {
        const int page = pickedPage(*conversationMenu_);
        const auto menu = conversationMenu_;
        menu->disappearLeft();
        setActivePageIndex(page, false);
        if (platform::View* parent = menu->superview()) {
            parent->bringSubviewToFront(menu.get());
        }
    } else if (tablet_ && pageMenu_) {
        setActivePageIndex(pickedPage(*pageMenu_), false);
    }
    // A choice that could not be shown goes back to the page on show.
    updateMenu(pageMenu_.get());
    updateMenu(conversationMenu_.get());
}

void ZVConversationPageSet::updateMenu(ZVVerticalMenu* menu) const {
    if (menu == nullptr) {
        return;
    }
    if (activePageIndex_ == MessagesPage) {
        menu->setSelectedItemIndex(ZVVerticalMenu::kNotFound);
    }
    const auto& items = menu->items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i]->tag() == activePageIndex_) {
            menu->setSelectedItemIndex(int(i));
            return;
        }
    }
}

void ZVConversationPageSet::hideSideMenus() {
    if (conversationMenu_) {
        conversationMenu_->disappearWithSpeed(0);
    }
}

// --- life ---

void ZVConversationPageSet::notifyAppActivation() {
    if (const auto& messages = pages_[MessagesPage].screen()) {
        messages->notifyAppActivation();
        messages->resetConsumeMessagesTimer();
    }
}

void ZVConversationPageSet::releaseObservers() {
    for (const auto& page : pages_) {
        if (const auto screen = page.viewController()) {
            screen->releaseObservers();
        }
    }
    pageMenuObservation_.reset();
}
