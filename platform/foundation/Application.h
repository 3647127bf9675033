#pragma once

#include "platform/foundation/ApplicationDelegate.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>

namespace platform {

enum class ApplicationState { Active = 0, Inactive = 1, Background = 2 };

enum class UserInterfaceIdiom { Phone = 0, Pad = 1 };

// Bits of registerUserNotificationSettings().
enum UserNotificationType : int {
    UserNotificationTypeNone = 0,
    UserNotificationTypeBadge = 1,
    UserNotificationTypeSound = 2,
    UserNotificationTypeAlert = 4,
};

using BackgroundTaskIdentifier = std::uint64_t;
inline constexpr BackgroundTaskIdentifier kBackgroundTaskInvalid = 0;

// backgroundTimeRemaining() while the application is in the foreground.
inline constexpr TimeInterval kBackgroundTimeUnlimited = std::numeric_limits<double>::max();
// The minimum background fetch interval until the application asks for fetches.
inline constexpr TimeInterval kBackgroundFetchIntervalNever = std::numeric_limits<double>::max();

// The running application: the facts about the device, the screen and the bundle that the rest of
// the system reads, its life-cycle state, and its background tasks.
//
// Nothing here talks to a real phone: the facts have desktop defaults that tests (and the shell's
// start-up) set, and the life cycle is driven by calling the platform-side operations below, which
// call the delegate exactly as the phone platform would. Main thread only.
class Application {
public:
    // Time the platform grants after entering the background before background tasks expire.
    static constexpr TimeInterval kBackgroundTimeAllowance = 180;
    // Time a background fetch (or a push with a fetch) is given, counted from its arrival.
    static constexpr TimeInterval kBackgroundFetchAllowance = 30;

    // Posted on the default notification centre right after the delegate heard of the step, for
    // the objects that keep unsaved work of their own (an editor's typed text).
    static inline const QString kWillResignActiveNotification =
        QStringLiteral("ApplicationWillResignActiveNotification");
    static inline const QString kWillTerminateNotification =
        QStringLiteral("ApplicationWillTerminateNotification");

    static Application& shared();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    // --- facts ---

    ApplicationState state() const;
    // Sets the state without telling the delegate; entering the background starts its clock as
    // enterBackground() does.
    void setState(ApplicationState state);

    UserInterfaceIdiom userInterfaceIdiom() const;
    void setUserInterfaceIdiom(UserInterfaceIdiom idiom);
    QString model() const;
    void setModel(const QString& model);
    QString systemName() const;
    void setSystemName(const QString& name);
    QString systemVersion() const;
    void setSystemVersion(const QString& version);

    // Points to pixels of the main screen.
    double screenScale() const;
    void setScreenScale(double scale);
    // The main screen's size in points; empty when there is no screen.
    QSizeF screenSize() const;
    void setScreenSize(const QSizeF& size);

    // Null when the application has no bundle identifier (callers fall back to executableName()).
    QString bundleIdentifier() const;
    void setBundleIdentifier(const QString& identifier);
    QString bundleName() const;
    void setBundleName(const QString& name);
    // The marketing version ("1.4") and the build number ("212").
    QString shortVersion() const;
    void setShortVersion(const QString& version);
    QString buildVersion() const;
    void setBuildVersion(const QString& version);
    // The last path component of the executable.
    QString executableName() const;
    void setExecutableName(const QString& name);

    // "group." followed by the bundle identifier unless one was set; null without either.
    QString applicationGroupIdentifier() const;
    // A null identifier goes back to the derived one.
    void setApplicationGroupIdentifier(const QString& identifier);

    long applicationIconBadgeNumber() const;
    void setApplicationIconBadgeNumber(long number);

    // --- what the application asks of the platform ---

    // The registrar (the desktop's stand-in for the push service) is asked to answer each time.
    void registerForRemoteNotifications();
    void unregisterForRemoteNotifications();
    bool isRegisteredForRemoteNotifications() const;
    // What answers a registration, with receiveDeviceToken() or
    // failRemoteNotificationRegistration(); without one a registration stays unanswered.
    void setRemoteNotificationRegistrar(std::function<void()> registrar);
    // A mask of UserNotificationType bits.
    void registerUserNotificationSettings(int types);
    int userNotificationTypes() const;
    void setMinimumBackgroundFetchInterval(TimeInterval interval);
    TimeInterval minimumBackgroundFetchInterval() const;

    // --- delegate ---

    // Not owned: a delegate that has gone away is simply not called.
    void setDelegate(std::weak_ptr<ApplicationDelegate> delegate);
    std::shared_ptr<ApplicationDelegate> delegate() const;

    // --- life cycle, as the platform drives it ---
    //
    // Each step performs the steps the platform always puts before it (entering the background
    // from the foreground resigns active first; becoming active from the background enters the
    // foreground first) and does nothing when the application is already there. Steps called from
    // within a delegate callback, or after terminate(), are ignored.

    // Inactive, didFinishLaunching, then active. Only the first launch counts; returns the
    // delegate's answer (true without a delegate).
    bool launch(const LaunchOptions& options = {});
    void becomeActive();
    void resignActive();
    void enterBackground();
    // Leaves the background for the inactive state; becomeActive() completes the return.
    void enterForeground();
    // Ends running background tasks without expiring them; the application takes no further events.
    void terminate();
    bool isTerminated() const;

    // --- events, as the platform delivers them ---

    bool handleOpenURL(const QUrl& url, const QString& sourceApplication = {});
    void receiveMemoryWarning();
    // Grants kBackgroundFetchAllowance when in the background. Without a delegate the fetch finds
    // nothing.
    void performBackgroundFetch(FetchCompletion completion);
    void receiveDeviceToken(const QByteArray& deviceToken);
    void failRemoteNotificationRegistration(const QString& error);
    // With a completion the push may be answered by a fetch (and is granted its allowance).
    void receiveRemoteNotification(const QJsonObject& payload, FetchCompletion completion = {});
    void handleEventsForBackgroundURLSession(const QString& identifier,
                                             std::function<void()> completion);

    // --- background tasks ---

    // Keeps the application running in the background until endBackgroundTask(), or until the
    // background time runs out, when `expirationHandler` is called once (it should end the task).
    // Returns kBackgroundTaskInvalid when no time is left or after terminate().
    BackgroundTaskIdentifier beginBackgroundTask(const QString& name,
                                                 std::function<void()> expirationHandler);
    // Ending kBackgroundTaskInvalid, or a task already ended, does nothing.
    void endBackgroundTask(BackgroundTaskIdentifier identifier);
    bool isBackgroundTaskRunning(BackgroundTaskIdentifier identifier) const;
    std::size_t runningBackgroundTaskCount() const;
    // kBackgroundTimeUnlimited in the foreground; in the background the allowance left, never
    // below 0, by the main scheduler's clock.
    TimeInterval backgroundTimeRemaining() const;
    // Runs the background time out now, as the platform does when it needs the resources.
    void expireBackgroundTime();

private:
    struct Impl;
    Application();
    void reset();

    std::unique_ptr<Impl> d_;
};

}  // namespace platform
