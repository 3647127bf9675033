#include "../alerts/AlertStage.h"
#include "ScreenStage.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/screens/ZVStatusView.h"
#include "toolkit/screens/ZVStatusViewClient.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"

#include <gtest/gtest.h>

using platform::TouchPhase;

namespace {

constexpr int kOffline = ZVApi::ConnectionStatusOffline;
constexpr int kConnecting = ZVApi::ConnectionStatusConnecting;
constexpr int kOnline = ZVApi::ConnectionStatusOnline;
constexpr int kActivity = ZVApi::ConnectionStatusActivity;
constexpr int kError = ZVApi::ConnectionStatusError;

// A client whose states the test sets; each change is published as ZVApi publishes it.
class ScriptedClient : public ZVStatusViewClient {
public:
    int connection = kOnline;
    int login = ZVApi::LoginStatusSignedIn;
    float progress = 0;
    bool background = false;
    ZVErrorPtr error;
    QDateTime lastResponse;
    int retries = 0;

    platform::Observation observe(const QString& key,
                                  platform::Observable::ChangeHandler onChange) const override {
        return published.observe(key, std::move(onChange));
    }
    int connectionStatus() const override { return connection; }
    int loginStatus() const override { return login; }
    float syncProgress() const override { return progress; }
    bool backgroundMode() const override { return background; }
    ZVErrorPtr lastError() const override { return error; }
    QDateTime lastResponseTime() const override { return lastResponse; }
    void retryConnections() override { ++retries; }

    void setConnection(int status) {
        published.changeValueForKey(ZVApi::ConnectionStatusKey, [&] { connection = status; });
    }
    void setProgress(float value) {
        published.changeValueForKey(ZVApi::SyncProgressKey, [&] { progress = value; });
    }

    platform::Observable published;
};

// A slide of the bar and the frame that ends it.
constexpr double kStatusSlide =
    ZVStatusView::kAnimationDuration + 2 * platform::AnimationDriver::kFrameInterval;

platform::Scheduler& virtualClock() {
    return platform::Scheduler::main();
}

// A window whose root is a navigation stack, with a status bar of that stack watching a scripted
// client.
struct StatusStage {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::NavigationController> navigation =
        std::make_shared<platform::NavigationController>(platform::ViewController::make());
    std::shared_ptr<ScriptedClient> client = std::make_shared<ScriptedClient>();
    std::shared_ptr<ZVStatusView> bar;

    StatusStage() {
        window->setRootViewController(navigation);
        window->updateNow();
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        bar = ZVStatusView::make(navigation, client);
    }
    QRectF navigationBar() const { return navigation->navigationBar().frame(); }
    bool inNavigationView() const { return bar->superview() == navigation->view().get(); }
    QColor color() const { return bar->backgroundColor(); }
    void tapBar() {
        const QPointF at = AlertStage::middleOf(*bar);
        window->sendTouch(1, TouchPhase::Began, at);
        window->sendTouch(1, TouchPhase::Ended, at);
    }
};

QColor orange() {
    return platform::resolveColor(ZVColors::orange());
}

QColor blue() {
    return platform::resolveColor(colorWithName(QStringLiteral("statusbarBlue")));
}

}  // namespace

