#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QJsonArray>

#include <chrono>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

const QString kPoll = u"account/poll"_s;

platform::Application& application() {
    return platform::Application::shared();
}

double pollSecondsUntil(const QDateTime& date) {
    return static_cast<double>(scheduler().currentDate().msecsTo(date)) / 1000.0;
}

QJsonObject record(const QString& kind, const QString& key = {}, const QJsonValue& value = {}) {
    QJsonObject object{{u"mk_rec_type"_s, kind}};
    if (!key.isEmpty()) {
        object.insert(key, value);
    }
    return object;
}

// Writes down every record hook, where the shared recording session writes only a few.
class HookJournalSession : public RecordingSession {
public:
    using RecordingSession::RecordingSession;

    ZVErrorPtr handleActivity(ZVJsonParser&) override { return note(u"activity"_s); }
    ZVErrorPtr handleHook(ZVJsonParser&) override { return note(u"hook"_s); }
    ZVErrorPtr handleTeam(ZVJsonParser&) override { return note(u"team"_s); }
    ZVErrorPtr handleFile(ZVJsonParser&) override { return note(u"file"_s); }
    ZVErrorPtr handlePreview(ZVJsonParser&) override { return note(u"preview"_s); }
    ZVErrorPtr handleLock(ZVJsonParser&) override { return note(u"lock"_s); }
    ZVErrorPtr handleLabel(ZVJsonParser&) override { return note(u"label"_s); }
    ZVErrorPtr handleOrganisation(ZVJsonParser&) override { return note(u"organisation"_s); }

private:
    ZVErrorPtr note(const QString& hook) {
        journal().append(credentials()->email() + u' ' + hook);
        return nullptr;
    }
};

class ZVApiPollTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        ZVApi::setSessionClass(ZVApiSession::factory<HookJournalSession>());
    }

    // An account signed in as the first sign-in of the process leaves it.
    std::shared_ptr<RecordingSession> signInAndLogin(const QString& email) {
        auto session = signIn(email);
        if (api().loginStatus() != ZVApi::LoginStatusSignedIn) {
            api().login();
        }
        return session;
    }

    QString accountId(const QString& email) const { return emulator.account(email)->accountId; }

    QList<zvemu::RecordedRequest> polls() const { return emulator.requests(kPoll); }

    bool waitForPolls(int count) {
        return scheduler().runUntil([&] { return emulator.requestCount(kPoll) >= count; });
    }
};

// --- the poll loop and the stream ---

TEST_F(ZVApiPollTest, InjectedEventsReachTheirHooksWithinTheHoldAndUnknownKindsAreSkipped) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(1));
    RecordingSession::journal().clear();

    const qint64 horizon = emulator.appendEvents(
        accountId(u"anna@example.com"_s),
        {record(u"contact"_s, u"account_id"_s, u"c1"_s),
         record(u"conv"_s, u"conversation_id"_s, u"v1"_s), record(u"message"_s, u"message_nr"_s, 7),
         record(u"activity"_s), record(u"hook"_s), record(u"team"_s),
         record(u"request"_s, u"client_req_id"_s, u"nobody-waits-for-this"_s), record(u"file"_s),
         record(u"preview"_s), record(u"lock"_s), record(u"label"_s), record(u"org_header"_s),
         record(u"org_member"_s), record(u"poll_result"_s), QJsonObject{{u"account_id"_s, u"c2"_s}},
         record(u"contact"_s, u"account_id"_s, u"c3"_s)});
    ASSERT_TRUE(scheduler().runUntil([&] { return anna->eventHorizon() == horizon; }));

    QStringList expected;
    for (const char* hook :
         {"contact c1", "conversation v1", "message 7", "activity", "hook", "team", "file",
          "preview", "lock", "label", "organisation", "org_member", "contact c3"}) {
        expected.append(u"anna@example.com "_s + QString::fromLatin1(hook));
    }
    EXPECT_EQ(RecordingSession::appliedRecords(), expected);
    EXPECT_FALSE(api().lastError());
    EXPECT_FALSE(logText().contains(u"STREAM_ERROR"_s));

    // The loop goes on waiting from the new position.
    ASSERT_TRUE(waitForHeld(1));
    const auto sent = polls();
    EXPECT_EQ(sent.last().body.value(u"event_horizon"_s).toInteger(), horizon);
    EXPECT_EQ(sent.last().body.value(u"wait"_s), QJsonValue(true));
}

