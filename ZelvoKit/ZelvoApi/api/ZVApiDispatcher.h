#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QStringView>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class ZVApiSession;

namespace platform {
class UrlSession;
}

// Sends the API client's requests and keeps their lists: the pending requests in the order sent,
// the last few that ended, and the named queue whose newest entry per name is sent one at a time;
// after a failure it holds the queue and arms the retry timer with the back-off.
//
// It publishes its lists on the client's keys, through `publisher`, and leaves what an answer or a
// failure means to the client, which it calls through the hooks. Main thread only.
class ZVApiDispatcher {
public:
    using RequestList = std::vector<std::shared_ptr<ZVApiRequest>>;
    using QueuedRequests = std::vector<std::pair<QString, std::shared_ptr<ZVApiRequest>>>;

    // Queued requests wait this long, so that changes made together go out as one.
    static constexpr platform::TimeInterval kQueueSendDelay = 0.1;
    static constexpr std::size_t kMaxRecentRequests = 10;

    struct Hooks {
        // A request whose transfer could not start, from the run loop, while it is still pending.
        std::function<void(const std::shared_ptr<ZVApiRequest>&, const ZVErrorPtr&)> submitFailed;
        // The queue may send its next request.
        std::function<void()> queueDue;
        // The retry timer fired.
        std::function<void()> retryDue;
    };

    // The keys the lists are published under.
    struct Keys {
        QString pendingRequests;
        QString recentRequests;
        QString queuedRequests;
        QString requestsSent;
        QString nextConnectionTime;
    };

    ZVApiDispatcher(const platform::Observable& publisher, Keys keys, Hooks hooks);
    ~ZVApiDispatcher();
    ZVApiDispatcher(const ZVApiDispatcher&) = delete;
    ZVApiDispatcher& operator=(const ZVApiDispatcher&) = delete;

    // A failure of the transport (URL or POSIX error domain), as opposed to an answer.
    static bool isNetworkFailure(const ZVError* error);
    // The back-off after a failure: by the count of consecutive network failures (this one
    // included) for a network failure, the longest one for any other failure.
    static platform::TimeInterval retryDelay(const ZVErrorPtr& error, int networkFailures);

    platform::UrlSession& urlSession() { return *urlSession_; }

    // --- sending ---

    // Makes the request pending and starts its transfer, which reports to `delegate`.
    void send(const std::shared_ptr<ZVApiRequest>& request,
              std::weak_ptr<ZVApiTransferDelegate> delegate);
    // Queues `request` under `name`, replacing what was queued under it, and lets the queue send
    // kQueueSendDelay from now unless the retry timer holds it.
    void enqueue(const std::shared_ptr<ZVApiRequest>& request, const QString& name);
    void scheduleQueuedSend();

    struct NextQueued {
        // Taken off the queue and tagged as queued; none when nothing is to be sent now.
        std::shared_ptr<ZVApiRequest> request;
        // Nothing was sent because what is queued waits for the foreground.
        bool waitsForForeground = false;
    };
    // The queued request of the highest priority, unless a queued request is in flight. With
    // `background`, requests of a low priority wait.
    NextQueued takeNextQueued(bool background);
    // Takes a request that was not sent yet off the queue; false when it was not queued.
    bool unqueue(const std::shared_ptr<ZVApiRequest>& request);
    // Drops the session's queued requests; false when it had none.
    bool unqueueSession(const std::shared_ptr<ZVApiSession>& session);
    void clearQueue();

    // --- the lists ---

    const RequestList& pendingRequests() const { return pendingRequests_; }
    const RequestList& recentRequests() const { return recentRequests_; }
    const QueuedRequests& queuedRequests() const { return queuedRequests_; }
    std::int64_t requestsSent() const { return requestsSent_; }
    bool isPending(const std::shared_ptr<ZVApiRequest>& request) const;
    // Moves a pending request to the front of the recent ones.
    void removePending(const std::shared_ptr<ZVApiRequest>& request);
    // The pending requests with the tag (0 matches any) of the session (none matches any), in the
    // order sent.
    RequestList requestsWithTag(int tag, const std::shared_ptr<ZVApiSession>& session) const;
    std::shared_ptr<ZVApiRequest> pendingRequestWithRequestId(const QString& requestId) const;
    std::shared_ptr<ZVApiRequest> pendingRequestOfType(QStringView methodPrefix) const;
    std::shared_ptr<ZVApiRequest> requestByTask(const platform::UrlSessionTask& task) const;
    // Pending requests, and queued ones that may run in the background.
    bool hasBackgroundWork() const;

    // --- retries ---

    // Arms the retry timer with the back-off for the error.
    void retryWithError(const ZVErrorPtr& error);
    bool isRetryArmed() const { return retryTimer_.isValid(); }
    void cancelRetry();
    // The consecutive network failures count again from none.
    void resetNetworkFailures() { networkFailures_ = 0; }
    // Invalid when the retry timer is not armed.
    QDateTime nextConnectionTime() const;

private:
    const platform::Observable& publisher_;
    const Keys keys_;
    const Hooks hooks_;
    std::unique_ptr<platform::UrlSession> urlSession_;
    RequestList pendingRequests_;
    RequestList recentRequests_;
    QueuedRequests queuedRequests_;
    std::int64_t requestsSent_ = 0;
    int networkFailures_ = 0;
    platform::ScopedTimer retryTimer_;
    // The work that captures this dispatcher; declared last, so that it goes first.
    platform::TimerGroup timers_;
};