TEST(StatusView, ShortDropsShowNothingAndLongOnesShowAfterTheDamping) {
    StatusStage s;
    EXPECT_FALSE(s.bar->isShown());
    EXPECT_EQ(s.bar->status(), kOnline);

    // A drop that heals within 3 s: the retries that follow find nothing to show.
    s.client->setConnection(kOffline);
    virtualClock().advance(2.5);
    s.client->setConnection(kOnline);
    virtualClock().advance(10);
    EXPECT_FALSE(s.bar->isShown());
    EXPECT_EQ(s.bar->superview(), nullptr);
    EXPECT_EQ(s.bar->status(), kOnline);

    // Offline for longer: the retry at 3 s is not yet past the damping, the one at 4 s is.
    s.client->setConnection(kOffline);
    virtualClock().advance(3);
    EXPECT_FALSE(s.bar->isShown());
    EXPECT_TRUE(s.bar->delayingUpdate());
    virtualClock().advance(1);
    EXPECT_TRUE(s.bar->isShown());
    EXPECT_TRUE(s.inNavigationView());
    EXPECT_EQ(s.bar->text(), "No Internet connection");
    EXPECT_EQ(s.color(), orange());
    EXPECT_EQ(s.bar->status(), kOffline);

    // Connecting after offline keeps saying offline, however long it lasts.
    s.client->setConnection(kConnecting);
    virtualClock().advance(10);
    EXPECT_EQ(s.bar->text(), "No Internet connection");
    EXPECT_EQ(s.bar->status(), kOffline);

    // Synced hides at once.
    s.client->setConnection(kOnline);
    EXPECT_FALSE(s.bar->isShown());
    EXPECT_EQ(s.bar->status(), kOnline);
    virtualClock().advance(kStatusSlide);
    EXPECT_EQ(s.bar->superview(), nullptr);
}

TEST(StatusView, EachStateShowsItsBarOrNone) {
    struct {
        int state;
        // Seconds after the change when the bar shows; negative: never.
        double showsAfter;
        const char* text;
        bool orangeBar;
    } const cases[] = {
        {kError, 0, "Zelvo encountered an error", true},
        {kConnecting, 4, "Connecting", false},
        {kOffline, 4, "No Internet connection", true},
        {kActivity, -1, "", false},
        {7, -1, "", false},
    };
    for (const auto& c : cases) {
        StatusStage s;
        s.client->setConnection(c.state);
        if (c.showsAfter < 0) {
            virtualClock().advance(10);
            EXPECT_FALSE(s.bar->isShown()) << c.state;
            continue;
        }
        virtualClock().advance(c.showsAfter);
        EXPECT_TRUE(s.bar->isShown()) << c.state;
        EXPECT_EQ(s.bar->text(), c.text) << c.state;
        EXPECT_EQ(s.color(), c.orangeBar ? orange() : blue()) << c.state;
    }
}

TEST(StatusView, ProgressIsCountedOnlyWhileTheBarIsOut) {
    StatusStage s;
    s.client->setProgress(0.3f);
    s.client->setConnection(kConnecting);
    s.client->setProgress(0.425f);
    EXPECT_FALSE(s.bar->isShown()) << "progress alone does not bring the bar out";
    virtualClock().advance(4);
    ASSERT_TRUE(s.bar->isShown());
    EXPECT_EQ(s.bar->text(), "Synchronizing 42%");
    EXPECT_EQ(s.color(), blue());

    struct {
        float progress;
        const char* text;
    } const steps[] = {
        {0.5f, "Synchronizing 50%"},
        {0.019f, "Synchronizing 1%"},
        // Past the end the bar stays as it was until the state changes.
        {0.995f, "Synchronizing 1%"},
        {0.989f, "Synchronizing 98%"},
        {0.01f, "Synchronizing 98%"},
    };
    for (const auto& step : steps) {
        s.client->setProgress(step.progress);
        EXPECT_EQ(s.bar->text(), step.text) << step.progress;
    }
    s.client->setConnection(kOnline);
    s.client->setProgress(0.6f);
    EXPECT_FALSE(s.bar->isShown()) << "a hidden bar ignores progress";
}

TEST(StatusView, StaysHiddenWhileSignedOutOrInTheBackground) {
    for (const bool signedOut : {true, false}) {
        StatusStage s;
        s.client->login = signedOut ? ZVApi::LoginStatusSignedOut : ZVApi::LoginStatusSignedIn;
        s.client->background = !signedOut;
        s.client->setConnection(kError);
        s.client->setConnection(kOffline);
        virtualClock().advance(10);
        EXPECT_FALSE(s.bar->isShown()) << signedOut;
        EXPECT_EQ(s.bar->superview(), nullptr) << signedOut;
    }
}

