#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRecordKind.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

// A service that keeps answering a negative horizon would otherwise be polled again at once,
// without end.
constexpr platform::TimeInterval kInitialPollInterval = 1.0;

}  // namespace

// --- the event stream ---

ZVErrorPtr ZVApi::processStream(const QJsonValue& stream,
                                const std::shared_ptr<ZVApiSession>& session) {
    if (stream.isUndefined() || stream.isNull()) {
        return nullptr;
    }
    if (!stream.isArray()) {
        return ZVError::errorWithCode(ZVError::MalformedStream);
    }
    ZVErrorPtr kept;
    const QJsonArray records = stream.toArray();
    for (const QJsonValue& value : records) {
        if (!value.isObject()) {
            kept = ZVError::errorWithCode(ZVError::MalformedStream);
            continue;
        }
        ZVJsonParser record(value);
        ZVErrorPtr error = handleLongPollResponse(record, session);
        if (!error) {
            error = record.error();
        }
        if (error) {
            ZVLogError(u"STREAM_ERROR: %@", error);
            if (!kept) {
                kept = error;
            }
        }
    }
    return kept;
}

ZVErrorPtr ZVApi::handleLongPollResponse(ZVJsonParser& record,
                                         const std::shared_ptr<ZVApiSession>& session) {
    // An unknown kind is logged by the reader and skipped: the service adds kinds before clients
    // learn them.
    const ZVApiRecordKind kind = recordKindOf(record);
    if (kind == ZVApiRecordKind::Request) {
        return handleRequest(record);
    }
    if (!session) {
        return nullptr;
    }
    switch (kind) {
        case ZVApiRecordKind::Contact:
            return session->handleContact(record);
        case ZVApiRecordKind::Conversation:
            return session->handleConversation(record);
        case ZVApiRecordKind::Message:
            return session->handleMessage(record);
        case ZVApiRecordKind::Activity:
            return session->handleActivity(record);
        case ZVApiRecordKind::Hook:
            return session->handleHook(record);
        case ZVApiRecordKind::Team:
            return session->handleTeam(record);
        case ZVApiRecordKind::File:
            return session->handleFile(record);
        case ZVApiRecordKind::Preview:
            return session->handlePreview(record);
        case ZVApiRecordKind::Lock:
            return session->handleLock(record);
        case ZVApiRecordKind::Label:
            return session->handleLabel(record);
        case ZVApiRecordKind::Organisation:
            return session->handleOrganisation(record);
        case ZVApiRecordKind::OrgMember:
            return session->handleOrgMember(record);
        case ZVApiRecordKind::Request:
        case ZVApiRecordKind::None:
            break;
    }
    return nullptr;
}

ZVErrorPtr ZVApi::handleRequest(ZVJsonParser& record) {
    const QString requestId = record.extractString(u"client_req_id");
    const std::int64_t resultMessageNr = record.extractInt(u"result_message_nr", 0);
    if (requestId.isNull()) {
        return nullptr;
    }
    const auto request = pendingRequestWithRequestId(requestId);
    if (request && request->earlyCompletionHandler()) {
        const ZVApiRequest::EarlyCompletionHandler handler = request->earlyCompletionHandler();
        handler(resultMessageNr);
    }
    return nullptr;
}

void ZVApi::handleResyncRequest(const std::shared_ptr<ZVApiSession>& session) {
    if (session) {
        session->endSession(ZVApiSession::EndReason::Resync);
    }
}

// --- the polls ---

void ZVApi::startLongPoll() {
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        const auto pacing = pollPacing_.find(session->credentials()->uuid());
        if (pacing != pollPacing_.end() && pacing->second.deferred.isValid()) {
            continue;
        }
        if (requestsWithTag(ZVApiRequest::TagLongPoll, session).empty() &&
            requestsWithTag(ZVApiRequest::TagInitialPoll, session).empty()) {
            startPollForSession(session, true);
        }
    }
}

void ZVApi::startPollForSession(const std::shared_ptr<ZVApiSession>& session, bool initial) {
    if (initial) {
        platform::Scheduler& scheduler = platform::Scheduler::main();
        PollPacing& pacing = pollPacing_[session->credentials()->uuid()];
        const platform::TimeInterval now = scheduler.now();
        if (pacing.lastSent && now < *pacing.lastSent + kInitialPollInterval) {
            if (!pacing.deferred.isValid()) {
                // Bounded, should the clock have been set back.
                const platform::TimeInterval delay =
                    std::min(kInitialPollInterval, *pacing.lastSent + kInitialPollInterval - now);
                const std::weak_ptr<ZVApiSession> weakSession = session;
                pacing.deferred =
                    scheduler.after(delay, [this, weakSession] { deferredPollDue(weakSession); });
            }
            return;
        }
        pacing.lastSent = now;
    }

    const std::shared_ptr<ZVApiRequest> request = session->getPollRequestWait(!initial);
    request->setTag(initial ? ZVApiRequest::TagInitialPoll : ZVApiRequest::TagLongPoll);
    const std::weak_ptr<ZVApi> weakApi = weak_from_this();
    const std::weak_ptr<ZVApiSession> weakSession = session;
    request->setErrorHandler([weakApi](const ZVErrorPtr& error) {
        if (const auto api = weakApi.lock()) {
            api->retryConnectionWithError(error);
        }
    });
    request->setSuccessHandler([weakApi, weakSession] {
        const auto api = weakApi.lock();
        if (!api) {
            return;
        }
        api->dispatcher_.resetNetworkFailures();
        if (api->backgroundMode_) {
            api->endBackgroundTaskIfDone();
            return;
        }
        // A session removed meanwhile polls no more.
        const auto session = weakSession.lock();
        if (session && api->sessions_.value(session->credentials()->uuid()) == session) {
            api->startPollForSession(session, session->eventHorizon() < 0);
        }
    });
    sendRequest(request);
}

void ZVApi::deferredPollDue(const std::weak_ptr<ZVApiSession>& weakSession) {
    const auto session = weakSession.lock();
    if (!session) {
        return;
    }
    const QString key = session->credentials()->uuid();
    if (sessions_.value(key) != session) {
        pollPacing_.erase(key);
        return;
    }
    pollPacing_[key].deferred.cancel();
    if (!backgroundMode_ && requestsWithTag(ZVApiRequest::TagLongPoll, session).empty() &&
        requestsWithTag(ZVApiRequest::TagInitialPoll, session).empty()) {
        startPollForSession(session, true);
    }
}

void ZVApi::cancelDeferredPolls() {
    for (auto& [key, pacing] : pollPacing_) {
        pacing.deferred.cancel();
    }
}
