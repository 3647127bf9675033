#include "app/shell/ZVGlobals.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVMyRepositorySession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/SystemLog.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/screens/ZVNavigationController.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVStatusView.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/avatars/ZVAvatarManager.h"

#include <QtCore/QJsonDocument>
#include <QtNetwork/QNetworkCookie>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

ZVGlobals* theGlobals = nullptr;

std::shared_ptr<ZVRepositorySession> asRepository(const std::shared_ptr<ZVApiSession>& session) {
    return std::dynamic_pointer_cast<ZVRepositorySession>(session);
}

QString accountIdOf(const std::shared_ptr<ZVApiSession>& session) {
    return session && session->credentials() ? session->credentials()->uuid() : QString();
}

bool isSignedInStatus(int status) {
    return status == ZVApi::LoginStatusSignedIn || status == ZVApi::LoginStatusSigningInFurther;
}

}  // namespace

// The conversation side's navigation delegate and the split view's; it lives as long as the
// coordinator.
class ZVGlobals::NavigationDelegate : public platform::NavigationControllerDelegate,
                                      public platform::SplitViewControllerDelegate {
public:
    void willChangeToDisplayMode(platform::SplitViewController&,
                                 platform::SplitViewController::DisplayMode) override {
        globals_.updateBackButtons();
    }
    explicit NavigationDelegate(ZVGlobals& globals) : globals_(globals) {}
    void willShowViewController(platform::NavigationController& navigation,
                                platform::ViewController& shown, bool animated) override {
        globals_.willShowViewController(navigation, shown, animated);
    }
    void didShowViewController(platform::NavigationController& navigation,
                               platform::ViewController& shown, bool animated) override {
        globals_.didShowViewController(navigation, shown, animated);
    }
    void didCancelShowViewController(platform::NavigationController& navigation,
                                     platform::ViewController&) override {
        globals_.didCancelShowViewController(navigation);
    }

private:
    ZVGlobals& globals_;
};

// The coordinator as the shared screens reach it.
class ZVGlobals::ScreenCoordinator : public ZVScreenCoordinator {
public:
    explicit ScreenCoordinator(ZVGlobals& globals) : globals_(globals) {}
    std::shared_ptr<platform::Window> window() const override { return globals_.window(); }
    std::shared_ptr<platform::NavigationController> leftNavigationController() const override {
        return globals_.leftNavigationController();
    }
    std::shared_ptr<platform::NavigationController> rightNavigationController() const override {
        return globals_.rightNavigationController();
    }
    // Only a tablet has a split view.
    std::shared_ptr<platform::BarButtonItem> displayModeButtonItem() const override {
        return globals_.splitViewController()
                   ? globals_.splitViewController()->displayModeButtonItem()
                   : nullptr;
    }
    QString conversationId() const override { return globals_.conversationId(); }
    void setConversationId(const QString& conversationId, bool animated) override {
        if (conversationId.isEmpty()) {
            globals_.setConversationId(std::nullopt, animated);
        } else {
            globals_.setConversationId(ZVOpenRequest{conversationId, {}, {}}, animated);
        }
    }
    qreal statusViewContentInset() const override {
        return globals_.statusView() ? globals_.statusView()->contentInset() : 0;
    }
    void updateStatusViewLocation() override { globals_.updateStatusViewLocation(); }
    std::shared_ptr<platform::ViewController> inboxViewController() const override {
        return globals_.inboxViewController() ? globals_.inboxViewController()->viewController()
                                              : nullptr;
    }
    std::shared_ptr<platform::ViewController> showingPage() const override {
        return globals_.conversationPages() ? globals_.conversationPages()->showingPage() : nullptr;
    }

private:
    ZVGlobals& globals_;
};

