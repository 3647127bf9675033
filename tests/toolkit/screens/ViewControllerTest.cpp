#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controllers/InterfaceOrientation.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/table/TableView.h"
#include "tests/toolkit/screens/ScreenStage.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <gtest/gtest.h>

using platform::BarButtonItem;

namespace {

QString nameOf(const std::shared_ptr<BarButtonItem>& item, const ZVViewController& screen) {
    if (item->kind() == BarButtonItem::Kind::FixedSpace) {
        return QStringLiteral("spacer %1").arg(item->width());
    }
    if (item == screen.rightButton()) {
        return screen.showMenuButton() ? QStringLiteral("menu") : QStringLiteral("close");
    }
    return item->title();
}

QStringList rightItems(ZVViewController& screen) {
    QStringList names;
    for (const auto& item : screen.navigationItem().rightBarButtonItems()) {
        names << nameOf(item, screen);
    }
    return names;
}

QStringList leftItems(ZVViewController& screen) {
    QStringList names;
    for (const auto& item : screen.navigationItem().leftBarButtonItems()) {
        names << nameOf(item, screen);
    }
    return names;
}

}  // namespace

// The menu and close buttons share one slot; each setter leaves the bar showing exactly the
// current choice, and repeating a choice builds nothing new.
TEST(ZVViewControllerTest, MenuAndCloseButtonsShareTheRightSlot) {
    ScreenStage stage;
    auto screen = std::make_shared<TestScreen>();
    enum Op { MenuOn, MenuOff, CloseOn, CloseOff };
    const struct {
        Op op;
        QStringList items;
        bool sameButton;  // the right button is the one the previous step left
    } steps[] = {
        {MenuOn, {"menu"}, false},
        {MenuOn, {"menu"}, true},
        {CloseOn, {"spacer -10", "close"}, false},
        {CloseOn, {"spacer -10", "close"}, true},
        {MenuOn, {"menu"}, false},
        {CloseOn, {"spacer -10", "close"}, false},
        {CloseOff, {"spacer -10"}, false},
        {CloseOff, {"spacer -10"}, true},
        {MenuOff, {"spacer -10"}, true},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto before = screen->rightButton();
        const auto spacerBefore = screen->spacer();
        switch (steps[i].op) {
            case MenuOn:
                screen->setShowMenuButton(true);
                break;
            case MenuOff:
                screen->setShowMenuButton(false);
                break;
            case CloseOn:
                screen->setShowCloseButton(true);
                break;
            case CloseOff:
                screen->setShowCloseButton(false);
                break;
        }
        EXPECT_EQ(rightItems(*screen), steps[i].items) << "step " << i;
        if (steps[i].sameButton) {
            EXPECT_EQ(screen->rightButton(), before) << "step " << i;
            EXPECT_EQ(screen->spacer(), spacerBefore) << "step " << i;
        }
    }
}

TEST(ZVViewControllerTest, ButtonsActOnTheScreenAndTheCoordinator) {
    ScreenStage stage;
    auto screen = stage.show(TestScreen::withMenus({ZVMenuSide::Right}));
    screen->setShowMenuButton(true);
    EXPECT_EQ(screen->rightButton()->accessibilityLabel(), "Conversation menu");
    screen->rightButton()->trigger();
    EXPECT_EQ(screen->slideInMenu(), screen->menus[ZVMenuSide::Right]);

    screen->setShowCloseButton(true);
    stage.coordinator->openConversation = "c1";
    screen->rightButton()->trigger();
    EXPECT_EQ(stage.coordinator->conversationRequests, QStringList{QString()});
}

// Entering edit mode, and leaving it by Done or by Cancel, each announce the change; leaving it
// puts the screen's own buttons back.
TEST(ZVViewControllerTest, EditModeSwapsTheButtonsAndAnnouncesEveryChange) {
    ScreenStage stage;
    auto screen = stage.show(std::make_shared<TestScreen>());
    screen->setShowCloseButton(true);
    std::vector<bool> heard;
    auto observation = platform::NotificationCenter::defaultCenter().addObserverForName(
        ZVViewController::kEditingChangedNotification, screen.get(),
        [&](const platform::Notification& n) {
            const auto object = std::any_cast<std::shared_ptr<ZVViewController>>(n.object);
            EXPECT_EQ(object, screen);
            heard.push_back(object->isEditing());
        });

    for (const QString& button : {QStringLiteral("Done"), QStringLiteral("Cancel")}) {
        screen->setEditing(true, false);
        EXPECT_EQ(leftItems(*screen), QStringList{"Cancel"});
        EXPECT_EQ(rightItems(*screen), QStringList{"Done"});
        EXPECT_EQ(screen->navigationItem().rightBarButtonItem()->style(),
                  BarButtonItem::Style::Done);
        const auto item = button == "Done" ? screen->navigationItem().rightBarButtonItem()
                                           : screen->navigationItem().leftBarButtonItem();
        item->trigger();
        EXPECT_FALSE(screen->isEditing()) << qPrintable(button);
        EXPECT_TRUE(leftItems(*screen).isEmpty());
        EXPECT_EQ(rightItems(*screen), (QStringList{"spacer -10", "close"}));
    }
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true, false}));
}

