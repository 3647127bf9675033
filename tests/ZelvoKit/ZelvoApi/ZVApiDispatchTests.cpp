#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlError.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/support/RefusingPort.h"

#include <QtCore/QJsonArray>

#include <chrono>
#include <functional>
#include <limits>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

double secondsUntil(const QDateTime& date) {
    return static_cast<double>(scheduler().currentDate().msecsTo(date)) / 1000.0;
}

class ZVApiDispatchTest : public ApiTest {};

// --- the blocks of a 200 answer ---

struct BlockOrderCase {
    const char* name;
    bool processStreamFirst;
    bool handlerFails;
    ZVApiRequest::Tag tag;
    QStringList expected;
};

TEST_F(ZVApiDispatchTest, BlocksOfAnAnswerRunAroundItsStreamInAFixedOrder) {
    const BlockOrderCase cases[] = {
        {"handler first",
         false,
         false,
         ZVApiRequest::TagOrdinary,
         {"start", "conversation c9", "handler", "message 5", "end", "success"}},
        {"stream first",
         true,
         false,
         ZVApiRequest::TagOrdinary,
         {"start", "conversation c9", "message 5", "handler", "end", "success"}},
        {"handler error",
         false,
         true,
         ZVApiRequest::TagOrdinary,
         {"start", "conversation c9", "handler", "message 5", "end", "error 1008"}},
        {"conversation create",
         false,
         false,
         ZVApiRequest::TagConversationCreate,
         {"start", "conversation c9 created", "handler", "message 5", "end", "success"}},
    };
    std::int64_t horizon = 40;
    for (const BlockOrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString email = QString::fromLatin1(c.name).replace(u' ', u'-') + u"@example.com"_s;
        auto session = signIn(email);
        RecordingSession::journal().clear();
        ++horizon;
        emulator.scriptAnswer(
            u"conversation/store/c9"_s,
            Reply::ok({{u"header"_s, QJsonObject{{u"conversation_id"_s, u"c9"_s}}},
                       {u"stream"_s, QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                                                            {u"message_nr"_s, 5}}}},
                       {u"event_horizon"_s, static_cast<qint64>(horizon)}}));
        auto request =
            std::make_shared<ZVApiRequest>(u"conversation/store/%@", u"c9"_s, QJsonObject());
        request->setTag(c.tag);
        request->setProcessStreamFirst(c.processStreamFirst);
        const bool fails = c.handlerFails;
        request->setHandler([fails, email](ZVJsonParser&) {
            RecordingSession::journal().append(email + u" handler"_s);
            return fails ? ZVError::errorWithCode(ZVError::InvalidData) : ZVErrorPtr();
        });
        request->setSuccessHandler(
            [email] { RecordingSession::journal().append(email + u" success"_s); });
        request->setErrorHandler([email](const ZVErrorPtr& error) {
            RecordingSession::journal().append(email + u" error "_s +
                                               QString::number(error->code()));
        });
        session->sendRequest(request);
        ASSERT_TRUE(waitUntilIdle());

        QStringList expected;
        for (const QString& event : c.expected) {
            expected.append(email + u' ' + event);
        }
        EXPECT_EQ(RecordingSession::journal(), expected);
        // The stream and its position are kept even when the handler refuses the answer.
        EXPECT_EQ(session->eventHorizon(), horizon);
        EXPECT_EQ(session->integerForKey(u"EventHorizon"_s), horizon);
        EXPECT_FALSE(request->handler() || request->successHandler() || request->errorHandler());
    }
}

// --- failures ---