TEST(StatusView, SlidesOutFromUnderTheNavigationBar) {
    StatusStage s;
    const QRectF bar = s.navigationBar();
    ASSERT_GT(bar.height(), ZVStatusView::kHeight);
    const QRectF hidden(bar.x(), bar.bottom() - ZVStatusView::kHeight, bar.width(), 30);
    const QRectF shown(bar.x(), bar.bottom(), bar.width(), 30);

    s.client->setConnection(kError);
    ASSERT_TRUE(s.bar->isShown());
    EXPECT_EQ(s.bar->contentInset(), 30);
    const auto& siblings = s.navigation->view()->subviews();
    const auto index = [&](const platform::View* view) {
        return std::find_if(siblings.begin(), siblings.end(),
                            [&](const auto& v) { return v.get() == view; }) -
               siblings.begin();
    };
    EXPECT_EQ(index(s.bar.get()) + 1, index(&s.navigation->navigationBar()))
        << "just below the navigation bar";
    virtualClock().advance(kStatusSlide);
    EXPECT_EQ(s.bar->frame(), shown);
    EXPECT_EQ(s.bar->label()->frame(), s.bar->bounds());

    // Hidden, then out again before the slide ends: the bar stays.
    s.client->setConnection(kOnline);
    EXPECT_EQ(s.bar->contentInset(), 0);
    virtualClock().advance(ZVStatusView::kAnimationDuration / 2);
    s.client->setConnection(kError);
    virtualClock().advance(kStatusSlide);
    EXPECT_TRUE(s.inNavigationView());
    EXPECT_EQ(s.bar->frame(), shown);

    s.client->setConnection(kOnline);
    virtualClock().advance(kStatusSlide);
    EXPECT_EQ(s.bar->frame(), hidden);
    EXPECT_FALSE(s.inNavigationView());
}

TEST(StatusView, AMessageFromOutsideStaysUntilItsOwnerEndsIt) {
    StatusStage s;
    s.bar->showWithMessage(QStringLiteral("Downloading 10%"));
    EXPECT_TRUE(s.bar->isShown());
    EXPECT_EQ(s.color(), blue());
    // A state evaluation that finds nothing new leaves the message.
    s.client->setConnection(kOnline);
    EXPECT_EQ(s.bar->text(), "Downloading 10%");

    // Ended while the client is offline: removed at once, and the damping starts afresh.
    s.client->connection = kOffline;
    s.bar->hideAndUpdate();
    EXPECT_FALSE(s.bar->isShown());
    EXPECT_EQ(s.bar->superview(), nullptr);
    EXPECT_EQ(s.bar->status(), kOnline);
    EXPECT_DOUBLE_EQ(s.bar->statusResetTime(), virtualClock().now());
    virtualClock().advance(3);
    EXPECT_FALSE(s.bar->isShown());
    virtualClock().advance(1);
    EXPECT_EQ(s.bar->text(), "No Internet connection");
}

TEST(StatusView, RetriesEndWithTheBar) {
    StatusStage s;
    const std::size_t idle = virtualClock().pendingCount();
    s.client->setConnection(kOffline);
    s.client->setConnection(kConnecting);
    EXPECT_GT(virtualClock().pendingCount(), idle);
    // Signed out: the bar goes while its retries are still waiting.
    s.bar.reset();
    EXPECT_EQ(virtualClock().pendingCount(), idle);
    s.client->setConnection(kOnline);
    virtualClock().advance(5);
}