TEST(ZVViewControllerTest, AppearanceTakesTheInsetAttachesTheSwipeAndHoldsTheFirstTable) {
    ScreenStage stage;
    stage.coordinator->inset = 30;
    auto screen = std::make_shared<TestScreen>();
    auto first = std::make_shared<platform::TableView>();
    auto second = std::make_shared<platform::TableView>();
    screen->view()->addSubview(platform::View::make());
    screen->view()->addSubview(first);
    screen->view()->addSubview(second);
    stage.show(screen);

    EXPECT_EQ(screen->insets, std::vector<qreal>{30});
    const auto& swipe = screen->swipeGestureRecognizer();
    EXPECT_EQ(swipe->view(), screen->view().get());
    EXPECT_EQ(swipe->viewController(), screen);
    // Without a target of its own the screen goes back on a swipe.
    ASSERT_NE(swipe->target(), nullptr);
    EXPECT_EQ(swipe->target()->menuForSide(ZVMenuSide::Right), nullptr);
    EXPECT_TRUE(first->panGestureRecognizer().requiresFailureOf(*swipe));
    EXPECT_FALSE(second->panGestureRecognizer().requiresFailureOf(*swipe));

    // Each appearance takes the inset of the moment.
    stage.coordinator->inset = 0;
    stage.left().pushViewController(std::make_shared<TestScreen>(), false);
    stage.settle();
    stage.left().popViewControllerAnimated(false);
    stage.settle();
    EXPECT_EQ(screen->insets, (std::vector<qreal>{30, 0}));
}

TEST(ZVViewControllerTest, ScreenWithoutCoordinatorOrViewCopes) {
    auto screen = std::make_shared<TestScreen>();
    EXPECT_EQ(screen->screenSize(), QSizeF());
    screen->navigateToInbox();
    screen->navigateBack();
    screen->updateBackButton();
    EXPECT_TRUE(screen->navigationItem().leftBarButtonItems().empty());
    // No window to show a menu in: it is still the screen's, and nothing breaks.
    auto withMenu = TestScreen::withMenus({ZVMenuSide::Right});
    withMenu->showRightMenu();
    EXPECT_EQ(withMenu->slideInMenu(), withMenu->menus[ZVMenuSide::Right]);
    EXPECT_EQ(withMenu->slideInMenu()->superview(), nullptr);
}

// The keyboard's height is how much of the view it covers: never more than the keyboard, never
// below zero when it sits under the view.
TEST(ZVViewControllerTest, KeyboardHeightIsTheOverlapWithTheView) {
    ScreenStage stage;
    auto screen = stage.show(std::make_shared<TestScreen>());
    // The screen sits under the bar: y 64 to 667 in the window.
    ASSERT_EQ(screen->view()->convertRectTo(screen->view()->bounds(), nullptr),
              QRectF(0, 64, 375, 603));
    const auto post = [](QLatin1StringView name, QRectF end) {
        platform::NotificationCenter::defaultCenter().postNotificationName(
            QString(name), nullptr, {}, {{QString(platform::Keyboard::FrameEndUserInfoKey), end}});
    };
    const struct {
        QLatin1StringView notification;
        QRectF end;
        qreal height;
    } cases[] = {
        {platform::Keyboard::WillShowNotification, {0, 451, 375, 216}, 216},
        {platform::Keyboard::WillChangeFrameNotification, {0, 551, 375, 216}, 116},
        {platform::Keyboard::WillChangeFrameNotification, {0, 700, 375, 216}, 0},
        {platform::Keyboard::WillShowNotification, {0, 451, 375, 216}, 216},
        {platform::Keyboard::WillHideNotification, {0, 451, 375, 216}, 0},
    };
    for (const auto& c : cases) {
        post(c.notification, c.end);
        EXPECT_EQ(screen->keyboardHeight(), c.height) << c.end.y();
    }

    // Off the screen, and after it is retired, the keyboard is not followed.
    post(platform::Keyboard::WillShowNotification, {0, 451, 375, 216});
    stage.left().pushViewController(std::make_shared<TestScreen>(), false);
    stage.settle();
    post(platform::Keyboard::WillHideNotification, {0, 451, 375, 216});
    EXPECT_EQ(screen->keyboardHeight(), 216);
    stage.left().popViewControllerAnimated(false);
    stage.settle();
    screen->releaseObservers();
    post(platform::Keyboard::WillHideNotification, {0, 451, 375, 216});
    EXPECT_EQ(screen->keyboardHeight(), 216);
}

