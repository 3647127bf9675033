#include "platform/foundation/Application.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtCore/QSysInfo>

#include <algorithm>
#include <map>
#include <vector>

namespace platform {

namespace {

// The desktop build opens a phone-sized window at a retina-like density until told otherwise.
constexpr double kDefaultScreenScale = 2.0;
constexpr double kDefaultScreenWidth = 375;
constexpr double kDefaultScreenHeight = 667;
const char* const kDefaultModel = "Desktop";
const char* const kDefaultBundleIdentifier = "com.zelvo.Zelvo";
const char* const kDefaultBundleName = "Zelvo";
const char* const kDefaultShortVersion = "1.0";
const char* const kDefaultBuildVersion = "1";
const char* const kApplicationGroupPrefix = "group.";

QString defaultSystemName() {
    const QString product = QSysInfo::productType();
    return product.isEmpty() || product == QLatin1String("unknown") ? QSysInfo::kernelType()
                                                                    : product;
}

QString defaultSystemVersion() {
    const QString version = QSysInfo::productVersion();
    return version.isEmpty() || version == QLatin1String("unknown") ? QSysInfo::kernelVersion()
                                                                    : version;
}

QString defaultExecutableName() {
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (!name.isEmpty()) {
            return name;
        }
    }
    return QString::fromLatin1(kDefaultBundleName);
}

TimeInterval clockNow() {
    return Scheduler::main().now();
}

struct BackgroundTask {
    QString name;
    std::function<void()> expirationHandler;
    bool expired = false;
};

}  // namespace

struct Application::Impl {
    ApplicationState state = ApplicationState::Active;
    UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone;
    QString model = QString::fromLatin1(kDefaultModel);
    QString systemName = defaultSystemName();
    QString systemVersion = defaultSystemVersion();
    double screenScale = kDefaultScreenScale;
    QSizeF screenSize{kDefaultScreenWidth, kDefaultScreenHeight};
    QString bundleIdentifier = QString::fromLatin1(kDefaultBundleIdentifier);
    QString bundleName = QString::fromLatin1(kDefaultBundleName);
    QString shortVersion = QString::fromLatin1(kDefaultShortVersion);
    QString buildVersion = QString::fromLatin1(kDefaultBuildVersion);
    QString executableName = defaultExecutableName();
    QString applicationGroupIdentifier;  // null: derived from the bundle identifier
    long badgeNumber = 0;

    bool registeredForRemoteNotifications = false;
    std::function<void()> remoteNotificationRegistrar;
    int userNotificationTypes = UserNotificationTypeNone;
    TimeInterval minimumBackgroundFetchInterval = kBackgroundFetchIntervalNever;

    std::weak_ptr<ApplicationDelegate> delegate;
    bool launched = false;
    bool terminated = false;
    bool inTransition = false;

    // When the background time runs out; meaningful in the background only.
    TimeInterval backgroundDeadline = 0;
    std::map<BackgroundTaskIdentifier, BackgroundTask> tasks;
    BackgroundTaskIdentifier nextTaskIdentifier = kBackgroundTaskInvalid + 1;
    // Its work captures this state, so it goes with it.
    ScopedTimer expiryTimer;

    template <class Call>
    void tellDelegate(Call&& call) {
        // Held for the call, so that a delegate that drops itself finishes its callback.
        if (auto target = delegate.lock()) {
            call(*target);
        }
    }

    TimeInterval remaining() const {
        if (state != ApplicationState::Background) {
            return kBackgroundTimeUnlimited;
        }
        return std::max(0.0, backgroundDeadline - clockNow());
    }

    void moveTo(ApplicationState next) {
        const bool entersBackground =
            next == ApplicationState::Background && state != ApplicationState::Background;
        state = next;
        if (entersBackground) {
            backgroundDeadline = clockNow() + kBackgroundTimeAllowance;
        }
        updateExpiryTimer();
    }

    void grantBackgroundTime(TimeInterval seconds) {
        if (state != ApplicationState::Background) {
            return;
        }
        backgroundDeadline = std::max(backgroundDeadline, clockNow() + seconds);
        updateExpiryTimer();
    }

    // The timer runs only while some task can still expire, so an idle application leaves the
    // scheduler empty.
    void updateExpiryTimer() {
        expiryTimer.cancel();
        if (state != ApplicationState::Background || terminated) {
            return;
        }
        const bool anyToExpire = std::any_of(
            tasks.begin(), tasks.end(), [](const auto& entry) { return !entry.second.expired; });
        if (anyToExpire) {
            expiryTimer =
                Scheduler::main().after(backgroundDeadline - clockNow(), [this] { expire(); });
        }
    }

