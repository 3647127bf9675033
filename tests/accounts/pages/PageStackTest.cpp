#include "accounts/pages/ZVContainerViewController.h"
#include "accounts/pages/ZVLoginBackground.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "tests/accounts/pages/PreLoginStage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace prelogintest;

namespace {

TEST(PreLoginPageStack, PagesFadeInAndOutAndTheBackArrowFollowsTheDepth) {
    PreLoginStage stage;
    auto& screen = *stage.screen;
    const auto welcome = screen.container();
    welcome->pushTextView(styled(u"Welcome"_s, 4), 0);
    welcome->pushButtonWithTitle(u"Sign in"_s, 0);
    screen.commitPush();
    stage.settle();
    EXPECT_EQ(screen.pageCount(), 1);
    EXPECT_FALSE(screen.background()->backVisible());
    EXPECT_EQ(welcome->alpha(), 1);
    // With room above the only page the logo shows near the top.
    EXPECT_EQ(screen.logo()->center().y(), screen.contentRect().top() + 60);

    screen.pushNewPage();
    const auto signIn = screen.container();
    signIn->pushTextFieldWithPlaceholder(u"E-mail"_s);
    signIn->pushButtonWithTitle(u"Sign in"_s, 0);
    screen.commitPush();
    PreLoginStage::wait(0.15);
    // Half-way through the 0.3-s fades.
    EXPECT_GT(welcome->layer().presentationOpacity(), 0);
    EXPECT_LT(welcome->layer().presentationOpacity(), 1);
    EXPECT_GT(signIn->layer().presentationOpacity(), 0);
    EXPECT_LT(signIn->layer().presentationOpacity(), 1);
    stage.settle();
    EXPECT_EQ(welcome->alpha(), 0);
    EXPECT_EQ(signIn->alpha(), 1);
    EXPECT_TRUE(screen.background()->backVisible());
    EXPECT_LT(screen.logo()->center().y(), 0) << "the logo leaves with a second page";

    // The back arrow pops the page.
    screen.background()->backButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    EXPECT_EQ(screen.pageCount(), 1);
    EXPECT_FALSE(screen.background()->backVisible());
    EXPECT_EQ(signIn->superview(), screen.view().get()) << "it leaves once faded";
    stage.settle();
    EXPECT_EQ(signIn->superview(), nullptr);
    EXPECT_EQ(welcome->alpha(), 1);

    // The first page always stays.
    screen.popPage();
    EXPECT_EQ(screen.pageCount(), 1);
}

TEST(PreLoginPageStack, PoppingToTheFirstPageDropsTheKeyboardFirst) {
    PreLoginStage stage;
    auto& screen = *stage.screen;
    screen.container()->pushButtonWithTitle(u"Sign in"_s, 0);
    screen.commitPush();
    screen.pushNewPage();
    const auto field = screen.container()->pushTextFieldWithPlaceholder(u"E-mail"_s);
    screen.commitPush();
    stage.settle();
    ASSERT_TRUE(field->textField()->isFirstResponder());
    ASSERT_TRUE(stage.keyboard->isVisible());

    screen.popPage();
    EXPECT_FALSE(field->textField()->isFirstResponder());
    stage.settle();
    EXPECT_FALSE(stage.keyboard->isVisible());
    EXPECT_EQ(stage.window->firstResponder(), nullptr);
}

TEST(PreLoginPageStack, TheNewestPageRidesOnTheKeyboardAndKeepsItsTopInView) {
    struct Case {
        const char* name;
        platform::DeviceProfile profile;
        qreal keyboard;
        // Where the content rectangle's bottom lands with the keyboard up.
        qreal expectedBottom;
    };
    const platform::DeviceProfile phone = platform::DeviceProfile::phone();
    const platform::DeviceProfile tablet = platform::DeviceProfile::tablet();
    // The tablet's box is 400 x 560 centred (bottom at 792); portrait lifts 13 more.
    const Case cases[] = {
        {"phone", phone, 216, 667 - 216},
        {"tablet, keyboard under the box", tablet, 200, 792 - 13},
        {"tablet, keyboard over the box", tablet, 300, 1024 - 300 - 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreLoginStage stage(c.profile);
        stage.keyboard->setHeight(c.keyboard);
        auto& screen = *stage.screen;
        const auto page = screen.container();
        page->pushTextView(styled(u"Sign in"_s, 4), 0);
        const auto field = page->pushTextFieldWithPlaceholder(u"E-mail"_s);
        page->pushButtonWithTitle(u"Sign in"_s, 0);
        screen.commitPush();
        stage.settle();
        ASSERT_TRUE(stage.keyboard->isVisible());
        EXPECT_EQ(screen.contentRect().bottom(), c.expectedBottom);
        EXPECT_EQ(page->frame().bottom(), c.expectedBottom);

        field->textField()->resignFirstResponder();
        stage.settle();
        const qreal restingBottom = c.profile.idiom == platform::DeviceProfile::Idiom::Tablet
                                        ? 792
                                        : c.profile.size.height();
        EXPECT_EQ(page->frame().bottom(), restingBottom);
    }
}

TEST(PreLoginPageStack, ATallKeyboardClampsTheContentTopAndKeepsItsBottom) {
    PreLoginStage stage;
    stage.keyboard->setHeight(660);
    auto& screen = *stage.screen;
    screen.container()->pushTextFieldWithPlaceholder(u"E-mail"_s);
    screen.commitPush();
    stage.settle();
    const QRectF rect = screen.contentRect();
    EXPECT_EQ(rect.top(), 20);
    EXPECT_EQ(rect.bottom(), 667 - 660);
}

TEST(PreLoginPageStack, TheSecondaryPageCrossFadesAndTheTitleFollows) {
    auto screen = std::make_shared<ZVContainerViewController>();
    auto window = platform::Window::make();
    window->setRootViewController(screen);
    auto primary = std::make_shared<ZVContainerView>(screen);
    primary->setTitle(u"Profile"_s);
    primary->pushTextFieldWithPlaceholder(u"Name"_s);
    screen->setPrimaryPage(primary);
    window->updateNow();
    EXPECT_EQ(screen->title(), u"Profile"_s);

    auto secondary = std::make_shared<ZVContainerView>(screen);
    secondary->setTitle(u"Password"_s);
    const auto field = secondary->pushTextFieldWithPlaceholder(u"New password"_s);
    screen->setSecondaryPage(secondary);
    EXPECT_EQ(screen->title(), u"Password"_s);
    EXPECT_EQ(secondary->frame().width(), 375);
    PreLoginStage::wait(0.15);
    EXPECT_GT(secondary->layer().presentationOpacity(), 0);
    EXPECT_LT(primary->layer().presentationOpacity(), 1);
    PreLoginStage::wait(0.2);
    EXPECT_EQ(secondary->alpha(), 1);
    EXPECT_EQ(primary->alpha(), 0);
    EXPECT_EQ(primary->superview(), screen->view().get()) << "the primary page stays";
    EXPECT_TRUE(field->textField()->isFirstResponder());

    screen->setSecondaryPage(nullptr);
    EXPECT_EQ(screen->title(), u"Profile"_s);
    PreLoginStage::wait(0.35);
    EXPECT_EQ(primary->alpha(), 1);
    EXPECT_EQ(secondary->superview(), nullptr);
    EXPECT_TRUE(primary->firstTextField()->textField()->isFirstResponder());
    window->setRootViewController(nullptr);
}

}  // namespace