ZVGlobals::ZVGlobals()
    : navigationDelegate_(std::make_shared<NavigationDelegate>(*this)),
      screenCoordinator_(std::make_shared<ScreenCoordinator>(*this)) {
    theGlobals = this;
    ZVScreenCoordinator::setShared(screenCoordinator_);
    const bool pad =
        platform::Application::shared().userInterfaceIdiom() == platform::UserInterfaceIdiom::Pad;
    ZVApi::setApplicationId(pad ? u"ZelvoIPad"_s : u"ZelvoIPhone"_s);
    ZVApi::setSessionClass(ZVMyRepositorySession::factory());
    api_ = &ZVApi::api();
    observeApi();

    api_->setOnSessionStart([](const std::shared_ptr<ZVApiSession>& session) {
        if (theGlobals) {
            theGlobals->handleSessionStart(session);
        }
    });
    api_->setOnSessionEnd([](const std::shared_ptr<ZVApiSession>& session) {
        if (theGlobals) {
            theGlobals->handleSessionEnd(session);
        }
    });
    api_->setDefaultErrorHandler([](const ZVErrorPtr& error) {
        if (error) {
            ZVAlertView::showError(*error);
        }
    });
    fatalErrorObservation_ = platform::NotificationCenter::defaultCenter().addObserverForName(
        QString(kFatalErrorNotification),
        [this](const platform::Notification& notification) { fatalError(notification); });
    setNavigationBarAppearance();
    makeSessionMenu();
}

void ZVGlobals::setNavigationBarAppearance() {
    platform::NavigationBarAppearance& look = platform::NavigationBar::appearance();
    const platform::FontDescription& titleFont = ZVTextStyles::fontForStyle(kNavigationTitleStyle);
    look.titleFontFamily = titleFont.family;
    look.titleFontSize = titleFont.pointSize;
    look.titleColor = platform::resolveColor(ZVTextStyles::colorForStyle(kNavigationTitleStyle));
    look.tintColor = Qt::white;
    look.barTintColor =
        platform::resolveColor(ZVColorTable::colorWithName(QString(kNavigationBarColor)));
    look.translucent = false;
    look.backIndicatorImage = platform::Images::named(QString(kBackIndicatorImage));
}

ZVGlobals::~ZVGlobals() {
    *alive_ = false;
    if (theGlobals == this) {
        theGlobals = nullptr;
    }
    api_->setOnSessionStart(nullptr);
    api_->setOnSessionEnd(nullptr);
    api_->setDefaultErrorHandler(nullptr);
    // It holds the accounts' sessions, and with them their stores.
    if (loggedIn_) {
        ZVAvatarManager::releaseInstance();
    }
}

ZVGlobals* ZVGlobals::globals() {
    return theGlobals;
}

std::shared_ptr<platform::NavigationController> ZVGlobals::leftNavigationController() const {
    return left_;
}

std::shared_ptr<platform::NavigationController> ZVGlobals::rightNavigationController() const {
    return right_;
}

void ZVGlobals::observeApi() {
    const QStringList keys{QString(ZVApi::LoginStatusKey), QString(ZVApi::ConnectionStatusKey),
                           QString(ZVApi::ConnectionAvailableKey), QString(ZVApi::SessionsKey),
                           QString(ZVApi::ActiveSessionKey)};
    apiObservation_ = api_->observe(keys, [this](const QString& key) {
        if (key == ZVApi::LoginStatusKey) {
            loginStatusChanged();
        } else if (key == ZVApi::ActiveSessionKey) {
            activeSessionChanged();
        } else if (key == ZVApi::SessionsKey) {
            // Other programs of the application group read the list: it follows every change.
            saveSessions();
        } else {
            connectionChanged(key);
        }
    });
}

void ZVGlobals::initialize() {
    platform::Application& application = platform::Application::shared();
    platform::DeviceProfile profile =
        application.userInterfaceIdiom() == platform::UserInterfaceIdiom::Pad
            ? platform::DeviceProfile::tablet()
            : platform::DeviceProfile::phone();
    if (!application.screenSize().isEmpty()) {
        profile.size = application.screenSize();
    }
    window_ = platform::Window::make(profile);
    window_->setBackgroundColor(Qt::transparent);
    // Alert cards show in the application's window.
    ZVAlertViewManager::alertViewManager().setKeyWindow(window_);
    // The first signed-in screens show the empty-list background: its pictures are drawn on
    // other threads while the saved accounts' stores open.
    ZVBackgroundView::preloadImages();
    trySavedLogin();
    if (api_->loginStatus() != ZVApi::LoginStatusSignedIn) {
        setLoginState();
    }
}

