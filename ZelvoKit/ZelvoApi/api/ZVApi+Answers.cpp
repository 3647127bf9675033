#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/NumberConversion.h"
#include "platform/net/UrlError.h"

#include <QtCore/QJsonParseError>

namespace {

using namespace Qt::Literals::StringLiterals;

// The code the platform's JSON reader gives a text that does not parse.
constexpr int kJsonReadingCorruptData = 3840;
constexpr int kHttpOk = 200;
constexpr int kHttpUnauthorized = 401;

const QString kJsonMediaType = u"application/json"_s;

}  // namespace

// --- the transfers ---

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

    const std::optional<QJsonDocument> document = decodeAnswer(request);
    if (request->httpStatus() != kHttpOk) {
        failWithAnswer(request, document, session);
        return;
    }
    if (!document || !document->isObject()) {
        requestDidFailWithError(request, ZVError::errorWithCode(ZVError::WrongValueClass));
        return;
    }
    finishAnswer(request, applyAnswer(request, document->object(), session));
}

std::optional<QJsonDocument> ZVApi::decodeAnswer(const std::shared_ptr<ZVApiRequest>& request) {
    request->complete();
    const QByteArray& body = request->responseBody();
    if (sessionStats_) {
        sessionStats_->reportTrafficSent(request->requestSize(), body.size());
    }
    if (cumulativeStats_) {
        cumulativeStats_->reportTrafficSent(request->requestSize(), body.size());
    }

    const QString mediaType = request->contentType().section(u';', 0, 0).trimmed();
    if (mediaType.compare(kJsonMediaType, Qt::CaseInsensitive) != 0) {
        if (!body.isEmpty()) {
            ZVLogError(u"Received response with unexpected Content-Type: %@",
                       request->contentType());
        }
        return std::nullopt;
    }
    if (body.isEmpty()) {
        ZVLogError(u"Received response with JSON content-type but no body");
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const ZVErrorPtr error = ZVError::errorWithDomain(
            ZVError::JsonReadingDomain, kJsonReadingCorruptData,
            {{ZVError::LocalizedDescriptionKey, parseError.errorString()}});
        ZVLogError(u"Request_fail: %@, Error = %@", request, error);
        return std::nullopt;
    }
    return parsed;
}

void ZVApi::failWithAnswer(const std::shared_ptr<ZVApiRequest>& request,
                           const std::optional<QJsonDocument>& document,
                           const std::shared_ptr<ZVApiSession>& session) {
    const int status = request->httpStatus();
    const ZVErrorPtr error = document && document->isObject()
                                 ? ZVError::errorWithJson(document->object(), status)
                                 : ZVError::errorWithCode(status);
    request->failWithError(error);
    requestDidFailWithError(request, error);
    if (status == kHttpUnauthorized && session) {
        session->endSession(ZVApiSession::EndReason::TicketRejected);
    }
}

ZVApi::AppliedAnswer ZVApi::applyAnswer(const std::shared_ptr<ZVApiRequest>& request,
                                        const QJsonObject& answer,
                                        const std::shared_ptr<ZVApiSession>& session) {
    const QJsonValue eventHorizon = answer.value(u"event_horizon"_s);
    if (session && session->profile() && session->profile()->debugLogging()) {
        ZVLogError(u"APIREQUEST: %@", request->method());
    }
    if (session) {
        session->setAnsweredRequest(request);
        session->startTransaction();
        session->emitDebugInfo(u"%@ (%ld => %@)", request->method(), session->eventHorizon(),
                               eventHorizon);
    }

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

    AppliedAnswer applied;
    ZVJsonParser reader(answer);
    const auto runHandler = [&] {
        if (const ZVApiRequest::Handler handler = request->handler()) {
            applied.handlerError = handler(reader);
        }
    };
    const auto applyStream = [&] {
        applied.streamError = processStream(answer.value(u"stream"_s), session);
    };
    if (request->processStreamFirst()) {
        applyStream();
        runHandler();
    } else {
        runHandler();
        applyStream();
    }

    applyEventHorizon(eventHorizon, session);
    if (session) {
        session->endTransaction();
        session->setAnsweredRequest(nullptr);
    }
    return applied;
}

void ZVApi::applyEventHorizon(const QJsonValue& eventHorizon,
                              const std::shared_ptr<ZVApiSession>& session) {
    // Only a number is a stream position: anything else must not start a resynchronisation.
    if (!eventHorizon.isDouble()) {
        return;
    }
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

void ZVApi::finishAnswer(const std::shared_ptr<ZVApiRequest>& request,
                         const AppliedAnswer& applied) {
    if (applied.handlerError) {
        requestDidFailWithError(request, applied.handlerError);
        return;
    }
    if (applied.streamError) {
        ZVLogError(u"APIREQUEST_FAIL_STREAM: %@ => %@", request, applied.streamError);
    }
    status_.setLastError(applied.streamError);
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
