#include "tests/MessageFlow/pages/PagesTestSupport.h"

#include "MessageFlow/menus/StartUp.h"
#include "MessageFlow/menus/ZVConversationMenu.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVOverlayContainer.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/view/Window.h"
#include "tests/app/ShellTestSupport.h"
#include "tests/platform/ui/RealWindowSupport.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/menus/ZVVerticalMenu.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QJsonArray>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>

#include <array>

using namespace Qt::StringLiterals;

namespace shelltest {
namespace {

using pagestest::RowsScreen;
using pagestest::SidePage;
using Stack = platform::NavigationController::Stack;

// Longer than any navigation or panel animation.
constexpr double kSettle = 1.0;

void addPageItems(ZVVerticalMenu& menu) {
    for (int page = 1; page < ZVConversationPageSet::kPageCount; ++page) {
        auto item = std::make_shared<ZVVerticalMenuItem>();
        item->setTag(page);
        menu.addItem(item);
    }
}

// The application on the loopback service with the real pages in its slot, fake page screens
// (page 0 a real table-and-bottom screen) and menus made of the toolkit's menus.
class ConversationPagesTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
        auto& registry = ZVConversationPageRegistry::shared();
        registry.pages[0] = [this](const std::shared_ptr<Conversation>& conversation, int) {
            // As the message screen does, the page opens the conversation's message window.
            conversation->loadMessages();
            auto screen = std::make_shared<RowsScreen>(50);
            messages = screen;
            return screen;
        };
        for (int page = 1; page < ZVConversationPageSet::kPageCount; ++page) {
            registry.pages[page] = [this](const auto&, int index) {
                auto screen = std::make_shared<SidePage>(index);
                sides[index] = screen;
                return screen;
            };
        }
        registry.makeConversationMenu = [] {
            auto menu = std::make_shared<ZVSlideInMenu>(ZVMenuSide::Right);
            addPageItems(*menu);
            return menu;
        };
        registry.makePageMenu = [] {
            auto menu = std::make_shared<ZVVerticalMenu>(1);
            menu->setFrame(QRectF(0, 0, 50, 100));
            addPageItems(*menu);
            return menu;
        };
    }
    void TearDown() override {
        ZVConversationPageRegistry::reset();
        ShellTest::TearDown();
    }

    void start(bool tablet) {
        platform::Application::shared().setUserInterfaceIdiom(
            tablet ? platform::UserInterfaceIdiom::Pad : platform::UserInterfaceIdiom::Phone);
        launch();
        session = signIn(kAnna);
        ASSERT_TRUE(session);
        ASSERT_TRUE(waitForStreamEnd(session));
        navigation = globals().rightNavigationController();
        ASSERT_TRUE(navigation);
        globals().window()->layoutIfNeeded();
        if (tablet) {
            scheduler().advance(ZVGlobals::kSplitViewSetUpDelay);
        }
        first = navigation->viewControllers().front();
    }
    QString conversation(const QString& topic) {
        const QString id = emulator.addConversation(topic, {account(kAnna)});
        // The messages below reach the client only through the stream, not the service's model:
        // its answer to a message load would not hold them, so the loads are refused.
        emulator.injectFault(u"conversation/sync/"_s + id,
                             zvemu::Fault::withStatus(404, u"unknown_method"_s), 1000);
        emulator.appendEvent(account(kAnna), *emulator.conversationRecord(id));
        EXPECT_TRUE(waitForStreamEnd(session));
        return id;
    }
    // Messages 1 to `count` of the conversation, all read; `pinned` carries the pin tag.
    void addMessages(const QString& id, qint64 count, qint64 pinned) {
        for (qint64 nr = 1; nr <= count; ++nr) {
            emulator.appendEvent(account(kAnna),
                                 {{u"mk_rec_type"_s, u"message"_s},
                                  {u"conversation_id"_s, id},
                                  {u"message_nr"_s, nr},
                                  {u"account_id"_s, account(kAnna)},
                                  {u"mk_message_type"_s, u"text"_s},
                                  {u"message"_s, u"<msg>m%1</msg>"_s.arg(nr)},
                                  {u"tags"_s, nr == pinned ? QJsonArray{u"pin"_s} : QJsonArray{}}});
        }
        ASSERT_TRUE(waitForStreamEnd(session));
        changeConversation(id, {{u"last_message_nr"_s, count}, {u"read_message_nr"_s, count}});
    }
    void changeConversation(const QString& id, const QJsonObject& fields) {
        QJsonObject record = *emulator.conversationRecord(id);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        emulator.appendEvent(account(kAnna), record);
        ASSERT_TRUE(waitForStreamEnd(session));
        settle();
    }
    void open(const ZVOpenRequest& request) {
        globals().setConversationId(request, true);
        settle();
        ASSERT_TRUE(pages());
    }
    void settle() { scheduler().advance(kSettle); }
    static ZVConversationPageSet* pages() { return ZVConversationPageSet::conversationPages(); }
    Stack stackOf(std::initializer_list<std::shared_ptr<platform::ViewController>> screens) {
        Stack stack{first};
        stack.insert(stack.end(), screens.begin(), screens.end());
        return stack;
    }
    std::shared_ptr<SidePage> side(int page) { return sides[page].lock(); }

