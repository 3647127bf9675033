#include "platform/foundation/Application.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SharedState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Application;
using platform::ApplicationDelegate;
using platform::ApplicationState;
using platform::BackgroundFetchResult;
using platform::BackgroundTaskIdentifier;
using platform::FetchCompletion;
using platform::kBackgroundTaskInvalid;
using platform::kBackgroundTimeUnlimited;
using platform::LaunchOptions;
using platform::Scheduler;

namespace {

Application& app() {
    return Application::shared();
}

std::string stateName(ApplicationState state) {
    switch (state) {
        case ApplicationState::Active:
            return "active";
        case ApplicationState::Inactive:
            return "inactive";
        case ApplicationState::Background:
            return "background";
    }
    return "?";
}

// Records each callback with the state the application reports while it runs.
class RecordingDelegate : public ApplicationDelegate {
public:
    std::vector<std::string> calls;
    bool acceptLaunch = true;
    LaunchOptions launchOptions;
    std::function<void()> onDidEnterBackground;

    bool applicationDidFinishLaunching(const LaunchOptions& options) override {
        note("didFinishLaunching");
        launchOptions = options;
        return acceptLaunch;
    }
    void applicationWillResignActive() override { note("willResignActive"); }
    void applicationDidEnterBackground() override {
        note("didEnterBackground");
        if (onDidEnterBackground) {
            onDidEnterBackground();
        }
    }
    void applicationWillEnterForeground() override { note("willEnterForeground"); }
    void applicationDidBecomeActive() override { note("didBecomeActive"); }
    void applicationWillTerminate() override { note("willTerminate"); }

private:
    void note(const std::string& name) { calls.push_back(name + "@" + stateName(app().state())); }
};

std::shared_ptr<RecordingDelegate> installRecordingDelegate() {
    auto delegate = std::make_shared<RecordingDelegate>();
    app().setDelegate(delegate);
    return delegate;
}

}  // namespace

TEST(Application, GroupIdentifierIsDerivedFromTheBundleIdentifierUnlessSet) {
    EXPECT_EQ(app().applicationGroupIdentifier(), "group." + app().bundleIdentifier());

    app().setBundleIdentifier(QStringLiteral("com.example.chat"));
    EXPECT_EQ(app().applicationGroupIdentifier(), QStringLiteral("group.com.example.chat"));

    app().setApplicationGroupIdentifier(QStringLiteral("group.com.example.shared"));
    app().setBundleIdentifier(QStringLiteral("com.example.other"));
    EXPECT_EQ(app().applicationGroupIdentifier(), QStringLiteral("group.com.example.shared"));

    app().setApplicationGroupIdentifier(QString());
    EXPECT_EQ(app().applicationGroupIdentifier(), QStringLiteral("group.com.example.other"));

    app().setBundleIdentifier(QString());
    EXPECT_TRUE(app().applicationGroupIdentifier().isNull());
}

TEST(Application, ResetOfSharedStateForgetsFactsDelegateAndTasks) {
    const QString bundleIdentifier = app().bundleIdentifier();
    const double scale = app().screenScale();
    auto delegate = installRecordingDelegate();
    app().setBundleIdentifier(QStringLiteral("com.example.chat"));
    app().setScreenScale(3);
    app().setApplicationIconBadgeNumber(7);
    bool expired = false;
    app().beginBackgroundTask(QStringLiteral("upload"), [&] { expired = true; });
    app().enterBackground();
    ASSERT_EQ(app().runningBackgroundTaskCount(), 1u);

    platform::resetSharedState();

    EXPECT_EQ(app().bundleIdentifier(), bundleIdentifier);
    EXPECT_EQ(app().screenScale(), scale);
    EXPECT_EQ(app().applicationIconBadgeNumber(), 0);
    EXPECT_EQ(app().state(), ApplicationState::Active);
    EXPECT_EQ(app().delegate(), nullptr);
    EXPECT_EQ(app().runningBackgroundTaskCount(), 0u);
    EXPECT_EQ(Scheduler::main().pendingCount(), 0u);
    Scheduler::main().advance(1000);
    EXPECT_FALSE(expired);
}

