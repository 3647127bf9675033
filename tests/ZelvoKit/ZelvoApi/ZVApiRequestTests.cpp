#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/ZelvoApi/api/ZVLoginRequest.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlError.h"
#include "tests/emulator/EmulatorJson.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

#include <cmath>
#include <limits>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Reply;

class ZVApiRequestTest : public ApiTest {};

TEST_F(ZVApiRequestTest, RequestWithoutArgumentsOrSessionSendsOnlyTheApiVersion) {
    emulator.scriptAnswer(u"test/ping"_s, Reply::ok());
    api().sendRequest(makeRequest(u"test/ping"_s));
    ASSERT_TRUE(waitUntilIdle());

    const auto recorded = emulator.lastRequest(u"test/ping"_s);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->httpMethod, u"POST"_s);
    EXPECT_EQ(recorded->target, u"/api/test/ping"_s);
    EXPECT_EQ(recorded->rawBody, QByteArray(R"({"api_version":3})"));
    EXPECT_TRUE(recorded->header("Cookie").isNull());
    EXPECT_EQ(recorded->header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(recorded->header("Accept-Encoding"), QByteArray("gzip"));
    EXPECT_EQ(recorded->header("User-Agent"), QByteArray("ZelvoIPhone/1.4.212 (iOS 9.3)"));
    EXPECT_TRUE(recorded->problems.isEmpty()) << recorded->problems.join(u"; ").toStdString();
}

TEST_F(ZVApiRequestTest, TicketAndCookieTravelWithTheSessionAndVanishWithIt) {
    emulator.scriptAnswer(u"test/ping"_s, Reply::ok(), 2);
    auto session = signIn(u"anna@example.com"_s);
    const QString ticket = session->credentials()->ticket();
    const QString cookie = session->credentials()->cookie();

    auto first = makeRequest(u"test/ping"_s, QJsonObject{{u"text"_s, u"hi"_s}});
    session->sendRequest(first);
    ASSERT_TRUE(waitUntilIdle());

    auto second = makeRequest(u"test/ping"_s);
    second->setSession(session);
    api().removeSession(session);
    session.reset();
    EXPECT_FALSE(second->session());
    api().sendRequest(second);
    ASSERT_TRUE(waitUntilIdle());

    const auto calls = emulator.requests(u"test/ping"_s);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].body.value(u"ticket"_s).toString(), ticket);
    EXPECT_EQ(calls[0].cookie(u"token_id"), cookie);
    EXPECT_EQ(calls[0].body.value(u"text"_s).toString(), u"hi"_s);
    EXPECT_FALSE(calls[1].body.contains(u"ticket"_s));
    EXPECT_TRUE(calls[1].header("Cookie").isNull());
}

TEST_F(ZVApiRequestTest, ClientRequestIdIsALowerCaseUuidKeptAcrossResubmissions) {
    emulator.scriptAnswer(u"test/store"_s, Reply::ok(), 3);
    auto withEarlyCompletion = makeRequest(u"test/store"_s);
    withEarlyCompletion->setEarlyCompletionHandler([](std::int64_t) {});
    api().sendRequest(withEarlyCompletion);
    ASSERT_TRUE(waitUntilIdle());
    api().sendRequest(withEarlyCompletion);
    ASSERT_TRUE(waitUntilIdle());
    api().sendRequest(makeRequest(u"test/store"_s));
    ASSERT_TRUE(waitUntilIdle());

    const auto calls = emulator.requests(u"test/store"_s);
    ASSERT_EQ(calls.size(), 3);
    const QString id = calls[0].body.value(u"client_req_id"_s).toString();
    EXPECT_TRUE(zvemu::isLowerCaseUuid(id)) << id.toStdString();
    EXPECT_EQ(id, withEarlyCompletion->requestId());
    EXPECT_EQ(calls[1].body.value(u"client_req_id"_s).toString(), id);
    EXPECT_FALSE(calls[2].body.contains(u"client_req_id"_s));
    for (const auto& call : calls) {
        EXPECT_TRUE(call.problems.isEmpty()) << call.problems.join(u"; ").toStdString();
    }
}

TEST_F(ZVApiRequestTest, EnvelopeFieldsOverrideArgumentsOfTheSameName) {
    emulator.scriptAnswer(u"test/store"_s, Reply::ok());
    auto session = signIn(u"anna@example.com"_s);
    const QString requestId = u"0b7d8f52-3c4e-4f7a-9d21-5a6b7c8d9e0f"_s;
    auto request = makeRequest(u"test/store"_s, QJsonObject{{u"ticket"_s, u"forged"_s},
                                                            {u"client_req_id"_s, u"mine"_s},
                                                            {u"api_version"_s, 1},
                                                            {u"topic"_s, u"kept"_s}});
    request->setRequestId(requestId);
    session->sendRequest(request);
    ASSERT_TRUE(waitUntilIdle());

    const QJsonObject body = emulator.lastRequest(u"test/store"_s)->body;
    EXPECT_EQ(body, (QJsonObject{{u"ticket"_s, session->credentials()->ticket()},
                                 {u"client_req_id"_s, requestId},
                                 {u"api_version"_s, 3},
                                 {u"topic"_s, u"kept"_s}}));
}