    std::shared_ptr<ZVRepositorySession> session;
    std::shared_ptr<platform::NavigationController> navigation;
    std::shared_ptr<platform::ViewController> first;
    std::weak_ptr<RowsScreen> messages;
    std::array<std::weak_ptr<SidePage>, ZVConversationPageSet::kPageCount> sides;
};

TEST_F(ConversationPagesTest, PhoneStacksGoBackToTheMessagesAndLeaveFromThere) {
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, 2, {}});
    const auto messagesScreen = messages.lock();
    ASSERT_TRUE(messagesScreen && side(2));
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, side(2)}));
    EXPECT_EQ(pages()->activePageIndex(), 2);
    EXPECT_EQ(messagesScreen->title(), u"plans"_s);
    EXPECT_EQ(side(2)->title(), u"Pinned messages"_s);
    EXPECT_TRUE(messagesScreen->showMenuButton());
    EXPECT_FALSE(side(2)->showMenuButton());
    EXPECT_FALSE(messagesScreen->showCloseButton());

    // The user goes back from the pins: the messages.
    navigation->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));
    EXPECT_EQ(pages()->activePageIndex(), 0);
    EXPECT_EQ(globals().conversationId(), id);

    // Swipes: search is skipped without a search text; back from any side page is the messages.
    pages()->navigateNext();
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 2);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, side(2)}));
    pages()->swipeRight();
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 0);
    session->conversationFromId(id)->setSearchText(u"plan"_s);
    pages()->swipeLeft();
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 1);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, side(1)}));

    // A lower page slides in from the left, as going back does.
    pages()->setActivePageIndex(5);
    settle();
    const auto members = side(5);
    ASSERT_TRUE(members);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, members}));
    pages()->setActivePageIndex(3);
    scheduler().advance(0.1);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, side(3)}));
    EXPECT_GT(members->view()->frame().x(), 0) << "the members page leaves to the right";
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 3);
    pages()->navigatePrev();
    settle();
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));

    // Back from the messages: one announced close, and the screens let go of what they observe.
    int announcements = 0;
    const auto watch = globals().observe(QString(ZVGlobals::kConversationIdKey),
                                         [&](const QString&) { ++announcements; });
    pages()->navigatePrev();
    settle();
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_EQ(announcements, 1);
    EXPECT_FALSE(pages());
    EXPECT_EQ(navigation->viewControllers(), stackOf({}));
    EXPECT_EQ(members->observersReleased, 1);
}