TEST_F(ZVApiPollTest, MalformedPollStreamIsReportedAndTheRestStillApplied) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    emulator.scriptAnswer(
        kPoll,
        Reply::ok({{u"stream"_s, QJsonArray{1, record(u"contact"_s, u"account_id"_s, u"c1"_s)}},
                   {u"event_horizon"_s, 30}}));
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(1));

    EXPECT_EQ(RecordingSession::appliedRecords(), QStringList{u"anna@example.com contact c1"_s});
    EXPECT_EQ(anna->eventHorizon(), 30);
    ASSERT_TRUE(api().lastError());
    EXPECT_EQ(api().lastError()->code(), ZVError::MalformedStream);
    // The poll counted as answered: the next one waits.
    EXPECT_EQ(polls().last().body.value(u"wait"_s), QJsonValue(true));
}

TEST_F(ZVApiPollTest, DroppedWaitingPollGoesOfflineAndPollsAgainASecondLater) {
    signInAndLogin(u"anna@example.com"_s);
    emulator.injectFault(kPoll, Fault::none());
    // The waiting poll is held by the service, then its answer breaks off.
    emulator.injectFault(kPoll, Fault::dropConnection());
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(1));
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    ASSERT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOnline);
    ASSERT_TRUE(api().connectionAvailable());

    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil(
        [] { return api().pendingRequests().empty() && api().nextConnectionTime().isValid(); }));
    EXPECT_DOUBLE_EQ(pollSecondsUntil(api().nextConnectionTime()), 1.0);
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOffline);
    EXPECT_FALSE(api().connectionAvailable());
    EXPECT_EQ(emulator.requestCount(kPoll), 2);

    scheduler().advance(1.0 - ZVApi::kStatusUpdateDelay);
    ASSERT_TRUE(waitForPolls(4));
    ASSERT_TRUE(waitForHeld(1));
    const auto sent = polls();
    EXPECT_EQ(sent[2].body.value(u"wait"_s), QJsonValue(false));
    EXPECT_EQ(sent[3].body.value(u"wait"_s), QJsonValue(true));
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOnline);
    EXPECT_TRUE(api().connectionAvailable());
}

TEST_F(ZVApiPollTest, PollsWithoutWaitingGoOutAtMostOnceASecond) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    anna->setEventHorizon(-1);
    // A service that keeps the account's horizon negative, three times over.
    emulator.scriptAnswer(kPoll, Reply::ok({{u"stream"_s, QJsonArray()}, {u"event_horizon"_s, -1}}),
                          3);
    api().startLongPoll();
    ASSERT_TRUE(waitForPolls(1));
    ASSERT_TRUE(waitUntilIdle());
    for (int sent = 2; sent <= 4; ++sent) {
        SCOPED_TRACE(sent);
        EXPECT_EQ(emulator.requestCount(kPoll), sent - 1);
        // Nothing goes out early, however the loop is restarted.
        api().startLongPoll();
        scheduler().advance(0.5);
        EXPECT_EQ(emulator.requestCount(kPoll), sent - 1);
        scheduler().advance(0.5);
        ASSERT_TRUE(waitForPolls(sent));
        if (sent < 4) {
            ASSERT_TRUE(waitUntilIdle());
        }
    }
    // The fourth answer reached the route, which knows the account's position: no more pacing.
    ASSERT_TRUE(waitForHeld(1));
    const auto sent = polls();
    ASSERT_EQ(sent.size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[i].body.value(u"wait"_s), QJsonValue(false)) << i;
    }
    EXPECT_EQ(sent[4].body.value(u"wait"_s), QJsonValue(true));
}

TEST_F(ZVApiPollTest, AccountSignedInAgainPollsThoughItsLastPollWasPutOff) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    anna->setEventHorizon(-1);
    emulator.scriptAnswer(kPoll,
                          Reply::ok({{u"stream"_s, QJsonArray()}, {u"event_horizon"_s, -1}}));
    api().startLongPoll();
    ASSERT_TRUE(waitForPolls(1));
    ASSERT_TRUE(waitUntilIdle());

    // The next poll waits out its second when the account's session is replaced.
    anna->endSession(ZVApiSession::EndReason::Resync);
    const auto renewed = api().sessions().value(accountId(u"anna@example.com"_s));
    ASSERT_TRUE(renewed);
    ASSERT_NE(renewed, anna);
    anna.reset();
    scheduler().advance(1.0);
    ASSERT_TRUE(waitForPolls(2));
    EXPECT_EQ(polls()[1].body.value(u"wait"_s), QJsonValue(false));
}

