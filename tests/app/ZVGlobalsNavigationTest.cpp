#include "tests/app/ShellTestSupport.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebView.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::StringLiterals;

namespace shelltest {
namespace {

class ZVGlobalsNavigationTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        platform::WebPage::setFactory([this] {
            auto page = std::make_shared<platform::FakeWebPage>();
            pages.push_back(page);
            return page;
        });
        launch();
        ASSERT_TRUE(signIn(u"anna@example.com"_s));
        globals().window()->layoutIfNeeded();
    }
    void TearDown() override {
        platform::WebPage::setFactory(nullptr);
        ShellTest::TearDown();
    }

    std::vector<std::shared_ptr<platform::FakeWebPage>> pages;
};

TEST_F(ZVGlobalsNavigationTest, TheStackShowingAViewIsFound) {
    const auto left = globals().leftNavigationController();
    auto screen = std::make_shared<platform::ViewController>();
    left->pushViewController(screen, false);
    auto inside = std::make_shared<platform::View>();
    screen->view()->addSubview(inside);
    EXPECT_EQ(globals().navigationControllerByView(*inside), left);
    EXPECT_EQ(globals().navigationControllerByView(platform::View()), nullptr);

    // A stack presented over the top screen is the one that shows its views.
    auto presentedRoot = std::make_shared<platform::ViewController>();
    auto presented = std::make_shared<platform::NavigationController>(presentedRoot);
    ASSERT_TRUE(screen->presentViewController(presented, false));
    EXPECT_EQ(globals().navigationControllerByView(*presentedRoot->view()), presented);

    // The internal browser goes onto the presented stack.
    globals().showUrlInInternalBrowser(u"help/start"_s, u"Help"_s);
    ASSERT_EQ(presented->viewControllers().size(), 2u);
    EXPECT_EQ(presented->viewControllers().back()->title(), u"Help"_s);
    ASSERT_FALSE(pages.empty());
    ASSERT_FALSE(pages.back()->loads().empty());
    EXPECT_EQ(pages.back()->loads().back().url, api().baseURL().resolved(QUrl(u"help/start"_s)));
}

TEST_F(ZVGlobalsNavigationTest, WebAddressesStayAsTheyAre) {
    EXPECT_EQ(globals().internalBrowserUrl(u"https://example.com/terms"_s),
              QUrl(u"https://example.com/terms"_s));
    EXPECT_EQ(globals().internalBrowserUrl(u"http://example.com/a?b"_s),
              QUrl(u"http://example.com/a?b"_s));
    globals().showUrlInInternalBrowser(u"https://example.com/terms"_s, u"Terms"_s);
    EXPECT_EQ(globals().leftNavigationController()->viewControllers().back()->title(), u"Terms"_s);
}

TEST_F(ZVGlobalsNavigationTest, NavigationBarsShowWhiteOnTheApplicationsBarColour) {
    const QColor barColor = platform::resolveColor(
        ZVColorTable::colorWithName(QString(ZVGlobals::kNavigationBarColor)));
    ASSERT_NE(barColor, platform::resolveColor(ZVColorTable::kUnknownColor));
    const auto left = globals().leftNavigationController();
    auto screen = std::make_shared<platform::ViewController>();
    screen->setTitle(u"Details"_s);
    left->pushViewController(screen, false);

    platform::NavigationBar& bar = left->navigationBar();
    EXPECT_EQ(bar.barTintColor(), barColor);
    EXPECT_FALSE(bar.isTranslucent());
    EXPECT_EQ(bar.titleFont(), ZVTextStyles::qfontForStyle(ZVGlobals::kNavigationTitleStyle));
    EXPECT_EQ(bar.titleColor(), platform::resolveColor(
                                    ZVTextStyles::colorForStyle(ZVGlobals::kNavigationTitleStyle)));
    const QImage arrow = platform::Images::named(QString(ZVGlobals::kBackIndicatorImage));
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(bar.backIndicatorImage(), arrow);
    ASSERT_NE(bar.backButton(), nullptr);
    EXPECT_EQ(bar.backButton()->tintColor(), QColor(Qt::white));

    const auto window = globals().window();
    window->updateNow();
    const QImage frame = window->render();
    const auto pixelAt = [&](QPointF point) {
        return frame.pixelColor((point * window->scale()).toPoint()).rgb();
    };
    // The bar's right end holds no item.
    const QRectF barRect = bar.convertRectTo(bar.bounds(), nullptr);
    EXPECT_EQ(pixelAt({barRect.right() - 2, barRect.center().y()}), barColor.rgb());
    // The back button is drawn in white.
    const QRectF back = bar.backButton()->convertRectTo(bar.backButton()->bounds(), nullptr);
    int whitePixels = 0;
    for (qreal x = back.left(); x < back.right(); x += 0.5) {
        for (qreal y = back.top(); y < back.bottom(); y += 0.5) {
            whitePixels += pixelAt({x, y}) == QColor(Qt::white).rgb() ? 1 : 0;
        }
    }
    EXPECT_GT(whitePixels, 0);
}

}  // namespace
}  // namespace shelltest