TEST_F(ZVApiRequestTest, TokenCookieOfA200AnswerIsTakenOnlyWhenItHas36Characters) {
    const QString token = u"7c9e6679-7425-40de-944b-e07fc1f90ae7"_s;
    const QByteArray expires = "Expires=Wed, 21 Oct 2037 07:28:00 GMT";
    struct Case {
        const char* name;
        int status;
        QList<QByteArray> setCookies;
        QString expected;
    };
    const Case cases[] = {
        {"with attributes", 200, {"token_id=" + token.toLatin1() + "; Path=/; HttpOnly"}, token},
        {"35 characters", 200, {"token_id=" + token.left(35).toLatin1() + "; Path=/"}, {}},
        {"37 characters", 200, {"token_id=" + token.toLatin1() + "a; Path=/"}, {}},
        {"answer 401", 401, {"token_id=" + token.toLatin1() + "; Path=/"}, {}},
        {"after a dated cookie",
         200,
         {"zv_route=r1; Path=/; " + expires, "token_id=" + token.toLatin1() + "; " + expires},
         token},
        {"last of two wins",
         200,
         {"token_id=" + QString(token).replace(u'7', u'8').toLatin1(),
          "token_id=" + token.toLatin1()},
         token},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto session = signIn(QString::fromLatin1(c.name).replace(u' ', u'.') + u"@example.com"_s);
        const QString before = session->credentials()->cookie();
        Reply reply =
            c.status == 200 ? Reply::ok() : Reply::error(c.status, u"not_authenticated"_s);
        for (const QByteArray& cookie : c.setCookies) {
            reply.withHeader("Set-Cookie", cookie);
        }
        emulator.scriptAnswer(u"test/cookie"_s, reply);
        auto request = makeRequest(u"test/cookie"_s);
        // A 401 ends the session and erases its credentials after the error block.
        QString cookie;
        request->setErrorHandler(
            [&cookie, session](const ZVErrorPtr&) { cookie = session->credentials()->cookie(); });
        request->setSuccessHandler(
            [&cookie, session] { cookie = session->credentials()->cookie(); });
        session->sendRequest(request);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(cookie, c.expected.isNull() ? before : c.expected);
    }
}

TEST_F(ZVApiRequestTest, SignInCookieGoesToTheCredentialsBeingSignedIn) {
    const zvemu::Account account = emulator.addAccount(u"anna@example.com"_s, u"secret"_s);
    auto credentials = std::make_shared<ZVUserCredentials>(account.email);
    auto request = std::make_shared<ZVLoginRequest>(
        u"account/login"_s,
        QJsonObject{
            {u"email"_s, account.email}, {u"password"_s, u"secret"_s}, {u"remember_me"_s, true}},
        credentials);
    api().sendRequest(request);
    ASSERT_TRUE(waitUntilIdle());

    const auto issued = emulator.account(account.accountId)->issued;
    ASSERT_EQ(issued.size(), 1u);
    EXPECT_EQ(credentials->cookie(), issued.front().token);
}

TEST_F(ZVApiRequestTest, CompressedAndPlainAnswersAreReadAndCountedInflated) {
    api().login();
    QJsonArray records;
    for (int i = 0; i < 200; ++i) {
        records.append(QJsonObject{{u"mk_rec_type"_s, u"unknown_kind"_s}, {u"index"_s, i}});
    }
    const QJsonObject answer{{u"stream"_s, records}, {u"marker"_s, u"read"_s}};
    const qint64 answerSize = zvemu::toJson(answer).size();

    qint64 sent = 0;
    for (auto compression : {zvemu::ServiceEmulator::Compression::Always,
                             zvemu::ServiceEmulator::Compression::Never}) {
        emulator.setCompression(compression);
        emulator.scriptAnswer(u"test/big"_s, Reply::ok(answer));
        QString marker;
        auto request = makeRequest(u"test/big"_s, QJsonObject{{u"page"_s, 1}});
        request->setHandler([&marker](ZVJsonParser& reader) {
            marker = reader.extractString(u"marker");
            return ZVErrorPtr();
        });
        api().sendRequest(request);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(marker, u"read"_s);
        EXPECT_EQ(request->responseBody().size(), answerSize);
        EXPECT_EQ(request->requestSize(), emulator.lastRequest(u"test/big"_s)->rawBody.size());
        sent += request->requestSize();
    }
    for (const auto& stats : {api().sessionStats(), api().cumulativeStats()}) {
        EXPECT_EQ(stats->bytesReceived(), 2 * answerSize);
        EXPECT_EQ(stats->bytesSent(), sent);
        EXPECT_EQ(stats->lastResponseTime(), platform::Scheduler::main().currentDate());
    }
    ZVApiStats saved;
    saved.load();
    EXPECT_EQ(saved.bytesReceived(), 2 * answerSize);
}