struct FailureCase {
    const char* name;
    std::function<void(zvemu::ServiceEmulator&)> arrange;
    QString domain;
    int code;
    bool logged;
    bool lastErrorKept;
    int connectionStatus;
    bool defaultBlockRuns;
    double retryDelay;  // 0: no retry
    bool sessionEnds;
    QString logs;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

const QString kCall = u"test/call"_s;
const QString kUrlDomain = platform::kUrlErrorDomain;
const QString kApiDomain = ZVError::Domain;

const FailureCase kFailureCases[] = {
    {"connection lost",
     [](auto& e) {
         e.scriptAnswer(kCall, Reply::ok({{u"stream"_s, QJsonArray()}}));
         e.injectFault(kCall, Fault::dropConnection());
     },
     kUrlDomain,
     -1005,
     false,
     true,
     ZVApi::ConnectionStatusOffline,
     false,
     1.0,
     false,
     {}},
    {"connection refused",
     nullptr,
     kUrlDomain,
     -1004,
     true,
     true,
     ZVApi::ConnectionStatusOffline,
     false,
     1.0,
     false,
     {}},
    // The only account's ticket is refused: signing it out signs the client out, which forgets
    // the error and the retry.
    {"status 401",
     [](auto& e) { e.injectFault(kCall, Fault::withStatus(401)); },
     kApiDomain,
     401,
     true,
     false,
     ZVApi::ConnectionStatusOffline,
     true,
     0.0,
     true,
     {}},
    {"status 430",
     [](auto& e) { e.injectFault(kCall, Fault::withStatus(430, u"member_left"_s)); },
     kApiDomain,
     430,
     true,
     false,
     ZVApi::ConnectionStatusOffline,
     true,
     20.0,
     false,
     {}},
    {"status 500",
     [](auto& e) { e.injectFault(kCall, Fault::withStatus(500)); },
     kApiDomain,
     500,
     true,
     true,
     ZVApi::ConnectionStatusError,
     true,
     20.0,
     false,
     {}},
    {"not JSON",
     [](auto& e) {
         e.scriptAnswer(kCall, Reply::ok({{u"stream"_s, QJsonArray()}}));
         e.injectFault(kCall, Fault::malformedJson());
     },
     kApiDomain, 1003, true, true, ZVApi::ConnectionStatusError, true, 20.0, false,
     u"Request_fail: <"_s},
    {"wrong content type",
     [](auto& e) {
         e.scriptAnswer(kCall, Reply::ok());
         e.injectFault(kCall, Fault::wrongContentType());
     },
     kApiDomain, 1003, true, true, ZVApi::ConnectionStatusError, true, 20.0, false,
     u"Received response with unexpected Content-Type: text/html; charset=utf-8"_s},
    {"top-level array",
     [](auto& e) { e.scriptAnswer(kCall, Reply::raw(200, "[1,2]", "application/json")); },
     kApiDomain,
     1003,
     true,
     true,
     ZVApi::ConnectionStatusError,
     true,
     20.0,
     false,
     {}},
    {"cancel",
     [](auto& e) { e.injectFault(kCall, Fault::delayed(kHold)); },
     kApiDomain,
     1000,
     false,
     false,
     ZVApi::ConnectionStatusOffline,
     false,
     0.0,
     false,
     {}},
};

class ZVApiFailureTest : public ApiTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ZVApiFailureTest, QueuedRequestFailureSetsStatusBlocksAndRetry) {
    const FailureCase& c = GetParam();
    zvtest::RefusingPort refusing;
    if (c.arrange) {
        c.arrange(emulator);
    } else {
        ASSERT_TRUE(refusing.isBound());
        api().setCustomBaseURL(refusing.baseUrl());
    }
    auto session = signIn(u"anna@example.com"_s);
    std::vector<ZVErrorPtr> defaultErrors;
    api().setDefaultErrorHandler(
        [&defaultErrors](const ZVErrorPtr& error) { defaultErrors.push_back(error); });
    std::vector<QString> sessionsEnded;
    api().setOnSessionEnd([&sessionsEnded](const std::shared_ptr<ZVApiSession>& ended) {
        sessionsEnded.push_back(ended->credentials()->email());
    });
    auto request = makeRequest(kCall, QJsonObject{{u"topic"_s, u"t"_s}});
    bool succeeded = false;
    request->setSuccessHandler([&succeeded] { succeeded = true; });
    session->queueRequest(request, u"c1"_s);
    scheduler().advance(ZVApi::kQueueSendDelay);
    // A refused connection on loopback may already have failed within the advance.
    if (c.arrange) {
        ASSERT_EQ(api().pendingRequests().size(), 1u);
    }
    ASSERT_EQ(request->tag(), ZVApiRequest::TagQueued);

