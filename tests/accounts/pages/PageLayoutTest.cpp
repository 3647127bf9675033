#include "accounts/pages/ZVContainerViewController.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "tests/accounts/pages/PreLoginStage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace prelogintest;

namespace {

// The sign-in page's shape: a title and a tagline over two fields and the action button.
struct SignInParts {
    std::shared_ptr<ZVRichText> title;
    std::shared_ptr<ZVRichText> tagline;
    std::shared_ptr<ZVBorderedTextField> email;
    std::shared_ptr<ZVBorderedTextField> password;
    std::shared_ptr<platform::Button> button;
};

SignInParts pushSignInParts(ZVContainerView& page) {
    SignInParts parts;
    parts.title = page.pushTextView(styled(u"Welcome back"_s, 4), 0);
    parts.tagline = page.pushTextView(styled(u"Sign in to your team's conversations."_s), 5);
    parts.email = page.pushTextFieldWithPlaceholder(u"E-mail"_s);
    parts.password = page.pushTextFieldWithPlaceholder(u"Password"_s);
    parts.button = page.pushButtonWithTitle(u"Sign in"_s, 0);
    return parts;
}

TEST(PreLoginPageLayout, TextsSitOutsideTheBoxWhichHoldsTheFieldsAndTheButton) {
    struct Case {
        const char* name;
        platform::DeviceProfile profile;
        qreal pageWidth;
        // A page is first laid out before it joins the view, where the wide margin holds.
        qreal margin;
        qreal cornerRadius;
    };
    const Case cases[] = {
        {"phone", platform::DeviceProfile::phone(), 375, 20, 0},
        {"tablet", platform::DeviceProfile::tablet(), 400, 20, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreLoginStage stage(c.profile);
        const auto page = stage.page();
        const SignInParts parts = pushSignInParts(*page);
        const qreal titleHeight = parts.title->frame().height();
        const qreal taglineHeight = parts.tagline->frame().height();
        stage.screen->commitPush();
        stage.settle();

        const qreal m = c.margin;
        ASSERT_EQ(page->frame().width(), c.pageWidth);
        EXPECT_EQ(parts.title->frame(), QRectF(47, 0, c.pageWidth - 94, titleHeight));
        const qreal taglineTop = titleHeight + 10;
        EXPECT_EQ(parts.tagline->frame(), QRectF(47, taglineTop, c.pageWidth - 94, taglineHeight));
        const qreal boxTop = taglineTop + taglineHeight + 10;
        EXPECT_EQ(parts.email->frame(), QRectF(m, boxTop + m, c.pageWidth - 2 * m, 48));
        EXPECT_EQ(parts.password->frame(), QRectF(m, boxTop + m + 58, c.pageWidth - 2 * m, 48));
        EXPECT_EQ(parts.button->frame(), QRectF(m, boxTop + m + 116, c.pageWidth - 2 * m, 48));
        // The box ends 10 below the button, and so does the page.
        ASSERT_NE(page->background(), nullptr);
        EXPECT_EQ(page->background()->frame(), QRectF(0, boxTop, c.pageWidth, m + 174));
        EXPECT_EQ(page->frame().height(), boxTop + m + 174);
        EXPECT_EQ(page->background()->layer().cornerRadius(), c.cornerRadius);
        EXPECT_EQ(page->subviews().front(), page->background());
        // The page sits on the bottom of the content rectangle.
        EXPECT_EQ(page->frame().bottom(), stage.screen->contentRect().bottom());
    }
}

TEST(PreLoginPageLayout, PagesWithoutABoxEndTwentyLowerUnlessTheyEndInAnImage) {
    PreLoginStage stage;
    auto page = stage.page();
    const auto first = page->pushTextView(styled(u"Check your inbox"_s, 4), 0);
    const auto second = page->pushTextView(styled(u"We sent you a code."_s), 0);
    const qreal texts = first->frame().height() + second->frame().height();
    page->placeChildren();
    EXPECT_EQ(page->background(), nullptr);
    EXPECT_EQ(page->frame().height(), texts + 2 * 10 + 20);

    stage.screen->pushNewPage();
    page = stage.page();
    const auto text = page->pushTextView(styled(u"All set"_s, 4), 0);
    const auto image = page->pushIllustration(u"icon-logo-login"_s);
    ASSERT_GT(image->frame().height(), 0);
    page->placeChildren();
    // The image takes the whole strip after the text, edge to edge, and nothing follows it.
    EXPECT_EQ(image->frame(), QRectF(0, text->frame().height() + 10, 375, image->frame().height()));
    EXPECT_EQ(page->frame().height(), text->frame().height() + 10 + image->frame().height());
}

TEST(PreLoginPageLayout, AProgressPageKeepsItsIndicatorCentredAndGrowsTwenty) {
    PreLoginStage stage;
    const auto page = stage.page();
    const qreal before = page->frame().height();
    const auto indicator = page->pushActivityIndicator();
    page->placeChildren();
    EXPECT_EQ(indicator->center(), QPointF(375.0 / 2, before / 2));
    EXPECT_EQ(page->frame().height(), before + 20);
}

TEST(PreLoginPageLayout, UnderAContainerScreenEveryPartIsBoxedFromTheLogoOn) {
    auto screen = std::make_shared<ZVContainerViewController>();
    auto window = platform::Window::make();
    window->setRootViewController(screen);
    auto page = std::make_shared<ZVContainerView>(screen);
    page->setFrame(QRectF(0, 0, 375, 600));
    page->pushLogo();
    const auto text = page->pushTextView(styled(u"Claim your username"_s), 0);
    const auto field = page->pushTextFieldWithPlaceholder(u"Username"_s);
    screen->setPrimaryPage(page);
    window->updateNow();

    const auto logo = page->parts().front();
    const qreal logoHeight = logo->frame().height();
    EXPECT_EQ(logo->frame(), QRectF(0, 20, 375, logoHeight));
    EXPECT_EQ(text->frame().left(), 20);
    EXPECT_EQ(text->frame().top(), 20 + logoHeight);
    ASSERT_NE(page->background(), nullptr);
    EXPECT_EQ(page->background()->frame().top(), 0);
    EXPECT_EQ(page->background()->frame().bottom(), field->frame().bottom() + 10);
    // The page's colour is the box's; the page itself stays clear.
    EXPECT_EQ(page->View::backgroundColor().alpha(), 0);
    window->setRootViewController(nullptr);
}

TEST(PreLoginPageLayout, APageNarrowerThanItsSuperviewGetsTheNarrowMargin) {
    PreLoginStage stage;
    auto holder = platform::View::make(QRectF(0, 0, 375, 600));
    auto page = std::make_shared<ZVContainerView>(stage.screen);
    page->setFrame(QRectF(0, 0, 300, 100));
    const auto field = page->pushTextFieldWithPlaceholder(u"Code"_s);
    // Before it is in a view the wide margin holds.
    page->placeChildren();
    EXPECT_EQ(field->frame(), QRectF(20, 20, 260, 48));
    holder->addSubview(page);
    page->placeChildren();
    EXPECT_EQ(field->frame(), QRectF(10, 10, 280, 48));
    EXPECT_EQ(page->frame().height(), 10 + 48 + 10);
}

}  // namespace
