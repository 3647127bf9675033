#include "tests/emulator/EmulatorJson.h"
#include "tests/platform/net/NetTestSupport.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

using nettest::EmulatorTest;
using nettest::kNetworkWaitMs;
using nettest::Outcome;
using platform::Scheduler;
using platform::UrlRequest;
using zvemu::Credentials;
using zvemu::Fault;
using zvemu::Reply;
using zvemu::ServiceEmulator;

namespace {

bool waitForEmulator(const std::function<bool()>& condition) {
    return Scheduler::main().runUntil(condition, kNetworkWaitMs);
}

// The token of the answer's "token_id" cookie, as the client takes it.
QString tokenCookie(const Outcome& outcome) {
    for (const QByteArray& cookie : outcome.result.response.setCookies()) {
        const QByteArray pair = cookie.split(';').first().trimmed();
        if (pair.startsWith("token_id=")) {
            return QString::fromLatin1(pair.mid(9));
        }
    }
    return {};
}

QJsonObject pollBody(qint64 horizon, bool wait) {
    return {{"event_horizon", horizon}, {"wait", wait}};
}

}  // namespace

class ServiceEmulatorTest : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        ann = emulator.addAccount("ann@example.com", "secret", "Ann");
    }

    Credentials signIn() { return emulator.issueCredentials(ann.accountId); }

    zvemu::Account ann;
};

TEST_F(ServiceEmulatorTest, SignInIssuesATicketAndATokenCookieThatSessionCallsNeed) {
    auto login =
        call("account/login",
             {{"email", "ANN@example.com"}, {"password", "secret"}, {"remember_me", true}});
    ASSERT_EQ(login->status(), 200);
    const QJsonObject answer = login->json();
    EXPECT_EQ(answer.value("account_id").toString(), ann.accountId);
    EXPECT_EQ(answer.value("profiles").toArray().at(0).toObject().value("email").toString(),
              "ann@example.com");
    const Credentials credentials{answer.value("ticket").toString(), tokenCookie(*login)};
    EXPECT_FALSE(credentials.ticket.isEmpty());
    EXPECT_EQ(credentials.token.size(), 36);

    auto poll = call("account/poll", pollBody(-1, false), credentials);
    EXPECT_EQ(poll->status(), 200);
    EXPECT_EQ(emulator.lastRequest()->accountId, ann.accountId);

    const Credentials other =
        emulator.issueCredentials(emulator.addAccount("bob@example.com", "pw").accountId);
    struct Case {
        const char* name;
        std::optional<Credentials> credentials;
    };
    for (const Case& c :
         {Case{"none", std::nullopt},
          Case{"another sign-in's token", Credentials{credentials.ticket, other.token}},
          Case{"unknown ticket", Credentials{"nope", credentials.token}}}) {
        SCOPED_TRACE(c.name);
        auto refused = call("account/poll", pollBody(-1, false), c.credentials);
        EXPECT_EQ(refused->status(), 401);
        EXPECT_EQ(refused->json().value("error_id").toString(), "not_authenticated");
        EXPECT_TRUE(emulator.lastRequest()->accountId.isEmpty());
    }
}

TEST_F(ServiceEmulatorTest, RefusesASignInWithTheServicesErrorIds) {
    emulator.updateAccount(emulator.addAccount("new@example.com", "pw").accountId,
                           [](zvemu::Account& account) { account.active = false; });
    struct Case {
        const char* email;
        const char* password;
        const char* errorId;
    };
    for (const Case& c : {Case{"nobody@example.com", "secret", "unknown_email"},
                          Case{"ann@example.com", "wrong", "incorrect_password"},
                          Case{"new@example.com", "pw", "not_active"}}) {
        SCOPED_TRACE(c.email);
        auto outcome = call("account/login", {{"email", c.email}, {"password", c.password}});
        EXPECT_EQ(outcome->status(), 430);
        EXPECT_EQ(outcome->json().value("error_id").toString(), c.errorId);
        EXPECT_TRUE(outcome->result.response.setCookies().isEmpty());
    }
}