    if (c.code == ZVError::Cancelled) {
        ASSERT_TRUE(waitForHeld(1));
        api().cancelRequest(request);
    }
    ASSERT_TRUE(waitUntilIdle());
    const double retryDelay =
        api().nextConnectionTime().isValid() ? secondsUntil(api().nextConnectionTime()) : 0.0;
    scheduler().advance(ZVApi::kStatusUpdateDelay);

    EXPECT_FALSE(succeeded);
    // An answer of 200 that cannot be read keeps its status for the status screen.
    EXPECT_EQ(request->httpStatus(), c.code == ZVError::WrongValueClass ? 200 : c.code);
    ASSERT_EQ(defaultErrors.size(), c.defaultBlockRuns ? 1u : 0u);
    if (c.defaultBlockRuns) {
        EXPECT_EQ(defaultErrors[0]->domain(), c.domain);
        EXPECT_EQ(defaultErrors[0]->code(), c.code);
    }
    if (c.code == 430) {
        EXPECT_EQ(defaultErrors[0]->backendErrorId(), u"member_left"_s);
    }
    if (c.lastErrorKept) {
        ASSERT_TRUE(api().lastError());
        EXPECT_EQ(api().lastError()->domain(), c.domain);
        EXPECT_EQ(api().lastError()->code(), c.code);
    } else {
        EXPECT_FALSE(api().lastError());
    }
    EXPECT_EQ(api().connectionStatus(), c.connectionStatus);
    if (c.domain == kUrlDomain) {
        EXPECT_FALSE(api().connectionAvailable());
    }
    EXPECT_DOUBLE_EQ(retryDelay, c.retryDelay);
    EXPECT_EQ(logText().contains(u"APIREQUEST_FAIL: "_s), c.logged);
    if (!c.logs.isEmpty()) {
        EXPECT_TRUE(logText().contains(c.logs)) << logText().toStdString();
    }
    EXPECT_EQ(session->endReason.has_value(), c.sessionEnds);
    EXPECT_EQ(sessionsEnded.size(), c.sessionEnds ? 1u : 0u);
    EXPECT_EQ(api().sessions().isEmpty(), c.sessionEnds);
    if (c.sessionEnds) {
        EXPECT_EQ(*session->endReason, ZVApiSession::EndReason::TicketRejected);
    }
    ASSERT_EQ(api().recentRequests().size(), 1u);
    EXPECT_EQ(api().recentRequests().front(), request);
}

INSTANTIATE_TEST_SUITE_P(Classes, ZVApiFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param.name);
                             name.replace(u' ', u'_').replace(u'-', u'_');
                             return name.toStdString();
                         });

TEST_F(ZVApiDispatchTest, ErrorBlockOfTheRequestReplacesTheDefaultOne) {
    emulator.injectFault(kCall, Fault::withStatus(503), 2);
    int defaultRuns = 0;
    api().setDefaultErrorHandler([&defaultRuns](const ZVErrorPtr&) { ++defaultRuns; });
    std::vector<int> codes;
    auto request = makeRequest(kCall);
    request->setErrorHandler([&codes](const ZVErrorPtr& error) { codes.push_back(error->code()); });
    api().sendRequest(request);
    api().sendRequest(makeRequest(kCall));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(codes, std::vector<int>{503});
    EXPECT_EQ(defaultRuns, 1);
    // Not queued: nothing to retry.
    EXPECT_FALSE(api().nextConnectionTime().isValid());
}

// --- retries ---

