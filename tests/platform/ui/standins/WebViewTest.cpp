#include "platform/foundation/Scheduler.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/standins/EngineWebPage.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebView.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr int kPageTimeoutMs = 30000;

// Writes down what a web view tells it; refuses link clicks, as the e-mail views do.
class RecordingViewDelegate : public WebViewDelegate {
public:
    bool shouldStartLoad(WebView&, const QUrl& url, WebNavigationType type) override {
        asked.emplace_back(url, type);
        return type != WebNavigationType::LinkClicked;
    }
    void didStartLoad(WebView&) override { ++started; }
    void didFinishLoad(WebView& view) override {
        ++finished;
        heightAtFinish = view.contentHeight();
    }
    void didFailLoad(WebView&, const UrlError& error) override { failures.push_back(error); }
    void contentHeightDidChange(WebView&, double height) override { heights.push_back(height); }

    std::vector<std::pair<QUrl, WebNavigationType>> asked;
    int started = 0;
    int finished = 0;
    double heightAtFinish = -1;
    std::vector<UrlError> failures;
    std::vector<double> heights;
};

class FakePageWebViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        WebPage::setFactory([this] { return page; });
        view = std::make_shared<WebView>(QRectF(0, 0, 320, 250));
        view->setDelegate(delegate);
    }

    std::shared_ptr<FakeWebPage> page = std::make_shared<FakeWebPage>();
    std::shared_ptr<RecordingViewDelegate> delegate = std::make_shared<RecordingViewDelegate>();
    std::shared_ptr<WebView> view;
};

TEST_F(FakePageWebViewTest, MeasuresAtItsWidthAfterEachLoadAndWhenItsWidthChanges) {
    const QUrl base(QStringLiteral("https://zelvo.test/"));
    page->setContentHeight(612.4);
    view->setScriptsEnabled(false);
    view->loadHtmlString(QStringLiteral("<p>mail</p>"), base);
    EXPECT_FALSE(page->scriptsEnabled());
    ASSERT_EQ(page->loads().size(), 1u);
    EXPECT_EQ(delegate->asked.at(0), std::make_pair(base, WebNavigationType::Other));

    // A width change before anything has loaded measures nothing.
    view->setFrame(QRectF(0, 0, 300, 250));
    view->layoutIfNeeded();
    EXPECT_TRUE(page->measuredWidths().empty());

    page->finishLoad();
    EXPECT_EQ(delegate->finished, 1);
    EXPECT_EQ(page->measuredWidths(), std::vector<double>{300});
    Scheduler::main().runPending();
    EXPECT_EQ(view->contentHeight(), 613);
    EXPECT_EQ(delegate->heights, std::vector<double>{613});

    // Narrower: measured again; the same height tells nobody.
    view->setFrame(QRectF(0, 0, 200, 250));
    view->layoutIfNeeded();
    Scheduler::main().runPending();
    EXPECT_EQ(page->measuredWidths(), (std::vector<double>{300, 200}));
    EXPECT_EQ(delegate->heights, std::vector<double>{613});

    // Two measurements under way: only the later one counts.
    page->setContentHeight(800);
    view->setFrame(QRectF(0, 0, 150, 250));
    view->layoutIfNeeded();
    page->setContentHeight(900);
    page->finishLoad();
    Scheduler::main().runPending();
    EXPECT_EQ(delegate->heights, (std::vector<double>{613, 900}));
    EXPECT_EQ(view->contentHeight(), 900);
}

TEST_F(FakePageWebViewTest, ALinkTapAsksTheDelegateWithLinkClickedAndStaysPut) {
    view->loadHtmlString(QStringLiteral("<a href='x'>x</a>"), QUrl("https://zelvo.test/a/"));
    page->finishLoad();
    EXPECT_FALSE(page->tapLink(QUrl(QStringLiteral("conversation/1"))));
    ASSERT_EQ(delegate->asked.size(), 2u);
    EXPECT_EQ(delegate->asked[1], std::make_pair(QUrl("https://zelvo.test/a/conversation/1"),
                                                 WebNavigationType::LinkClicked));
    EXPECT_EQ(page->loads().size(), 1u);

    page->failLoad(UrlError(UrlErrorCode::Cancelled));
    ASSERT_EQ(delegate->failures.size(), 1u);
    EXPECT_TRUE(delegate->failures[0].is(UrlErrorCode::Cancelled));
}

TEST_F(FakePageWebViewTest, AnswersForAViewThatIsGoneAreDropped) {
    page->setElementValue(QStringLiteral("token"), QStringLiteral("abc"));
    QString value;
    view->elementValue(QStringLiteral("token"), [&](const QString& v) { value = v; });
    view->loadHtmlString(QStringLiteral("<p/>"), QUrl("https://zelvo.test/"));
    page->finishLoad();
    Scheduler::main().runPending();
    EXPECT_EQ(value, QStringLiteral("abc"));

    page->setContentHeight(1000);
    view->setFrame(QRectF(0, 0, 100, 100));
    view->layoutIfNeeded();
    const std::size_t heightsBefore = delegate->heights.size();
    view.reset();
    Scheduler::main().runPending();
    EXPECT_EQ(delegate->heights.size(), heightsBefore);
}

// The web engine behind the view, with pages from the loopback service.
class EngineWebViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        view = std::make_shared<WebView>(QRectF(0, 0, 320, 250));
        view->setDelegate(delegate);
    }
    bool waitFor(const std::function<bool()>& done) {
        return Scheduler::main().runUntil(done, kPageTimeoutMs);
    }

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<RecordingViewDelegate> delegate = std::make_shared<RecordingViewDelegate>();
    std::shared_ptr<WebView> view;
};