// --- background mode ---

TEST_F(ZVApiPollTest, ResigningActiveCancelsWaitingPollsAndBecomingActiveSendsFirstPolls) {
    signInAndLogin(u"anna@example.com"_s);
    signInAndLogin(u"bert@example.com"_s);
    int defaultErrors = 0;
    api().setDefaultErrorHandler([&defaultErrors](const ZVErrorPtr&) { ++defaultErrors; });
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(2));

    api().setBackgroundMode(true);
    EXPECT_TRUE(api().backgroundMode());
    EXPECT_TRUE(api().pendingRequests().empty());
    // Nothing is left to do: no background task, no retry.
    EXPECT_EQ(application().runningBackgroundTaskCount(), 0u);
    EXPECT_FALSE(api().nextConnectionTime().isValid());
    EXPECT_FALSE(api().lastError());
    EXPECT_EQ(defaultErrors, 0);
    emulator.releaseHeld();
    scheduler().advance(5);
    EXPECT_EQ(emulator.requestCount(kPoll), 4);

    api().setBackgroundMode(false);
    ASSERT_EQ(api().pendingRequests().size(), 2u);
    for (const auto& request : api().pendingRequests()) {
        EXPECT_EQ(request->tag(), ZVApiRequest::TagInitialPoll);
    }
    // The released holds of the first round may still be counted for a moment: wait for the new
    // polls themselves before counting what is held.
    ASSERT_TRUE(waitForPolls(8));
    ASSERT_TRUE(waitForHeld(2));
    const auto sent = polls();
    ASSERT_EQ(sent.size(), 8);
    // Each account's first poll does not wait; one account may already be waiting before the
    // other's first poll reaches the service.
    QStringList firstPolled;
    for (qsizetype i = 4; i < sent.size(); ++i) {
        const QString ticket = sent[i].body.value(u"ticket"_s).toString();
        EXPECT_EQ(sent[i].body.value(u"wait"_s), QJsonValue(firstPolled.contains(ticket))) << i;
        firstPolled.append(ticket);
    }
    EXPECT_EQ(QSet<QString>(firstPolled.cbegin(), firstPolled.cend()).size(), 2);
}

TEST_F(ZVApiPollTest, ReturningToTheForegroundDropsTheRetryTimerAndResetsTheBackOff) {
    signInAndLogin(u"anna@example.com"_s);
    emulator.injectFault(kPoll, Fault::dropConnection(), 6);
    api().startLongPoll();
    std::vector<double> delays;
    for (int failure = 1; failure <= 5; ++failure) {
        ASSERT_TRUE(scheduler().runUntil([] {
            return api().pendingRequests().empty() && api().nextConnectionTime().isValid();
        }));
        delays.push_back(pollSecondsUntil(api().nextConnectionTime()));
        if (failure < 5) {
            scheduler().advance(delays.back());
        }
    }
    EXPECT_EQ(delays, (std::vector<double>{1, 1, 1, 1, 2}));

    api().setBackgroundMode(true);
    EXPECT_FALSE(api().nextConnectionTime().isValid());
    scheduler().advance(5);
    EXPECT_EQ(emulator.requestCount(kPoll), 5);

    api().setBackgroundMode(false);
    ASSERT_TRUE(scheduler().runUntil(
        [] { return api().pendingRequests().empty() && api().nextConnectionTime().isValid(); }));
    EXPECT_EQ(emulator.requestCount(kPoll), 6);
    EXPECT_DOUBLE_EQ(pollSecondsUntil(api().nextConnectionTime()), 1.0);
}

TEST_F(ZVApiPollTest, BackgroundTaskEndsWhenThePollInFlightSucceeds) {
    signInAndLogin(u"anna@example.com"_s);
    emulator.injectFault(kPoll, Fault::delayed(kHold));
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(1));

    api().setBackgroundMode(true);
    ASSERT_EQ(api().pendingRequests().size(), 1u);
    EXPECT_EQ(application().runningBackgroundTaskCount(), 1u);

    emulator.releaseHeld();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(application().runningBackgroundTaskCount(), 0u);
    scheduler().advance(5);
    EXPECT_EQ(emulator.requestCount(kPoll), 1);
}

