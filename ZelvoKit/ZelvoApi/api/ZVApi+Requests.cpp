#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/net/UrlError.h"

namespace {

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
    dispatcher_.send(request, weak_from_this());
    updateStatus();
}

void ZVApi::queueRequest(std::shared_ptr<ZVApiRequest> request, const QString& name) {
    dispatcher_.enqueue(request, name);
}

void ZVApi::sendQueuedRequest() {
    const ZVApiDispatcher::NextQueued next = dispatcher_.takeNextQueued(backgroundMode_);
    if (next.waitsForForeground) {
        endBackgroundTaskIfDone();
    }
    if (next.request) {
        sendRequest(next.request);
    }
}

void ZVApi::cancelRequest(std::shared_ptr<ZVApiRequest> request) {
    if (!request) {
        return;
    }
    const ZVErrorPtr error = ZVError::cancel();
    if (!dispatcher_.isPending(request)) {
        // Not sent yet: it leaves the queue and is never sent.
        if (dispatcher_.unqueue(request)) {
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
    return dispatcher_.requestsWithTag(tag, session);
}

std::shared_ptr<ZVApiRequest> ZVApi::pendingRequestWithRequestId(const QString& requestId) const {
    return dispatcher_.pendingRequestWithRequestId(requestId);
}

std::shared_ptr<ZVApiRequest> ZVApi::getPendingRequestOfType(QStringView methodPrefix) const {
    return dispatcher_.pendingRequestOfType(methodPrefix);
}

void ZVApi::removePendingRequest(std::shared_ptr<ZVApiRequest> request) {
    dispatcher_.removePending(request);
}

std::shared_ptr<ZVApiRequest> ZVApi::requestByTask(const platform::UrlSessionTask& task) const {
    return dispatcher_.requestByTask(task);
}

// --- failures ---

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
        status_.setLastError(nullptr);
    } else {
        status_.setLastError(error);
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
    return ZVApiDispatcher::retryDelay(error, networkFailures);
}

void ZVApi::retryConnectionWithError(const ZVErrorPtr& error) {
    dispatcher_.retryWithError(error);
}

void ZVApi::retryConnections() {
    const std::shared_ptr<ZVApi> self = shared_from_this();
    dispatcher_.cancelRetry();
    status_.clearNetworkFailure();
    startLongPoll();
    sendQueuedRequest();
}

QDateTime ZVApi::nextConnectionTime() const {
    return dispatcher_.nextConnectionTime();
}