TEST_F(EngineWebViewTest, AnEmailBodyIsMeasuredItsLinksAreOfferedAndItsValuesRead) {
    QString body;
    for (int i = 0; i < 30; ++i) {
        body += QStringLiteral("<p>Quarterly figures, line %1, as agreed on the call.</p>").arg(i);
    }
    // The body's picture comes from the service, relative to its base URL.
    const QString picture =
        emulator.storeFile(QStringLiteral("logo.svg"),
                           "<svg xmlns='http://www.w3.org/2000/svg' "
                           "width='10' height='300'/>",
                           zvemu::ServiceEmulator::Access::Public, "image/svg+xml");
    const QUrl base(emulator.baseUrl());
    const QString html =
        QStringLiteral(
            "<html><head><meta name=\"viewport\" content=\"width=device-width, "
            "user-scalable=yes\"/></head><body><img src=\"%1\">%2"
            "<input id=\"answer\" value=\"42\"><a id=\"l\" href=\"conversation/abc\">open</a>"
            "<script>document.body.innerHTML = '';</script></body></html>")
            .arg(base.resolved(QUrl(picture)).path().mid(1), body);
    view->setScriptsEnabled(false);
    view->loadHtmlString(html, base);
    ASSERT_TRUE(waitFor([&] { return !delegate->heights.empty(); }))
        << delegate->finished << " finished";
    // Thirty paragraphs and the picture, with the body's script kept from emptying it.
    EXPECT_GT(view->contentHeight(), 600);

    // The picture came from the service through the base URL.
    std::optional<QVariant> pictureHeight;
    view->evaluateScript(QStringLiteral("document.images[0].naturalHeight"),
                         [&](const QVariant& v) { pictureHeight = v; });
    ASSERT_TRUE(waitFor([&] { return pictureHeight.has_value(); }));
    EXPECT_EQ(pictureHeight->toInt(), 300);

    std::optional<QString> value;
    view->elementValue(QStringLiteral("answer"), [&](const QString& v) { value = v; });
    ASSERT_TRUE(waitFor([&] { return value.has_value(); }));
    EXPECT_EQ(*value, QStringLiteral("42"));

    // Half the width, more lines.
    const double wide = view->contentHeight();
    view->setFrame(QRectF(0, 0, 160, 250));
    view->layoutIfNeeded();
    ASSERT_TRUE(waitFor([&] { return delegate->heights.size() >= 2; }));
    EXPECT_GT(view->contentHeight(), wide);

    view->evaluateScript(QStringLiteral("document.getElementById('l').click()"), {});
    ASSERT_TRUE(waitFor([&] { return delegate->asked.size() >= 2; }));
    EXPECT_EQ(delegate->asked[1],
              std::make_pair(base.resolved(QUrl(QStringLiteral("conversation/abc"))),
                             WebNavigationType::LinkClicked));
    EXPECT_EQ(view->url(), base);
}

TEST(WebViewWindow, ThePagesWidgetFollowsTheViewInAWindowHost) {
    auto window = Window::make({DeviceProfile::Idiom::Phone, {375, 667}, 1, 20});
    auto root = View::make(QRectF(0, 0, 375, 667));
    window->setRootView(root);
    auto container = View::make(QRectF(0, 20, 375, 600));
    root->addSubview(container);
    auto host = std::make_unique<WindowHost>(window);
    host->show();

    auto view = std::make_shared<WebView>(QRectF(10, 50, 200, 100));
    view->loadHtmlString(QStringLiteral("<p>hello</p>"), QUrl(QStringLiteral("https://z.test/")));
    container->addSubview(view);
    ASSERT_TRUE(view->isShowingNativeWidget());
    QWidget* widget = view->page().hostWidget();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), host.get());
    EXPECT_EQ(widget->geometry(), QRect(10, 70, 200, 100));

    // Moved and resized: the widget follows on the window's next update.
    view->setFrame(QRectF(30, 100, 250, 120));
    window->updateNow();
    EXPECT_EQ(widget->geometry(), QRect(30, 120, 250, 120));
    container->setHidden(true);
    window->updateNow();
    EXPECT_FALSE(view->isShowingNativeWidget());
    container->setHidden(false);
    window->updateNow();
    EXPECT_TRUE(view->isShowingNativeWidget());

    // Out of the window: the page keeps its widget, which no window shows.
    view->removeFromSuperview();
    EXPECT_FALSE(view->isShowingNativeWidget());
    EXPECT_EQ(widget->parentWidget(), nullptr);
    root->addSubview(view);
    EXPECT_TRUE(view->isShowingNativeWidget());
    EXPECT_EQ(view->page().hostWidget()->geometry(), QRect(30, 100, 250, 120));

    // A host that goes first takes the widget with it; the view lives on without one.
    host.reset();
    EXPECT_FALSE(view->isShowingNativeWidget());
    view->setFrame(QRectF(0, 0, 10, 10));
    window->updateNow();
    view.reset();
}

// A window whose host comes after its web view.
TEST(WebViewWindow, AHostMadeLaterShowsTheWidgetOnItsFirstUpdate) {
    auto window = Window::make({DeviceProfile::Idiom::Phone, {375, 667}, 1, 20});
    auto root = View::make(QRectF(0, 0, 375, 667));
    window->setRootView(root);
    auto view = std::make_shared<WebView>(QRectF(0, 100, 375, 200));
    root->addSubview(view);
    EXPECT_FALSE(view->isShowingNativeWidget());
    WindowHost host(window);
    host.show();
    window->updateNow();
    EXPECT_TRUE(view->isShowingNativeWidget());
    EXPECT_EQ(view->page().hostWidget()->geometry(), QRect(0, 100, 375, 200));
}

}  // namespace
}  // namespace platform
