#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVShareMessageSender.h"
#include "platform/foundation/Application.h"

#include <QtCore/QJsonDocument>

using namespace Qt::StringLiterals;
using platform::BackgroundFetchResult;

namespace shelltest {
namespace {

const QString kPoll = u"account/poll"_s;

class ZVAppDelegateTest : public ShellTest {
protected:
    // Runs a background fetch; true when the platform's handler was answered in time.
    bool fetch() {
        results.clear();
        app().performBackgroundFetch([this](BackgroundFetchResult result) { results << result; });
        return scheduler().runUntil([&] { return !results.isEmpty(); });
    }
    // Enters the background with no poll left running.
    void enterBackgroundIdle() {
        ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() >= 1; }));
        app().enterBackground();
        emulator.releaseHeld();
        ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().empty(); }));
    }

    QList<BackgroundFetchResult> results;
};

TEST_F(ZVAppDelegateTest, BackgroundFetchAnswersOnceWithWhatThePollsFound) {
    launch();
    const int pollsBefore = emulator.requestCount(kPoll);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(results, QList{BackgroundFetchResult::NoData}) << "signed out";
    EXPECT_EQ(emulator.requestCount(kPoll), pollsBefore);

    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(waitForStreamEnd(anna));
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() >= 1; }));
    const int pollsWhileActive = emulator.requestCount(kPoll);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(results, QList{BackgroundFetchResult::NoData}) << "every account is polling";
    EXPECT_EQ(emulator.requestCount(kPoll), pollsWhileActive);

    enterBackgroundIdle();
    app().setApplicationIconBadgeNumber(99);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(results, QList{BackgroundFetchResult::NoData}) << "no new events";
    EXPECT_EQ(app().applicationIconBadgeNumber(), anna->unreadCount());

    emulator.appendEvent(account(kAnna), {{u"mk_rec_type"_s, u"contact"_s},
                                          {u"account_id"_s, account(kAnna)},
                                          {u"display_name"_s, u"Anna A."_s}});
    ASSERT_TRUE(fetch());
    EXPECT_EQ(results, QList{BackgroundFetchResult::NewData});

    emulator.injectFault(kPoll, zvemu::Fault::withStatus(500));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(fetch());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(results, QList{BackgroundFetchResult::Failed});
    EXPECT_NE(log.find("PerformFetch: failed: "), std::string::npos) << log;
}

TEST_F(ZVAppDelegateTest, OneFailingAccountOfTwoStillAnswersTheFetchOnce) {
    launch();
    ASSERT_TRUE(signIn(kAnna));
    ASSERT_TRUE(signIn(kBen));
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() >= 2; }));
    app().enterBackground();
    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().empty(); }));

    const int polls = emulator.requestCount(kPoll);
    emulator.injectFault(kPoll, zvemu::Fault::withStatus(500));
    ASSERT_TRUE(fetch());
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requestCount(kPoll) >= polls + 2; }));
    ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().empty(); }));
    scheduler().runPending();
    EXPECT_EQ(results.size(), 1);
}