TEST_F(ZVApiRequestTest, StatusTextFollowsTheRequestThroughItsLife) {
    emulator.injectFault(u"test/slow"_s, zvemu::Fault::delayed(std::chrono::milliseconds(20000)));
    emulator.scriptAnswer(u"test/slow"_s, Reply::ok());
    auto request = makeRequest(u"test/slow"_s);
    EXPECT_EQ(request->statusText(), u"Pending"_s);

    api().sendRequest(request);
    ASSERT_TRUE(waitForHeld(1));
    platform::Scheduler::main().advance(1.2345);
    EXPECT_EQ(request->statusText(), u"1s"_s);
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(request->statusText(), u"1234ms"_s);

    emulator.injectFault(u"test/broken"_s, zvemu::Fault::withStatus(503));
    auto failing = makeRequest(u"test/broken"_s);
    failing->setErrorHandler([](const ZVErrorPtr&) {});
    api().sendRequest(failing);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(failing->statusText(), u"503"_s);
    EXPECT_TRUE(failing->canRetry());
}

TEST(ZVApiRequestFailureTest, CanRetryOnlyNetworkFailuresAndServerErrors) {
    const struct {
        QString domain;
        int code;
        bool canRetry;
    } cases[] = {
        {platform::kUrlErrorDomain, -1001, true},
        {platform::kPosixErrorDomain, 54, true},
        {ZVError::Domain, 500, true},
        {ZVError::Domain, 599, true},
        {ZVError::Domain, 600, false},
        {ZVError::Domain, 499, false},
        {ZVError::Domain, 1000, false},
        {u"JsonReading"_s, 503, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.domain.toStdString() + " " + std::to_string(c.code));
        ZVApiRequest request(u"test/any"_s);
        request.failWithError(ZVError::errorWithDomain(c.domain, c.code));
        EXPECT_EQ(request.canRetry(), c.canRetry);
        EXPECT_EQ(request.httpStatus(), c.code);
    }
}

TEST_F(ZVApiRequestTest, LogLinesMaskSecretsOfArgumentsAndAnswers) {
    const QString ticket = u"f00dfacef00dfacef00dfacef00dface"_s;
    emulator.scriptAnswer(u"account/confirm"_s,
                          Reply::ok({{u"ticket"_s, ticket}, {u"account_id"_s, u"a1"_s}}));
    auto request =
        makeRequest(u"account/confirm"_s, QJsonObject{{u"notification_id"_s, u"link-0f3a9c"_s},
                                                      {u"email"_s, u"anna@example.com"_s},
                                                      {u"password"_s, u"hunter2-and-more"_s}});
    request->setHandler([](ZVJsonParser&) { return ZVError::errorWithCode(ZVError::InvalidData); });
    ZVErrorPtr received;
    request->setErrorHandler([&received](const ZVErrorPtr& error) { received = error; });
    api().sendRequest(request);
    ASSERT_TRUE(waitUntilIdle());

    ASSERT_TRUE(received);
    EXPECT_EQ(received->code(), ZVError::InvalidData);
    const QString log = logText();
    EXPECT_TRUE(log.contains(u"APIREQUEST_FAIL: <"_s + emulator.apiUrl() + u"account/confirm>"_s))
        << log.toStdString();
    EXPECT_TRUE(log.contains(u"anna@example.com"_s));
    EXPECT_FALSE(log.contains(u"link-0f3a9c"_s));
    EXPECT_FALSE(log.contains(ticket));
    EXPECT_FALSE(log.contains(u"hunter2"_s));
    EXPECT_FALSE(request->description().contains(ticket));
    EXPECT_EQ(ZVApiRequest::requestAsLogString(std::nullopt), u"nil"_s);
}

TEST_F(ZVApiRequestTest, RequestWhoseBodyCannotBeWrittenFailsLikeAFailedTransfer) {
    std::vector<ZVErrorPtr> errors;
    api().setDefaultErrorHandler([&errors](const ZVErrorPtr& error) { errors.push_back(error); });
    auto request = makeRequest(
        u"test/store"_s, QJsonObject{{u"position"_s, std::numeric_limits<double>::quiet_NaN()}});
    api().queueRequest(request, u"entity-1"_s);
    platform::Scheduler::main().advance(ZVApi::kQueueSendDelay);

    EXPECT_TRUE(api().pendingRequests().empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]->domain(), u"JsonWriting"_s);
    EXPECT_EQ(errors[0]->userInfo().value(ZVError::KeyKey).toString(), u"position"_s);
    EXPECT_EQ(emulator.requestCount(), 0);
    // The queue's one place in flight is free again, behind the retry timer.
    EXPECT_EQ(api().nextConnectionTime(), platform::Scheduler::main().currentDate().addSecs(20));
    EXPECT_TRUE(logText().contains(u"APIREQUEST_FAIL: "_s));
}

}  // namespace
}  // namespace zvapitest
