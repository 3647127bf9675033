#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/UrlError.h"

#include <chrono>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

class ZVApiTest : public ApiTest {};

TEST_F(ZVApiTest, ConnectionStatusFollowsThePendingRequestsAfterAQuarterSecond) {
    emulator.injectFault(u"test/held"_s, Fault::delayed(std::chrono::milliseconds(20000)), -1);
    const struct {
        const char* name;
        std::vector<ZVApiRequest::Tag> tags;
        int status;
    } cases[] = {
        {"waiting poll only", {ZVApiRequest::TagLongPoll}, ZVApi::ConnectionStatusOnline},
        {"waiting poll and another",
         {ZVApiRequest::TagLongPoll, ZVApiRequest::TagOrdinary},
         ZVApi::ConnectionStatusActivity},
        {"poll without waiting", {ZVApiRequest::TagInitialPoll}, ZVApi::ConnectionStatusConnecting},
        {"nothing pending", {}, ZVApi::ConnectionStatusOffline},
    };
    const auto defaults = platform::UserDefaults::standard();
    int held = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults->removeObjectForKey(ZVApi::LastSyncTimeDefaultsKey);
        ZVApi::RequestList requests;
        for (ZVApiRequest::Tag tag : c.tags) {
            requests.push_back(makeRequest(u"test/held"_s));
            requests.back()->setTag(tag);
            api().sendRequest(requests.back());
        }
        held += static_cast<int>(c.tags.size());
        ASSERT_TRUE(waitForHeld(held));
        scheduler().advance(ZVApi::kStatusUpdateDelay - 0.01);
        const int before = api().connectionStatus();
        scheduler().advance(0.01);
        EXPECT_EQ(api().connectionStatus(), c.status);
        if (c.status == ZVApi::ConnectionStatusOnline) {
            EXPECT_NE(before, c.status);
            const double sinceReference =
                static_cast<double>(scheduler().currentDate().toSecsSinceEpoch()) - 978307200.0;
            EXPECT_EQ(defaults->integerForKey(ZVApi::LastSyncTimeDefaultsKey),
                      static_cast<std::int64_t>(sinceReference));
            EXPECT_EQ(api().lastSyncTime(), scheduler().currentDate());
        } else {
            EXPECT_FALSE(defaults->objectForKey(ZVApi::LastSyncTimeDefaultsKey).isValid());
        }
        for (const auto& request : requests) {
            api().cancelRequest(request);
        }
    }
}

TEST_F(ZVApiTest, ConnectionStatusAfterFailures) {
    emulator.injectFault(u"test/held"_s, Fault::delayed(std::chrono::milliseconds(20000)), -1);
    emulator.scriptAnswer(u"test/lost"_s, Reply::ok());
    emulator.injectFault(u"test/lost"_s, Fault::dropConnection());
    emulator.injectFault(u"test/broken"_s, Fault::withStatus(500));
    auto poll = makeRequest(u"test/held"_s);
    poll->setTag(ZVApiRequest::TagLongPoll);
    api().sendRequest(poll);
    ASSERT_TRUE(waitForHeld(1));
    emulator.scriptAnswer(u"test/fine"_s, Reply::ok());
    api().sendRequest(makeRequest(u"test/fine"_s));
    ASSERT_TRUE(scheduler().runUntil([] { return api().pendingRequests().size() == 1; }));
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    ASSERT_TRUE(api().connectionAvailable());

    // Requests still pending do not hide a network failure.
    api().sendRequest(makeRequest(u"test/lost"_s));
    ASSERT_TRUE(scheduler().runUntil([] { return api().pendingRequests().size() == 1; }));
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOffline);
    EXPECT_FALSE(api().connectionAvailable());

    api().sendRequest(makeRequest(u"test/broken"_s));
    ASSERT_TRUE(scheduler().runUntil([] { return api().pendingRequests().size() == 1; }));
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusError);
}

TEST_F(ZVApiTest, SessionsHearOfTheConnectionComingBackOnlyWhileSignedIn) {
    emulator.scriptAnswer(u"test/fine"_s, Reply::ok(), 3);
    emulator.scriptAnswer(u"test/lost"_s, Reply::ok());
    emulator.injectFault(u"test/lost"_s, Fault::dropConnection());
    auto anna = signIn(u"anna@example.com"_s);
    const auto send = [](const QString& path) {
        api().sendRequest(makeRequest(path));
        ASSERT_TRUE(waitUntilIdle());
        scheduler().advance(ZVApi::kStatusUpdateDelay);
    };
    send(u"test/fine"_s);
    EXPECT_TRUE(api().connectionAvailable());
    EXPECT_TRUE(RecordingSession::journal().isEmpty());

    api().login();
    send(u"test/lost"_s);
    EXPECT_FALSE(api().connectionAvailable());
    send(u"test/fine"_s);
    send(u"test/fine"_s);
    EXPECT_EQ(RecordingSession::journal(),
              QStringList{u"anna@example.com connection established"_s});
}