TEST_F(ZVApiDispatchTest, BackOffCountsConsecutiveNetworkFailuresOfThePoll) {
    auto session = signIn(u"anna@example.com"_s);
    const std::vector<Fault> faults = {
        Fault::dropConnection(), Fault::dropConnection(), Fault::dropConnection(),
        Fault::withStatus(500),  Fault::dropConnection(), Fault::dropConnection(),
        Fault::dropConnection(), Fault::dropConnection(), Fault::dropConnection(),
        Fault::dropConnection(), Fault::dropConnection(), Fault::dropConnection(),
    };
    for (const Fault& fault : faults) {
        emulator.injectFault(u"account/poll"_s, fault);
    }
    int announcements = 0;
    auto observation = api().observe(QString(ZVApi::NextConnectionTimeKey),
                                     [&announcements](const QString&) { ++announcements; });

    std::vector<double> delays;
    api().startLongPoll();
    for (std::size_t i = 0; i < faults.size(); ++i) {
        ASSERT_TRUE(scheduler().runUntil([] {
            return api().pendingRequests().empty() && api().nextConnectionTime().isValid();
        }));
        const double delay = secondsUntil(api().nextConnectionTime());
        delays.push_back(delay);
        if (i + 1 < faults.size()) {
            scheduler().advance(delay);
        }
    }

    // Eleven network failures, with a service error among them that the count skips.
    EXPECT_EQ(delays, (std::vector<double>{1, 1, 1, 20, 1, 2, 2, 2, 2, 2, 2, 20}));
    EXPECT_EQ(announcements, 2 * static_cast<int>(faults.size()) - 1);
    const auto polls = emulator.requests(u"account/poll"_s);
    ASSERT_EQ(polls.size(), static_cast<qsizetype>(faults.size()));
    for (const auto& poll : polls) {
        EXPECT_EQ(poll.body.value(u"wait"_s), QJsonValue(false));
    }
}

// --- the queue ---

TEST_F(ZVApiDispatchTest, OnlyTheNewestRequestQueuedUnderANameIsSent) {
    emulator.scriptAnswer(kCall, Reply::ok(), 2);
    int firstRuns = 0;
    auto first = makeRequest(kCall, QJsonObject{{u"version"_s, 1}});
    first->setSuccessHandler([&firstRuns] { ++firstRuns; });
    api().queueRequest(first, u"entity-1"_s);
    scheduler().advance(0.05);
    api().queueRequest(makeRequest(kCall, QJsonObject{{u"version"_s, 2}}), u"entity-1"_s);
    ASSERT_EQ(api().queuedRequests().size(), 1u);
    scheduler().advance(ZVApi::kQueueSendDelay);
    ASSERT_TRUE(waitUntilIdle());
    scheduler().advance(1);

    const auto calls = emulator.requests(kCall);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].body.value(u"version"_s).toInt(), 2);
    EXPECT_EQ(firstRuns, 0);
    EXPECT_TRUE(api().queuedRequests().empty());
}

TEST_F(ZVApiDispatchTest, CancellingAQueuedRequestTakesItOutOfTheQueue) {
    auto request = makeRequest(kCall);
    bool blockRan = false;
    request->setErrorHandler([&blockRan](const ZVErrorPtr&) { blockRan = true; });
    api().queueRequest(request, u"entity-1"_s);
    api().cancelRequest(request);
    scheduler().advance(1);
    EXPECT_TRUE(api().queuedRequests().empty());
    EXPECT_EQ(request->httpStatus(), ZVError::Cancelled);
    EXPECT_FALSE(blockRan);
    EXPECT_EQ(emulator.requestCount(), 0);
}

TEST_F(ZVApiDispatchTest, QueueSendsOneAtATimeHighestPriorityFirst) {
    emulator.injectFault(u"test/high"_s, Fault::delayed(kHold));
    emulator.scriptAnswer(u"test/high"_s, Reply::ok());
    emulator.scriptAnswer(u"test/low"_s, Reply::ok());
    auto low = makeRequest(u"test/low"_s);
    auto high = makeRequest(u"test/high"_s);
    high->setPriority(4);
    api().queueRequest(low, u"low"_s);
    api().queueRequest(high, u"high"_s);
    scheduler().advance(ZVApi::kQueueSendDelay);
    ASSERT_TRUE(waitForHeld(1));
    api().sendQueuedRequest();
    scheduler().advance(1);
    EXPECT_EQ(api().pendingRequests(), ZVApi::RequestList{high});
    EXPECT_EQ(emulator.requestCount(u"test/low"_s), 0);

    // The end of the one in flight sends the next at once.
    emulator.releaseHeld();
    ASSERT_TRUE(waitForAnswered(u"test/low"_s));
    ASSERT_TRUE(waitUntilIdle());
    const auto calls = emulator.requests();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].path, u"test/high"_s);
    EXPECT_EQ(calls[1].path, u"test/low"_s);
}