    void expire() {
        expiryTimer.cancel();
        if (state == ApplicationState::Background) {
            backgroundDeadline = std::min(backgroundDeadline, clockNow());
        }
        std::vector<BackgroundTaskIdentifier> expiring;
        for (const auto& [identifier, task] : tasks) {
            if (!task.expired) {
                expiring.push_back(identifier);
            }
        }
        for (BackgroundTaskIdentifier identifier : expiring) {
            // An earlier handler may have ended this task, or others.
            auto it = tasks.find(identifier);
            if (it == tasks.end() || it->second.expired) {
                continue;
            }
            it->second.expired = true;
            // Copied: the handler usually ends its task, which destroys the stored function.
            auto handler = it->second.expirationHandler;
            if (handler) {
                handler();
            }
        }
        for (BackgroundTaskIdentifier identifier : expiring) {
            if (auto it = tasks.find(identifier); it != tasks.end()) {
                systemLogFormat(u"Background task \"%@\" (%lu) was not ended when its time expired",
                                it->second.name, identifier);
            }
        }
        updateExpiryTimer();
    }

    // Guards the life-cycle steps: the platform never delivers one inside another, and a step
    // asked for from a callback would otherwise recurse.
    class Transition {
    public:
        explicit Transition(Impl& impl)
            : impl_(impl), allowed_(!impl.terminated && !impl.inTransition) {
            if (allowed_) {
                impl_.inTransition = true;
            }
        }
        ~Transition() {
            if (allowed_) {
                impl_.inTransition = false;
            }
        }
        explicit operator bool() const { return allowed_; }

    private:
        Impl& impl_;
        bool allowed_;
    };

    void resignActive() {
        if (state != ApplicationState::Active) {
            return;
        }
        tellDelegate([](ApplicationDelegate& d) { d.applicationWillResignActive(); });
        NotificationCenter::defaultCenter().postNotificationName(
            Application::kWillResignActiveNotification);
        moveTo(ApplicationState::Inactive);
    }

    void enterBackground() {
        resignActive();
        if (state != ApplicationState::Inactive) {
            return;
        }
        moveTo(ApplicationState::Background);
        tellDelegate([](ApplicationDelegate& d) { d.applicationDidEnterBackground(); });
    }

    void enterForeground() {
        if (state != ApplicationState::Background) {
            return;
        }
        tellDelegate([](ApplicationDelegate& d) { d.applicationWillEnterForeground(); });
        moveTo(ApplicationState::Inactive);
    }

    void becomeActive() {
        enterForeground();
        if (state != ApplicationState::Inactive) {
            return;
        }
        moveTo(ApplicationState::Active);
        tellDelegate([](ApplicationDelegate& d) { d.applicationDidBecomeActive(); });
    }

    void terminate() {
        resignActive();
        tellDelegate([](ApplicationDelegate& d) { d.applicationWillTerminate(); });
        NotificationCenter::defaultCenter().postNotificationName(
            Application::kWillTerminateNotification);
        terminated = true;
        tasks.clear();
        updateExpiryTimer();
    }
};

// ---------------------------------------------------------------------------------------------

bool ApplicationDelegate::applicationDidFinishLaunching(const LaunchOptions&) {
    return true;
}

bool ApplicationDelegate::applicationOpenURL(const QUrl&, const QString&) {
    return false;
}

void ApplicationDelegate::applicationPerformFetch(FetchCompletion completion) {
    if (completion) {
        completion(BackgroundFetchResult::NoData);
    }
}

void ApplicationDelegate::applicationDidRegisterForRemoteNotifications(const QByteArray&) {}

void ApplicationDelegate::applicationDidFailToRegisterForRemoteNotifications(const QString&) {}

void ApplicationDelegate::applicationDidReceiveRemoteNotification(const QJsonObject&) {}

void ApplicationDelegate::applicationDidReceiveRemoteNotificationWithFetch(
    const QJsonObject& payload, FetchCompletion completion) {
    applicationDidReceiveRemoteNotification(payload);
    if (completion) {
        completion(BackgroundFetchResult::NoData);
    }
}

void ApplicationDelegate::applicationHandleEventsForBackgroundURLSession(
    const QString&, std::function<void()> completion) {
    if (completion) {
        completion();
    }
}