TEST(ApplicationLifeCycle, EachStepCallsTheDelegateInThePlatformsOrder) {
    struct Case {
        const char* name;
        ApplicationState from;
        void (Application::*step)();
        std::vector<std::string> calls;
        ApplicationState to;
    };
    const std::vector<Case> cases = {
        {"resign",
         ApplicationState::Active,
         &Application::resignActive,
         {"willResignActive@active"},
         ApplicationState::Inactive},
        {"background from active resigns first",
         ApplicationState::Active,
         &Application::enterBackground,
         {"willResignActive@active", "didEnterBackground@background"},
         ApplicationState::Background},
        {"background from inactive",
         ApplicationState::Inactive,
         &Application::enterBackground,
         {"didEnterBackground@background"},
         ApplicationState::Background},
        {"foreground stops at inactive",
         ApplicationState::Background,
         &Application::enterForeground,
         {"willEnterForeground@background"},
         ApplicationState::Inactive},
        {"active from background enters the foreground first",
         ApplicationState::Background,
         &Application::becomeActive,
         {"willEnterForeground@background", "didBecomeActive@active"},
         ApplicationState::Active},
        {"active from inactive",
         ApplicationState::Inactive,
         &Application::becomeActive,
         {"didBecomeActive@active"},
         ApplicationState::Active},
        {"terminate in the foreground resigns first",
         ApplicationState::Active,
         &Application::terminate,
         {"willResignActive@active", "willTerminate@inactive"},
         ApplicationState::Inactive},
        {"terminate in the background",
         ApplicationState::Background,
         &Application::terminate,
         {"willTerminate@background"},
         ApplicationState::Background},
        {"active again is nothing",
         ApplicationState::Active,
         &Application::becomeActive,
         {},
         ApplicationState::Active},
        {"background again is nothing",
         ApplicationState::Background,
         &Application::enterBackground,
         {},
         ApplicationState::Background},
        {"resign in the background is nothing",
         ApplicationState::Background,
         &Application::resignActive,
         {},
         ApplicationState::Background},
        {"foreground while active is nothing",
         ApplicationState::Active,
         &Application::enterForeground,
         {},
         ApplicationState::Active},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::resetSharedState();
        app().setState(c.from);
        auto delegate = installRecordingDelegate();
        (app().*c.step)();
        EXPECT_EQ(delegate->calls, c.calls);
        EXPECT_EQ(app().state(), c.to);
    }
}

TEST(ApplicationLifeCycle, LaunchFinishesWhileInactiveThenBecomesActiveOnce) {
    auto delegate = installRecordingDelegate();
    delegate->acceptLaunch = false;
    const QUrl url(QStringLiteral("zelvo://conversation/abc"));

    EXPECT_FALSE(app().launch({url}));
    EXPECT_EQ(delegate->calls,
              std::vector<std::string>({"didFinishLaunching@inactive", "didBecomeActive@active"}));
    EXPECT_EQ(delegate->launchOptions.url, url);

    delegate->calls.clear();
    delegate->acceptLaunch = true;
    EXPECT_FALSE(app().launch());
    EXPECT_TRUE(delegate->calls.empty());
}

TEST(ApplicationLifeCycle, DelegateIsNeitherOwnedNorAllowedToNestSteps) {
    auto delegate = installRecordingDelegate();
    // The platform never delivers a step inside another; one asked for from a callback is dropped.
    delegate->onDidEnterBackground = [] { app().becomeActive(); };
    app().enterBackground();
    EXPECT_EQ(delegate->calls, std::vector<std::string>(
                                   {"willResignActive@active", "didEnterBackground@background"}));
    EXPECT_EQ(app().state(), ApplicationState::Background);

    delegate.reset();
    EXPECT_EQ(app().delegate(), nullptr);
    app().becomeActive();
    EXPECT_EQ(app().state(), ApplicationState::Active);
}

TEST(ApplicationLifeCycle, TerminationEndsTasksWithoutExpiringThemAndStopsEvents) {
    int expirations = 0;
    const BackgroundTaskIdentifier task =
        app().beginBackgroundTask(QStringLiteral("save"), [&] { ++expirations; });
    app().enterBackground();
    auto delegate = installRecordingDelegate();
    bool fetched = false;

    app().terminate();
    EXPECT_TRUE(app().isTerminated());
    EXPECT_FALSE(app().isBackgroundTaskRunning(task));
    EXPECT_EQ(app().beginBackgroundTask(QStringLiteral("late"), [] {}), kBackgroundTaskInvalid);

    app().becomeActive();
    app().performBackgroundFetch([&](BackgroundFetchResult) { fetched = true; });
    Scheduler::main().advance(1000);
    EXPECT_EQ(delegate->calls, std::vector<std::string>({"willTerminate@background"}));
    EXPECT_EQ(expirations, 0);
    EXPECT_FALSE(fetched);
}