TEST_F(ZVApiDispatchTest, AfterAQueuedFailureTheQueueWaitsForTheRetryTimer) {
    emulator.injectFault(u"test/high"_s, Fault::withStatus(500));
    emulator.scriptAnswer(u"test/low"_s, Reply::ok());
    emulator.scriptAnswer(u"test/later"_s, Reply::ok());
    auto high = makeRequest(u"test/high"_s);
    high->setPriority(4);
    high->setErrorHandler([](const ZVErrorPtr&) {});
    api().queueRequest(makeRequest(u"test/low"_s), u"low"_s);
    api().queueRequest(high, u"high"_s);
    scheduler().advance(ZVApi::kQueueSendDelay);
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(api().nextConnectionTime().isValid());

    // Queued while the timer is armed: nothing is scheduled.
    api().queueRequest(makeRequest(u"test/later"_s), u"later"_s);
    scheduler().advance(20.0 - 0.01);
    EXPECT_EQ(emulator.requestCount(u"test/low"_s), 0);
    EXPECT_EQ(emulator.requestCount(u"test/later"_s), 0);
    scheduler().advance(0.01);
    ASSERT_TRUE(waitForAnswered(u"test/low"_s));
    ASSERT_TRUE(waitForAnswered(u"test/later"_s));
    EXPECT_TRUE(api().queuedRequests().empty());
    EXPECT_EQ(emulator.requests().last().path, u"test/later"_s);
}

// --- sessions ending ---

// The transport would quietly send the call again; the service may have acted on it already.
TEST_F(ZVApiDispatchTest, ACallWhoseConnectionClosesBeforeAnyAnswerReachesTheServiceOncePerSend) {
    auto anna = signIn(u"anna@example.com"_s);
    const QString path = u"conversation/add_members/c1"_s;
    emulator.injectFault(path, Fault::closeBeforeAnswer());
    emulator.scriptAnswer(path, Reply::ok());
    std::vector<ZVErrorPtr> failures;
    bool succeeded = false;
    // Queued as the outgoing queue queues its calls: a failed one is made again, with its id.
    const auto queueCall = [&](const QString& requestId) {
        auto call = makeRequest(path, QJsonObject{{u"members"_s, QJsonArray{u"bert"_s}}});
        call->setEarlyCompletionHandler([](std::int64_t) {});
        if (!requestId.isNull()) {
            call->setRequestId(requestId);
        }
        call->setErrorHandler([&failures](const ZVErrorPtr& error) { failures.push_back(error); });
        call->setSuccessHandler([&succeeded] { succeeded = true; });
        anna->queueRequest(call, u"members"_s);
        return call;
    };
    const auto first = queueCall(QString());
    scheduler().advance(ZVApi::kQueueSendDelay);

    ASSERT_TRUE(scheduler().runUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0]->domain(), platform::kUrlErrorDomain);
    EXPECT_EQ(failures[0]->code(), static_cast<int>(platform::UrlErrorCode::NetworkConnectionLost));
    EXPECT_EQ(emulator.requestCount(path), 1);
    // The client's own back-off: the queue waits for the retry timer.
    const double backOff = ZVApi::retryDelay(failures[0], 1);
    EXPECT_DOUBLE_EQ(secondsUntil(api().nextConnectionTime()), backOff);

    queueCall(first->requestId());
    scheduler().advance(backOff - 0.01);
    EXPECT_EQ(emulator.requestCount(path), 1);
    scheduler().advance(0.01);
    ASSERT_TRUE(scheduler().runUntil([&] { return succeeded; }));
    const auto copies = emulator.requests(path);
    ASSERT_EQ(copies.size(), 2);
    EXPECT_EQ(copies[0].status, -1);
    EXPECT_EQ(copies[1].status, 200);
    EXPECT_TRUE(zvemu::isLowerCaseUuid(copies[0].body.value(u"client_req_id"_s).toString()));
    EXPECT_EQ(copies[1].body.value(u"client_req_id"_s), copies[0].body.value(u"client_req_id"_s));
    EXPECT_EQ(failures.size(), 1u);
}

