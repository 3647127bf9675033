#include "app/inbox/screen/ZVInboxViewController.h"

#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/menus/ZVConversationActionsMenu.h"
#include "app/inbox/screen/ZVSearchOverlay.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/gesture/LongPressGestureRecognizer.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Window.h"
#include "tests/app/inbox/InboxTestSupport.h"
#include "tests/emulator/EmulatorTypes.h"
#include "tests/platform/ui/RealWindowSupport.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/widgets/ZVMessageBanner.h"
#include "toolkit/widgets/ZVSearchBar.h"
#include "toolkit/widgets/ZVSegmentedControl.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::TouchPhase;

class InboxScreenTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVInboxViewController::setNewConversationScreen([this](const std::shared_ptr<Conversation>&
                                                                   conversation,
                                                               int page) {
            newScreens.push_back({conversation ? conversation->conversationId() : QString(), page});
            return std::make_shared<platform::ViewController>();
        });
    }
    void TearDown() override {
        ZVInboxViewController::setNewConversationScreen({});
        ShellTest::TearDown();
    }

    // Signed in as Anna with the inbox on screen.
    std::shared_ptr<ZVRepositorySession> start() {
        launch();
        const auto anna = signIn(shelltest::kAnna);
        EXPECT_TRUE(anna && waitForStreamEnd(anna));
        globals().window()->updateNow();
        return anna;
    }
    std::shared_ptr<ZVInboxViewController> inbox() {
        auto* screen = globals().inboxViewController();
        return screen ? std::dynamic_pointer_cast<ZVInboxViewController>(screen->viewController())
                      : nullptr;
    }
    // A conversation of Anna's on the service, listed in her stream; unread when asked.
    QString conversation(const QString& topic, bool unread = false) {
        const QString owner = account(shelltest::kAnna);
        const QString id = emulator.addConversation(topic, {owner});
        QJsonObject record = *emulator.conversationRecord(id);
        if (unread) {
            record.insert(u"is_init"_s, true);
            record.insert(u"show_message_nr"_s, 1);
            record.insert(u"last_message_nr"_s, 1);
            record.insert(u"unread_count"_s, 1);
        }
        emulator.appendEvent(owner, record);
        return id;
    }
    void addUnreadLabel() {
        emulator.appendEvent(account(shelltest::kAnna),
                             inboxtest::labelRecord(u"unread"_s, u"Unread"_s, u"unread"_s, 0));
    }
    QString unreadTitle() { return inbox()->unreadFilter()->sectionTitles().value(1); }
    bool backShowsBadge() {
        const auto back = inbox()->navigationItem().backBarButtonItem();
        return back && !back->image().isNull();
    }
    void type(const QString& text) {
        for (const QChar c : text) {
            globals().window()->sendKey({c.toUpper().unicode(), {}, QString(c)});
        }
    }
    // Drawn, and the animations the drawing started run to their end.
    void settle() {
        globals().window()->updateNow();
        scheduler().advance(ZVInboxViewController::kSearchAnimation +
                            2 * platform::AnimationDriver::kFrameInterval);
    }
    void erase() { globals().window()->sendKey({Qt::Key_Backspace, {}, QString()}); }

    struct NewScreen {
        QString conversationId;
        int page;
    };
    std::vector<NewScreen> newScreens;
};

