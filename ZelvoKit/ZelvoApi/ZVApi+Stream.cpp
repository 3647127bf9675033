#include "ZelvoKit/ZelvoApi/ZVApi.h"

#include "ZelvoKit/ZelvoApi/ZVUserCredentials.h"
#include "ZelvoKit/support/ZVErrorLog.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// The kinds of the event stream's records, by their "mk_rec_type".
enum RecordKind : int {
    RecordKindNone = 0,
    RecordKindContact = 1,
    RecordKindConversation = 2,
    RecordKindMessage = 3,
    RecordKindActivity = 4,
    RecordKindHook = 5,
    RecordKindTeam = 6,
    RecordKindRequest = 7,
    RecordKindFile = 8,
    RecordKindPreview = 9,
    RecordKindLock = 10,
    RecordKindLabel = 11,
    RecordKindOrganisation = 12,
    RecordKindOrgMember = 13,
};

const QHash<QString, RecordKind>& recordKinds() {
    static const QHash<QString, RecordKind> kinds{
        {u"contact"_s, RecordKindContact},
        {u"conv"_s, RecordKindConversation},
        {u"message"_s, RecordKindMessage},
        {u"activity"_s, RecordKindActivity},
        {u"hook"_s, RecordKindHook},
        {u"team"_s, RecordKindTeam},
        {u"request"_s, RecordKindRequest},
        {u"file"_s, RecordKindFile},
        {u"preview"_s, RecordKindPreview},
        {u"lock"_s, RecordKindLock},
        {u"label"_s, RecordKindLabel},
        {u"org_header"_s, RecordKindOrganisation},
        {u"org_member"_s, RecordKindOrgMember},
    };
    return kinds;
}

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
    const RecordKind kind = record.extractEnum(u"mk_rec_type", recordKinds(), RecordKindNone);
    if (kind == RecordKindRequest) {
        return handleRequest(record);
    }
    if (!session) {
        return nullptr;
    }
    switch (kind) {
        case RecordKindContact:
            return session->handleContact(record);
        case RecordKindConversation:
            return session->handleConversation(record);
        case RecordKindMessage:
            return session->handleMessage(record);
        case RecordKindActivity:
            return session->handleActivity(record);
        case RecordKindHook:
            return session->handleHook(record);
        case RecordKindTeam:
            return session->handleTeam(record);
        case RecordKindFile:
            return session->handleFile(record);
        case RecordKindPreview:
            return session->handlePreview(record);
        case RecordKindLock:
            return session->handleLock(record);
        case RecordKindLabel:
            return session->handleLabel(record);
        case RecordKindOrganisation:
            return session->handleOrganisation(record);
        case RecordKindOrgMember:
            return session->handleOrgMember(record);
        case RecordKindRequest:
        case RecordKindNone:
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
        if (requestsWithTag(ZVApiRequest::TagLongPoll, session).empty() &&
            requestsWithTag(ZVApiRequest::TagInitialPoll, session).empty()) {
            startPollForSession(session, true);
        }
    }
}

void ZVApi::startPollForSession(const std::shared_ptr<ZVApiSession>& session, bool initial) {
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
        api->apiTimeoutCount_ = 0;
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

// --- background work ---

bool ZVApi::hasBackgroundTasks() const {
    const Sessions sessions = sessions_;
    for (const auto& session : sessions) {
        if (session->hasBackgroundTasks()) {
            return true;
        }
    }
    // Queued requests of a lower priority wait for the foreground.
    constexpr int kLowestBackgroundPriority = 3;
    const auto urgent = std::ranges::count_if(queuedRequests_, [](const auto& entry) {
        return entry.second->priority() >= kLowestBackgroundPriority;
    });
    return pendingRequests_.size() + static_cast<std::size_t>(urgent) > 0;
}

void ZVApi::endBackgroundTaskIfDone() {
    if (!backgroundMode_ || hasBackgroundTasks()) {
        return;
    }
    if (backgroundTask_ != platform::kBackgroundTaskInvalid) {
        platform::Application::shared().endBackgroundTask(backgroundTask_);
        backgroundTask_ = platform::kBackgroundTaskInvalid;
    }
}