// ---------------------------------------------------------------------------------------------

Application::Application() : d_(std::make_unique<Impl>()) {}

Application::~Application() = default;

Application& Application::shared() {
    // Never destroyed: its timer must not outlive the main scheduler at exit.
    static Application* const instance = [] {
        auto* application = new Application();
        onResetSharedState([] { shared().reset(); });
        return application;
    }();
    return *instance;
}

void Application::reset() {
    d_ = std::make_unique<Impl>();
}

ApplicationState Application::state() const {
    return d_->state;
}

void Application::setState(ApplicationState state) {
    d_->moveTo(state);
}

UserInterfaceIdiom Application::userInterfaceIdiom() const {
    return d_->idiom;
}

void Application::setUserInterfaceIdiom(UserInterfaceIdiom idiom) {
    d_->idiom = idiom;
}

QString Application::model() const {
    return d_->model;
}

void Application::setModel(const QString& model) {
    d_->model = model;
}

QString Application::systemName() const {
    return d_->systemName;
}

void Application::setSystemName(const QString& name) {
    d_->systemName = name;
}

QString Application::systemVersion() const {
    return d_->systemVersion;
}

void Application::setSystemVersion(const QString& version) {
    d_->systemVersion = version;
}

double Application::screenScale() const {
    return d_->screenScale;
}

void Application::setScreenScale(double scale) {
    d_->screenScale = scale;
}

QSizeF Application::screenSize() const {
    return d_->screenSize;
}

void Application::setScreenSize(const QSizeF& size) {
    d_->screenSize = size;
}

QString Application::bundleIdentifier() const {
    return d_->bundleIdentifier;
}

void Application::setBundleIdentifier(const QString& identifier) {
    d_->bundleIdentifier = identifier;
}

QString Application::bundleName() const {
    return d_->bundleName;
}

void Application::setBundleName(const QString& name) {
    d_->bundleName = name;
}

QString Application::shortVersion() const {
    return d_->shortVersion;
}

void Application::setShortVersion(const QString& version) {
    d_->shortVersion = version;
}

QString Application::buildVersion() const {
    return d_->buildVersion;
}

void Application::setBuildVersion(const QString& version) {
    d_->buildVersion = version;
}

QString Application::executableName() const {
    return d_->executableName;
}

void Application::setExecutableName(const QString& name) {
    d_->executableName = name;
}

QString Application::applicationGroupIdentifier() const {
    if (!d_->applicationGroupIdentifier.isNull()) {
        return d_->applicationGroupIdentifier;
    }
    if (d_->bundleIdentifier.isEmpty()) {
        return {};
    }
    return QLatin1String(kApplicationGroupPrefix) + d_->bundleIdentifier;
}

void Application::setApplicationGroupIdentifier(const QString& identifier) {
    d_->applicationGroupIdentifier = identifier;
}

long Application::applicationIconBadgeNumber() const {
    return d_->badgeNumber;
}

void Application::setApplicationIconBadgeNumber(long number) {
    d_->badgeNumber = number;
}

void Application::registerForRemoteNotifications() {
    d_->registeredForRemoteNotifications = true;
    if (auto registrar = d_->remoteNotificationRegistrar) {
        registrar();
    }
}

void Application::unregisterForRemoteNotifications() {
    d_->registeredForRemoteNotifications = false;
}

void Application::setRemoteNotificationRegistrar(std::function<void()> registrar) {
    d_->remoteNotificationRegistrar = std::move(registrar);
}

bool Application::isRegisteredForRemoteNotifications() const {
    return d_->registeredForRemoteNotifications;
}

void Application::registerUserNotificationSettings(int types) {
    d_->userNotificationTypes = types;
}

int Application::userNotificationTypes() const {
    return d_->userNotificationTypes;
}

void Application::setMinimumBackgroundFetchInterval(TimeInterval interval) {
    d_->minimumBackgroundFetchInterval = interval;
}

TimeInterval Application::minimumBackgroundFetchInterval() const {
    return d_->minimumBackgroundFetchInterval;
}

void Application::setDelegate(std::weak_ptr<ApplicationDelegate> delegate) {
    d_->delegate = std::move(delegate);
}

std::shared_ptr<ApplicationDelegate> Application::delegate() const {
    return d_->delegate.lock();
}

