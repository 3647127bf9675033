#include "accounts/settings/ZVAboutViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "accounts/settings/ZVAboutBackground.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/InterfaceOrientation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QDir>
#include <QtGui/QImage>

using namespace Qt::StringLiterals;

namespace {

// The about screen presented over a plain root in a window of the smallest phone.
struct AboutStage {
    std::shared_ptr<platform::Window> window =
        platform::Window::make({platform::DeviceProfile::Idiom::Phone, {320, 568}, 2, 20});
    std::shared_ptr<platform::ViewController> root = platform::ViewController::make();
    std::shared_ptr<ZVAboutViewController> about;

    AboutStage() {
        platform::Application::shared().setShortVersion(u"1.2"_s);
        platform::Application::shared().setBuildVersion(u"345"_s);
        window->setRootViewController(root);
        about = platform::ViewController::make<ZVAboutViewController>();
        root->presentViewController(about, false);
        settle();
    }
    ~AboutStage() { window->setRootViewController(nullptr); }
    void settle() {
        platform::Scheduler::main().advance(1);
        window->layoutIfNeeded();
    }
    QRectF frameOf(const platform::View& view) const {
        return view.convertRectTo(view.bounds(), nullptr);
    }
    void tap(QPointF at) {
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
        settle();
    }
};

TEST(AboutScreen, ShowsTheVersionAndBuildAndStaysUpright) {
    AboutStage stage;
    EXPECT_EQ(stage.about->versionLabel()->text(), u"Version 1.2.345"_s);
    EXPECT_EQ(stage.about->supportedInterfaceOrientations(),
              platform::InterfaceOrientationMask::Portrait);
    EXPECT_EQ(stage.about->modalTransitionStyle(),
              platform::ViewController::ModalTransitionStyle::CrossDissolve);
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVAboutBackground>(stage.about->view()));
}

TEST(AboutScreen, LaysOutItsNineStepsAndDrawsLogoAndLine) {
    AboutStage stage;
    const auto& about = *stage.about;
    const qreal width = 320;
    const qreal height = 568;
    const QRectF logo = stage.frameOf(*about.logo());
    const QRectF text = stage.frameOf(*about.aboutText());
    const QRectF version = stage.frameOf(*about.versionLabel());
    const QRectF container = stage.frameOf(*about.container());
    EXPECT_DOUBLE_EQ(logo.center().x(), width / 2);
    EXPECT_DOUBLE_EQ(logo.top(), container.top());
    EXPECT_DOUBLE_EQ(text.top(), logo.bottom() + 25);
    EXPECT_DOUBLE_EQ(text.left(), 20);
    EXPECT_DOUBLE_EQ(text.width(), width - 40);
    EXPECT_DOUBLE_EQ(version.top(), text.bottom() + 16);
    const QRectF band = about.copyrightBand();
    EXPECT_DOUBLE_EQ(band.top() + container.top(), version.bottom() + 16);
    EXPECT_DOUBLE_EQ(band.height(), 2 * ZVTextStyles::lineHeightForStyle(0));
    EXPECT_DOUBLE_EQ(container.height(), band.bottom() + 16);
    EXPECT_DOUBLE_EQ(container.center().y(), height / 2);

    const QRectF separator = stage.frameOf(*about.separator());
    const QRectF terms = stage.frameOf(*about.termsButton());
    const QRectF privacy = stage.frameOf(*about.privacyButton());
    const QRectF line = stage.frameOf(*about.line());
    const QRectF tagline = stage.frameOf(*about.tagline());
    EXPECT_DOUBLE_EQ(separator.center().x(), width / 2);
    EXPECT_DOUBLE_EQ(separator.center().y(), height - 20 - separator.height());
    EXPECT_DOUBLE_EQ(terms.right(), separator.left() - 5);
    EXPECT_DOUBLE_EQ(privacy.left(), separator.right() + 5);
    EXPECT_DOUBLE_EQ(terms.center().y(), separator.center().y());
    EXPECT_DOUBLE_EQ(line.left(), terms.left());
    EXPECT_DOUBLE_EQ(line.right(), privacy.right());
    EXPECT_DOUBLE_EQ(line.top(), terms.top());
    EXPECT_DOUBLE_EQ(line.height(), 2);
    EXPECT_DOUBLE_EQ(tagline.bottom(), line.top() - 5);
    EXPECT_DOUBLE_EQ(tagline.width(), line.width());

    const QImage image = stage.window->render();
    QDir().mkpath(u"snapshots"_s);
    image.save(u"snapshots/about-320.png"_s);
    const qreal scale = stage.window->scale();
    const auto at = [&](QPointF point) { return image.pixelColor((point * scale).toPoint()); };
    // The line: white at half strength over the blue background, lighter than beside it.
    const QColor onLine = at(QPointF(line.center().x(), line.top() + 1));
    const QColor background = at(QPointF(5, height - 5));
    EXPECT_GT(onLine.lightness(), background.lightness() + 40);
    EXPECT_GT(background.blue(), background.red() + 40);
    // The logo stands out from the background somewhere inside its frame.
    bool logoDrawn = false;
    for (qreal y = logo.top(); y < logo.bottom() && !logoDrawn; y += 2) {
        for (qreal x = logo.left(); x < logo.right() && !logoDrawn; x += 2) {
            logoDrawn = std::abs(at(QPointF(x, y)).lightness() - background.lightness()) > 60;
        }
    }
    EXPECT_TRUE(logoDrawn);
}

TEST(AboutScreen, TheBackgroundAndItsArrowCloseIt) {
    for (const bool arrow : {false, true}) {
        SCOPED_TRACE(arrow);
        AboutStage stage;
        ASSERT_EQ(stage.root->presentedViewController(), stage.about);
        const auto background = std::static_pointer_cast<ZVAboutBackground>(stage.about->view());
        ASSERT_TRUE(background->backButton());
        stage.tap(arrow ? stage.frameOf(*background->backButton()).center() : QPointF(160, 200));
        EXPECT_FALSE(stage.root->presentedViewController());
    }
}

// A link needs the application's coordinator, which shows the page.
class AboutLinksTest : public settingstest::SettingsTest {
protected:
    void SetUp() override {
        platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
        SettingsTest::SetUp();
    }
    void TearDown() override {
        SettingsTest::TearDown();
        platform::WebPage::setFactory(nullptr);
    }
};

TEST_F(AboutLinksTest, ALinkClosesTheScreenBeforeItsPageOpens) {
    const struct {
        bool terms;
        const char* title;
    } cases[] = {{true, "Terms of Use"}, {false, "Privacy Policy"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto about = platform::ViewController::make<ZVAboutViewController>();
        const auto below = top();
        below->presentViewController(about, false);
        settle();
        const auto& link = c.terms ? about->termsButton() : about->privacyButton();
        link->sendActionsForEvents(platform::Control::TouchUpInside);
        settle();
        EXPECT_FALSE(below->presentedViewController());
        EXPECT_EQ(top()->title(), QString::fromUtf8(c.title));
        navigation()->popViewControllerAnimated(false);
        settle();
    }
}

}  // namespace
