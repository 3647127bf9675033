#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/NumberConversion.h"
#include "platform/foundation/SystemLog.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlSession.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonParseError>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// Back-off after consecutive network failures, by their count.
constexpr int kShortBackoffFailures = 4;
constexpr int kMediumBackoffFailures = 10;
constexpr platform::TimeInterval kShortBackoff = 1.0;
constexpr platform::TimeInterval kMediumBackoff = 2.0;
constexpr platform::TimeInterval kLongBackoff = 20.0;

// The code the platform's JSON reader gives a text that does not parse.
constexpr int kJsonReadingCorruptData = 3840;

const QString kJsonMediaType = u"application/json"_s;

// Transport failures that come and go with the device's connection; logging each would fill the
// log while the device is offline.
bool isQuietNetworkFailure(const ZVError& error) {
    if (error.domain() != platform::kUrlErrorDomain) {
        return false;
    }
    const auto code = static_cast<platform::UrlErrorCode>(error.code());
    return code == platform::UrlErrorCode::TimedOut ||
           code == platform::UrlErrorCode::NetworkConnectionLost ||
           code == platform::UrlErrorCode::NotConnectedToInternet;
}

}  // namespace

// --- sending ---

void ZVApi::sendRequest(std::shared_ptr<ZVApiRequest> request) {
    changeValueForKey(RequestsSentKey, [&] { ++requestsSent_; });
    changeValueForKey(PendingRequestsKey, [&] { pendingRequests_.push_back(request); });
    updateStatus();
    const ZVErrorPtr error = request->submitWithUrlSession(*urlSession_, weak_from_this());
    if (error) {
        // No transfer will ever end it, so it fails as a failed transfer does, from the run loop:
        // a request left pending would hold the queue or the account's poll for good.
        std::weak_ptr<ZVApiRequest> weak = request;
        timers_.after(0, [this, weak, error] {
            const auto failed = weak.lock();
            if (failed && std::ranges::find(pendingRequests_, failed) != pendingRequests_.end()) {
                requestDidFailWithError(failed, error);
            }
        });
    }
}

void ZVApi::queueRequest(std::shared_ptr<ZVApiRequest> request, const QString& name) {
    changeValueForKey(QueuedRequestsKey, [&] {
        auto it = std::ranges::find(queuedRequests_, name, &QueuedRequests::value_type::first);
        if (it != queuedRequests_.end()) {
            it->second = request;
        } else {
            queuedRequests_.emplace_back(name, request);
        }
    });
    if (!retryTimer_.isValid()) {
        scheduleQueuedSend();
    }
}

void ZVApi::scheduleQueuedSend() {
    timers_.after(kQueueSendDelay, [this] { sendQueuedRequest(); });
}

void ZVApi::sendQueuedRequest() {
    for (const auto& request : pendingRequests_) {
        if (request->tag() == ZVApiRequest::TagQueued) {
            return;
        }
    }
    auto choice = queuedRequests_.end();
    for (auto it = queuedRequests_.begin(); it != queuedRequests_.end(); ++it) {
        if (choice == queuedRequests_.end() ||
            it->second->priority() > choice->second->priority()) {
            choice = it;
        }
    }
    // In the background, requests of a low priority wait for the foreground.
    constexpr int kHighestDeferredPriority = 2;
    if (backgroundMode_ && (choice == queuedRequests_.end() ||
                            choice->second->priority() <= kHighestDeferredPriority)) {
        endBackgroundTaskIfDone();
        return;
    }
    if (choice == queuedRequests_.end()) {
        return;
    }
    const std::shared_ptr<ZVApiRequest> request = choice->second;
    // Observers may queue meanwhile: the entry is found again, not by the iterator.
    changeValueForKey(QueuedRequestsKey, [&] {
        std::erase_if(queuedRequests_, [&](const auto& entry) { return entry.second == request; });
    });
    request->setTag(ZVApiRequest::TagQueued);
    sendRequest(request);
}

