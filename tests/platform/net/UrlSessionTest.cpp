#include "tests/emulator/EmulatorJson.h"
#include "tests/platform/net/NetTestSupport.h"
#include "tests/support/RefusingPort.h"

#include <QtCore/QJsonArray>

using nettest::EmulatorTest;
using nettest::kNetworkWaitMs;
using nettest::Outcome;
using platform::Scheduler;
using platform::UrlErrorCode;
using platform::UrlRequest;
using platform::UrlSession;
using platform::UrlSessionTask;
using zvemu::Fault;
using zvemu::Reply;
using zvemu::ServiceEmulator;

namespace {

Scheduler& scheduler() {
    return Scheduler::main();
}

// Big and repetitive enough that gzip clearly shrinks it.
QJsonObject largeAnswer() {
    QJsonArray records;
    for (int i = 0; i < 200; ++i) {
        records.append(QJsonObject{{"mk_rec_type", "message"},
                                   {"message_nr", i},
                                   {"text", "the same few words, again and again"}});
    }
    return {{"stream", records}, {"event_horizon", 42}};
}

bool waitUntil(const std::function<bool()>& condition) {
    return scheduler().runUntil(condition, kNetworkWaitMs);
}

}  // namespace

class UrlSessionTest : public EmulatorTest {
protected:
    // A request the emulator holds until released (or until it stops).
    std::shared_ptr<Outcome> sendHeld(const QString& path,
                                      std::shared_ptr<UrlSessionTask>* task = nullptr,
                                      double timeout = UrlRequest::kDefaultTimeoutInterval) {
        emulator.injectFault(path, Fault::delayed(ServiceEmulator::kMaxHold));
        const int heldBefore = emulator.heldCount();
        UrlRequest request = nettest::apiRequest(emulator, path);
        request.timeoutInterval = timeout;
        auto outcome = nettest::start(session, request, task);
        EXPECT_TRUE(waitUntil([&] { return emulator.heldCount() > heldBefore; }));
        return outcome;
    }
};

TEST_F(UrlSessionTest, ReadsGzipAndPlainAnswersAndCountsInflatedBytes) {
    const QByteArray expected = zvemu::toJson(largeAnswer());
    for (const bool compressed : {true, false}) {
        SCOPED_TRACE(compressed ? "gzip" : "plain");
        emulator.setCompression(compressed ? ServiceEmulator::Compression::Always
                                           : ServiceEmulator::Compression::Never);
        emulator.scriptAnswer("test/large_answer", Reply::ok(largeAnswer()));
        auto outcome = call("test/large_answer", {{"load_type", 1}});

        ASSERT_FALSE(outcome->result.error);
        EXPECT_EQ(outcome->status(), 200);
        EXPECT_EQ(outcome->result.body, expected);
        EXPECT_EQ(outcome->result.response.value("Content-Encoding"),
                  compressed ? QByteArray("gzip") : QByteArray());
        EXPECT_EQ(outcome->result.bytesReceived, expected.size());
        if (compressed) {
            EXPECT_LT(outcome->result.encodedBytesReceived, expected.size() / 4);
        } else {
            EXPECT_EQ(outcome->result.encodedBytesReceived, expected.size());
        }
        EXPECT_EQ(outcome->result.bytesSent,
                  emulator.lastRequest("test/large_answer")->rawBody.size());
    }
}

TEST_F(UrlSessionTest, AnswersWithAnErrorStatusAreCompletions) {
    for (const int status : {400, 401, 403, 404, 430, 500, 503}) {
        SCOPED_TRACE(status);
        emulator.injectFault("message/store/c1",
                             Fault::withStatus(status, status == 430 ? "member_left" : ""));
        auto outcome = call("message/store/c1");
        EXPECT_FALSE(outcome->result.error);
        EXPECT_EQ(outcome->status(), status);
        EXPECT_EQ(outcome->responses, 1);
        const QString errorId = outcome->json().value("error_id").toString();
        EXPECT_FALSE(errorId.isEmpty());
        if (status == 430) {
            EXPECT_EQ(errorId, "member_left");
        }
    }
}

TEST_F(UrlSessionTest, RedirectsComeBackAsTheirAnswer) {
    Reply redirect = Reply::raw(302, {}, "text/plain");
    redirect.withHeader("Location", "http://localhost:1/api/account/login");
    emulator.scriptAnswer("account/old_login", redirect);
    auto outcome = call("account/old_login");
    EXPECT_FALSE(outcome->result.error);
    EXPECT_EQ(outcome->status(), 302);
    EXPECT_EQ(emulator.requestCount(), 1);
}