// The filter's title and the back button count the notifying unread conversations, less the one
// open on screen; the filter switches the list to its unread section.
TEST_F(InboxScreenTest, TheUnreadCountLeavesOutTheOpenConversation) {
    const auto anna = start();
    ASSERT_TRUE(inbox());
    EXPECT_EQ(inbox()->session(), anna);
    EXPECT_EQ(unreadTitle(), u"Unread"_s);
    EXPECT_FALSE(backShowsBadge());

    addUnreadLabel();
    const QString first = conversation(u"First"_s, true);
    conversation(u"Second"_s, true);
    ASSERT_TRUE(waitForStreamEnd(anna));
    ASSERT_EQ(anna->unreadCount(), 2);

    struct Case {
        const char* name;
        QString open;
        QString title;
        bool badge;
    };
    const Case cases[] = {
        {"none open", {}, u"Unread (2)"_s, true},
        {"one of them open", first, u"Unread (1)"_s, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        globals().setConversationId(c.open);
        globals().updateUnreadCount();
        EXPECT_EQ(unreadTitle(), c.title);
        EXPECT_EQ(backShowsBadge(), c.badge);
    }

    inbox()->unreadFilter()->setSelectedSegmentIndex(1);
    inbox()->unreadFilter()->sendActionsForEvents(platform::Control::ValueChanged);
    EXPECT_TRUE(inbox()->dataSource()->filterUnread());
    EXPECT_EQ(inbox()->tableView()->numberOfSections(), 1);
}

// Typing in the search bar hides the dimming at the first character and brings it back when the
// text is gone; a touch on it closes the search.
TEST_F(InboxScreenTest, TheSearchOverlayFollowsTheTypedText) {
    start();
    const auto screen = inbox();
    screen->showSearch();
    settle();
    ASSERT_TRUE(screen->isSearchVisible());
    ASSERT_TRUE(screen->searchOverlay());
    EXPECT_FALSE(screen->searchOverlay()->isHidden());
    EXPECT_NEAR(screen->searchOverlay()->alpha(), ZVInboxViewController::kOverlayAlpha, 0.01);
    EXPECT_TRUE(screen->navigationItem().leftBarButtonItems().empty());
    ASSERT_TRUE(screen->searchBar()->window() != nullptr);
    ASSERT_TRUE(screen->searchBar()->isFirstResponder());

    type(u"pl"_s);
    EXPECT_TRUE(screen->searchOverlay()->isHidden());
    EXPECT_EQ(screen->dataSource()->searchText(), u"pl"_s);
    erase();
    EXPECT_TRUE(screen->searchOverlay()->isHidden());
    erase();
    EXPECT_FALSE(screen->searchOverlay()->isHidden());

    const auto overlay = screen->searchOverlay();
    const QPointF at = overlay->convertPointTo(overlay->bounds().center(), nullptr);
    globals().window()->sendTouch(1, TouchPhase::Began, at);
    globals().window()->sendTouch(1, TouchPhase::Ended, at);
    settle();
    EXPECT_FALSE(screen->isSearchVisible());
    EXPECT_FALSE(screen->searchOverlay());
    EXPECT_EQ(overlay->superview(), nullptr);
    EXPECT_EQ(screen->navigationItem().leftBarButtonItems().size(), 2u);
    EXPECT_TRUE(screen->dataSource()->searchText().isEmpty());
}

// A conversation the account does not know yet is fetched, then opened; a failed fetch clears the
// selection with an alert; an answer that still lacks it ends the pick after one more try.
TEST_F(InboxScreenTest, AnUnknownPickIsFetchedOnceAndTriedOnceMore) {
    const auto anna = start();
    const QString plans = emulator.addConversation(u"Plans"_s, {account(shelltest::kAnna)});
    const QString path = u"conversation/sync/"_s + plans;
    ASSERT_FALSE(anna->conversationFromId(plans));

    inbox()->conversationSelected(plans);
    ASSERT_TRUE(scheduler().runUntil([&] { return !pagesOpened.empty(); }));
    EXPECT_EQ(pagesOpened.back().conversationId, plans);
    ASSERT_EQ(emulator.requests(path).size(), 1);
    globals().setConversationId(QString());

    const QString lost = emulator.addConversation(u"Lost"_s, {account(shelltest::kAnna)});
    const QString lostPath = u"conversation/sync/"_s + lost;
    emulator.injectFault(lostPath, zvemu::Fault::withStatus(500, u"internal"_s));
    inbox()->dataSource()->setConversationId(lost);
    inbox()->conversationSelected(lost);
    ASSERT_TRUE(scheduler().runUntil([&] { return ZVAlertView::alertViewShowing(); }));
    EXPECT_EQ(ZVAlertViewManager::alertViewManager().currentAlertView()->title(),
              ZVInboxViewController::kOpenFailedTitle);
    EXPECT_TRUE(inbox()->dataSource()->conversationId().isEmpty());
    ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);

    // The service answers, but not with the conversation: the pick looks once more and ends,
    // asking nothing further.
    emulator.scriptAnswer(lostPath, zvemu::Reply::ok({}), 5);
    const std::size_t before = pagesOpened.size();
    inbox()->dataSource()->setConversationId(lost);
    inbox()->conversationSelected(lost);
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requests(lostPath).size() == 2; }));
    scheduler().runUntil([&] { return inbox()->dataSource()->conversationId().isEmpty(); });
    scheduler().advance(5);
    EXPECT_EQ(emulator.requests(lostPath).size(), 2);
    EXPECT_TRUE(inbox()->dataSource()->conversationId().isEmpty());
    EXPECT_EQ(pagesOpened.size(), before);
}