// Objects with unsaved work of their own hear of these steps right after the delegate does.
TEST(ApplicationLifeCycle, ResigningAndTerminatingAreAnnouncedAfterTheDelegateHeard) {
    auto delegate = installRecordingDelegate();
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto resigned = center.addObserverForName(
        Application::kWillResignActiveNotification,
        [&](const platform::Notification&) { delegate->calls.push_back("resign notice"); });
    const auto terminated = center.addObserverForName(
        Application::kWillTerminateNotification,
        [&](const platform::Notification&) { delegate->calls.push_back("terminate notice"); });
    app().launch();
    delegate->calls.clear();

    app().enterBackground();
    app().becomeActive();
    app().terminate();
    EXPECT_EQ(
        delegate->calls,
        std::vector<std::string>({"willResignActive@active", "resign notice",
                                  "didEnterBackground@background", "willEnterForeground@background",
                                  "didBecomeActive@active", "willResignActive@active",
                                  "resign notice", "willTerminate@inactive", "terminate notice"}));
}

TEST(ApplicationBackgroundTasks, RemainingTimeCountsDownFromEnteringTheBackground) {
    EXPECT_EQ(app().backgroundTimeRemaining(), kBackgroundTimeUnlimited);
    app().resignActive();
    Scheduler::main().advance(50);
    EXPECT_EQ(app().backgroundTimeRemaining(), kBackgroundTimeUnlimited);

    app().enterBackground();
    EXPECT_DOUBLE_EQ(app().backgroundTimeRemaining(), Application::kBackgroundTimeAllowance);
    Scheduler::main().advance(60);
    EXPECT_DOUBLE_EQ(app().backgroundTimeRemaining(), Application::kBackgroundTimeAllowance - 60);
    Scheduler::main().advance(Application::kBackgroundTimeAllowance);
    EXPECT_EQ(app().backgroundTimeRemaining(), 0);

    app().becomeActive();
    EXPECT_EQ(app().backgroundTimeRemaining(), kBackgroundTimeUnlimited);
    app().enterBackground();
    EXPECT_DOUBLE_EQ(app().backgroundTimeRemaining(), Application::kBackgroundTimeAllowance);
}

TEST(ApplicationBackgroundTasks, EachRunningTaskExpiresOnceWhenTheAllowanceRunsOut) {
    struct Expiry {
        int count = 0;
        double remaining = -1;
    };
    Expiry begunActive, begunInBackground, ended;
    const auto recording = [](Expiry& expiry) {
        return [&expiry] {
            ++expiry.count;
            expiry.remaining = app().backgroundTimeRemaining();
        };
    };
    const BackgroundTaskIdentifier first =
        app().beginBackgroundTask(QStringLiteral("first"), recording(begunActive));
    const BackgroundTaskIdentifier third =
        app().beginBackgroundTask(QStringLiteral("ended"), recording(ended));
    ASSERT_NE(first, kBackgroundTaskInvalid);
    ASSERT_NE(third, first);
    app().endBackgroundTask(third);

    app().enterBackground();
    Scheduler::main().advance(100);
    BackgroundTaskIdentifier second = kBackgroundTaskInvalid;
    second = app().beginBackgroundTask(QStringLiteral("second"), [&] {
        recording(begunInBackground)();
        app().endBackgroundTask(second);
    });

    Scheduler::main().advance(Application::kBackgroundTimeAllowance - 100 - 0.001);
    EXPECT_EQ(begunActive.count + begunInBackground.count, 0);
    Scheduler::main().advance(0.001);
    EXPECT_EQ(begunActive.count, 1);
    EXPECT_EQ(begunActive.remaining, 0);
    EXPECT_EQ(begunInBackground.count, 1);
    EXPECT_EQ(ended.count, 0);
    EXPECT_TRUE(app().isBackgroundTaskRunning(first));
    EXPECT_FALSE(app().isBackgroundTaskRunning(second));

    // No time is left for new work, and an expired task that was not ended is not expired again.
    EXPECT_EQ(app().beginBackgroundTask(QStringLiteral("late"), [] {}), kBackgroundTaskInvalid);
    Scheduler::main().advance(1000);
    app().expireBackgroundTime();
    EXPECT_EQ(begunActive.count, 1);
    EXPECT_EQ(begunInBackground.count, 1);
}

TEST(ApplicationBackgroundTasks, TaskEndedByAnEarlierHandlerIsNotExpired) {
    BackgroundTaskIdentifier second = kBackgroundTaskInvalid;
    bool secondExpired = false;
    const BackgroundTaskIdentifier first = app().beginBackgroundTask(
        QStringLiteral("first"), [&] { app().endBackgroundTask(second); });
    second = app().beginBackgroundTask(QStringLiteral("second"), [&] { secondExpired = true; });
    app().enterBackground();
    app().expireBackgroundTime();
    EXPECT_FALSE(secondExpired);
    EXPECT_TRUE(app().isBackgroundTaskRunning(first));
    EXPECT_EQ(app().backgroundTimeRemaining(), 0);
}