void ZVGlobals::trySavedLogin() {
    api_->loginWithSavedCredentials();
    for (const auto& session : api_->orderedSessions()) {
        handleSessionStart(session);
    }
}

// --- signed in and out ---

void ZVGlobals::loginStatusChanged() {
    const bool signedIn = isSignedInStatus(api_->loginStatus());
    if (signedIn == loggedIn_) {
        return;
    }
    loggedIn_ = signedIn;
    if (signedIn) {
        handleLogin();
    } else {
        handleLogout();
    }
}

void ZVGlobals::observeTransfers() {
    transfersObservation_ = {};
    if (const auto& transfers = api_->fileTransfers()) {
        transfersObservation_ =
            transfers->observe(QString(ZVFileTransfers::NumberInProgressKey),
                               [this](const QString& key) { connectionChanged(key); });
    }
}

void ZVGlobals::handleLogin() {
    observeTransfers();
    ZVAvatarManager::createInstance();
    inbox_ = ZVAppServices::shared().inbox();
    left_ = std::make_shared<ZVNavigationController>(inbox_->viewController());
    if (isPad()) {
        // The conversation side waits with an empty background beside the inbox.
        auto placeholder = std::make_shared<platform::ViewController>();
        placeholder->setView(std::make_shared<ZVBackgroundView>());
        right_ = std::make_shared<ZVNavigationController>(placeholder);
        right_->setDelegate(navigationDelegate_);
        split_ = std::make_shared<platform::SplitViewController>();
        split_->setViewControllers({left_, right_});
        split_->setPreferredPrimaryColumnWidthFraction(kPrimaryColumnFraction);
        split_->setMinimumPrimaryColumnWidth(kPrimaryColumnMinimumWidth);
        split_->setMaximumPrimaryColumnWidth(kPrimaryColumnMaximumWidth);
        split_->setDelegate(navigationDelegate_);
        timers_.after(kSplitViewSetUpDelay, [this] { updateSplitView(); });
    } else {
        // On a phone-sized window both sides share one stack.
        right_ = left_;
        right_->setDelegate(navigationDelegate_);
    }
    setSession(asRepository(api_->activeSession()));
    platform::Application::shared().setMinimumBackgroundFetchInterval(
        kMinimumBackgroundFetchInterval);

    const std::shared_ptr<platform::ViewController> preLoginTop =
        preLogin_ && !preLogin_->viewControllers().empty() ? preLogin_->viewControllers().back()
                                                           : nullptr;
    if (ZVAppServices::shared().isInSignupFlow(preLoginTop)) {
        // The sign-up flow shows its last page a while; the account may be gone by then.
        const QString accountId = accountIdOf(api_->activeSession());
        timers_.after(kSignupSwitchDelay, [this, accountId] {
            if (isSignedInAs(accountId)) {
                transitionToLoggedIn();
            }
        });
    } else {
        transitionToLoggedIn();
    }
}

bool ZVGlobals::isSignedInAs(const QString& accountId) const {
    return loggedIn_ && !accountId.isEmpty() && api_->sessions().contains(accountId);
}

bool ZVGlobals::isPad() {
    return platform::Application::shared().userInterfaceIdiom() ==
           platform::UserInterfaceIdiom::Pad;
}

void ZVGlobals::transitionToLoggedIn() {
    preLogin_.reset();
    if (!window_ || !left_) {
        return;
    }
    // The window's root change runs the new screens' appearance calls.
    if (split_) {
        window_->setRootViewController(split_);
    } else {
        window_->setRootViewController(left_);
    }
}