// A file waiting for its conversation shows the banner; picking a conversation attaches it and
// takes the banner away before the conversation opens; "new" pushes the new-conversation screen.
TEST_F(InboxScreenTest, APickTakesThePendingFileAndNewOpensItsScreen) {
    const auto anna = start();
    const QString plans = conversation(u"Plans"_s);
    ASSERT_TRUE(waitForStreamEnd(anna));
    const auto file = anna->fileWithData("some notes", u"notes.txt"_s);
    ASSERT_TRUE(file);
    inbox()->setPendingFile(file);
    ASSERT_TRUE(inbox()->fileBanner());
    EXPECT_EQ(inbox()->fileBanner()->message(), u"Select destination for 'notes.txt'"_s);
    EXPECT_EQ(inbox()->tableView()->contentInset().top, inbox()->fileBanner()->bounds().height());

    inbox()->conversationSelected(plans);
    EXPECT_FALSE(inbox()->fileBanner());
    EXPECT_FALSE(inbox()->pendingFile());
    EXPECT_EQ(inbox()->tableView()->contentInset().top, 0);
    const auto pending = anna->conversationFromId(plans)->pendingFiles();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending.front(), file);
    ASSERT_FALSE(pagesOpened.empty());
    EXPECT_EQ(pagesOpened.back().conversationId, plans);

    const auto navigation = globals().leftNavigationController();
    const std::size_t screens = navigation->viewControllers().size();
    inbox()->newConversation();
    ASSERT_EQ(newScreens.size(), 1u);
    EXPECT_EQ(newScreens[0].conversationId, u"new"_s);
    EXPECT_EQ(newScreens[0].page, ZVInboxViewController::kNewConversationPage);
    EXPECT_EQ(navigation->viewControllers().size(), screens + 1);
    // The attached file's upload ends before the account does.
    EXPECT_TRUE(scheduler().runUntil([&] { return file->status() != File::Status::Uploading; }));
}

// The inbox in a window of the window system: run again in a real X window on a virtual X server,
// where the press goes through the X server's event queue.
class InboxWindowTest : public InboxScreenTest, protected RealWindowSupport {};

// A finger held on a row opens the row's actions menu once the press has lasted; lifting it keeps
// the menu, and closing the menu lets the held label changes go.
TEST_F(InboxWindowTest, ALongPressOnARowOpensItsActionsMenu) {
    const auto anna = start();
    addUnreadLabel();
    const QString plans = conversation(u"Plans"_s, true);
    ASSERT_TRUE(waitForStreamEnd(anna));
    const auto window = globals().window();
    platform::WindowHost host(window);
    ASSERT_TRUE(showAndWaitUntilExposed(host));

    std::shared_ptr<ZVInboxTableViewCell> row;
    for (const auto& cell : inbox()->tableView()->visibleCells()) {
        if (auto shown = std::dynamic_pointer_cast<ZVInboxTableViewCell>(cell);
            shown && shown->conversationId() == plans) {
            row = shown;
        }
    }
    ASSERT_TRUE(row);
    const QPointF at = row->convertPointTo(row->bounds().center(), nullptr);
    QWindow* handle = host.windowHandle();
    const auto post = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(
            handle, new QMouseEvent(type, at, handle->mapToGlobal(at.toPoint()), Qt::LeftButton,
                                    buttons, Qt::NoModifier));
    };
    post(QEvent::MouseButtonPress, Qt::LeftButton);
    ASSERT_TRUE(
        scheduler().runUntil([&] { return window->hasActiveTouches(); }, kWindowSystemTimeoutMs));
    const auto& menuHost = inbox()->actionsMenu();
    scheduler().advance(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration / 2);
    EXPECT_FALSE(menuHost->menuShowing());
    scheduler().advance(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration / 2 +
                        platform::AnimationDriver::kFrameInterval);
    ASSERT_TRUE(menuHost->menuShowing());
    EXPECT_EQ(menuHost->cell(), row);
    EXPECT_TRUE(anna->isHoldingLabelChanges());

    post(QEvent::MouseButtonRelease, Qt::NoButton);
    ASSERT_TRUE(
        scheduler().runUntil([&] { return !window->hasActiveTouches(); }, kWindowSystemTimeoutMs));
    settle();
    EXPECT_TRUE(menuHost->menuShowing());
    ASSERT_TRUE(menuHost->menu());
    menuHost->menu()->invokeActionIndex(-1, false);
    EXPECT_FALSE(menuHost->menuShowing());
    EXPECT_FALSE(anna->isHoldingLabelChanges());
}

}  // namespace