TEST_F(UrlSessionTest, ADroppedConnectionIsConnectionLostEvenAfterTheHeaders) {
    emulator.scriptAnswer("test/large_answer", Reply::ok(largeAnswer()));
    emulator.injectFault("test/large_answer", Fault::dropConnection());
    auto outcome = call("test/large_answer");
    ASSERT_TRUE(outcome->result.error);
    EXPECT_EQ(outcome->result.error->domain(), platform::kUrlErrorDomain);
    EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::NetworkConnectionLost));
    EXPECT_EQ(outcome->responses, 1);
    EXPECT_EQ(outcome->status(), 200);
    // Not sent a second time behind our back.
    EXPECT_EQ(emulator.requestCount("test/large_answer"), 1);
}

TEST_F(UrlSessionTest, AnAnswerCutShortIsConnectionLostWhateverItsStatus) {
    // The transport may take the end of the connection for the end of an error answer.
    for (const int status : {200, 401, 404, 430, 500, 503}) {
        for (const bool compressed : {false, true}) {
            SCOPED_TRACE(testing::Message() << status << (compressed ? " gzip" : " plain"));
            Reply reply = Reply::error(status, "internal_error");
            reply.json["stream"] = largeAnswer()["stream"];
            reply.gzip = compressed;
            emulator.scriptAnswer("test/large_answer", reply);
            emulator.injectFault("test/large_answer", Fault::dropConnection());
            auto outcome = call("test/large_answer");
            EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::NetworkConnectionLost));
            if (outcome->responses > 0) {
                // The transport keeps a 401's headers to itself while it looks for credentials.
                EXPECT_EQ(outcome->status(), status);
            }
        }
    }
}

TEST(UrlSessionTransport, ARefusedPortIsCannotConnect) {
    zvtest::RefusingPort refusing;
    ASSERT_TRUE(refusing.isBound());
    platform::UrlRequest request;
    request.url = QUrl(refusing.baseUrl() + QStringLiteral("api/account/login"));
    request.httpMethod = QByteArrayLiteral("POST");
    request.body = QByteArrayLiteral("{}");
    UrlSession session;
    auto outcome = nettest::start(session, request);
    ASSERT_TRUE(nettest::waitFor(*outcome));
    EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::CannotConnectToHost));
    EXPECT_EQ(outcome->responses, 0);
    EXPECT_EQ(outcome->status(), 0);
}

TEST_F(UrlSessionTest, CancelCompletesOnceWithCancelledAndDeliversNothingAfter) {
    std::shared_ptr<UrlSessionTask> task;
    auto cancelled = sendHeld("account/poll", &task);
    task->cancel();
    EXPECT_EQ(cancelled->completions, 0) << "never from within cancel()";
    EXPECT_EQ(task->state(), UrlSessionTask::State::Canceling);
    scheduler().runPending();
    EXPECT_EQ(cancelled->completions, 1);
    EXPECT_EQ(cancelled->errorCode(), static_cast<int>(UrlErrorCode::Cancelled));
    EXPECT_EQ(task->state(), UrlSessionTask::State::Completed);
    task->cancel();

    // The server answers after all; nothing of it reaches the cancelled task.
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return emulator.lastRequest("account/poll")->status != 0; }));
    auto later = call("account/login");
    EXPECT_EQ(later->status(), 430);
    EXPECT_EQ(cancelled->completions, 1);
    EXPECT_EQ(cancelled->responses, 0);
    EXPECT_TRUE(session.tasks().empty());
}

TEST_F(UrlSessionTest, AResponseHandlerMayCancelItsTask) {
    // What the transport says of its own state while the task is cancelled.
    static QStringList transportWarnings;
    transportWarnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            transportWarnings.append(text);
        });
    for (const int status : {200, 500}) {
        SCOPED_TRACE(status);
        Reply reply = Reply::error(status, "internal_error");
        reply.json["stream"] = largeAnswer()["stream"];
        emulator.scriptAnswer("test/large_answer", reply);
        auto outcome = std::make_shared<Outcome>();
        std::shared_ptr<UrlSessionTask> task;
        platform::UrlSessionTaskHandlers handlers;
        handlers.onResponse = [&](const platform::UrlResponse&) {
            ++outcome->responses;
            task->cancel();
        };
        handlers.onComplete = [outcome](const platform::UrlTaskResult& result) {
            ++outcome->completions;
            outcome->result = result;
        };
        task = session.dataTask(nettest::apiRequest(emulator, "test/large_answer"), handlers);
        task->resume();
        ASSERT_TRUE(nettest::waitFor(*outcome));
        // Whatever the transport still had to say has been said.
        ASSERT_TRUE(
            waitUntil([&] { return emulator.lastRequest("test/large_answer")->status != 0; }));
        scheduler().runPending();
        EXPECT_EQ(outcome->completions, 1);
        EXPECT_EQ(outcome->responses, 1);
        EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::Cancelled));
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(transportWarnings.isEmpty()) << transportWarnings.join("\n").toStdString();
}