TEST(StatusView, TheCardExplainsTheStateAndRetries) {
    const QDateTime now = virtualClock().currentDate();
    const auto withCode = [](int code, const char* message) {
        return ZVError::errorWithCode(
            code, {{QString(ZVError::ErrorMessageKey), QString::fromUtf8(message)}});
    };
    struct {
        int state;
        ZVErrorPtr error;
        bool answered;
        QString title;
        QString message;
    } const cases[] = {
        {kOffline, withCode(-1018, "roaming"), true, "Zelvo is offline",
         "Your conversations will be updated when you turn on Wi-Fi or enable data roaming.\n\n"
         "Last updated 5 minutes ago"},
        {kOffline, nullptr, false, "Zelvo is offline",
         "Your conversations will be updated when you turn on Wi-Fi or cellular data.\n\n"
         "Not fully synchronized."},
        {kConnecting, nullptr, true, "Zelvo is attempting to connect",
         "Last updated 5 minutes ago"},
        {kActivity, nullptr, false, "Zelvo is online", "Not fully synchronized."},
        {kError, withCode(503, "busy"), true, "Service unavailable",
         "The Zelvo service is experiencing problems at this time. Your conversations will be "
         "updated once the service becomes available.\n\nLast updated 5 minutes ago"},
        {kError, withCode(409, "<b>Locked</b> & kept"), false, "Zelvo encountered an error",
         "<b>Locked</b> & kept\n\nNot fully synchronized."},
        {kError, nullptr, false, "Zelvo encountered an error", "Not fully synchronized."},
        {9, nullptr, false, "", "Not fully synchronized."},
    };
    for (const auto& c : cases) {
        StatusStage s;
        s.client->error = c.error;
        s.client->lastResponse = c.answered ? now.addSecs(-5 * 60) : QDateTime();
        s.client->setConnection(c.state);
        s.bar->showWithMessage(QStringLiteral("Tap me"));
        virtualClock().advance(kStatusSlide);
        s.tapBar();
        const auto card = ZVAlertViewManager::alertViewManager().currentAlertView();
        ASSERT_NE(card, nullptr) << c.state;
        EXPECT_EQ(card->title(), c.title) << c.state;
        EXPECT_EQ(card->message(), c.message.toHtmlEscaped()) << c.state;
        EXPECT_EQ(card->textLabel()->attributedText().string(), c.message) << c.state;
        EXPECT_EQ(card->buttons(), QStringList({"OK", "Retry now"}));
        card->hide();
        virtualClock().advance(AlertStage::kSettle);
    }

    StatusStage s;
    s.client->setConnection(kError);
    virtualClock().advance(kStatusSlide);
    for (const int button : {ZVStatusView::kOkButton, ZVStatusView::kRetryButton}) {
        s.tapBar();
        virtualClock().advance(AlertStage::kSettle);
        const auto card = ZVAlertViewManager::alertViewManager().currentAlertView();
        ASSERT_NE(card, nullptr);
        const QPointF at =
            AlertStage::middleOf(*card->buttonViews()[static_cast<std::size_t>(button)]);
        s.window->sendTouch(1, TouchPhase::Began, at);
        s.window->sendTouch(1, TouchPhase::Ended, at);
        virtualClock().advance(AlertStage::kSettle);
    }
    EXPECT_EQ(s.client->retries, 1) << "only \"Retry now\" retries";
}

TEST(StatusView, GivesItsRoomToTheInboxTheShowingPageAndTheTopScreen) {
    ScreenStage stage(platform::DeviceProfile::tablet());
    auto inbox = std::make_shared<TestScreen>();
    auto page = std::make_shared<TestScreen>();
    stage.coordinator->inbox = inbox;
    stage.coordinator->page = page;
    auto top = stage.show(std::make_shared<TestScreen>());
    auto client = std::make_shared<ScriptedClient>();
    auto bar = ZVStatusView::make(stage.coordinator->left, client);

    client->setConnection(kError);
    virtualClock().advance(kStatusSlide);
    for (const auto& screen : {inbox, page, top}) {
        ASSERT_FALSE(screen->insets.empty());
        EXPECT_EQ(screen->insets.back(), ZVStatusView::kHeight);
    }
    EXPECT_EQ(bar->frame().y(), stage.left().navigationBar().frame().bottom())
        << "under the left stack's bar";

    client->setConnection(kOnline);
    for (const auto& screen : {inbox, page, top}) {
        EXPECT_EQ(screen->insets.back(), 0);
    }

    // Without a showing page, and with a top screen of another kind, the rest still hear of it.
    stage.coordinator->page = nullptr;
    stage.left().pushViewController(platform::ViewController::make(), false);
    stage.settle();
    const std::size_t pageHeard = page->insets.size();
    bar->showWithMessage(QStringLiteral("Downloading"));
    EXPECT_EQ(inbox->insets.back(), ZVStatusView::kHeight);
    EXPECT_EQ(page->insets.size(), pageHeard);
    EXPECT_EQ(top->insets.back(), 0) << "no longer on top";
}