void ZVGlobals::handleLogout() {
    transfersObservation_ = {};
    if (inbox_) {
        inbox_->setSession(nullptr);
        inbox_->releaseObservers();
    }
    setConversationId(std::nullopt, false);
    // A conversation whose pages never settled still goes.
    pendingChange_.reset();
    pageIsAppearing_ = false;
    resetPages();
    if (left_) {
        left_->setViewControllers({}, false);
    }
    removeStatusView();
    session_.reset();
    // The web view's requests no longer belong to an account.
    if (const auto cookies = platform::CookieStorage::shared()) {
        for (const QNetworkCookie& cookie : cookies->cookies()) {
            if (cookie.name() == QByteArray(kTokenCookieName.data(), kTokenCookieName.size())) {
                cookies->deleteCookie(cookie);
            }
        }
    }
    updateUnreadCount();
    setLoginState();
    inbox_.reset();
    left_.reset();
    right_.reset();
    split_.reset();
    if (sessionBadge_) {
        sessionBadge_->removeFromSuperview();
        sessionBadge_.reset();
    }
    sessionBadgeShown_ = false;
    ZVAvatarManager::releaseInstance();
    platform::Application::shared().unregisterForRemoteNotifications();
}

void ZVGlobals::setLoginState() {
    session_.reset();
    const auto root = ZVAppServices::shared().preLoginRoot();
    // The sign-in screens bring a navigation of their own; a lone screen gets a plain one.
    preLogin_ = std::dynamic_pointer_cast<platform::NavigationController>(root);
    if (!preLogin_) {
        preLogin_ = std::make_shared<platform::NavigationController>(root);
        preLogin_->setNavigationBarHidden(true, false);
    }
    if (window_) {
        window_->setRootViewController(preLogin_);
    }
}

// --- accounts ---

void ZVGlobals::handleSessionStart(const std::shared_ptr<ZVApiSession>& session) {
    const QString accountId = accountIdOf(session);
    if (auto repository = asRepository(session)) {
        unreadObservations_[accountId] =
            repository->observe(QString(ZVRepositorySession::kUnreadCountKey),
                                [this](const QString&) { updateUnreadCount(); });
        if (sessionMenu_) {
            sessionMenu_->notifySessionStart(repository);
        }
    }
    if (left_ && left_->viewControllers().size() > 1) {
        left_->popToRootViewControllerAnimated(false);
    }
    timers_.after(kApnRegistrationDelay, [this, accountId] {
        if (isSignedInAs(accountId)) {
            registerApn();
        }
    });
    saveSessions();
}

void ZVGlobals::handleSessionEnd(const std::shared_ptr<ZVApiSession>& session) {
    unreadObservations_.erase(accountIdOf(session));
    if (sessionMenu_) {
        sessionMenu_->notifySessionEnd(asRepository(session));
    }
    if (left_ && left_->viewControllers().size() > 1) {
        left_->popToRootViewControllerAnimated(false);
    }
    saveSessions();
}

void ZVGlobals::makeSessionMenu() {
    sessionMenu_ = ZVAppServices::shared().sessionMenu();
    const auto menu = sessionMenu_ ? sessionMenu_->slideInMenu() : nullptr;
    if (menu) {
        sessionMenuObservation_ = menu->observe(QString(ZVVerticalMenu::SelectedItemIndexKey),
                                                [this](const QString&) { sessionMenuChoice(); });
    }
}

void ZVGlobals::sessionMenuChoice() {
    const auto menu = sessionMenu_->slideInMenu();
    const int index = menu->selectedItemIndex();
    // The menu clears its selection when it opens.
    if (index == ZVVerticalMenu::kNotFound) {
        return;
    }
    menu->disappearWithSpeed(0);
    if (index == ZVSessionSwitcher::kSignInRow) {
        timers_.after(kDeferredChangeDelay, [this] { loginSecondary(); });
    } else if (index == ZVSessionSwitcher::kSettingsRow) {
        showSettings();
    } else if (const auto session = sessionMenu_->selectedSession()) {
        api_->setActiveSession(session);
    }
}