TEST_F(ZVApiTest, ActiveSessionIsAnnouncedAndStoredOnlyWhenItChanges) {
    auto anna = signIn(u"anna@example.com"_s);
    int announcements = 0;
    auto observation = api().observe(QString(ZVApi::ActiveSessionKey),
                                     [&announcements](const QString&) { ++announcements; });
    const auto defaults = platform::UserDefaults::standard();

    api().setActiveSession(anna);
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(defaults->stringForKey(ZVApi::ActiveSessionDefaultsKey), anna->sessionId());

    defaults->removeObjectForKey(ZVApi::ActiveSessionDefaultsKey);
    api().setActiveSession(anna);
    EXPECT_EQ(announcements, 1);
    EXPECT_FALSE(defaults->objectForKey(ZVApi::ActiveSessionDefaultsKey).isValid());

    api().setActiveSession(anna);
    api().setActiveSession(nullptr);
    EXPECT_EQ(announcements, 2);
    EXPECT_FALSE(defaults->objectForKey(ZVApi::ActiveSessionDefaultsKey).isValid());
}

TEST_F(ZVApiTest, ResettingTheSharedClientEndsEverySession) {
    auto anna = signIn(u"anna@example.com"_s);
    auto bert = signIn(u"bert@example.com"_s);
    QStringList ended;
    api().setOnSessionEnd([&ended](const std::shared_ptr<ZVApiSession>& session) {
        ended.append(session->credentials()->email());
    });
    // The allocator may give the next client the freed one's address: only ownership tells them
    // apart.
    const std::weak_ptr<ZVApi> before = api().weak_from_this();
    ZVApi::resetSharedApi();
    ended.sort();
    EXPECT_EQ(ended, (QStringList{u"anna@example.com"_s, u"bert@example.com"_s}));
    EXPECT_TRUE(before.expired());
    EXPECT_TRUE(api().sessions().isEmpty());
}

TEST(ZVApiConfigurationTest, ZelvoIdsAreAddressesOnTheServiceHost) {
    ZVApi& api = ZVApi::api();
    EXPECT_EQ(api.zelvoIdFromEmail(u"anna@zelvo.com"_s), u"anna"_s);
    EXPECT_TRUE(api.isZelvoId(u"anna.b@zelvo.com"_s));
    EXPECT_TRUE(api.zelvoIdFromEmail(u"anna@example.com"_s).isNull());
    EXPECT_TRUE(api.zelvoIdFromEmail(u"anna@zelvo.com.evil"_s).isNull());
}

TEST(ZVApiConfigurationTest, UserAgentNamesTheApplicationItsVersionAndTheSystem) {
    platform::Application& application = platform::Application::shared();
    application.setShortVersion(u"2.0"_s);
    application.setBuildVersion(u"7"_s);
    application.setSystemName(u"iOS"_s);
    application.setSystemVersion(u"10.1"_s);
    application.setExecutableName(u"Zelvo"_s);
    application.setBundleIdentifier(QString());
    EXPECT_EQ(ZVApi::userAgentString(), u"Zelvo/2.0.7 (iOS 10.1)"_s);
    application.setBundleIdentifier(u"com.example.zelvo"_s);
    EXPECT_EQ(ZVApi::userAgentString(), u"com.example.zelvo/2.0.7 (iOS 10.1)"_s);
    ZVApi::setApplicationId(u"ZelvoIPad"_s);
    EXPECT_EQ(ZVApi::userAgentString(), u"ZelvoIPad/2.0.7 (iOS 10.1)"_s);
}

TEST(ZVApiConfigurationTest, CustomBaseUrlReplacesTheServiceUntilCleared) {
    ZVApi& api = ZVApi::api();
    EXPECT_TRUE(api.customBaseURL().isNull());
    EXPECT_EQ(api.baseApiURL(), QUrl(u"https://zelvo.com/api/"_s));
    api.setCustomBaseURL(u"https://10.0.0.2:8443/"_s);
    EXPECT_EQ(api.customBaseURL(), u"https://10.0.0.2:8443/"_s);
    EXPECT_EQ(ZVApiRequest(u"conversation/sync/c1"_s).url(),
              QUrl(u"https://10.0.0.2:8443/api/conversation/sync/c1"_s));
    api.setCustomBaseURL(QString());
    EXPECT_TRUE(api.customBaseURL().isNull());
    EXPECT_EQ(api.baseURL(), ZVApi::serviceBaseURL());
}