TEST_F(ZVApiDispatchTest, RemovingASessionCancelsItsRequestsAndFreesTheQueue) {
    emulator.injectFault(u"test/held"_s, Fault::delayed(kHold), -1);
    emulator.scriptAnswer(u"test/other"_s, Reply::ok());
    auto anna = signIn(u"anna@example.com"_s);
    auto bert = signIn(u"bert@example.com"_s);
    int blocksRun = 0;
    const auto countBlocks = [&blocksRun](const std::shared_ptr<ZVApiRequest>& request) {
        request->setErrorHandler([&blocksRun](const ZVErrorPtr&) { ++blocksRun; });
        request->setSuccessHandler([&blocksRun] { ++blocksRun; });
        return request;
    };
    anna->queueRequest(countBlocks(makeRequest(u"test/held"_s)), u"anna-entity"_s);
    scheduler().advance(ZVApi::kQueueSendDelay);
    for (int i = 0; i < 3; ++i) {
        anna->sendRequest(countBlocks(makeRequest(u"test/held"_s)));
    }
    auto bertHeld = countBlocks(makeRequest(u"test/held"_s));
    bert->sendRequest(bertHeld);
    anna->queueRequest(countBlocks(makeRequest(u"test/dropped"_s)), u"anna-other"_s);
    bert->queueRequest(makeRequest(u"test/other"_s), u"bert-entity"_s);
    ASSERT_TRUE(waitForHeld(5));
    scheduler().advance(ZVApi::kQueueSendDelay);
    EXPECT_EQ(emulator.requestCount(u"test/other"_s), 0);

    std::vector<std::shared_ptr<ZVApiSession>> ended;
    api().setOnSessionEnd(
        [&ended](const std::shared_ptr<ZVApiSession>& session) { ended.push_back(session); });
    api().setActiveSession(anna);
    api().removeSession(anna);

    EXPECT_EQ(blocksRun, 0);
    EXPECT_EQ(api().pendingRequests(), ZVApi::RequestList{bertHeld});
    EXPECT_EQ(ended, std::vector<std::shared_ptr<ZVApiSession>>{anna});
    EXPECT_EQ(api().sessions().keys(), QStringList{bert->sessionId()});
    EXPECT_EQ(api().activeSession(), bert);
    EXPECT_EQ(api().queuedRequests().size(), 1u);
    // Anna's request in flight held the queue; Bert's goes out now.
    scheduler().advance(ZVApi::kQueueSendDelay);
    ASSERT_TRUE(waitForAnswered(u"test/other"_s));
    EXPECT_EQ(emulator.requestCount(u"test/dropped"_s), 0);
}

TEST_F(ZVApiDispatchTest, RejectedTicketEndsTheSessionAfterItsErrorBlock) {
    emulator.injectFault(u"test/held"_s, Fault::delayed(kHold));
    emulator.injectFault(kCall, Fault::withStatus(401));
    auto anna = signIn(u"anna@example.com"_s);
    auto held = makeRequest(u"test/held"_s);
    bool heldBlockRan = false;
    held->setErrorHandler([&heldBlockRan](const ZVErrorPtr&) { heldBlockRan = true; });
    anna->sendRequest(held);
    ASSERT_TRUE(waitForHeld(1));

    auto rejected = makeRequest(kCall);
    rejected->setErrorHandler([anna](const ZVErrorPtr& error) {
        RecordingSession::journal().append(u"error "_s + QString::number(error->code()));
    });
    anna->sendRequest(rejected);
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(RecordingSession::journal(),
              (QStringList{u"error 401"_s, u"anna@example.com end session 2"_s}));
    EXPECT_FALSE(heldBlockRan);
    EXPECT_EQ(held->httpStatus(), ZVError::Cancelled);
    // The cancels that end the session clear the error it left.
    EXPECT_FALSE(api().lastError());
    EXPECT_TRUE(api().sessions().isEmpty());
}

TEST_F(ZVApiDispatchTest, ZeroEventHorizonResynchronisesTheSession) {
    auto anna = signIn(u"anna@example.com"_s);
    anna->setEventHorizon(120);
    emulator.scriptAnswer(kCall, Reply::ok({{u"stream"_s, QJsonArray()}, {u"event_horizon"_s, 0}}));
    anna->sendRequest(makeRequest(kCall));
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(anna->eventHorizon(), 0);
    EXPECT_TRUE(logText().contains(u"Server side resync requested"_s));
    EXPECT_FALSE(anna->endReason);
    scheduler().advance(ZVApi::kResyncDelay);
    ASSERT_TRUE(anna->endReason);
    EXPECT_EQ(*anna->endReason, ZVApiSession::EndReason::Resync);
}