// Back from the conversation's first screen closes the conversation; anywhere else it pops.
TEST(ZVViewControllerTest, NavigateBackClosesTheConversationOnlyFromItsFirstScreen) {
    const struct {
        int depth;
        QString conversation;
        bool closes;
    } cases[] = {
        {2, "c1", true},
        {2, "", false},
        {3, "c1", false},
    };
    for (const auto& c : cases) {
        ScreenStage stage;
        stage.coordinator->openConversation = c.conversation;
        std::shared_ptr<TestScreen> top;
        for (int i = 1; i < c.depth; ++i) {
            top = stage.show(std::make_shared<TestScreen>());
        }
        top->navigateBack();
        stage.settle();
        EXPECT_EQ(stage.coordinator->conversationRequests.size(), c.closes ? 1 : 0) << c.depth;
        EXPECT_EQ(stage.depth(), static_cast<std::size_t>(c.closes ? c.depth : c.depth - 1));
    }
}

// On a phone the screen may not turn while an alert card shows; a tablet turns as ever. A turn
// places the status bar again once it has ended.
TEST(ZVViewControllerTest, TurnsPlaceTheStatusBarAndAPhoneStaysUprightUnderAnAlert) {
    for (const auto& profile :
         {platform::DeviceProfile::phone(), platform::DeviceProfile::tablet()}) {
        const bool phone = profile.idiom == platform::DeviceProfile::Idiom::Phone;
        ScreenStage stage(profile);
        stage.show(std::make_shared<TestScreen>());
        ZVAlertViewManager::alertViewManager().setKeyWindow(stage.coordinator->shownWindow);
        ZVAlertView::showMessage("Message", "Title");
        stage.settle();
        ASSERT_TRUE(ZVAlertView::alertViewShowing());
        EXPECT_EQ(
            platform::rotateWindow(stage.window(), platform::InterfaceOrientation::LandscapeLeft),
            !phone);
        ZVAlertViewManager::alertViewManager().dismissAlert();
        stage.settle();
        const int placements = stage.coordinator->statusViewPlacements;

        ASSERT_TRUE(platform::rotateWindow(stage.window(),
                                           phone ? platform::InterfaceOrientation::LandscapeLeft
                                                 : platform::InterfaceOrientation::Portrait));
        EXPECT_EQ(stage.coordinator->statusViewPlacements, placements);
        stage.settle();
        EXPECT_EQ(stage.coordinator->statusViewPlacements, placements + 1);
    }
}

TEST(ZVViewControllerTest, TabletShowsTheDisplayModeButtonOnTheLeft) {
    ScreenStage stage(platform::DeviceProfile::tablet());
    auto screen = stage.show(std::make_shared<TestScreen>());
    screen->updateBackButton();
    EXPECT_EQ(screen->leftButton(), stage.coordinator->modeItem);
    EXPECT_EQ(screen->navigationItem().leftBarButtonItem(), stage.coordinator->modeItem);

    ScreenStage phone;
    auto phoneScreen = phone.show(std::make_shared<TestScreen>());
    phoneScreen->updateBackButton();
    EXPECT_EQ(phoneScreen->leftButton(), nullptr);
}

// The tablet's left button as a view of its own goes back when tapped, and lights up while the
// left menu shows.
TEST(ZVViewControllerTest, CustomLeftButtonGoesBackAndShowsTheOpenMenu) {
    ScreenStage stage(platform::DeviceProfile::tablet());
    auto button = std::make_shared<platform::Button>();
    stage.coordinator->modeItem = BarButtonItem::withCustomView(button);
    stage.show(std::make_shared<TestScreen>());
    auto screen = TestScreen::withMenus({ZVMenuSide::Left});
    screen->updateBackButton();
    stage.show(screen);

    screen->showLeftMenu();
    stage.settle();
    EXPECT_TRUE(button->isHighlighted());
    screen->showLeftMenu();
    stage.settle();
    EXPECT_FALSE(button->isHighlighted());

    button->sendActionsForEvents(platform::Control::TouchUpInside);
    stage.settle();
    EXPECT_EQ(stage.depth(), 2u);
}