TEST_F(ZVApiPollTest, ExpiryOfTheBackgroundTimeCancelsEveryRequestWithoutItsBlocks) {
    signInAndLogin(u"anna@example.com"_s);
    emulator.injectFault(kPoll, Fault::delayed(kHold));
    emulator.injectFault(u"test/slow"_s, Fault::delayed(kHold));
    api().startLongPoll();
    int blocks = 0;
    api().setDefaultErrorHandler([&blocks](const ZVErrorPtr&) { ++blocks; });
    auto slow = makeRequest(u"test/slow"_s);
    slow->setErrorHandler([&blocks](const ZVErrorPtr&) { ++blocks; });
    slow->setSuccessHandler([&blocks] { ++blocks; });
    api().sendRequest(slow);
    ASSERT_TRUE(waitForHeld(2));

    application().resignActive();
    api().setBackgroundMode(true);
    application().enterBackground();
    ASSERT_EQ(application().runningBackgroundTaskCount(), 1u);
    ASSERT_EQ(api().pendingRequests().size(), 2u);

    application().expireBackgroundTime();
    EXPECT_TRUE(api().pendingRequests().empty());
    EXPECT_EQ(blocks, 0);
    EXPECT_EQ(application().runningBackgroundTaskCount(), 0u);
    EXPECT_FALSE(api().nextConnectionTime().isValid());
    EXPECT_FALSE(api().lastError());
    emulator.releaseHeld();
    scheduler().advance(ZVApiRequest::kDefaultTimeoutInterval);
    EXPECT_EQ(blocks, 0);
}

// --- the background fetch ---

TEST_F(ZVApiPollTest, FetchReportsOnceWithTheSumOfItsOwnPolls) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    auto bert = signInAndLogin(u"bert@example.com"_s);
    auto carl = signInAndLogin(u"carl@example.com"_s);
    const QString annaId = accountId(u"anna@example.com"_s);
    const QString bertId = accountId(u"bert@example.com"_s);
    emulator.appendEvents(annaId, {record(u"activity"_s), record(u"activity"_s)});
    emulator.appendEvents(bertId, {record(u"team"_s), record(u"team"_s), record(u"team"_s)});
    // Carl's first poll was already running when the application went to the background.
    emulator.injectFault(kPoll, Fault::delayed(kHold));
    api().startPollForSession(carl, true);
    ASSERT_TRUE(waitForHeld(1));
    api().setBackgroundMode(true);
    application().setState(platform::ApplicationState::Background);

    emulator.injectFault(kPoll, Fault::withStatus(500));
    std::vector<std::int64_t> completions;
    int errors = 0;
    ASSERT_TRUE(api().pollWithCompletion(
        [&completions](std::int64_t newEvents) { completions.push_back(newEvents); },
        [&errors](const ZVErrorPtr&) { ++errors; }));
    const auto fetchPolls = api().requestsWithTag(ZVApiRequest::TagInitialPoll, nullptr);
    ASSERT_EQ(fetchPolls.size(), 3u);
    for (const auto& poll : fetchPolls) {
        if (poll->session() != carl) {
            EXPECT_DOUBLE_EQ(poll->timeoutInterval(),
                             platform::Application::kBackgroundTimeAllowance - 5.0);
        }
    }
    ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().size() == 1; }));

    // Which account the failure struck is up to the emulator's threads.
    const auto answered = polls();
    ASSERT_EQ(answered.size(), 3);
    const bool annaFailed =
        answered[1].status == 500
            ? answered[1].body.value(u"ticket"_s) == anna->credentials()->ticket()
            : answered[2].body.value(u"ticket"_s) == anna->credentials()->ticket();
    const std::int64_t expected =
        annaFailed ? emulator.eventHorizon(bertId) : emulator.eventHorizon(annaId);
    EXPECT_EQ(completions, std::vector<std::int64_t>{expected});
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(api().nextConnectionTime().isValid());

    emulator.releaseHeld();
    ASSERT_TRUE(waitUntilIdle());
    scheduler().advance(5);
    EXPECT_EQ(completions.size(), 1u);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(emulator.requestCount(kPoll), 3);
    EXPECT_EQ(application().runningBackgroundTaskCount(), 0u);
}

