#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// A fetch's polls give up this long before the background time ends, so that their failure is
// still reported while the application may run.
constexpr platform::TimeInterval kFetchTimeMargin = 5.0;

const QString kBackgroundTaskName = u"ZVApi"_s;

// By the objects' shared ownership, which no later object can share, rather than by address.
bool isSameObject(const std::weak_ptr<ZVApiRequest>& a, const std::weak_ptr<ZVApiRequest>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

}  // namespace

// One background fetch: the polls it sent that have not ended yet, and what the ended ones found.
struct ZVApi::BackgroundFetch {
    FetchCompletion completion;
    ErrorBlock onError;
    // Weak, so that a poll is known by its own identity even once it is gone.
    std::vector<std::weak_ptr<ZVApiRequest>> polls;
    std::int64_t newEvents = 0;
    bool anySucceeded = false;
    ZVErrorPtr firstError;
};

// --- background mode ---

void ZVApi::setBackgroundMode(bool backgroundMode) {
    if (backgroundMode == backgroundMode_) {
        return;
    }
    backgroundMode_ = backgroundMode;
    if (loginStatus_ != LoginStatusSignedIn) {
        return;
    }
    // Cancelled requests' blocks may drop the last reference to this instance.
    const std::shared_ptr<ZVApi> self = shared_from_this();
    if (dispatcher_.isRetryArmed()) {
        dispatcher_.cancelRetry();
    }

    if (!backgroundMode) {
        dispatcher_.resetNetworkFailures();
        startLongPoll();
        sendQueuedRequest();
        // A contact pass cancelled when the background time ran out ran no block to go on with.
        for (const auto& session : orderedSessions()) {
            session->startContactSync();
        }
        endBackgroundTask();
        updateStatus();
        return;
    }

    cancelDeferredPolls();
    for (const auto& poll : requestsWithTag(ZVApiRequest::TagLongPoll, nullptr)) {
        cancelRequest(poll);
    }
    status_.clearNetworkFailure();
    if (hasBackgroundTasks() && backgroundTask_ == platform::kBackgroundTaskInvalid) {
        const std::weak_ptr<ZVApi> weakApi = weak_from_this();
        backgroundTask_ =
            platform::Application::shared().beginBackgroundTask(kBackgroundTaskName, [weakApi] {
                if (const auto api = weakApi.lock()) {
                    api->backgroundTimeExpired();
                }
            });
    }
}

void ZVApi::backgroundTimeExpired() {
    const std::shared_ptr<ZVApi> self = shared_from_this();
    const RequestList pending = pendingRequests();
    for (const auto& request : pending) {
        cancelRequest(request);
    }
    endBackgroundTask();
}

void ZVApi::endBackgroundTask() {
    if (backgroundTask_ != platform::kBackgroundTaskInvalid) {
        platform::Application::shared().endBackgroundTask(backgroundTask_);
        backgroundTask_ = platform::kBackgroundTaskInvalid;
    }
}

bool ZVApi::hasBackgroundTasks() const {
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        if (session->hasBackgroundTasks()) {
            return true;
        }
    }
    return dispatcher_.hasBackgroundWork();
}

void ZVApi::endBackgroundTaskIfDone() {
    if (backgroundMode_ && !hasBackgroundTasks()) {
        endBackgroundTask();
    }
}

// --- the background fetch ---

bool ZVApi::pollWithCompletion(FetchCompletion completion, ErrorBlock onError) {
    const auto fetch = std::make_shared<BackgroundFetch>();
    fetch->completion = std::move(completion);
    fetch->onError = std::move(onError);

    const platform::TimeInterval remaining =
        platform::Application::shared().backgroundTimeRemaining();
    // In the foreground there is no background time to measure against.
    const platform::TimeInterval timeout = remaining >= platform::kBackgroundTimeUnlimited
                                               ? ZVApiRequest::kDefaultTimeoutInterval
                                               : std::max(0.0, remaining - kFetchTimeMargin);
    const std::weak_ptr<ZVApi> weakApi = weak_from_this();
    RequestList polls;
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        if (!requestsWithTag(ZVApiRequest::TagLongPoll, session).empty() ||
            !requestsWithTag(ZVApiRequest::TagInitialPoll, session).empty()) {
            continue;
        }
        const std::shared_ptr<ZVApiRequest> request = session->getPollRequestWait(false);
        request->setTag(ZVApiRequest::TagInitialPoll);
        request->setTimeoutInterval(timeout);
        const std::int64_t horizonBefore = session->eventHorizon();
        const std::weak_ptr<ZVApiSession> weakSession = session;
        const std::weak_ptr<ZVApiRequest> poll = request;
        request->setSuccessHandler([weakApi, weakSession, fetch, horizonBefore, poll] {
            const auto api = weakApi.lock();
            if (!api) {
                return;
            }
            api->dispatcher_.resetNetworkFailures();
            if (const auto polled = weakSession.lock()) {
                fetch->newEvents += polled->eventHorizon() - horizonBefore;
            }
            fetch->anySucceeded = true;
            api->backgroundFetchPollEnded(fetch, poll);
        });
        // A failed fetch poll arms no retry timer: the fetch reports it instead.
        request->setErrorHandler([weakApi, fetch, poll](const ZVErrorPtr& error) {
            if (!fetch->firstError) {
                fetch->firstError = error;
            }
            if (const auto api = weakApi.lock()) {
                api->backgroundFetchPollEnded(fetch, poll);
            }
        });
        fetch->polls.push_back(poll);
        polls.push_back(request);
    }
    if (polls.empty()) {
        return false;
    }
    backgroundFetches_.push_back(fetch);
    for (const auto& request : polls) {
        sendRequest(request);
    }
    return true;
}

void ZVApi::backgroundFetchPollEnded(const std::shared_ptr<BackgroundFetch>& fetch,
                                     const std::weak_ptr<ZVApiRequest>& poll) {
    std::erase_if(fetch->polls, [&](const auto& each) { return isSameObject(each, poll); });
    if (!fetch->polls.empty() ||
        std::ranges::find(backgroundFetches_, fetch) == backgroundFetches_.end()) {
        return;
    }
    std::erase(backgroundFetches_, fetch);
    if (fetch->anySucceeded) {
        if (fetch->completion) {
            fetch->completion(fetch->newEvents);
        }
    } else if (fetch->onError) {
        fetch->onError(fetch->firstError ? fetch->firstError : ZVError::cancel());
    }
    // Every account polls again, those whose fetch poll failed included: no retry timer was armed
    // for them.
    if (!backgroundMode_) {
        startLongPoll();
    } else {
        endBackgroundTaskIfDone();
    }
}

void ZVApi::backgroundFetchPollCancelled(const std::shared_ptr<ZVApiRequest>& request) {
    const std::weak_ptr<ZVApiRequest> poll = request;
    const auto fetches = backgroundFetches_;
    for (const auto& fetch : fetches) {
        if (std::ranges::any_of(fetch->polls,
                                [&](const auto& each) { return isSameObject(each, poll); })) {
            backgroundFetchPollEnded(fetch, poll);
        }
    }
}
