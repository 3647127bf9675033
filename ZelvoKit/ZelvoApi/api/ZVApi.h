#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApiDispatcher.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/api/ZVConnectionStatusTracker.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfersDelegate.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QDateTime>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QLatin1StringView>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ZVApiStats;
class ZVFileTransfers;
class ZVLoginRequest;
class ZVUserCredentials;

// The process-wide client of the service's API. It owns the signed-in accounts' sessions, sends
// every request (at once, or queued by name and sent one at a time), turns answers into the
// requests' blocks around the application of the answer's event stream, retries with a back-off
// after failures, and publishes its state by key-value observation for the screens. The sending,
// the queue and the back-off are its dispatcher's; the connection status is its tracker's.
//
// The shared instance is made on first use of api(); the application shell registers the
// application id, the session factory and its blocks at start-up. Main thread only.
class ZVApi : public platform::Observable,
              public ZVApiTransferDelegate,
              public ZVFileTransfersDelegate,
              public std::enable_shared_from_this<ZVApi> {
public:
    enum LoginStatus : int {
        LoginStatusSignedOut = 0,
        LoginStatusSigningIn = 1,
        LoginStatusSignedIn = 2,
        LoginStatusSigningInFurther = 3,
    };

    enum ConnectionStatus : int {
        ConnectionStatusOffline = ZVConnectionStatusTracker::Offline,
        ConnectionStatusConnecting = ZVConnectionStatusTracker::Connecting,
        ConnectionStatusOnline = ZVConnectionStatusTracker::Online,
        ConnectionStatusActivity = ZVConnectionStatusTracker::Activity,
        ConnectionStatusError = ZVConnectionStatusTracker::Error,
    };

    // Published keys.
    static constexpr QLatin1StringView LoginStatusKey{"loginStatus"};
    static constexpr QLatin1StringView LoginErrorKey{"loginError"};
    static constexpr QLatin1StringView ConnectionStatusKey{"connectionStatus"};
    static constexpr QLatin1StringView ConnectionAvailableKey{"connectionAvailable"};
    static constexpr QLatin1StringView SessionsKey{"sessions"};
    static constexpr QLatin1StringView ActiveSessionKey{"activeSession"};
    static constexpr QLatin1StringView PendingRequestsKey{"pendingRequests"};
    static constexpr QLatin1StringView RecentRequestsKey{"recentRequests"};
    static constexpr QLatin1StringView QueuedRequestsKey{"queuedRequests"};
    static constexpr QLatin1StringView RequestsSentKey{"requestsSent"};
    static constexpr QLatin1StringView SyncProgressKey{"syncProgress"};
    static constexpr QLatin1StringView NextConnectionTimeKey{"nextConnectionTime"};
    static constexpr QLatin1StringView SessionStatsKey{"sessionStats"};
    static constexpr QLatin1StringView CumulativeStatsKey{"cumulativeStats"};

    // User-defaults keys.
    static constexpr QLatin1StringView ActiveSessionDefaultsKey{"activeSession"};
    static constexpr QLatin1StringView LastSyncTimeDefaultsKey{"LastSyncTime"};

    // The status is recomputed this long after a change, so that a burst of changes settles.
    static constexpr platform::TimeInterval kStatusUpdateDelay =
        ZVConnectionStatusTracker::kUpdateDelay;
    // Queued requests wait this long, so that changes made together go out as one.
    static constexpr platform::TimeInterval kQueueSendDelay = ZVApiDispatcher::kQueueSendDelay;
    static constexpr platform::TimeInterval kResyncDelay = 0.1;
    static constexpr std::size_t kMaxRecentRequests = ZVApiDispatcher::kMaxRecentRequests;

    using ErrorBlock = std::function<void(const ZVErrorPtr& error)>;
    using SessionBlock = std::function<void(const std::shared_ptr<ZVApiSession>& session)>;
    using Sessions = QMap<QString, std::shared_ptr<ZVApiSession>>;
    using RequestList = ZVApiDispatcher::RequestList;
    using QueuedRequests = ZVApiDispatcher::QueuedRequests;

    // --- the shared instance and its registrations ---

    static ZVApi& api();
    // Removes every session and forgets the shared instance.
    static void resetSharedApi();

    // The first element of the User-Agent; the bundle identifier, else the executable's name,
    // when none is set.
    static void setApplicationId(const QString& applicationId);
    static QString applicationId();
    // Makes the session of each account; a plain ZVApiSession when none is set.
    static void setSessionClass(ZVApiSession::Factory factory);
    static ZVApiSession::Factory sessionClass();
    // "<application id>/<version>.<build> (<system> <system version>)".
    static QString userAgentString();
    // A failure of the transport (URL or POSIX error domain), as opposed to an answer.
    static bool isNetworkFailure(const ZVErrorPtr& error);
    static bool isNetworkFailure(const ZVError* error);
    static const QUrl& serviceBaseURL();

    ~ZVApi() override;
    ZVApi(const ZVApi&) = delete;
    ZVApi& operator=(const ZVApi&) = delete;

    // --- configuration ---

    // A non-empty URL replaces the service's (and accepts any certificate it presents); an empty
    // one restores the service's.
    void setCustomBaseURL(const QString& url);
    // Null unless a custom base URL is set.
    QString customBaseURL() const;
    const QUrl& baseURL() const { return baseURL_; }
    const QUrl& baseApiURL() const { return baseApiURL_; }
    // The user name of an address on the service's own host; null for any other address.
    QString zelvoIdFromEmail(const QString& email);
    bool isZelvoId(const QString& email) { return !zelvoIdFromEmail(email).isNull(); }

    // --- state ---

    bool debugLoggingEnabled() const;
    const Sessions& sessions() const { return sessions_; }
    std::shared_ptr<ZVApiSession> activeSession() const { return activeSession_; }
    void setActiveSession(const std::shared_ptr<ZVApiSession>& session);
    // The mean of the sessions' progress; 0 without sessions.
    float syncProgress() const;
    int loginStatus() const { return loginStatus_; }
    const ZVErrorPtr& loginError() const { return loginError_; }
    const ZVErrorPtr& lastError() const { return status_.lastError(); }
    int connectionStatus() const { return status_.status(); }
    bool connectionAvailable() const { return status_.connectionAvailable(); }
    void setConnectionAvailable(bool available);
    // Invalid until the status was first computed as online.
    const QDateTime& lastSyncTime() const { return status_.lastSyncTime(); }
    const std::shared_ptr<ZVApiStats>& sessionStats() const { return sessionStats_; }
    const std::shared_ptr<ZVApiStats>& cumulativeStats() const { return cumulativeStats_; }
    std::int64_t requestsSent() const { return dispatcher_.requestsSent(); }
    const RequestList& pendingRequests() const { return dispatcher_.pendingRequests(); }
    const RequestList& recentRequests() const { return dispatcher_.recentRequests(); }
    const QueuedRequests& queuedRequests() const { return dispatcher_.queuedRequests(); }
    bool backgroundMode() const { return backgroundMode_; }

    // Recomputes the connection status kStatusUpdateDelay from now.
    void updateStatus();
    void doUpdateStatus();
    void connectionEstablished();
    void saveContext();

    // --- blocks the shell installs ---

    // For failed requests without an error block; never for network failures.
    const ErrorBlock& defaultErrorHandler() const { return defaultErrorHandler_; }
    void setDefaultErrorHandler(ErrorBlock block) { defaultErrorHandler_ = std::move(block); }
    const ErrorBlock& onLoginError() const { return onLoginError_; }
    void setOnLoginError(ErrorBlock block) { onLoginError_ = std::move(block); }
    const SessionBlock& onSessionStart() const { return onSessionStart_; }
    void setOnSessionStart(SessionBlock block) { onSessionStart_ = std::move(block); }
    const SessionBlock& onSessionEnd() const { return onSessionEnd_; }
    void setOnSessionEnd(SessionBlock block) { onSessionEnd_ = std::move(block); }

    // --- sessions ---

    // The first sign-in of the process: fresh traffic counters, the persisted ones loaded, and the
    // signed-in status.
    void login();
    // Makes a session of the registered class for the credentials and keeps it under their uuid.
    std::shared_ptr<ZVApiSession> createSessionWithCredentials(
        const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles);
    // Forgets the session: its pending requests are cancelled, its queued ones dropped, and the
    // session-end block is told.
    void removeSession(std::shared_ptr<ZVApiSession> session);
    // The sessions in the accounts' order (see ZVApiSession::compare()).
    std::vector<std::shared_ptr<ZVApiSession>> orderedSessions() const;
    // Moves `session` right after `other` in the accounts' order, and the accounts after it along.
    void orderSession(const std::shared_ptr<ZVApiSession>& session,
                      const std::shared_ptr<ZVApiSession>& other);

    // --- signing in and out ---

    // User-defaults key: the signed-in accounts' e-mails, restored at start-up.
    static constexpr QLatin1StringView AccountsDefaultsKey{"Accounts"};

    using Block = std::function<void()>;
    using RegistrationBlock =
        std::function<void(const QString& notificationId, const QString& suggestedUsername)>;

    // A session for each saved account whose keychain record is valid (or for the account of a
    // single-account installation, which is moved to the per-account form); then signed in and
    // polling. Sessions restored so are not passed to the session-start block.
    void loginWithSavedCredentials();
    // Typed sign-in: "signing in" (1, or 3 with accounts signed in) until the answer is handled.
    void loginWithEmail(const QString& email, const QString& password);
    // Sign-in by the notification id of an e-mail link.
    void loginWithNotificationId(const QString& notificationId);
    // The last step of sign-up: signs the new account in.
    void registerNotificationId(const QString& notificationId, const QString& email,
                                const QString& fullName, const QString& password,
                                const QString& username, Block onSuccess, ErrorBlock onError);
    // The first step of sign-up: the service mails a code to the address.
    void registerEmail(const QString& email, Block onSuccess, ErrorBlock onError);
    // The mailed code gives the notification id of the sign-up and a suggested username.
    void submitRegistrationCode(const QString& code, const QString& email,
                                RegistrationBlock onSuccess, ErrorBlock onError);
    void resetPassword(const QString& email, Block onSuccess, ErrorBlock onError);
    void registerUserId(const QString& userId, const QString& fullName, const QString& password,
                        Block onSuccess, ErrorBlock onError);
    // Turns a sign-in answer into a session for `credentials` (the credentials of the request).
    ZVErrorPtr handleLoginResponse(ZVJsonParser& answer,
                                   const std::shared_ptr<ZVUserCredentials>& credentials);
    void handleLoginError(const ZVErrorPtr& error);
    // Where loginWithCredentials() puts the account's session among the others.
    enum class Placement {
        // A sign-in: last in the accounts' order, and the active account.
        SignIn,
        // A resync, which is no sign-in: the account keeps its place in the order, and is the
        // active account again only when it was.
        ResyncOfActiveAccount,
        ResyncOfOtherAccount,
    };
    // Opens a session for credentials that need no sign-in call; none when the account is signed
    // in already (error 1016) or its uuid is not an account id (error 1008), both reported as a
    // sign-in failure.
    std::shared_ptr<ZVApiSession> loginWithCredentials(
        const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles,
        Placement placement = Placement::SignIn);
    // Writes the accounts' e-mails under AccountsDefaultsKey.
    void saveSessions();
    // Signs out of everything, once no session is left: requests are cancelled (a sign-out call
    // goes on running), and every user default of the application is removed.
    void logout();
    // Hands the device's push token to the service for every signed-in account, through the
    // active session; nothing without one.
    void submitApnToken(const QByteArray& token);

    // --- sending ---
    // Requests and sessions are taken by value: a caller may pass an entry of the lists below,
    // which change while the call runs.

    void sendRequest(std::shared_ptr<ZVApiRequest> request);
    // Sends the newest request queued under `name` kQueueSendDelay from now, one queued request at
    // a time, the highest priority first.
    void queueRequest(std::shared_ptr<ZVApiRequest> request, const QString& name);
    void sendQueuedRequest();
    // Ends the request as cancelled: no block of it runs.
    void cancelRequest(std::shared_ptr<ZVApiRequest> request);
    // The pending requests with the tag (0 matches any) of the session (none matches any), in the
    // order sent.
    RequestList requestsWithTag(int tag, const std::shared_ptr<ZVApiSession>& session) const;
    std::shared_ptr<ZVApiRequest> pendingRequestWithRequestId(const QString& requestId) const;
    std::shared_ptr<ZVApiRequest> getPendingRequestOfType(QStringView methodPrefix) const;
    void removePendingRequest(std::shared_ptr<ZVApiRequest> request);
    void requestCompleted(std::shared_ptr<ZVApiRequest> request);
    void requestDidFailWithError(std::shared_ptr<ZVApiRequest> request, ZVErrorPtr error);

    // --- retries ---

    // Arms the retry timer with the back-off for the error.
    void retryConnectionWithError(const ZVErrorPtr& error);
    // The back-off after a failure: by the count of consecutive network failures (this one
    // included) for a network failure, the longest one for any other failure.
    static platform::TimeInterval retryDelay(const ZVErrorPtr& error, int networkFailures);
    // What the retry timer runs: the polls and the queue start again.
    void retryConnections();
    // When the retry timer fires; invalid when it is not armed.
    QDateTime nextConnectionTime() const;

    // --- the event stream and the polls ---

    // Applies an answer's "stream" to the session, record by record; returns the first error.
    ZVErrorPtr processStream(const QJsonValue& stream,
                             const std::shared_ptr<ZVApiSession>& session);
    // Hands one record to the session's hook for its "mk_rec_type".
    ZVErrorPtr handleLongPollResponse(ZVJsonParser& record,
                                      const std::shared_ptr<ZVApiSession>& session);
    // A "request" record: runs the early-completion block of the pending request it names.
    ZVErrorPtr handleRequest(ZVJsonParser& record);
    void handleResyncRequest(const std::shared_ptr<ZVApiSession>& session);
    // A first poll for every session that has none running.
    void startLongPoll();
    void startPollForSession(const std::shared_ptr<ZVApiSession>& session, bool initial);
    bool hasBackgroundTasks() const;
    void endBackgroundTaskIfDone();

    // --- background mode and the background fetch ---

    // Gets the sum of the accounts' horizon advances.
    using FetchCompletion = std::function<void(std::int64_t newEvents)>;
    // Set while the application is not active: no waiting polls, and a background task for the
    // work still running. Leaving it starts the polls again.
    void setBackgroundMode(bool backgroundMode);
    // One poll without waiting for each account that has no poll running, with a timeout that
    // ends 5 s before the background time does. Once all of them have ended, exactly one block
    // runs: `completion` when any of them succeeded, else `onError`. Returns whether any poll was
    // sent; when none was, no block runs.
    bool pollWithCompletion(FetchCompletion completion, ErrorBlock onError);

    // --- the transfers ---

    void transferDidReceiveResponse(const platform::UrlSessionTask& task,
                                    const platform::UrlResponse& response) override;
    void transferDidComplete(const platform::UrlSessionTask& task,
                             const platform::UrlTaskResult& result) override;
    std::shared_ptr<ZVApiRequest> requestByTask(const platform::UrlSessionTask& task) const;

    // --- file transfers ---

    // Made at the first sign-in of the process and dropped at sign-out; null in between.
    const std::shared_ptr<ZVFileTransfers>& fileTransfers() const { return fileTransfers_; }
    // Makes the file transfers when there are none, and lists again those that outlived the
    // process.
    void ensureFileTransfers();
    // Cancels every file transfer and drops the transfers.
    void dropFileTransfers();
    // The delegates that the account of `sessionId` finds for its transfer; none without it.
    std::optional<Delegates> restoreDelegatesByUrl(
        const QString& url, const QString& sessionId,
        const std::shared_ptr<ZVFileTransferTask>& transfer) override;

private:
    ZVApi();
    void setLoginStatus(int status);
    void recomputeBaseApiURL();
    void sendLoginRequest(const std::shared_ptr<ZVLoginRequest>& request, bool signingIn,
                          Block onSuccess, ErrorBlock onError);

    // --- an answer, in three steps ---
    // What an answer's body holds, by its content type; none when it holds no JSON.
    std::optional<QJsonDocument> decodeAnswer(const std::shared_ptr<ZVApiRequest>& request);
    // Fails a request answered with another status than 200; a 401 ends the account's session.
    void failWithAnswer(const std::shared_ptr<ZVApiRequest>& request,
                        const std::optional<QJsonDocument>& document,
                        const std::shared_ptr<ZVApiSession>& session);
    struct AppliedAnswer {
        ZVErrorPtr handlerError;
        ZVErrorPtr streamError;
    };
    // Applies a 200 answer to the session in one transaction: progress, header, the request's
    // handler and the event stream, then the event horizon.
    AppliedAnswer applyAnswer(const std::shared_ptr<ZVApiRequest>& request,
                              const QJsonObject& answer,
                              const std::shared_ptr<ZVApiSession>& session);
    void applyEventHorizon(const QJsonValue& eventHorizon,
                           const std::shared_ptr<ZVApiSession>& session);
    // Ends the request by the outcome: its blocks, the queue, the counters and the status.
    void finishAnswer(const std::shared_ptr<ZVApiRequest>& request, const AppliedAnswer& applied);

    Sessions sessions_;
    QUrl baseURL_;
    QUrl baseApiURL_;
    int loginStatus_ = LoginStatusSignedOut;
    ZVErrorPtr loginError_;
    bool backgroundMode_ = false;
    std::shared_ptr<ZVApiStats> sessionStats_;
    std::shared_ptr<ZVApiStats> cumulativeStats_;
    ErrorBlock defaultErrorHandler_;
    ErrorBlock onLoginError_;
    SessionBlock onSessionStart_;
    SessionBlock onSessionEnd_;
    std::shared_ptr<ZVApiSession> activeSession_;
    platform::BackgroundTaskIdentifier backgroundTask_ = platform::kBackgroundTaskInvalid;
    bool customBaseURL_ = false;
    QString zelvoIdSuffix_;
    ZVApiDispatcher dispatcher_;
    ZVConnectionStatusTracker status_;

    // --- background mode, fetches and the pace of polls ---
    struct BackgroundFetch;
    struct PollPacing {
        std::optional<platform::TimeInterval> lastSent;
        platform::ScopedTimer deferred;
    };
    void backgroundTimeExpired();
    void endBackgroundTask();
    void cancelDeferredPolls();
    void deferredPollDue(const std::weak_ptr<ZVApiSession>& session);
    void backgroundFetchPollEnded(const std::shared_ptr<BackgroundFetch>& fetch,
                                  const std::weak_ptr<ZVApiRequest>& poll);
    // Cancelled polls of a background fetch run no block; this tells the fetch that they ended.
    void backgroundFetchPollCancelled(const std::shared_ptr<ZVApiRequest>& request);
    std::vector<std::shared_ptr<BackgroundFetch>> backgroundFetches_;
    // By the sessions' keys.
    std::map<QString, PollPacing> pollPacing_;

    std::shared_ptr<ZVFileTransfers> fileTransfers_;
    // The work that captures this instance; declared last, so that it goes first.
    platform::TimerGroup timers_;
};