TEST_F(ZVApiPollTest, FetchAddsUpTheNewEventsOfEveryAccount) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    auto bert = signInAndLogin(u"bert@example.com"_s);
    const QString annaId = accountId(u"anna@example.com"_s);
    const QString bertId = accountId(u"bert@example.com"_s);
    anna->setEventHorizon(emulator.eventHorizon(annaId));
    bert->setEventHorizon(emulator.eventHorizon(bertId));
    emulator.appendEvents(annaId, {record(u"activity"_s), record(u"activity"_s)});
    emulator.appendEvents(bertId, {record(u"team"_s), record(u"team"_s), record(u"team"_s)});
    api().setBackgroundMode(true);
    application().setState(platform::ApplicationState::Background);

    std::vector<std::int64_t> completions;
    int errors = 0;
    ASSERT_TRUE(api().pollWithCompletion(
        [&completions](std::int64_t newEvents) { completions.push_back(newEvents); },
        [&errors](const ZVErrorPtr&) { ++errors; }));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(completions, std::vector<std::int64_t>{5});
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(anna->eventHorizon(), emulator.eventHorizon(annaId));
    EXPECT_EQ(bert->eventHorizon(), emulator.eventHorizon(bertId));
}

// In the background only queued work of priority 3 or more goes out and keeps the application
// running; the rest waits for the foreground.
TEST_F(ZVApiPollTest, InTheBackgroundQueuedRequestsOfLowPriorityWaitForTheForeground) {
    api().login();
    for (const int priority : {1, 2, 3, 4}) {
        SCOPED_TRACE(priority);
        const bool urgent = priority >= 3;
        const QString path = u"test/priority"_s + QString::number(priority);
        emulator.scriptAnswer(path, Reply::ok());
        auto work = makeRequest(path);
        work->setPriority(priority);
        api().queueRequest(work, u"work"_s);
        api().setBackgroundMode(true);
        EXPECT_EQ(application().runningBackgroundTaskCount(), urgent ? 1u : 0u);

        // The queue's turn comes in the background. Whether a sent request is still pending here
        // depends on how fast the loopback answers, so only the queue is checked.
        scheduler().advance(ZVApi::kQueueSendDelay);
        EXPECT_EQ(api().queuedRequests().size(), urgent ? 0u : 1u);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(application().runningBackgroundTaskCount(), 0u) << "ended once done";
        EXPECT_EQ(emulator.requestCount(path), urgent ? 1 : 0);

        api().setBackgroundMode(false);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(emulator.requestCount(path), 1);
        EXPECT_TRUE(api().queuedRequests().empty());
    }
}

TEST_F(ZVApiPollTest, FetchWhosePollsAreCancelledReportsFailureOnce) {
    auto anna = signInAndLogin(u"anna@example.com"_s);
    api().setBackgroundMode(true);
    emulator.injectFault(kPoll, Fault::delayed(kHold));
    int completions = 0;
    std::vector<int> errors;
    const auto completion = [&completions](std::int64_t) { ++completions; };
    const auto onError = [&errors](const ZVErrorPtr& error) { errors.push_back(error->code()); };
    ASSERT_TRUE(api().pollWithCompletion(completion, onError));
    ASSERT_TRUE(waitForHeld(1));
    // The account's poll is running: a second fetch has nothing to send.
    EXPECT_FALSE(api().pollWithCompletion(completion, onError));

    api().removeSession(anna);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(errors, std::vector<int>{ZVError::Cancelled});
}

TEST_F(ZVApiPollTest, FetchThatFailsInTheForegroundLeavesTheAccountPolling) {
    signInAndLogin(u"anna@example.com"_s);
    emulator.injectFault(kPoll, Fault::withStatus(503));
    int errors = 0;
    ASSERT_TRUE(api().pollWithCompletion(nullptr, [&errors](const ZVErrorPtr&) { ++errors; }));
    ASSERT_EQ(api().pendingRequests().size(), 1u);
    EXPECT_DOUBLE_EQ(api().pendingRequests().front()->timeoutInterval(),
                     ZVApiRequest::kDefaultTimeoutInterval);

    ASSERT_TRUE(waitForHeld(1));
    EXPECT_EQ(errors, 1);
    const auto sent = polls();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[1].body.value(u"wait"_s), QJsonValue(false));
    EXPECT_EQ(sent[2].body.value(u"wait"_s), QJsonValue(true));
}

}  // namespace
}  // namespace zvapitest