TEST_F(ConversationPagesTest,
       MenuChoicesApplyATenthOfASecondLaterAndOnlyPagesWithScreensAreOffered) {
    ZVConversationPageRegistry::shared().pages[4] = nullptr;
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, {}, {}});
    const auto messagesScreen = messages.lock();
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));

    const auto menu = pages()->menuForSide(ZVMenuSide::Right);
    ASSERT_TRUE(menu);
    EXPECT_EQ(pages()->menuForSide(ZVMenuSide::Left), nullptr);
    std::vector<int> tags;
    for (const auto& item : menu->items()) {
        tags.push_back(item->tag());
    }
    EXPECT_EQ(tags, (std::vector<int>{1, 2, 3, 5, 6}));

    menu->setSelectedItemIndex(2);
    menu->changeValueForKey(QString(ZVVerticalMenu::SelectedItemIndexKey));
    scheduler().advance(ZVConversationPageSet::kMenuChoiceDelay / 2);
    EXPECT_EQ(pages()->activePageIndex(), 0);
    scheduler().advance(ZVConversationPageSet::kMenuChoiceDelay / 2);
    EXPECT_EQ(pages()->activePageIndex(), 3);
    EXPECT_FALSE(navigation->isTransitioning()) << "without animation";
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen, side(3)}));

    // The tasks page has no screen: the next page is the members.
    pages()->navigateNext();
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 5);
    EXPECT_EQ(menu->selectedItem()->tag(), 5);
    pages()->setActivePageIndex(4);
    EXPECT_EQ(pages()->activePageIndex(), 5);

    // A choice still waiting when the pages go is dropped with them.
    menu->setSelectedItemIndex(0);
    menu->changeValueForKey(QString(ZVVerticalMenu::SelectedItemIndexKey));
    globals().setConversationId(std::nullopt, false);
    scheduler().advance(ZVConversationPageSet::kMenuChoiceDelay);
    EXPECT_FALSE(pages());
}

TEST_F(ConversationPagesTest, TitlesCutTheTopicOnWholeCharacters) {
    const QString a29 = QString(29, u'a');
    const QString a30 = QString(30, u'a');
    const QString smile = u"\U0001F600"_s;
    const QString thumb = u"\U0001F44D\U0001F3FD"_s;
    const struct {
        QString topic;
        int length;
        QString title;
    } cases[] = {
        {a29, 30, a29},
        {a30, 30, a30 + u"..."_s},
        {a30 + u"a"_s, 30, a30 + u"..."_s},
        {a29 + smile + u"b"_s, 30, a29 + u"..."_s},
        {QString(28, u'a') + thumb, 30, QString(28, u'a') + u"..."_s},
        {QString(59, u'a'), 60, QString(59, u'a')},
        {QString(61, u'a'), 60, QString(60, u'a') + u"..."_s},
        {QString(), 30, QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZVConversationPageSet::cutTitle(c.topic, c.length), c.title)
            << c.topic.toStdString();
    }

    // A topic change retitles the messages page alone, cut as at creation.
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, 3, {}});
    changeConversation(id, {{u"topic"_s, a30 + u"bc"_s}});
    EXPECT_EQ(messages.lock()->title(), a30 + u"..."_s);
    EXPECT_EQ(side(3)->title(), u"Files"_s);
}

TEST_F(ConversationPagesTest, ADeletedConversationCloses) {
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, 2, {}});
    int announcements = 0;
    const auto watch = globals().observe(QString(ZVGlobals::kConversationIdKey),
                                         [&](const QString&) { ++announcements; });
    changeConversation(id, {{u"is_deleted"_s, true}});
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_FALSE(pages());
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(navigation->viewControllers(), stackOf({}));
}