TEST_F(UrlSessionTest, TimesOutWhenTheSchedulerClockPassesTheInterval) {
    for (const double interval : {UrlRequest::kDefaultTimeoutInterval, 25.0}) {
        SCOPED_TRACE(interval);
        auto outcome = sendHeld("account/poll", nullptr, interval);
        scheduler().advance(interval - 1);
        EXPECT_FALSE(outcome->done());
        scheduler().advance(1);
        ASSERT_TRUE(outcome->done());
        EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::TimedOut));
        emulator.releaseHeld();
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 0; }));
    }
}

TEST_F(UrlSessionTest, EachCookieOfTheAnswerIsAFieldOfItsOwn) {
    const QByteArray token = "0123456789abcdef0123456789abcdef0123";
    Reply reply = Reply::ok();
    reply.headers = {
        {"Set-Cookie", "zv_route=r1; Path=/; Expires=Wed, 21 Oct 2037 07:28:00 GMT"},
        {"Set-Cookie", "token_id=" + token + "; Path=/; Expires=Thu, 22 Oct 2037 07:28:00 GMT"},
        // One field holding two cookies, as a proxy may fold them.
        {"Set-Cookie", "a=1, b=2; Path=/"},
    };
    emulator.scriptAnswer("account/login", reply);
    auto outcome = call("account/login");
    const QList<QByteArray> expected = {
        "zv_route=r1; Path=/; Expires=Wed, 21 Oct 2037 07:28:00 GMT",
        "token_id=" + token + "; Path=/; Expires=Thu, 22 Oct 2037 07:28:00 GMT",
        "a=1",
        "b=2; Path=/",
    };
    EXPECT_EQ(outcome->result.response.setCookies(), expected);
    EXPECT_EQ(outcome->result.response.value("set-cookie"), expected.join(", "));
}

TEST_F(UrlSessionTest, StoresNoCookieAndSendsOnlyTheHeadersItIsGiven) {
    emulator.addAccount("ann@example.com", "secret");
    auto login = call("account/login", {{"email", "ann@example.com"}, {"password", "secret"}});
    ASSERT_EQ(login->status(), 200);
    ASSERT_FALSE(login->result.response.setCookies().isEmpty());

    call("account/login", {{"email", "ann@example.com"}, {"password", "secret"}});
    const zvemu::RecordedRequest second = *emulator.lastRequest();
    EXPECT_TRUE(second.header("Cookie").isNull());
    EXPECT_EQ(second.header("Accept-Encoding"), "gzip");
    EXPECT_EQ(second.header("User-Agent"), "ZelvoTests/0.1.0.1 (Linux 6.1)");
}

TEST_F(UrlSessionTest, AnAnswerThatIsNotTheGzipItClaimsFailsToDecode) {
    Reply reply = Reply::ok({{"event_horizon", 3}});
    reply.gzip = false;
    reply.withHeader("Content-Encoding", "gzip");
    emulator.scriptAnswer("test/large_answer", reply);
    auto outcome = call("test/large_answer");
    EXPECT_EQ(outcome->errorCode(), static_cast<int>(UrlErrorCode::CannotDecodeRawData));
    EXPECT_EQ(outcome->status(), 200);
}

TEST_F(UrlSessionTest, UnusableUrlsFailFromTheRunLoop) {
    struct Case {
        const char* url;
        UrlErrorCode code;
    };
    for (const Case& c : {Case{"ftp://127.0.0.1/api/x", UrlErrorCode::UnsupportedUrl},
                          Case{"http:///api/x", UrlErrorCode::BadUrl},
                          Case{"api/account/login", UrlErrorCode::BadUrl}}) {
        SCOPED_TRACE(c.url);
        UrlRequest request;
        request.url = QUrl(c.url);
        auto outcome = nettest::start(session, request);
        EXPECT_FALSE(outcome->done());
        scheduler().runPending();
        EXPECT_EQ(outcome->completions, 1);
        EXPECT_EQ(outcome->errorCode(), static_cast<int>(c.code));
    }
    EXPECT_EQ(emulator.requestCount(), 0);
}

TEST_F(UrlSessionTest, InvalidatingCancelsRunningTasksAndMakesNoMore) {
    auto held = sendHeld("account/poll");
    session.invalidateAndCancel();
    scheduler().runPending();
    EXPECT_EQ(held->errorCode(), static_cast<int>(UrlErrorCode::Cancelled));
    EXPECT_EQ(session.dataTask(nettest::apiRequest(emulator, "account/login"), {}), nullptr);
}