void ZVApi::cancelRequest(std::shared_ptr<ZVApiRequest> request) {
    if (!request) {
        return;
    }
    const ZVErrorPtr error = ZVError::cancel();
    if (std::ranges::find(pendingRequests_, request) == pendingRequests_.end()) {
        // Not sent yet: it leaves the queue and is never sent.
        if (std::ranges::find(queuedRequests_, request, &QueuedRequests::value_type::second) !=
            queuedRequests_.end()) {
            changeValueForKey(QueuedRequestsKey, [&] {
                std::erase_if(queuedRequests_,
                              [&](const auto& entry) { return entry.second == request; });
            });
            request->failWithError(error);
            request->removeDependencies();
        }
        return;
    }
    request->cancel();
    request->failWithError(error);
    requestDidFailWithError(request, error);
}

ZVApi::RequestList ZVApi::requestsWithTag(int tag,
                                          const std::shared_ptr<ZVApiSession>& session) const {
    RequestList matching;
    for (const auto& request : pendingRequests_) {
        if ((tag == 0 || request->tag() == tag) && (!session || request->session() == session)) {
            matching.push_back(request);
        }
    }
    return matching;
}

std::shared_ptr<ZVApiRequest> ZVApi::pendingRequestWithRequestId(const QString& requestId) const {
    const QString lowered = requestId.toLower();
    for (const auto& request : pendingRequests_) {
        if (!request->requestId().isNull() && request->requestId() == lowered) {
            return request;
        }
    }
    return nullptr;
}

std::shared_ptr<ZVApiRequest> ZVApi::getPendingRequestOfType(QStringView methodPrefix) const {
    for (const auto& request : pendingRequests_) {
        if (request->isMethod(methodPrefix)) {
            return request;
        }
    }
    return nullptr;
}

void ZVApi::removePendingRequest(std::shared_ptr<ZVApiRequest> request) {
    if (std::ranges::find(pendingRequests_, request) == pendingRequests_.end()) {
        return;
    }
    willChangeValueForKey(PendingRequestsKey);
    willChangeValueForKey(RecentRequestsKey);
    recentRequests_.insert(recentRequests_.begin(), request);
    if (recentRequests_.size() > kMaxRecentRequests) {
        recentRequests_.pop_back();
    }
    std::erase(pendingRequests_, request);
    didChangeValueForKey(RecentRequestsKey);
    didChangeValueForKey(PendingRequestsKey);
}

// --- the transfers ---

std::shared_ptr<ZVApiRequest> ZVApi::requestByTask(const platform::UrlSessionTask& task) const {
    for (const auto& request : pendingRequests_) {
        if (request->task().get() == &task) {
            return request;
        }
    }
    platform::systemLogFormat(u"RequestByTask: %@: not found", task.description());
    return nullptr;
}

void ZVApi::transferDidReceiveResponse(const platform::UrlSessionTask& task,
                                       const platform::UrlResponse& response) {
    if (const auto request = requestByTask(task)) {
        request->handleResponse(response);
    }
}

void ZVApi::transferDidComplete(const platform::UrlSessionTask& task,
                                const platform::UrlTaskResult& result) {
    const auto request = requestByTask(task);
    if (!request) {
        return;
    }
    if (result.error) {
        const platform::UrlError& failure = *result.error;
        const ZVErrorPtr error = ZVError::errorWithDomain(
            failure.domain(), failure.code(),
            {{ZVError::LocalizedDescriptionKey, failure.localizedDescription()}});
        request->failWithError(error);
        requestDidFailWithError(request, error);
        return;
    }
    if (!result.body.isEmpty()) {
        request->submitData(result.body);
    }
    requestCompleted(request);
}

// --- answers ---

