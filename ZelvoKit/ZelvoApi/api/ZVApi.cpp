#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/UrlSession.h"

namespace {

using namespace Qt::Literals::StringLiterals;

struct ClassWide {
    std::shared_ptr<ZVApi> instance;
    QString applicationId;
    ZVApiSession::Factory sessionFactory;
};

ClassWide& classWide() {
    static ClassWide values;
    return values;
}

}  // namespace

ZVApi& ZVApi::api() {
    static const bool registered = [] {
        platform::onResetSharedState([] {
            // Dropping the instance cancels its transfers (with its URL session) and its timers.
            std::shared_ptr<ZVApi> instance = std::move(classWide().instance);
            instance.reset();
            classWide() = ClassWide();
        });
        return true;
    }();
    (void)registered;
    std::shared_ptr<ZVApi>& instance = classWide().instance;
    if (!instance) {
        instance = std::shared_ptr<ZVApi>(new ZVApi());
    }
    return *instance;
}

void ZVApi::resetSharedApi() {
    std::shared_ptr<ZVApi> instance = classWide().instance;
    if (!instance) {
        return;
    }
    while (!instance->sessions_.isEmpty()) {
        instance->removeSession(instance->orderedSessions().front());
    }
    if (classWide().instance == instance) {
        classWide().instance.reset();
    }
}

ZVApi::ZVApi()
    : baseURL_(serviceBaseURL()),
      dispatcher_(*this,
                  {.pendingRequests = PendingRequestsKey,
                   .recentRequests = RecentRequestsKey,
                   .queuedRequests = QueuedRequestsKey,
                   .requestsSent = RequestsSentKey,
                   .nextConnectionTime = NextConnectionTimeKey},
                  {.submitFailed =
                       [this](const std::shared_ptr<ZVApiRequest>& request,
                              const ZVErrorPtr& error) { requestDidFailWithError(request, error); },
                   .queueDue = [this] { sendQueuedRequest(); },
                   .retryDue = [this] { retryConnections(); }}),
      status_(*this,
              {.connectionStatus = ConnectionStatusKey,
               .connectionAvailable = ConnectionAvailableKey,
               .lastSyncTimeDefaults = LastSyncTimeDefaultsKey},
              dispatcher_, [this] {
                  if (loginStatus_ == LoginStatusSignedIn) {
                      connectionEstablished();
                  }
              }) {
    recomputeBaseApiURL();
}

// The URL session goes with the instance and takes its running transfers with it, silently; the
// timers and the scheduled work go with their members.
ZVApi::~ZVApi() = default;

// --- class-wide values ---

void ZVApi::setApplicationId(const QString& applicationId) {
    classWide().applicationId = applicationId;
}

QString ZVApi::applicationId() {
    return classWide().applicationId;
}

void ZVApi::setSessionClass(ZVApiSession::Factory factory) {
    classWide().sessionFactory = std::move(factory);
}

ZVApiSession::Factory ZVApi::sessionClass() {
    return classWide().sessionFactory ? classWide().sessionFactory
                                      : ZVApiSession::factory<ZVApiSession>();
}

QString ZVApi::userAgentString() {
    const platform::Application& application = platform::Application::shared();
    QString name = classWide().applicationId;
    if (name.isEmpty()) {
        name = application.bundleIdentifier();
    }
    if (name.isEmpty()) {
        name = application.executableName();
    }
    return platform::format(
        u"%@/%@ (%@)", name,
        platform::format(u"%@.%@", application.shortVersion(), application.buildVersion()),
        platform::format(u"%@ %@", application.systemName(), application.systemVersion()));
}

bool ZVApi::isNetworkFailure(const ZVErrorPtr& error) {
    return isNetworkFailure(error.get());
}

bool ZVApi::isNetworkFailure(const ZVError* error) {
    return ZVApiDispatcher::isNetworkFailure(error);
}

const QUrl& ZVApi::serviceBaseURL() {
    static const QUrl url(u"https://zelvo.com/"_s);
    return url;
}

// --- configuration ---

void ZVApi::setCustomBaseURL(const QString& url) {
    customBaseURL_ = !url.isEmpty();
    baseURL_ = customBaseURL_ ? QUrl(url) : serviceBaseURL();
    // Only a server that the user named is trusted without a valid certificate.
    dispatcher_.urlSession().setAllowsInvalidCertificates(customBaseURL_);
    recomputeBaseApiURL();
}

QString ZVApi::customBaseURL() const {
    return customBaseURL_ ? baseURL_.toString() : QString();
}