TEST(ZVApiCertificateTest, OnlyACustomServerMayPresentAnUntrustedCertificate) {
    zvemu::ServiceEmulator emulator(zvemu::ServiceEmulator::Options{true});
    ASSERT_TRUE(emulator.start());
    emulator.scriptAnswer(u"test/ping"_s, Reply::ok(), 2);
    ZVApi& api = ZVApi::api();
    api.setCustomBaseURL(emulator.baseUrl());
    ZVApi::setApplicationId(u"ZelvoIPhone"_s);

    auto trusted = std::make_shared<ZVApiRequest>(u"test/ping"_s);
    auto untrusted = std::make_shared<ZVApiRequest>(u"test/ping"_s);
    std::vector<ZVErrorPtr> errors;
    for (const auto& request : {trusted, untrusted}) {
        request->setErrorHandler([&errors](const ZVErrorPtr& error) { errors.push_back(error); });
    }
    api.sendRequest(trusted);
    ASSERT_TRUE(scheduler().runUntil([&] { return api.pendingRequests().empty(); }));
    EXPECT_EQ(trusted->httpStatus(), 200);

    // Made for the custom server, sent after the service's own base URL is back.
    api.setCustomBaseURL(QString());
    api.sendRequest(untrusted);
    ASSERT_TRUE(scheduler().runUntil([&] { return api.pendingRequests().empty(); }));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]->domain(), platform::kUrlErrorDomain);
    EXPECT_EQ(errors[0]->code(), static_cast<int>(platform::UrlErrorCode::SecureConnectionFailed));
    platform::resetSharedState();
    emulator.stop();
}

TEST_F(ZVApiTest, SessionHorizonCompletesTheInitialSyncOnlyFromANegativeValue) {
    const struct {
        std::int64_t from;
        std::int64_t to;
        bool completes;
    } cases[] = {{-1, 5, true}, {0, 5, false}, {-1, 0, false}, {3, 5, false}};
    auto anna = signIn(u"anna@example.com"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        anna->setEventHorizon(c.from);
        RecordingSession::journal().clear();
        int announced = 0;
        auto observation =
            anna->observe(u"eventHorizon"_s, [&announced](const QString&) { ++announced; });
        anna->setEventHorizon(c.to);
        EXPECT_EQ(announced, 1);
        EXPECT_EQ(
            RecordingSession::journal().contains(u"anna@example.com initial sync completed"_s),
            c.completes);
    }
    // The next session of the account starts where this one stopped.
    auto again = ZVApiSession::create(anna->credentials());
    EXPECT_EQ(again->eventHorizon(), 5);
}

TEST_F(ZVApiTest, PollsCarryTheHorizonAndWaitOnceItIsKnown) {
    auto anna = signIn(u"anna@example.com"_s);
    anna->setEventHorizon(-1);
    const QString accountId = emulator.account(u"anna@example.com"_s)->accountId;
    emulator.appendEvent(accountId,
                         QJsonObject{{u"mk_rec_type"_s, u"contact"_s}, {u"account_id"_s, u"c7"_s}});
    api().startLongPoll();
    api().startLongPoll();
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() == 1; }));

    const auto polls = emulator.requests(u"account/poll"_s);
    ASSERT_EQ(polls.size(), 2);
    EXPECT_EQ(polls[0].body.value(u"event_horizon"_s).toInteger(), -1);
    EXPECT_EQ(polls[0].body.value(u"wait"_s), QJsonValue(false));
    EXPECT_EQ(polls[0].accountId, accountId);
    EXPECT_EQ(polls[1].body.value(u"event_horizon"_s).toInteger(), 2);
    EXPECT_EQ(polls[1].body.value(u"wait"_s), QJsonValue(true));
    EXPECT_TRUE(RecordingSession::journal().contains(u"anna@example.com contact c7"_s));
    ASSERT_EQ(api().pendingRequests().size(), 1u);
    EXPECT_EQ(api().pendingRequests().front()->tag(), ZVApiRequest::TagLongPoll);
    scheduler().advance(ZVApi::kStatusUpdateDelay);
    EXPECT_EQ(api().connectionStatus(), ZVApi::ConnectionStatusOnline);
}

}  // namespace
}  // namespace zvapitest
