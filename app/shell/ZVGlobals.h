#pragma once

#include "app/shell/ZVAppServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QMap>
#include <QtCore/QString>

#include <map>
#include <memory>
#include <optional>

class ZVApi;
class ZVNavigationController;
class ZVStatusView;
class ZVApiSession;
class ZVRepositorySession;
namespace platform {
class NavigationController;
class SplitViewController;
class View;
class ViewController;
class Window;
}  // namespace platform

// The application coordinator: one for the process, made by the application delegate. It
// configures the API client, owns the window and switches it between the signed-out screens and
// the signed-in ones (the inbox-side navigation, with the conversation side in the same stack),
// follows the client's login status, accounts and connection, keeps the unread counts, publishes
// the signed-in accounts to the application group, and opens and closes conversations for every
// screen. Main thread only.
class ZVGlobals : public platform::Observable {
public:
    static constexpr QLatin1StringView kConversationIdKey{"conversationId"};
    // Keys of the application group's defaults.
    static constexpr QLatin1StringView kSessionsDefaultsKey{"sessions"};
    static constexpr QLatin1StringView kActiveSessionDefaultsKey{"active_session"};
    static constexpr QLatin1StringView kTokenCookieName{"token_id"};
    static constexpr QLatin1StringView kFatalErrorNotification{"ZelvoFatalError"};
    static constexpr QLatin1StringView kTitle{"Zelvo"};
    // The navigation bars' look, set once for every bar made afterwards.
    static constexpr QLatin1StringView kNavigationBarColor{"navBarIcons"};
    static constexpr QLatin1StringView kBackIndicatorImage{"icon-arrow-back"};
    static constexpr int kNavigationTitleStyle = 2;

    static constexpr double kSplitViewDelay = 0.01;
    static constexpr double kDeferredChangeDelay = 0.1;
    static constexpr double kSessionBadgeFade = 0.3;
    static constexpr double kApnRegistrationDelay = 1.0;
    static constexpr double kClaimDelay = 1.0;
    static constexpr double kSignupSwitchDelay = 3.0;
    static constexpr double kMinimumBackgroundFetchInterval = 300;
    static constexpr qreal kSessionBadgeSize = 10;
    static constexpr qreal kSessionBadgeCenterX = 35;
    static constexpr qreal kSessionBadgeCenterY = 15;
    // Tablet: the split view's primary column, and the claim screen presented over it.
    static constexpr double kSplitViewSetUpDelay = 1.0;
    static constexpr qreal kPrimaryColumnFraction = 0.3;
    static constexpr qreal kPrimaryColumnMinimumWidth = 320;
    static constexpr qreal kPrimaryColumnMaximumWidth = 400;
    static constexpr double kCloseCrossDissolve = 0.2;
    static constexpr qreal kClaimWidth = 400;
    static constexpr qreal kClaimHeight = 500;

    // Registers itself as the one coordinator and configures the API client.
    ZVGlobals();
    ~ZVGlobals();
    ZVGlobals(const ZVGlobals&) = delete;
    ZVGlobals& operator=(const ZVGlobals&) = delete;

    // Null until the delegate has made one.
    static ZVGlobals* globals();

    // Builds the window, signs the saved accounts in and shows the first screens.
    void initialize();
    void trySavedLogin();
    void handleSessionStart(const std::shared_ptr<ZVApiSession>& session);
    void handleSessionEnd(const std::shared_ptr<ZVApiSession>& session);
    void saveSessions();

    ZVApi& api() const { return *api_; }
    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    void setSession(const std::shared_ptr<ZVRepositorySession>& session);
    bool isLoggedIn() const { return loggedIn_; }

    // The open conversation's id; empty when none is open.
    QString conversationId() const;
    // The one road by which screens open (a request) and close (none) conversations.
    void setConversationId(const std::optional<ZVOpenRequest>& request, bool animated);
    void setConversationId(const QString& conversationId);
    void showConversationAsync(const QString& conversationId);
    void navigateToInbox();
    void navigateBack();
    bool pageIsAppearing() const { return pageIsAppearing_; }
    // The change put off while a transition runs.
    const std::optional<std::optional<ZVOpenRequest>>& pendingConversationChange() const {
        return pendingChange_;
    }

    void updateUnreadCount();
    void showSessionBadge(bool show);
    void notifyAppActivate();
    // The connection status bar is placed again (after a size or orientation change).
    void updateStatusViewLocation();
    const std::shared_ptr<ZVStatusView>& statusView() const { return statusView_; }
    void registerApn();
    void claimZelvoId();
    void loginSecondary();
    void showSettings();
    void fatalError(const platform::Notification& notification);