void ZVApi::recomputeBaseApiURL() {
    baseApiURL_ = baseURL_.resolved(QUrl(u"api/"_s));
}

QString ZVApi::zelvoIdFromEmail(const QString& email) {
    if (zelvoIdSuffix_.isNull()) {
        zelvoIdSuffix_ = platform::format(u"@%@", baseURL_.host());
    }
    if (!email.endsWith(zelvoIdSuffix_)) {
        return QString();
    }
    return email.left(email.size() - zelvoIdSuffix_.size());
}

// --- state ---

bool ZVApi::debugLoggingEnabled() const {
    for (const auto& session : sessions_) {
        if (session->profile() && session->profile()->debugLogging()) {
            return true;
        }
    }
    return false;
}

void ZVApi::setActiveSession(const std::shared_ptr<ZVApiSession>& session) {
    if (session == activeSession_) {
        return;
    }
    changeValueForKey(ActiveSessionKey, [&] { activeSession_ = session; });
    const auto defaults = platform::UserDefaults::standard();
    defaults->setString(session ? session->sessionId() : QString(), ActiveSessionDefaultsKey);
    defaults->synchronize();
}

float ZVApi::syncProgress() const {
    if (sessions_.isEmpty()) {
        return 0;
    }
    float total = 0;
    for (const auto& session : sessions_) {
        total += session->syncProgress();
    }
    return total / static_cast<float>(sessions_.size());
}

void ZVApi::setLoginStatus(int status) {
    changeValueForKey(LoginStatusKey, [&] { loginStatus_ = status; });
}

void ZVApi::setConnectionAvailable(bool available) {
    status_.setConnectionAvailable(available);
}

void ZVApi::connectionEstablished() {
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        session->connectionEstablished();
        session->retryContactSyncNow();
    }
}

void ZVApi::saveContext() {
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        session->saveContext();
    }
}

void ZVApi::updateStatus() {
    status_.scheduleUpdate();
}

void ZVApi::doUpdateStatus() {
    status_.update();
}

// --- sessions ---

void ZVApi::login() {
    sessionStats_ = std::make_shared<ZVApiStats>();
    cumulativeStats_ = std::make_shared<ZVApiStats>();
    cumulativeStats_->load();
    ensureFileTransfers();
    setLoginStatus(LoginStatusSignedIn);
    platform::UserDefaults::standard()->synchronize();
}

std::shared_ptr<ZVApiSession> ZVApi::createSessionWithCredentials(
    const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles) {
    ZVLogError(u"ZVApi::CreateSessionWithCredentials(%@)", credentials->email());
    std::shared_ptr<ZVApiSession> session = sessionClass()(credentials, profiles);
    if (session) {
        changeValueForKey(SessionsKey, [&] { sessions_.insert(credentials->uuid(), session); });
    }
    return session;
}

void ZVApi::removeSession(std::shared_ptr<ZVApiSession> session) {
    if (!session) {
        return;
    }
    if (activeSession_ == session) {
        std::shared_ptr<ZVApiSession> next;
        for (const auto& other : sessions_) {
            if (other != session) {
                next = other;
                break;
            }
        }
        setActiveSession(next);
    }
    changeValueForKey(SessionsKey, [&] {
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            it = it.value() == session ? sessions_.erase(it) : std::next(it);
        }
    });

    bool queuedInFlight = false;
    for (const auto& request : requestsWithTag(0, session)) {
        if (request->tag() == ZVApiRequest::TagLogout) {
            // The account's sign-out call is sent just before its session goes: it runs on, for
            // no account, so that the service forgets the ticket.
            request->setSession(nullptr);
            continue;
        }
        queuedInFlight = queuedInFlight || request->tag() == ZVApiRequest::TagQueued;
        cancelRequest(request);
    }
    dispatcher_.unqueueSession(session);
    // The cancelled request held the queue's one place in flight; the other accounts' requests
    // would otherwise wait for the next change to be queued.
    if (queuedInFlight && !dispatcher_.queuedRequests().empty()) {
        dispatcher_.scheduleQueuedSend();
    }
    // A poll put off for the account was this session's: a session that replaces it (a resync, a
    // new sign-in) must not wait for it.
    if (const auto pacing = pollPacing_.find(session->credentials()->uuid());
        pacing != pollPacing_.end()) {
        pacing->second.deferred.cancel();
    }
    if (fileTransfers_) {
        fileTransfers_->cancelBySessionId(session->sessionId());
    }
    if (onSessionEnd_) {
        const SessionBlock block = onSessionEnd_;
        block(session);
    }
    saveSessions();
}
