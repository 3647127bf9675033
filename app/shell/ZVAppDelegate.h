#pragma once

#include "platform/foundation/ApplicationDelegate.h"

#include <functional>
#include <memory>
#include <vector>

class ZVGlobals;
class ZVShareMessageSender;

// The application's side of the platform's life cycle: a thin layer that logs each event and
// forwards it to the API client, the coordinator, the URL handler and the transfers. Main thread
// only.
class ZVAppDelegate : public platform::ApplicationDelegate {
public:
    // Badge, sound and alert.
    static constexpr int kUserNotificationTypes = 7;

    struct Options {
        // Standard error goes to the error log from launch on (a test keeps its own).
        bool redirectStandardError = true;
    };

    // Makes the one coordinator.
    explicit ZVAppDelegate(Options options);
    ZVAppDelegate() : ZVAppDelegate(Options{}) {}
    ~ZVAppDelegate() override;

    ZVGlobals& globals() const { return *globals_; }
    const std::shared_ptr<ZVShareMessageSender>& sharedMessageSender() const { return sender_; }

    // URLs arrive as text: the application's own links are read as written.
    bool handleURL(const QString& url);

    bool applicationDidFinishLaunching(const platform::LaunchOptions& options) override;
    bool applicationOpenURL(const QUrl& url, const QString& sourceApplication) override;
    void applicationWillResignActive() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
    void applicationDidBecomeActive() override;
    void applicationWillTerminate() override;
    void applicationDidReceiveMemoryWarning() override;
    void applicationPerformFetch(platform::FetchCompletion completion) override;
    void applicationDidRegisterForRemoteNotifications(const QByteArray& deviceToken) override;
    void applicationDidFailToRegisterForRemoteNotifications(const QString& error) override;
    void applicationDidReceiveRemoteNotification(const QJsonObject& payload) override;
    void applicationDidReceiveRemoteNotificationWithFetch(
        const QJsonObject& payload, platform::FetchCompletion completion) override;
    void applicationHandleEventsForBackgroundURLSession(const QString& identifier,
                                                        std::function<void()> completion) override;

private:
    bool isSignedIn() const;
    void shareSenderCompleted();

    Options options_;
    std::unique_ptr<ZVGlobals> globals_;
    std::shared_ptr<ZVShareMessageSender> sender_;
    // The platform's completions for the group's session, all answered when the sender ends.
    std::vector<std::function<void()>> senderCompletions_;
};