TEST_F(ZVApiDispatchTest, HorizonThatIsNotANumberNeitherMovesNorResynchronises) {
    auto anna = signIn(u"anna@example.com"_s);
    anna->setEventHorizon(120);
    for (const QJsonValue& horizon : {QJsonValue(u"0"_s), QJsonValue(u"soon"_s), QJsonValue()}) {
        emulator.scriptAnswer(kCall, Reply::ok({{u"event_horizon"_s, horizon}}));
        anna->sendRequest(makeRequest(kCall));
        ASSERT_TRUE(waitUntilIdle());
    }
    scheduler().advance(1);
    EXPECT_EQ(anna->eventHorizon(), 120);
    EXPECT_FALSE(anna->endReason);
    EXPECT_FALSE(logText().contains(u"Server side resync requested"_s));
}

TEST_F(ZVApiDispatchTest, HorizonThatIsNoWholeNumberIsReadAsTheReaderReadsIntegers) {
    auto anna = signIn(u"anna@example.com"_s);
    const struct {
        double sent;
        std::int64_t kept;
    } cases[] = {
        {12.75, 12},
        {1e19, std::numeric_limits<std::int64_t>::max()},
        {-1e300, std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        anna->setEventHorizon(120);
        emulator.scriptAnswer(kCall, Reply::ok({{u"event_horizon"_s, c.sent}}));
        anna->sendRequest(makeRequest(kCall));
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(anna->eventHorizon(), c.kept);
    }
}

// --- the stream ---

TEST_F(ZVApiDispatchTest, StreamErrorsAreKeptWithoutFailingTheRequest) {
    const QJsonObject contact{{u"mk_rec_type"_s, u"contact"_s}, {u"account_id"_s, u"c1"_s}};
    const QJsonObject message{{u"mk_rec_type"_s, u"message"_s}, {u"message_nr"_s, 3}};
    const struct {
        const char* name;
        QJsonValue stream;
        bool messageFails;
        int expectedCode;  // 0: no error
        QStringList applied;
    } cases[] = {
        {"not an array", contact, false, ZVError::MalformedStream, {}},
        {"element not an object",
         QJsonArray{1, contact},
         false,
         ZVError::MalformedStream,
         {u"contact c1"_s}},
        {"record fails",
         QJsonArray{message, contact},
         true,
         ZVError::InvalidData,
         {u"message 3"_s, u"contact c1"_s}},
        {"unknown kind skipped",
         QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"poll_result"_s}},
                    QJsonObject{{u"mk_rec_type"_s, u"org_member"_s}}},
         false,
         0,
         {u"org_member"_s}},
    };
    auto anna = signIn(u"anna@example.com"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSession::journal().clear();
        if (c.messageFails) {
            anna->messageError = ZVError::errorWithCode(ZVError::InvalidData);
        }
        emulator.scriptAnswer(kCall, Reply::ok({{u"stream"_s, c.stream}}));
        bool succeeded = false;
        auto request = makeRequest(kCall);
        request->setSuccessHandler([&succeeded] { succeeded = true; });
        anna->sendRequest(request);
        ASSERT_TRUE(waitUntilIdle());
        scheduler().advance(ZVApi::kStatusUpdateDelay);

        EXPECT_TRUE(succeeded);
        EXPECT_EQ(RecordingSession::appliedRecords(false), c.applied);
        if (c.expectedCode) {
            ASSERT_TRUE(api().lastError());
            EXPECT_EQ(api().lastError()->code(), c.expectedCode);
            EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusError);
        } else {
            EXPECT_FALSE(api().lastError());
            EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOffline);
        }
    }
    EXPECT_TRUE(logText().contains(u"APIREQUEST_FAIL_STREAM: "_s));
    EXPECT_TRUE(logText().contains(u"STREAM_ERROR: "_s));
}

