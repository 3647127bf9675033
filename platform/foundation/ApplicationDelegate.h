#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>

namespace platform {

// What a background fetch (or a silent push) found, as the platform's fetch handlers report it.
enum class BackgroundFetchResult { NewData = 0, NoData = 1, Failed = 2 };

using FetchCompletion = std::function<void(BackgroundFetchResult)>;

struct LaunchOptions {
    // The URL the application was opened with; empty for a plain launch.
    QUrl url;
};

// The application's side of the life cycle. Application calls these on the main thread, in the
// platform's order; every one has a harmless default so that a delegate overrides what it needs.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    // The state is inactive while this runs. Returning false refuses the launch URL.
    virtual bool applicationDidFinishLaunching(const LaunchOptions& options);
    virtual bool applicationOpenURL(const QUrl& url, const QString& sourceApplication);

    virtual void applicationWillResignActive() {}
    virtual void applicationDidEnterBackground() {}
    virtual void applicationWillEnterForeground() {}
    virtual void applicationDidBecomeActive() {}
    virtual void applicationWillTerminate() {}
    virtual void applicationDidReceiveMemoryWarning() {}

    // Must call `completion` exactly once; the default finds nothing.
    virtual void applicationPerformFetch(FetchCompletion completion);

    virtual void applicationDidRegisterForRemoteNotifications(const QByteArray& deviceToken);
    virtual void applicationDidFailToRegisterForRemoteNotifications(const QString& error);
    virtual void applicationDidReceiveRemoteNotification(const QJsonObject& payload);
    // A push that may be answered with a fetch. The default hands the payload to
    // applicationDidReceiveRemoteNotification() and reports no data.
    virtual void applicationDidReceiveRemoteNotificationWithFetch(const QJsonObject& payload,
                                                                  FetchCompletion completion);

    // The events of a background transfer session arrived; `completion` tells the platform that
    // they have been handled. The default has nothing to handle.
    virtual void applicationHandleEventsForBackgroundURLSession(const QString& identifier,
                                                                std::function<void()> completion);
};

}  // namespace platform