TEST_F(ConversationPagesTest, FocusingAMessageOfAnotherConversationReplacesThePages) {
    start(false);
    const QString plans = conversation(u"plans"_s);
    const QString trips = conversation(u"trips"_s);
    addMessages(plans, 3, 0);
    addMessages(trips, 3, 2);
    open(ZVOpenRequest{plans, {}, {}});

    // Pinned: the pins page of the other conversation shows it.
    ZVConversationPageSet::focusMessage(session->messageFromKey(trips, 2));
    settle();
    ASSERT_TRUE(pages());
    EXPECT_EQ(globals().conversationId(), trips);
    EXPECT_EQ(pages()->activePageIndex(), 2);
    EXPECT_EQ(side(2)->focused, (std::vector<std::int64_t>{2}));
    EXPECT_EQ(navigation->viewControllers(), stackOf({messages.lock(), side(2)}));

    // Not pinned: the messages page, with the message in the window.
    ZVConversationPageSet::focusMessage(session->messageFromKey(plans, 3));
    settle();
    ASSERT_TRUE(pages());
    EXPECT_EQ(globals().conversationId(), plans);
    EXPECT_EQ(pages()->activePageIndex(), 0);
    EXPECT_EQ(messages.lock()->focused, (std::vector<std::int64_t>{3}));
    const auto loaded = session->conversationFromId(plans)->messages();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->messageByNr(3));

    // Of the open conversation: these pages, moved to the page that holds it.
    const auto same = messages.lock();
    ZVConversationPageSet::focusMessage(session->messageFromKey(plans, 1));
    EXPECT_EQ(messages.lock(), same);
    EXPECT_EQ(same->focused, (std::vector<std::int64_t>{3, 1}));
}

TEST_F(ConversationPagesTest, ThePhoneMenuMarksThePageOnShow) {
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, 2, {}});

    // Made while the pins show: they are marked.
    const auto menu = pages()->menuForSide(ZVMenuSide::Right);
    ASSERT_TRUE(menu && menu->selectedItem());
    EXPECT_EQ(menu->selectedItem()->tag(), 2);
    // Marking is no choice: nothing switches a moment later.
    scheduler().advance(2 * ZVConversationPageSet::kMenuChoiceDelay);
    EXPECT_EQ(pages()->activePageIndex(), 2);

    pages()->navigatePrev();
    settle();
    EXPECT_EQ(pages()->activePageIndex(), 0);
    EXPECT_EQ(pages()->menuForSide(ZVMenuSide::Right)->selectedItemIndex(),
              ZVVerticalMenu::kNotFound);
}

// The application's own phone menu: on show it marks the page on show, and on the messages page,
// which has no item, it keeps what it had.
TEST_F(ConversationPagesTest, TheConversationMenuMarksTheActivePageWhenItShows) {
    ZVStartUpConversationMenus();
    start(false);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, 2, {}});
    const auto menu = std::dynamic_pointer_cast<ZVConversationMenu>(pages()->conversationMenu());
    ASSERT_TRUE(menu);
    menu->setSelectedItemIndex(ZVVerticalMenu::kNotFound);
    menu->menuWillShow();
    ASSERT_TRUE(menu->selectedItem());
    EXPECT_EQ(menu->selectedItem()->title(), u"Pinned messages"_s);

    pages()->navigatePrev();
    settle();
    ASSERT_EQ(pages()->activePageIndex(), 0);
    menu->setSelectedItemIndex(4);
    menu->menuWillShow();
    EXPECT_EQ(menu->selectedItemIndex(), 4);
}