void ZVApi::requestCompleted(std::shared_ptr<ZVApiRequest> request) {
    // Blocks may drop the last references to the session or to this instance.
    const std::shared_ptr<ZVApi> self = shared_from_this();
    const std::shared_ptr<ZVApiSession> session = request->session();

    request->complete();
    const QByteArray& body = request->responseBody();
    if (sessionStats_) {
        sessionStats_->reportTrafficSent(request->requestSize(), body.size());
    }
    if (cumulativeStats_) {
        cumulativeStats_->reportTrafficSent(request->requestSize(), body.size());
    }

    std::optional<QJsonDocument> document;
    const QString mediaType = request->contentType().section(u';', 0, 0).trimmed();
    if (mediaType.compare(kJsonMediaType, Qt::CaseInsensitive) == 0) {
        if (!body.isEmpty()) {
            QJsonParseError parseError;
            const QJsonDocument parsed = QJsonDocument::fromJson(body, &parseError);
            if (parseError.error != QJsonParseError::NoError) {
                const ZVErrorPtr error = ZVError::errorWithDomain(
                    ZVError::JsonReadingDomain, kJsonReadingCorruptData,
                    {{ZVError::LocalizedDescriptionKey, parseError.errorString()}});
                ZVLogError(u"Request_fail: %@, Error = %@", request, error);
            } else {
                document = parsed;
            }
        } else {
            ZVLogError(u"Received response with JSON content-type but no body");
        }
    } else if (!body.isEmpty()) {
        ZVLogError(u"Received response with unexpected Content-Type: %@", request->contentType());
    }

    const int status = request->httpStatus();
    if (status != 200) {
        const ZVErrorPtr error = document && document->isObject()
                                     ? ZVError::errorWithJson(document->object(), status)
                                     : ZVError::errorWithCode(status);
        request->failWithError(error);
        requestDidFailWithError(request, error);
        if (status == 401 && session) {
            session->endSession(ZVApiSession::EndReason::TicketRejected);
        }
        return;
    }
    if (!document || !document->isObject()) {
        requestDidFailWithError(request, ZVError::errorWithCode(ZVError::WrongValueClass));
        return;
    }

    const QJsonObject answer = document->object();
    const QJsonValue stream = answer.value(u"stream"_s);
    const QJsonValue eventHorizon = answer.value(u"event_horizon"_s);
    if (session && session->profile() && session->profile()->debugLogging()) {
        ZVLogError(u"APIREQUEST: %@", request->method());
    }
    if (session) {
        session->startTransaction();
        session->emitDebugInfo(u"%@ (%ld => %@)", request->method(), session->eventHorizon(),
                               eventHorizon);
    }
    ZVJsonParser reader(answer);

    const QJsonValue syncProgress = answer.value(u"sync_progress"_s);
    if (syncProgress.isDouble() && session) {
        // Screens observe the progress of all accounts here and of one on its session.
        willChangeValueForKey(SyncProgressKey);
        session->changeValueForKey(SyncProgressKey, [&] {
            session->setSyncProgress(static_cast<float>(syncProgress.toDouble()));
        });
        didChangeValueForKey(SyncProgressKey);
    }
    const QJsonValue header = answer.value(u"header"_s);
    if (header.isObject() && session) {
        ZVJsonParser headerReader(header);
        session->handleConversation(headerReader,
                                    request->tag() == ZVApiRequest::TagConversationCreate);
    }

    ZVErrorPtr handlerError;
    ZVErrorPtr streamError;
    const auto runHandler = [&] {
        if (const ZVApiRequest::Handler handler = request->handler()) {
            handlerError = handler(reader);
        }
    };
    const auto applyStream = [&] { streamError = processStream(stream, session); };
    if (request->processStreamFirst()) {
        applyStream();
        runHandler();
    } else {
        runHandler();
        applyStream();
    }

    // Only a number is a stream position: anything else must not start a resynchronisation.
    if (eventHorizon.isDouble()) {
        const std::int64_t horizon =
            eventHorizon.toInteger(platform::saturatingInt64(eventHorizon.toDouble()));
        if (horizon == 0) {
            ZVLogError(u"Server side resync requested");
            if (session) {
                std::weak_ptr<ZVApiSession> weakSession = session;
                timers_.after(kResyncDelay, [this, weakSession] {
                    if (const auto target = weakSession.lock()) {
                        handleResyncRequest(target);
                    }
                });
            }
        }
        if (session) {
            session->setEventHorizon(horizon);
        }
    }
    if (session) {
        session->endTransaction();
    }

    if (handlerError) {
        requestDidFailWithError(request, handlerError);
        return;
    }
    if (streamError) {
        ZVLogError(u"APIREQUEST_FAIL_STREAM: %@ => %@", request, streamError);
    }
    lastError_ = streamError;
    removePendingRequest(request);
    if (const ZVApiRequest::SuccessHandler success = request->successHandler()) {
        success();
    }
    request->removeDependencies();
    if (request->tag() == ZVApiRequest::TagQueued) {
        sendQueuedRequest();
    }
    if (cumulativeStats_) {
        cumulativeStats_->save();
    }
    willChangeValueForKey(CumulativeStatsKey);
    willChangeValueForKey(SessionStatsKey);
    didChangeValueForKey(CumulativeStatsKey);
    didChangeValueForKey(SessionStatsKey);
    setConnectionAvailable(true);
    updateStatus();
}