TEST(ApplicationBackgroundTasks, ReturningToTheForegroundStopsTheClock) {
    int expirations = 0;
    app().beginBackgroundTask(QStringLiteral("sync"), [&] { ++expirations; });
    app().enterBackground();
    Scheduler::main().advance(100);
    app().becomeActive();
    EXPECT_EQ(Scheduler::main().pendingCount(), 0u);
    Scheduler::main().advance(1000);
    EXPECT_EQ(expirations, 0);

    // A new stay in the background gets the whole allowance again.
    app().enterBackground();
    Scheduler::main().advance(Application::kBackgroundTimeAllowance - 1);
    EXPECT_EQ(expirations, 0);
    Scheduler::main().advance(1);
    EXPECT_EQ(expirations, 1);
}

TEST(ApplicationBackgroundTasks, FetchGrantsFreshTimeInTheBackground) {
    BackgroundFetchResult result = BackgroundFetchResult::Failed;
    app().performBackgroundFetch([&](BackgroundFetchResult r) { result = r; });
    EXPECT_EQ(result, BackgroundFetchResult::NoData);  // no delegate

    class FetchingDelegate : public ApplicationDelegate {
    public:
        double remainingAtFetch = -1;
        BackgroundTaskIdentifier task = kBackgroundTaskInvalid;
        int expirations = 0;
        void applicationPerformFetch(FetchCompletion completion) override {
            remainingAtFetch = app().backgroundTimeRemaining();
            task = app().beginBackgroundTask(QStringLiteral("fetch"), [this] { ++expirations; });
            completion(BackgroundFetchResult::NewData);
        }
    };
    auto delegate = std::make_shared<FetchingDelegate>();
    app().setDelegate(delegate);
    app().enterBackground();
    Scheduler::main().advance(Application::kBackgroundTimeAllowance + 300);
    ASSERT_EQ(app().backgroundTimeRemaining(), 0);

    app().performBackgroundFetch([&](BackgroundFetchResult r) { result = r; });
    EXPECT_EQ(result, BackgroundFetchResult::NewData);
    EXPECT_DOUBLE_EQ(delegate->remainingAtFetch, Application::kBackgroundFetchAllowance);
    EXPECT_NE(delegate->task, kBackgroundTaskInvalid);
    Scheduler::main().advance(Application::kBackgroundFetchAllowance);
    EXPECT_EQ(delegate->expirations, 1);
}

TEST(ApplicationEvents, RemoteNotificationsAndTransferEventsReachTheDelegate) {
    class PushDelegate : public ApplicationDelegate {
    public:
        std::vector<std::pair<QJsonObject, ApplicationState>> payloads;
        QByteArray token;
        QString failure;
        void applicationDidReceiveRemoteNotification(const QJsonObject& payload) override {
            payloads.emplace_back(payload, app().state());
        }
        void applicationDidRegisterForRemoteNotifications(const QByteArray& deviceToken) override {
            token = deviceToken;
        }
        void applicationDidFailToRegisterForRemoteNotifications(const QString& error) override {
            failure = error;
        }
    };
    auto delegate = std::make_shared<PushDelegate>();
    app().setDelegate(delegate);
    const QJsonObject payload{{QStringLiteral("aps"), QJsonObject{{QStringLiteral("badge"), 3}}}};

    // A user opening a notification brings the application to the inactive state before it.
    app().enterBackground();
    app().enterForeground();
    app().receiveRemoteNotification(payload);
    app().becomeActive();
    // A push with a fetch handler reaches the plain callback unless the delegate takes the fetch.
    std::optional<BackgroundFetchResult> result;
    app().receiveRemoteNotification(payload, [&](BackgroundFetchResult r) { result = r; });
    ASSERT_EQ(delegate->payloads.size(), 2u);
    EXPECT_EQ(delegate->payloads[0], std::make_pair(payload, ApplicationState::Inactive));
    EXPECT_EQ(delegate->payloads[1], std::make_pair(payload, ApplicationState::Active));
    EXPECT_EQ(result, BackgroundFetchResult::NoData);

    app().receiveDeviceToken(QByteArray::fromHex("0a0b0c"));
    app().failRemoteNotificationRegistration(QStringLiteral("no service"));
    EXPECT_EQ(delegate->token, QByteArray::fromHex("0a0b0c"));
    EXPECT_EQ(delegate->failure, QStringLiteral("no service"));

    // Transfer events the delegate does not handle must still release the platform.
    bool released = false;
    app().handleEventsForBackgroundURLSession(QStringLiteral("transfers"),
                                              [&] { released = true; });
    EXPECT_TRUE(released);
}