TEST_F(ZVApiDispatchTest, RequestRecordsRunTheEarlyCompletionOfThePendingRequestTheyName) {
    emulator.injectFault(u"message/store/c1"_s, Fault::delayed(kHold));
    emulator.scriptAnswer(u"message/store/c1"_s, Reply::ok());
    auto anna = signIn(u"anna@example.com"_s);
    std::vector<std::int64_t> numbers;
    auto store = std::make_shared<ZVApiRequest>(u"message/store/%@", u"c1"_s,
                                                QJsonObject{{u"message"_s, u"hello"_s}});
    store->setEarlyCompletionHandler([&numbers](std::int64_t nr) { numbers.push_back(nr); });
    anna->sendRequest(store);
    ASSERT_TRUE(waitForHeld(1));

    emulator.scriptAnswer(
        kCall,
        Reply::ok({{u"stream"_s,
                    QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"request"_s},
                                           {u"client_req_id"_s, store->requestId().toUpper()},
                                           {u"result_message_nr"_s, 17}},
                               QJsonObject{{u"mk_rec_type"_s, u"request"_s},
                                           {u"client_req_id"_s, u"unknown"_s},
                                           {u"result_message_nr"_s, 18}}}}}));
    anna->sendRequest(makeRequest(kCall));
    ASSERT_TRUE(waitForAnswered(kCall));
    ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().size() == 1; }));
    EXPECT_EQ(numbers, std::vector<std::int64_t>{17});
    EXPECT_FALSE(api().lastError());

    emulator.releaseHeld();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(numbers, std::vector<std::int64_t>{17});
}

TEST_F(ZVApiDispatchTest, SyncProgressIsAnnouncedOnTheClientAndOnTheSession) {
    auto anna = signIn(u"anna@example.com"_s);
    auto bert = signIn(u"bert@example.com"_s);
    bert->setSyncProgress(1.0f);
    QStringList announced;
    auto onApi = api().observe(QString(ZVApi::SyncProgressKey),
                               [&announced](const QString&) { announced.append(u"api"_s); });
    auto onSession = anna->observe(QString(ZVApi::SyncProgressKey), [&](const QString&) {
        announced.append(u"session "_s + QString::number(anna->syncProgress()));
    });
    emulator.scriptAnswer(kCall, Reply::ok({{u"sync_progress"_s, 0.5}}));
    anna->sendRequest(makeRequest(kCall));
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(announced, (QStringList{u"session 0.5"_s, u"api"_s}));
    EXPECT_FLOAT_EQ(api().syncProgress(), 0.75f);
}

TEST_F(ZVApiDispatchTest, RecentRequestsKeepTheTenNewest) {
    emulator.scriptAnswer(kCall, Reply::ok(), 11);
    ZVApi::RequestList sent;
    for (int i = 0; i < 11; ++i) {
        sent.push_back(makeRequest(kCall, QJsonObject{{u"index"_s, i}}));
        api().sendRequest(sent.back());
        ASSERT_TRUE(waitUntilIdle());
    }
    const ZVApi::RequestList expected(sent.rbegin(), sent.rbegin() + 10);
    EXPECT_EQ(api().recentRequests(), expected);
    EXPECT_EQ(api().requestsSent(), 11);
}

TEST_F(ZVApiDispatchTest, DiagnosticAccountsLogTheirRequestsAndStreamPositions) {
    const QString diagnostic = *ZVUserProfile::diagnosticAccountIds().begin();
    auto watched = signIn(u"watched@example.com"_s, diagnostic);
    auto plain = signIn(u"plain@example.com"_s);
    EXPECT_TRUE(api().debugLoggingEnabled());
    emulator.scriptAnswer(u"test/watched"_s, Reply::ok({{u"event_horizon"_s, 8}}));
    emulator.scriptAnswer(u"test/plain"_s, Reply::ok({{u"event_horizon"_s, 9}}));
    watched->sendRequest(makeRequest(u"test/watched"_s));
    plain->sendRequest(makeRequest(u"test/plain"_s));
    ASSERT_TRUE(waitUntilIdle());

    const QString log = logText();
    EXPECT_TRUE(log.contains(u"APIREQUEST: test/watched\n"_s)) << log.toStdString();
    EXPECT_TRUE(log.contains(u"test/watched (0 => 8)\n"_s)) << log.toStdString();
    EXPECT_FALSE(log.contains(u"test/plain"_s));
}

}  // namespace
}  // namespace zvapitest