bool Application::launch(const LaunchOptions& options) {
    Impl::Transition transition(*d_);
    if (!transition || d_->launched) {
        return false;
    }
    d_->launched = true;
    d_->moveTo(ApplicationState::Inactive);
    bool accepted = true;
    d_->tellDelegate(
        [&](ApplicationDelegate& d) { accepted = d.applicationDidFinishLaunching(options); });
    d_->becomeActive();
    return accepted;
}

void Application::becomeActive() {
    if (Impl::Transition transition(*d_); transition) {
        d_->becomeActive();
    }
}

void Application::resignActive() {
    if (Impl::Transition transition(*d_); transition) {
        d_->resignActive();
    }
}

void Application::enterBackground() {
    if (Impl::Transition transition(*d_); transition) {
        d_->enterBackground();
    }
}

void Application::enterForeground() {
    if (Impl::Transition transition(*d_); transition) {
        d_->enterForeground();
    }
}

void Application::terminate() {
    if (Impl::Transition transition(*d_); transition) {
        d_->terminate();
    }
}

bool Application::isTerminated() const {
    return d_->terminated;
}

bool Application::handleOpenURL(const QUrl& url, const QString& sourceApplication) {
    bool handled = false;
    if (!d_->terminated) {
        d_->tellDelegate([&](ApplicationDelegate& d) {
            handled = d.applicationOpenURL(url, sourceApplication);
        });
    }
    return handled;
}

void Application::receiveMemoryWarning() {
    if (!d_->terminated) {
        d_->tellDelegate([](ApplicationDelegate& d) { d.applicationDidReceiveMemoryWarning(); });
    }
}

void Application::performBackgroundFetch(FetchCompletion completion) {
    if (d_->terminated) {
        return;
    }
    d_->grantBackgroundTime(kBackgroundFetchAllowance);
    auto target = d_->delegate.lock();
    if (target) {
        target->applicationPerformFetch(std::move(completion));
    } else if (completion) {
        completion(BackgroundFetchResult::NoData);
    }
}

void Application::receiveDeviceToken(const QByteArray& deviceToken) {
    if (!d_->terminated) {
        d_->tellDelegate([&](ApplicationDelegate& d) {
            d.applicationDidRegisterForRemoteNotifications(deviceToken);
        });
    }
}

void Application::failRemoteNotificationRegistration(const QString& error) {
    if (!d_->terminated) {
        d_->tellDelegate([&](ApplicationDelegate& d) {
            d.applicationDidFailToRegisterForRemoteNotifications(error);
        });
    }
}

void Application::receiveRemoteNotification(const QJsonObject& payload,
                                            FetchCompletion completion) {
    if (d_->terminated) {
        return;
    }
    if (!completion) {
        d_->tellDelegate(
            [&](ApplicationDelegate& d) { d.applicationDidReceiveRemoteNotification(payload); });
        return;
    }
    d_->grantBackgroundTime(kBackgroundFetchAllowance);
    auto target = d_->delegate.lock();
    if (target) {
        target->applicationDidReceiveRemoteNotificationWithFetch(payload, std::move(completion));
    } else {
        completion(BackgroundFetchResult::NoData);
    }
}

void Application::handleEventsForBackgroundURLSession(const QString& identifier,
                                                      std::function<void()> completion) {
    if (d_->terminated) {
        return;
    }
    auto target = d_->delegate.lock();
    if (target) {
        target->applicationHandleEventsForBackgroundURLSession(identifier, std::move(completion));
    } else if (completion) {
        completion();
    }
}

BackgroundTaskIdentifier Application::beginBackgroundTask(const QString& name,
                                                          std::function<void()> expirationHandler) {
    if (d_->terminated || d_->remaining() <= 0) {
        return kBackgroundTaskInvalid;
    }
    const BackgroundTaskIdentifier identifier = d_->nextTaskIdentifier++;
    d_->tasks.emplace(identifier, BackgroundTask{name, std::move(expirationHandler)});
    d_->updateExpiryTimer();
    return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
    if (d_->tasks.erase(identifier) > 0) {
        d_->updateExpiryTimer();
    }
}

bool Application::isBackgroundTaskRunning(BackgroundTaskIdentifier identifier) const {
    return d_->tasks.count(identifier) > 0;
}

std::size_t Application::runningBackgroundTaskCount() const {
    return d_->tasks.size();
}

TimeInterval Application::backgroundTimeRemaining() const {
    return d_->remaining();
}

void Application::expireBackgroundTime() {
    if (!d_->terminated) {
        d_->expire();
    }
}

}  // namespace platform