TEST_F(ZVAppDelegateTest, PushOpensTheConversationOnlyWhenTheUserOpenedIt) {
    launch();
    const auto anna = signIn(kAnna);
    const auto ben = signIn(kBen);
    ASSERT_TRUE(anna && ben);
    ASSERT_TRUE(waitForStreamEnd(ben));
    const QString conversation = emulator.addConversation(u"plans"_s, {account(kBen)});
    emulator.appendEvent(account(kBen), *emulator.conversationRecord(conversation));
    emulator.appendEvent(account(kAnna), *emulator.conversationRecord(conversation));
    ASSERT_TRUE(waitForStreamEnd(ben));
    ASSERT_TRUE(waitForStreamEnd(anna));

    constexpr long kUntouched = 42;
    struct Case {
        const char* name;
        platform::ApplicationState state;
        QJsonObject payload;
        long badge;
        // The account made active, and whether the conversation opened.
        QString activeEmail;
        bool opened;
    };
    const QJsonObject toBen{{u"account_id"_s, account(kBen)}, {u"conversation_id"_s, conversation}};
    const Case cases[] = {
        {"active",
         platform::ApplicationState::Active,
         {{u"aps"_s, QJsonObject{{u"badge"_s, 3}}}, {u"zelvo"_s, toBen}},
         3,
         kAnna,
         false},
        {"background",
         platform::ApplicationState::Background,
         {{u"zelvo"_s, toBen}},
         kUntouched,
         kAnna,
         false},
        {"opened by the user",
         platform::ApplicationState::Inactive,
         {{u"aps"_s, QJsonObject{{u"badge"_s, 5}}}, {u"zelvo"_s, toBen}},
         5,
         kBen,
         true},
        {"no badge clears it",
         platform::ApplicationState::Inactive,
         {{u"aps"_s, QJsonObject{}}, {u"zelvo"_s, toBen}},
         0,
         kBen,
         true},
        {"an unknown account keeps the active one",
         platform::ApplicationState::Inactive,
         {{u"zelvo"_s, QJsonObject{{u"account_id"_s, u"00000000-0000-0000-0000-000000000000"_s},
                                   {u"conversation_id"_s, conversation}}}},
         kUntouched,
         kAnna,
         true},
        {"values of other types are ignored",
         platform::ApplicationState::Inactive,
         {{u"aps"_s, QJsonObject{{u"badge"_s, u"7"_s}}},
          {u"zelvo"_s, QJsonObject{{u"account_id"_s, 12}, {u"conversation_id"_s, 34}}}},
         kUntouched,
         kAnna,
         false},
        {"a part of another type",
         platform::ApplicationState::Inactive,
         {{u"zelvo"_s, u"conversation"_s}},
         kUntouched,
         kAnna,
         false},
    };
    for (const Case& c : cases) {
        api().setActiveSession(anna);
        pagesOpened.clear();
        app().setApplicationIconBadgeNumber(kUntouched);
        app().setState(c.state);
        delegate_->applicationDidReceiveRemoteNotification(c.payload);
        EXPECT_EQ(app().applicationIconBadgeNumber(), c.badge) << c.name;
        EXPECT_EQ(api().activeSession()->credentials()->email(), c.activeEmail) << c.name;
        EXPECT_EQ(pagesOpened.size(), c.opened ? 1u : 0u) << c.name;
        if (c.opened && !pagesOpened.empty()) {
            EXPECT_EQ(pagesOpened[0].conversationId, conversation) << c.name;
        }
        globals().setConversationId(std::nullopt, false);
    }
}

TEST_F(ZVAppDelegateTest, EveryTransferEventsCompletionRunsOnce) {
    launch();
    int signedOutCompletions = 0;
    app().handleEventsForBackgroundURLSession(u"transfers"_s, [&] { ++signedOutCompletions; });
    EXPECT_EQ(signedOutCompletions, 1) << "nothing runs while signed out";

    ASSERT_TRUE(signIn(kAnna));
    ASSERT_TRUE(api().fileTransfers());
    int own = 0;
    app().handleEventsForBackgroundURLSession(u"transfers"_s, [&] { ++own; });
    app().handleEventsForBackgroundURLSession(u"transfers"_s, [&] { own += 10; });
    ASSERT_TRUE(api().fileTransfers()->completionHandler());
    api().fileTransfers()->completionHandler()();
    EXPECT_EQ(own, 11);

    // The share extension's session: a second event keeps the sender that is running.
    const QString group = app().applicationGroupIdentifier();
    int shared = 0;
    app().handleEventsForBackgroundURLSession(group, [&] { ++shared; });
    const auto sender = delegate_->sharedMessageSender();
    ASSERT_TRUE(sender);
    app().handleEventsForBackgroundURLSession(group, [&] { shared += 10; });
    EXPECT_EQ(delegate_->sharedMessageSender(), sender);
    EXPECT_EQ(shared, 0);
    sender->completionHandler()();
    EXPECT_EQ(shared, 11);
    EXPECT_FALSE(delegate_->sharedMessageSender());
}

TEST_F(ZVAppDelegateTest, TokensReachTheServiceOnlyWhileSignedIn) {
    launch();
    const int before = emulator.requestCount();
    app().receiveDeviceToken(QByteArray(32, '\x01'));
    scheduler().runPending();
    EXPECT_EQ(emulator.requestCount(), before);

    ASSERT_TRUE(signIn(kAnna));
    const int signedIn = emulator.requestCount();
    app().receiveDeviceToken(QByteArray(32, '\x02'));
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requestCount() > signedIn; }));
}

}  // namespace
}  // namespace shelltest