void ZVApi::requestDidFailWithError(std::shared_ptr<ZVApiRequest> request, ZVErrorPtr error) {
    const std::shared_ptr<ZVApi> self = shared_from_this();
    const bool cancelled = ZVError::isCancel(error);
    if (!cancelled && !(error && isQuietNetworkFailure(*error))) {
        ZVLogError(u"APIREQUEST_FAIL: %@ => %@", request, error);
    }
    if (!request) {
        return;
    }
    if (cancelled || (error && ZVError::isBackendError(error->code()))) {
        lastError_ = nullptr;
    } else {
        lastError_ = error;
    }
    removePendingRequest(request);
    if (!cancelled) {
        if (const ZVApiRequest::ErrorHandler handler = request->errorHandler()) {
            handler(error);
        } else if (defaultErrorHandler_ && !isNetworkFailure(error)) {
            const ErrorBlock block = defaultErrorHandler_;
            block(error);
        }
        if (request->tag() == ZVApiRequest::TagQueued) {
            retryConnectionWithError(error);
        }
    } else {
        backgroundFetchPollCancelled(request);
    }
    updateStatus();
    request->removeDependencies();
}

// --- retries ---

platform::TimeInterval ZVApi::retryDelay(const ZVErrorPtr& error, int networkFailures) {
    if (!isNetworkFailure(error)) {
        return kLongBackoff;
    }
    if (networkFailures <= kShortBackoffFailures) {
        return kShortBackoff;
    }
    return networkFailures <= kMediumBackoffFailures ? kMediumBackoff : kLongBackoff;
}

void ZVApi::retryConnectionWithError(const ZVErrorPtr& error) {
    if (isNetworkFailure(error)) {
        ++apiTimeoutCount_;
    }
    const platform::TimeInterval delay = retryDelay(error, apiTimeoutCount_);
    willChangeValueForKey(NextConnectionTimeKey);
    retryTimer_ = platform::Scheduler::main().after(delay, [this] { retryConnections(); });
    didChangeValueForKey(NextConnectionTimeKey);
}

void ZVApi::retryConnections() {
    const std::shared_ptr<ZVApi> self = shared_from_this();
    willChangeValueForKey(NextConnectionTimeKey);
    retryTimer_.cancel();
    didChangeValueForKey(NextConnectionTimeKey);
    if (isNetworkFailure(lastError_)) {
        lastError_ = nullptr;
    }
    startLongPoll();
    sendQueuedRequest();
}

QDateTime ZVApi::nextConnectionTime() const {
    return retryTimer_.isValid() ? retryTimer_.fireDate() : QDateTime();
}