void ZVGlobals::saveSessions() {
    const QString group = platform::Application::shared().applicationGroupIdentifier();
    QVariantList profiles;
    for (const auto& session : api_->orderedSessions()) {
        if (session->profile()) {
            profiles.append(session->profile()->asDictionary().toVariantMap());
        }
    }
    // Written with the other changes of this turn, in one atomic replacement of the file.
    platform::UserDefaults::suite(group)->setObject(profiles, QString(kSessionsDefaultsKey));
}

void ZVGlobals::setSession(const std::shared_ptr<ZVRepositorySession>& session) {
    if (session == session_) {
        return;
    }
    session_ = session;
    if (!session) {
        return;
    }
    ZVAvatarManager::addSession(session);
    const QString accountId = accountIdOf(session);
    if (session->profile()) {
        platform::UserDefaults::suite(platform::Application::shared().applicationGroupIdentifier())
            ->setString(session->profile()->contactId(), QString(kActiveSessionDefaultsKey));
    }
    if (session->credentials()) {
        QNetworkCookie cookie(QByteArray(kTokenCookieName.data(), kTokenCookieName.size()),
                              session->credentials()->cookie().toUtf8());
        cookie.setDomain(api_->baseURL().host());
        cookie.setPath(u"/"_s);
        // A start with the saved accounts finds it there already: no store written.
        const auto storage = platform::CookieStorage::shared();
        const auto stored = storage->cookies();
        const bool present = std::ranges::any_of(stored, [&](const QNetworkCookie& existing) {
            return existing.hasSameIdentifier(cookie) && existing.value() == cookie.value();
        });
        if (!present) {
            storage->setCookie(cookie);
        }
    }
    if (inbox_) {
        inbox_->setSession(session);
    }
    // One bar at a time: the previous account's goes with it.
    removeStatusView();
    if (left_) {
        statusView_ = ZVStatusView::make(left_);
    }
    updateUnreadCount();
    const auto profile = session->profile();
    const auto local = session->localContact();
    if (profile && profile->shouldClaimZelvoId() && local && local->zelvoAddress().isEmpty()) {
        timers_.after(kClaimDelay, [this, accountId] {
            if (isSignedInAs(accountId) && accountIdOf(session_) == accountId) {
                claimZelvoId();
            }
        });
    }
}

void ZVGlobals::activeSessionChanged() {
    setConversationId(std::nullopt, false);
    if (loggedIn_) {
        setSession(asRepository(api_->activeSession()));
    }
}

void ZVGlobals::connectionChanged(const QString& key) {
    if (key == ZVApi::ConnectionAvailableKey) {
        if (api_->connectionAvailable()) {
            ZVAvatarManager::retryLoad();
            ZVAppServices::shared().retryFileViews();
        }
        return;
    }
    const int transfers = api_->loginStatus() == ZVApi::LoginStatusSignedIn && api_->fileTransfers()
                              ? api_->fileTransfers()->numberInProgress()
                              : 0;
    const int status = api_->connectionStatus();
    networkActivity_ = status == ZVApi::ConnectionStatusConnecting ||
                       status == ZVApi::ConnectionStatusActivity || transfers > 0;
    updateUnreadCount();
}

// --- counts ---

void ZVGlobals::updateUnreadCount() {
    const std::int64_t active =
        api_->loginStatus() == ZVApi::LoginStatusSignedIn && session_ ? session_->unreadCount() : 0;
    if (inbox_) {
        inbox_->updateUnreadCount();
        const QString title = active >= 1 ? u"%1 (%2)"_s.arg(kTitle).arg(active) : QString(kTitle);
        inbox_->viewController()->setTitle(title);
    }
    std::int64_t total = 0;
    bool othersUnread = false;
    for (const auto& session : api_->orderedSessions()) {
        const auto repository = asRepository(session);
        const std::int64_t count = repository ? repository->unreadCount() : 0;
        total += count;
        if (count >= 1 && repository != session_) {
            othersUnread = true;
        }
    }
    showSessionBadge(othersUnread && left_ && left_->viewControllers().size() == 1);
    if (api_->connectionStatus() == ZVApi::ConnectionStatusOnline) {
        platform::Application::shared().setApplicationIconBadgeNumber(long(total));
    }
}