TEST_F(ServiceEmulatorTest, RecordsEachRequestAsReceived) {
    call("account/login", {{"email", "ann@example.com"},
                           {"password", "secret"},
                           {"client_req_id", "0f8fad5b-d9cb-469f-a165-70867728950e"}});
    ASSERT_EQ(emulator.requestCount(), 1);
    const zvemu::RecordedRequest request = *emulator.lastRequest("account/login");
    EXPECT_EQ(request.httpMethod, "POST");
    EXPECT_EQ(request.target, "/api/account/login");
    EXPECT_TRUE(request.problems.isEmpty()) << request.problems.join("; ").toStdString();
    EXPECT_EQ(request.body.value("email").toString(), "ann@example.com");
    EXPECT_EQ(request.body.value("api_version").toInt(), 3);
    EXPECT_EQ(request.header("content-type"), "application/json");
    EXPECT_EQ(request.status, 200);
    emulator.clearRequests();
    EXPECT_EQ(emulator.requestCount(), 0);
}

TEST_F(ServiceEmulatorTest, AnswersAMalformedEnvelope400AndSaysWhy) {
    const Credentials credentials = signIn();
    struct Case {
        const char* name;
        std::function<void(UrlRequest&)> spoil;
        const char* problem;
    };
    auto setBody = [](UrlRequest& request, const std::function<void(QJsonObject&)>& change) {
        QJsonObject body = QJsonDocument::fromJson(request.body).object();
        change(body);
        request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    };
    const Case cases[] = {
        {"no api_version",
         [&](UrlRequest& r) { setBody(r, [](QJsonObject& b) { b.remove("api_version"); }); },
         "api_version"},
        {"api_version as text",
         [&](UrlRequest& r) { setBody(r, [](QJsonObject& b) { b["api_version"] = "3"; }); },
         "api_version"},
        {"upper-case client_req_id",
         [&](UrlRequest& r) {
             setBody(r, [](QJsonObject& b) {
                 b["client_req_id"] = "0F8FAD5B-D9CB-469F-A165-70867728950E";
             });
         },
         "client_req_id"},
        {"form content type",
         [](UrlRequest& r) { r.headers.set("Content-Type", "application/x-www-form-urlencoded"); },
         "Content-Type"},
        {"bare user agent", [](UrlRequest& r) { r.headers.set("User-Agent", "curl"); },
         "User-Agent"},
        {"no gzip", [](UrlRequest& r) { r.headers.set("accept-encoding", "identity"); }, "gzip"},
        {"array body", [](UrlRequest& r) { r.body = "[3]"; }, "JSON object"},
        {"short token",
         [](UrlRequest& r) {
             r.headers.set("Cookie", "token_id=0123456789abcdef0123456789abcdef012");
         },
         "token_id"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UrlRequest request =
            nettest::apiRequest(emulator, "account/poll", pollBody(-1, false), credentials);
        c.spoil(request);
        auto outcome = nettest::start(session, request);
        ASSERT_TRUE(nettest::waitFor(*outcome));
        EXPECT_EQ(outcome->status(), 400);
        EXPECT_EQ(outcome->json().value("error_id").toString(), "bad_request");
        const QStringList problems = emulator.lastRequest()->problems;
        ASSERT_EQ(problems.size(), 1) << problems.join("; ").toStdString();
        EXPECT_TRUE(problems.first().contains(c.problem)) << problems.first().toStdString();
    }

    emulator.setStrictEnvelope(false);
    UrlRequest lenient =
        nettest::apiRequest(emulator, "account/poll", pollBody(-1, false), credentials);
    lenient.headers.set("User-Agent", "curl");
    auto outcome = nettest::start(session, lenient);
    ASSERT_TRUE(nettest::waitFor(*outcome));
    EXPECT_EQ(outcome->status(), 200);
    EXPECT_EQ(emulator.lastRequest()->problems.size(), 1);
}

TEST_F(ServiceEmulatorTest, PlaysEachFaultOnceThenAnswersNormally) {
    const Credentials credentials = signIn();
    struct Case {
        const char* name;
        Fault fault;
        std::function<void(const Outcome&)> check;
    };
    const Case cases[] = {
        {"401", Fault::withStatus(401),
         [](const Outcome& o) {
             EXPECT_EQ(o.status(), 401);
             EXPECT_EQ(o.json().value("error_id").toString(), "not_authenticated");
         }},
        {"430", Fault::withStatus(430, "member_left"),
         [](const Outcome& o) {
             EXPECT_EQ(o.status(), 430);
             EXPECT_EQ(o.json().value("error_id").toString(), "member_left");
         }},
        {"500", Fault::withStatus(500), [](const Outcome& o) { EXPECT_EQ(o.status(), 500); }},
        {"503", Fault::withStatus(503), [](const Outcome& o) { EXPECT_EQ(o.status(), 503); }},
        {"dropped", Fault::dropConnection(),
         [](const Outcome& o) {
             EXPECT_EQ(o.errorCode(),
                       static_cast<int>(platform::UrlErrorCode::NetworkConnectionLost));
         }},
        {"content type", Fault::wrongContentType(),
         [](const Outcome& o) {
             EXPECT_EQ(o.status(), 200);
             EXPECT_TRUE(o.result.response.contentType().startsWith("text/html"));
             EXPECT_FALSE(zvemu::parseObject(o.result.body));
         }},
        {"malformed", Fault::malformedJson(),
         [](const Outcome& o) {
             EXPECT_EQ(o.status(), 200);
             EXPECT_TRUE(o.result.response.contentType().startsWith("application/json"));
             EXPECT_FALSE(zvemu::parseObject(o.result.body));
         }},
        {"stream", Fault::streamNotArray(),
         [](const Outcome& o) { EXPECT_TRUE(o.json().value("stream").isObject()); }},
        {"horizon", Fault::zeroEventHorizon(),
         [](const Outcome& o) { EXPECT_EQ(o.json().value("event_horizon").toInteger(-1), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.injectFault("account/poll", c.fault);
        c.check(*call("account/poll", pollBody(-1, false), credentials));
        auto normal = call("account/poll", pollBody(-1, false), credentials);
        EXPECT_EQ(normal->status(), 200);
        EXPECT_TRUE(normal->json().value("stream").isArray());
        EXPECT_GE(normal->json().value("event_horizon").toInteger(), 1);
    }
}

TEST_F(ServiceEmulatorTest, QueuedAndLastingFaultsPlayInOrderUntilCleared) {
    emulator.injectFault("account/login", Fault::none());
    emulator.injectFault("account/login", Fault::withStatus(500), 2);
    emulator.injectFault("account/login", Fault::withStatus(503), -1);
    const QJsonObject body{{"email", "ann@example.com"}, {"password", "secret"}};
    QList<int> statuses;
    for (int i = 0; i < 5; ++i) {
        statuses.append(call("account/login", body)->status());
    }
    EXPECT_EQ(statuses, QList<int>({200, 500, 500, 503, 503}));
    emulator.clearFaults("account/login");
    EXPECT_EQ(call("account/login", body)->status(), 200);
}

TEST_F(ServiceEmulatorTest, AScriptedAnswerReplacesTheRouteForItsCalls) {
    Reply scripted = Reply::ok({{"ticket", "t"}, {"account_id", "a"}});
    scripted.withHeader("X-Scripted", "yes");
    emulator.scriptAnswer("account/login", scripted, 2);
    const QJsonObject body{{"email", "ann@example.com"}, {"password", "secret"}};
    for (int i = 0; i < 2; ++i) {
        auto outcome = call("account/login", body);
        EXPECT_EQ(outcome->json().value("ticket").toString(), "t");
        EXPECT_EQ(outcome->result.response.value("x-scripted"), "yes");
    }
    EXPECT_EQ(call("account/login", body)->json().value("account_id").toString(), ann.accountId);
    EXPECT_EQ(call("no/such/call")->status(), 404);
}

TEST_F(ServiceEmulatorTest, AWaitingPollIsHeldUntilAnEventArrives) {
    const Credentials credentials = signIn();
    const QJsonObject first{{"mk_rec_type", "contact"}, {"account_id", ann.accountId}};
    const qint64 firstHorizon = emulator.appendEvent(ann.accountId, first);

    auto initial = call("account/poll", pollBody(-1, false), credentials);
    EXPECT_EQ(initial->json().value("stream").toArray(), QJsonArray({first}));
    EXPECT_EQ(initial->json().value("event_horizon").toInteger(), firstHorizon);
    EXPECT_EQ(initial->json().value("sync_progress").toDouble(), 1.0);

    auto waiting = send("account/poll", pollBody(firstHorizon, true), credentials);
    ASSERT_TRUE(waitForEmulator([&] { return emulator.heldCount() == 1; }));
    EXPECT_FALSE(waiting->done());
    const QJsonObject second{{"mk_rec_type", "message"}, {"message_nr", 7}};
    const qint64 secondHorizon = emulator.appendEvent(ann.accountId, second);
    EXPECT_EQ(secondHorizon, firstHorizon + 1);
    ASSERT_TRUE(nettest::waitFor(*waiting));
    EXPECT_EQ(waiting->json().value("stream").toArray(), QJsonArray({second}));
    EXPECT_EQ(waiting->json().value("event_horizon").toInteger(), secondHorizon);

    auto everything = call("account/poll", pollBody(0, true), credentials);
    EXPECT_EQ(everything->json().value("stream").toArray(), QJsonArray({first, second}));
}

TEST_F(ServiceEmulatorTest, AWaitingPollWithoutNewsAnswersEmptyWhenItsHoldEnds) {
    const Credentials credentials = signIn();
    const qint64 horizon = emulator.eventHorizon(ann.accountId);
    EXPECT_GE(horizon, 1) << "a horizon of 0 would ask the client to resynchronise";

    emulator.setPollHoldLimit(std::chrono::milliseconds(0));
    auto expired = call("account/poll", pollBody(horizon, true), credentials);
    EXPECT_EQ(expired->json().value("stream").toArray(), QJsonArray());
    EXPECT_EQ(expired->json().value("event_horizon").toInteger(), horizon);

    emulator.setPollHoldLimit(ServiceEmulator::kMaxHold);
    auto released = send("account/poll", pollBody(horizon, true), credentials);
    ASSERT_TRUE(waitForEmulator([&] { return emulator.heldCount() == 1; }));
    emulator.releaseHeld();
    ASSERT_TRUE(nettest::waitFor(*released));
    EXPECT_EQ(released->json().value("stream").toArray(), QJsonArray());
}

TEST_F(ServiceEmulatorTest, StoppingAnswersEveryHeldRequestAtOnce) {
    const Credentials credentials = signIn();
    emulator.setPollHoldLimit(ServiceEmulator::kMaxHold);
    const qint64 horizon = emulator.eventHorizon(ann.accountId);
    auto pollA = send("account/poll", pollBody(horizon, true), credentials);
    auto pollB = send("account/poll", pollBody(horizon, true), credentials);
    emulator.injectFault("account/login", Fault::delayed(ServiceEmulator::kMaxHold));
    auto delayed = send("account/login", {{"email", "ann@example.com"}, {"password", "secret"}});
    ASSERT_TRUE(waitForEmulator([&] { return emulator.heldCount() == 3; }));

    emulator.stop();
    EXPECT_FALSE(emulator.isRunning());
    EXPECT_EQ(emulator.heldCount(), 0);
    // Bounded by the network wait, well below the holds' own limit.
    for (const auto& outcome : {pollA, pollB, delayed}) {
        ASSERT_TRUE(nettest::waitFor(*outcome));
        EXPECT_EQ(outcome->status(), 200);
    }
    EXPECT_EQ(pollA->json().value("stream").toArray(), QJsonArray());
}