TEST_F(ConversationPagesTest, TabletPagesShowInThePanelBesideThePageMenu) {
    start(true);
    const QString id = conversation(QString(61, u'a'));
    open(ZVOpenRequest{id, {}, {}});
    const auto messagesScreen = messages.lock();
    ASSERT_TRUE(messagesScreen);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));
    EXPECT_EQ(messagesScreen->title(), QString(60, u'a') + u"..."_s);
    EXPECT_TRUE(messagesScreen->showCloseButton());
    EXPECT_FALSE(messagesScreen->showMenuButton());
    ASSERT_TRUE(pages()->pageMenu());
    EXPECT_EQ(messagesScreen->rightSideView(), pages()->pageMenu());

    const QRectF bounds = messagesScreen->view()->bounds();
    const auto composer = platform::View::make(QRectF(0, 0, bounds.width(), 44));
    messagesScreen->setBottomView(composer);
    platform::NotificationCenter::defaultCenter().postNotificationName(
        QString(platform::Keyboard::WillShowNotification), nullptr, {},
        {{QString(platform::Keyboard::FrameEndUserInfoKey),
          messagesScreen->view()->convertRectTo(
              QRectF(0, bounds.height() - 264, bounds.width(), 264), nullptr)}});

    // A tap on the files item of the page menu.
    const auto window = globals().window();
    window->updateNow();
    const auto& item = pages()->pageMenu()->items().at(2);
    ASSERT_EQ(item->tag(), 3);
    const QPointF center = item->convertPointTo(item->bounds().center(), nullptr);
    window->sendTouch(1, platform::TouchPhase::Began, center);
    window->sendTouch(1, platform::TouchPhase::Ended, center);
    EXPECT_EQ(pages()->activePageIndex(), 0);
    scheduler().advance(ZVConversationPageSet::kMenuChoiceDelay);
    EXPECT_EQ(pages()->activePageIndex(), 3);
    settle();
    const auto files = side(3);
    ASSERT_TRUE(files);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));
    EXPECT_EQ(messagesScreen->overlayViewController(), files);
    EXPECT_EQ(messagesScreen->overlayContainer()->frame(),
              QRectF(bounds.width() - 50 - 320, 0, 320, bounds.height() - 264 - 44));
    EXPECT_EQ(pages()->pageMenu()->selectedItem()->tag(), 3);

    pages()->setActivePageIndex(5);
    settle();
    EXPECT_EQ(messagesScreen->overlayViewController(), side(5));
    EXPECT_EQ(files->view()->superview(), nullptr);
    EXPECT_EQ(side(5)->title(), u""_s) << "tablet side pages keep their own titles";

    // Back on the tablet: from a side page to the messages, and the panel slides out.
    pages()->navigatePrev();
    EXPECT_EQ(pages()->activePageIndex(), 0);
    settle();
    EXPECT_FALSE(messagesScreen->overlayContainer());
    EXPECT_EQ(pages()->pageMenu()->selectedItemIndex(), ZVVerticalMenu::kNotFound);
    EXPECT_EQ(navigation->viewControllers(), stackOf({messagesScreen}));
}

// The tablet's pages in a window of the window system: run again in a real X window on a virtual X
// server, where the click goes through the X server's event queue.
class ConversationPagesWindowTest : public ConversationPagesTest, protected RealWindowSupport {};

TEST_F(ConversationPagesWindowTest, AClickOnTheFilesItemSlidesThePanelIn) {
    start(true);
    const QString id = conversation(u"plans"_s);
    open(ZVOpenRequest{id, {}, {}});
    const auto messagesScreen = messages.lock();
    ASSERT_TRUE(messagesScreen);
    const auto window = globals().window();
    platform::WindowHost host(window);
    ASSERT_TRUE(showAndWaitUntilExposed(host));

    const auto& item = pages()->pageMenu()->items().at(2);
    ASSERT_EQ(item->tag(), 3);
    const QPointF at = item->convertPointTo(item->bounds().center(), nullptr);
    QWindow* handle = host.windowHandle();
    const auto post = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(
            handle, new QMouseEvent(type, at, handle->mapToGlobal(at.toPoint()), Qt::LeftButton,
                                    buttons, Qt::NoModifier));
    };
    post(QEvent::MouseButtonPress, Qt::LeftButton);
    post(QEvent::MouseButtonRelease, Qt::NoButton);
    ASSERT_TRUE(scheduler().runUntil(
        [&] {
            const auto selected = pages()->pageMenu()->selectedItem();
            return selected && selected->tag() == 3 && !window->hasActiveTouches();
        },
        kWindowSystemTimeoutMs));

    EXPECT_EQ(pages()->activePageIndex(), 0);
    scheduler().advance(ZVConversationPageSet::kMenuChoiceDelay);
    EXPECT_EQ(pages()->activePageIndex(), 3);
    settle();
    const auto files = side(3);
    ASSERT_TRUE(files);
    EXPECT_EQ(messagesScreen->overlayViewController(), files);
    const QRectF bounds = messagesScreen->view()->bounds();
    ASSERT_TRUE(messagesScreen->overlayContainer());
    EXPECT_EQ(messagesScreen->overlayContainer()->frame(),
              QRectF(bounds.width() - 50 - 320, 0, 320, bounds.height()));
    EXPECT_EQ(files->view()->window(), window.get());
}

}  // namespace
}  // namespace shelltest