void ZVGlobals::showSessionBadge(bool show) {
    if (!left_) {
        return;
    }
    if (show && !sessionBadge_) {
        sessionBadge_ = std::make_shared<platform::View>();
        sessionBadge_->setFrame(QRectF(0, 0, kSessionBadgeSize, kSessionBadgeSize));
        sessionBadge_->setBackgroundColor(
            platform::resolveColor(ZVColorTable::colorWithName(u"orange"_s)));
        sessionBadge_->layer().setCornerRadius(kSessionBadgeSize / 2);
        sessionBadge_->layer().setBorderWidth(1);
        sessionBadge_->layer().setBorderColor(Qt::white);
        sessionBadge_->setCenter(QPointF(kSessionBadgeCenterX, kSessionBadgeCenterY));
        sessionBadge_->setAlpha(0);
        sessionBadge_->setHidden(true);
        left_->navigationBar().addSubview(sessionBadge_);
    }
    if (!sessionBadge_ || show == sessionBadgeShown_) {
        return;
    }
    sessionBadgeShown_ = show;
    left_->navigationBar().bringSubviewToFront(sessionBadge_.get());
    sessionBadge_->setHidden(false);
    // The fade is kept by the dot's own layer: held weakly, or the two keep each other.
    const std::weak_ptr<platform::View> badge = sessionBadge_;
    platform::ViewAnimation::animate(
        kSessionBadgeFade,
        [badge, show] {
            if (const auto dot = badge.lock()) {
                dot->setAlpha(show ? 1 : 0);
            }
        },
        [badge, show](bool) {
            if (const auto dot = badge.lock()) {
                dot->setHidden(!show);
            }
        });
}

// --- activity ---

void ZVGlobals::removeStatusView() {
    if (auto bar = std::move(statusView_)) {
        bar->removeFromSuperview();
    }
}

void ZVGlobals::updateStatusViewLocation() {
    if (statusView_) {
        statusView_->updateLocation();
    }
}

void ZVGlobals::notifyAppActivate() {
    if (statusView_) {
        statusView_->hideAndUpdate();
    }
    if (pages_) {
        pages_->notifyAppActivation();
    }
    updateUnreadCount();
}

void ZVGlobals::registerApn() {
    platform::Application::shared().registerForRemoteNotifications();
}

void ZVGlobals::claimZelvoId() {
    if (api_->loginStatus() != ZVApi::LoginStatusSignedIn || !session_ || !left_) {
        return;
    }
    const auto profile = session_->profile();
    const auto local = session_->localContact();
    if (!profile || !profile->shouldClaimZelvoId() || !local || !local->zelvoAddress().isEmpty()) {
        return;
    }
    auto claim = ZVAppServices::shared().claimScreen(session_);
    if (!claim) {
        return;
    }
    if (!isPad()) {
        left_->pushViewController(claim, true);
        return;
    }
    // A card of its own size over the split view.
    const auto content = claim->view();
    content->setFrame(QRectF(0, 0, kClaimWidth, kClaimHeight));
    auto container = std::make_shared<platform::View>();
    container->setBackgroundColor(platform::resolveColor(ZVColors::background()));
    container->addSubview(content);
    claim->setView(container);
    left_->presentViewController(claim, true);
}

void ZVGlobals::loginSecondary() {
    if (!left_) {
        return;
    }
    if (auto screen = ZVAppServices::shared().loginSecondary()) {
        left_->pushViewController(screen, true);
    }
}

void ZVGlobals::showSettings() {
    if (!left_ || !session_) {
        return;
    }
    if (auto page = ZVAppServices::shared().settingsPage(session_)) {
        left_->pushViewController(page, true);
    }
}

void ZVGlobals::fatalError(const platform::Notification& notification) {
    if (const auto* error = std::any_cast<ZVErrorPtr>(&notification.object); error && *error) {
        ZVAlertView::showError(**error);
    }
}