    // The navigation stack that shows `view` (or a screen it presents): the conversation side's
    // first, then the inbox side's; null when neither does.
    std::shared_ptr<platform::NavigationController> navigationControllerByView(
        const platform::View& view) const;
    static std::shared_ptr<platform::NavigationController> navigationControllerByView(
        const platform::View& view, const std::shared_ptr<platform::NavigationController>& base);
    // Whether the inbox side is on screen.
    bool masterViewVisible() const;
    // Every screen of the conversation side redraws its back button.
    void updateBackButtons();
    // Tablet: both columns in landscape; in portrait the inbox column hides while a conversation
    // is open.
    void updateSplitView();
    const std::shared_ptr<platform::SplitViewController>& splitViewController() const {
        return split_;
    }
    // A web page in a screen of its own, pushed where the user is: over what the inbox side
    // presents, else on the inbox side. A text that is no http(s) URL is read against the
    // service's address.
    void showUrlInInternalBrowser(const QString& url, const QString& title);
    QUrl internalBrowserUrl(const QString& url) const;
    // Whether the network activity indicator shows: connecting, traffic or transfers running.
    bool networkActivityVisible() const { return networkActivity_; }

    const std::shared_ptr<platform::Window>& window() const { return window_; }
    const std::shared_ptr<platform::NavigationController>& preLoginNavigationController() const {
        return preLogin_;
    }
    std::shared_ptr<platform::NavigationController> leftNavigationController() const;
    std::shared_ptr<platform::NavigationController> rightNavigationController() const;
    ZVInboxScreen* inboxViewController() const { return inbox_.get(); }
    const std::shared_ptr<platform::View>& sessionBadge() const { return sessionBadge_; }
    ZVConversationPages* conversationPages() const { return pages_.get(); }
    // The account switcher; none while the application has not installed one.
    const std::shared_ptr<ZVSessionSwitcher>& sessionMenu() const { return sessionMenu_; }

private:
    class NavigationDelegate;
    friend class NavigationDelegate;
    class ScreenCoordinator;

    void observeApi();
    static void setNavigationBarAppearance();
    void loginStatusChanged();
    void activeSessionChanged();
    void connectionChanged(const QString& key);
    void handleLogin();
    void handleLogout();
    void setLoginState();
    void transitionToLoggedIn();
    void observeTransfers();
    bool isSignedInAs(const QString& accountId) const;
    static bool isPad();
    void openConversation(const ZVOpenRequest& request);
    void closeConversation(bool animated);
    void resetPages();
    void removeStatusView();
    void willShowViewController(platform::NavigationController& navigation,
                                platform::ViewController& shown, bool animated);
    void didShowViewController(platform::NavigationController& navigation,
                               platform::ViewController& shown, bool animated);
    void didCancelShowViewController(platform::NavigationController& navigation);
    void runPendingChange();
    void makeSessionMenu();
    void sessionMenuChoice();

    ZVApi* api_ = nullptr;
    std::shared_ptr<platform::Window> window_;
    std::shared_ptr<platform::NavigationController> preLogin_;
    std::shared_ptr<ZVNavigationController> left_;
    std::shared_ptr<ZVNavigationController> right_;
    std::shared_ptr<platform::SplitViewController> split_;
    std::shared_ptr<NavigationDelegate> navigationDelegate_;
    // What the shared screens see of this coordinator; registered while it lives.
    std::shared_ptr<ScreenCoordinator> screenCoordinator_;
    std::unique_ptr<ZVInboxScreen> inbox_;
    std::unique_ptr<ZVConversationPages> pages_;
    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<platform::View> sessionBadge_;
    std::shared_ptr<ZVStatusView> statusView_;
    std::shared_ptr<ZVSessionSwitcher> sessionMenu_;
    platform::Observation sessionMenuObservation_;
    bool sessionBadgeShown_ = false;
    bool loggedIn_ = false;
    bool pageIsAppearing_ = false;
    bool networkActivity_ = false;
    // Outer: whether a change waits; inner: the request, or none to close.
    std::optional<std::optional<ZVOpenRequest>> pendingChange_;
    // The pending change is the close that a pop back to the first screen asked for.
    bool pendingCloseFromPop_ = false;

    platform::Observation apiObservation_;
    platform::Observation transfersObservation_;
    std::map<QString, platform::Observation> unreadObservations_;
    platform::Observation fatalErrorObservation_;
    platform::TimerGroup timers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