TEST(UrlSessionLifetime, AHandlerMayDestroyItsSessionAndADestroyedSessionCallsNoHandler) {
    ServiceEmulator emulator;
    ASSERT_TRUE(emulator.start());

    std::unique_ptr<UrlSession> session;
    for (const bool onResponse : {false, true}) {
        SCOPED_TRACE(onResponse ? "on response" : "on completion");
        session = std::make_unique<UrlSession>();
        int calls = 0;
        const auto destroy = [&] {
            ++calls;
            session.reset();
        };
        platform::UrlSessionTaskHandlers handlers;
        if (onResponse) {
            handlers.onResponse = [&](const platform::UrlResponse&) { destroy(); };
        } else {
            handlers.onComplete = [&](const platform::UrlTaskResult&) { destroy(); };
        }
        // Only the session holds the task.
        session->dataTask(nettest::apiRequest(emulator, "account/login"), handlers)->resume();
        ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
        scheduler().runPending();
    }

    session = std::make_unique<UrlSession>();
    emulator.injectFault("account/poll", Fault::delayed(ServiceEmulator::kMaxHold));
    auto outcome = nettest::start(*session, nettest::apiRequest(emulator, "account/poll"));
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    session.reset();
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return emulator.lastRequest("account/poll")->status != 0; }));
    scheduler().runPending();
    EXPECT_EQ(outcome->completions, 0);
    EXPECT_EQ(outcome->responses, 0);
}

TEST(UrlSessionTls, AcceptsAnUntrustedCertificateOnlyWhileAllowed) {
    ServiceEmulator emulator(ServiceEmulator::Options{.tls = true});
    ASSERT_TRUE(emulator.start());
    ASSERT_TRUE(emulator.baseUrl().startsWith("https://"));
    UrlSession session;

    auto refused = nettest::start(session, nettest::apiRequest(emulator, "account/login"));
    ASSERT_TRUE(nettest::waitFor(*refused));
    EXPECT_EQ(refused->errorCode(), static_cast<int>(UrlErrorCode::SecureConnectionFailed));

    session.setAllowsInvalidCertificates(true);
    auto allowed = nettest::start(session, nettest::apiRequest(emulator, "account/login"));
    ASSERT_TRUE(nettest::waitFor(*allowed));
    EXPECT_FALSE(allowed->result.error);
    EXPECT_EQ(allowed->status(), 430);

    // A connection opened while allowed is not reused once the permission is gone.
    session.setAllowsInvalidCertificates(false);
    auto refusedAgain = nettest::start(session, nettest::apiRequest(emulator, "account/login"));
    ASSERT_TRUE(nettest::waitFor(*refusedAgain));
    EXPECT_EQ(refusedAgain->errorCode(), static_cast<int>(UrlErrorCode::SecureConnectionFailed));
    EXPECT_EQ(emulator.requestCount(), 1);
}

// The transport would quietly send such a request again; the service may have acted on the first
// copy already. Only a safe method goes again; anything else fails as a lost connection, once.
TEST(UrlSessionDelivery, ARequestWhoseConnectionClosesBeforeAnyAnswerIsSentOnce) {
    const struct {
        const char* method;
        bool withBody;
        int copies;
        int errorCode;
    } cases[] = {
        {"POST", true, 1, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"POST", false, 1, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"PUT", true, 1, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"DELETE", true, 1, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"GET", false, 2, 0},
    };
    // A connection of its own, and one kept alive from the call before.
    for (const std::size_t requestsPerConnection : {std::size_t(1), std::size_t(10)}) {
        ServiceEmulator::Options options;
        options.requestsPerConnection = requestsPerConnection;
        ServiceEmulator emulator(options);
        emulator.setStrictEnvelope(false);
        ASSERT_TRUE(emulator.start());
        UrlSession session;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.method) + (c.withBody ? " with a body" : "") + ", " +
                         std::to_string(requestsPerConnection) + " per connection");
            emulator.clearRequests();
            ASSERT_TRUE(nettest::waitFor(
                *nettest::start(session, nettest::apiRequest(emulator, "account/ping"))));
            emulator.injectFault("test/once", Fault::closeBeforeAnswer());
            emulator.scriptAnswer("test/once", Reply::ok());
            UrlRequest request = nettest::apiRequest(emulator, "test/once", {{"n", 1}});
            request.httpMethod = c.method;
            if (!c.withBody) {
                request.body.clear();
            }
            auto outcome = nettest::start(session, request);
            ASSERT_TRUE(nettest::waitFor(*outcome));

            const auto calls = emulator.requests("test/once");
            ASSERT_EQ(calls.size(), c.copies);
            EXPECT_EQ(calls.first().status, -1);
            EXPECT_EQ(outcome->errorCode(), c.errorCode);
            EXPECT_EQ(outcome->status(), c.errorCode == 0 ? 200 : 0);
            const bool keptAlive =
                calls.first().clientPort == emulator.lastRequest("account/ping")->clientPort;
            EXPECT_EQ(keptAlive, requestsPerConnection > 1);
            if (c.withBody) {
                EXPECT_EQ(calls.first().body.value("n"), 1);
            }
            emulator.clearFaults();
        }
    }
}
