#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVStatusView.h"

#include <QtNetwork/QNetworkCookie>

using namespace Qt::StringLiterals;

namespace shelltest {
namespace {

std::shared_ptr<platform::UserDefaults> groupDefaults() {
    return platform::UserDefaults::suite(
        platform::Application::shared().applicationGroupIdentifier());
}

// Joined, so that a failure reads.
std::string savedSessionIds() {
    QStringList ids;
    for (const QVariant& profile : groupDefaults()
                                       ->arrayForKey(QString(ZVGlobals::kSessionsDefaultsKey))
                                       .value_or(QVariantList())) {
        ids << profile.toMap().value(u"account_id"_s).toString();
    }
    return ids.join(u' ').toStdString();
}

QList<QNetworkCookie> tokenCookies() {
    QList<QNetworkCookie> found;
    for (const QNetworkCookie& cookie : platform::CookieStorage::shared()->cookies()) {
        if (cookie.name() == "token_id") {
            found << cookie;
        }
    }
    return found;
}

class ZVGlobalsAccountsTest : public ShellTest {
protected:
    // The other-accounts dot, once its fade has run (to the frame after its end).
    bool sessionBadgeShows() {
        scheduler().advance(2 * ZVGlobals::kSessionBadgeFade);
        const auto& badge = globals().sessionBadge();
        return badge && !badge->isHidden() && badge->alpha() == 1;
    }

    // Status bars anywhere in the window.
    int statusBars() {
        int count = 0;
        const std::function<void(const platform::View&)> visit = [&](const platform::View& view) {
            count += dynamic_cast<const ZVStatusView*>(&view) ? 1 : 0;
            for (const auto& child : view.subviews()) {
                visit(*child);
            }
        };
        visit(*globals().window());
        return count;
    }
};

TEST_F(ZVGlobalsAccountsTest, SignInAddAnAccountAndSignOutOfBoth) {
    launch();
    EXPECT_FALSE(globals().isLoggedIn());
    ASSERT_TRUE(globals().preLoginNavigationController());
    EXPECT_EQ(globals().window()->rootViewController(), globals().preLoginNavigationController());

    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    EXPECT_TRUE(globals().isLoggedIn());
    EXPECT_EQ(globals().window()->rootViewController(), globals().leftNavigationController());
    EXPECT_FALSE(globals().preLoginNavigationController());
    EXPECT_EQ(globals().session(), anna);
    EXPECT_EQ(savedSessionIds(), account(kAnna).toStdString());
    EXPECT_EQ(groupDefaults()->stringForKey(QString(ZVGlobals::kActiveSessionDefaultsKey)),
              account(kAnna));
    const auto cookies = tokenCookies();
    ASSERT_EQ(cookies.size(), 1);
    EXPECT_EQ(cookies[0].value(), anna->credentials()->cookie().toUtf8());
    EXPECT_EQ(cookies[0].domain(), u"127.0.0.1"_s);
    EXPECT_EQ(cookies[0].path(), u"/"_s);

    // Adding an account passes through "signing in further" (3): the screens stay.
    QList<int> statuses;
    const auto watch = api().observe(QString(ZVApi::LoginStatusKey),
                                     [&](const QString&) { statuses << api().loginStatus(); });
    const auto left = globals().leftNavigationController();
    const auto ben = signIn(kBen);
    ASSERT_TRUE(ben);
    EXPECT_EQ(statuses,
              (QList<int>{ZVApi::LoginStatusSigningInFurther, ZVApi::LoginStatusSignedIn}));
    EXPECT_EQ(inboxesMade, 1);
    EXPECT_EQ(globals().leftNavigationController(), left);
    EXPECT_EQ(globals().session(), ben);
    EXPECT_EQ(savedSessionIds(), (account(kAnna) + u' ' + account(kBen)).toStdString());
    EXPECT_EQ(groupDefaults()->stringForKey(QString(ZVGlobals::kActiveSessionDefaultsKey)),
              account(kBen));
    ASSERT_EQ(tokenCookies().size(), 1);
    EXPECT_EQ(tokenCookies()[0].value(), ben->credentials()->cookie().toUtf8());

    // The bar of the active account, out with another part's message.
    ASSERT_TRUE(globals().statusView());
    globals().statusView()->showWithMessage(u"Downloading"_s);
    EXPECT_EQ(statusBars(), 1);
    const std::weak_ptr<ZVStatusView> benBar = globals().statusView();

    // A switch of the active account closes the open conversation first.
    ASSERT_TRUE(waitForStreamEnd(ben));
    const QString conversation = emulator.addConversation(u"plans"_s, {account(kBen)});
    emulator.appendEvent(account(kBen), *emulator.conversationRecord(conversation));
    ASSERT_TRUE(waitForStreamEnd(ben));
    globals().setConversationId(ZVOpenRequest{conversation, {}, {}}, false);
    EXPECT_EQ(globals().conversationId(), conversation);
    api().setActiveSession(anna);
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_EQ(globals().session(), anna);
    // The previous account's bar went with it; the new one has nothing to show yet.
    EXPECT_NE(globals().statusView(), benBar.lock());
    EXPECT_EQ(statusBars(), 0);

    ben->endSession(ZVApiSession::EndReason::Logout);
    EXPECT_TRUE(globals().isLoggedIn());
    EXPECT_EQ(savedSessionIds(), account(kAnna).toStdString());
    anna->endSession(ZVApiSession::EndReason::Logout);
    ASSERT_TRUE(scheduler().runUntil([&] { return !globals().isLoggedIn(); }));
    EXPECT_EQ(globals().window()->rootViewController(), globals().preLoginNavigationController());
    EXPECT_FALSE(globals().leftNavigationController());
    EXPECT_FALSE(globals().session());
    EXPECT_TRUE(tokenCookies().isEmpty());
    EXPECT_EQ(savedSessionIds(), "");
    EXPECT_FALSE(platform::Application::shared().isRegisteredForRemoteNotifications());
}

TEST_F(ZVGlobalsAccountsTest, SavedAccountsAreSignedInWhileTheWindowIsBuilt) {
    launch();
    ASSERT_TRUE(signIn(kAnna));
    ASSERT_TRUE(signIn(kBen));
    api().setActiveSession(sessionOf(kAnna));
    quit();
    preLoginRootsMade = 0;
    inboxesMade = 0;

    launch();
    // Signed in inside initialize: the signed-out screens were never made.
    EXPECT_TRUE(globals().isLoggedIn());
    EXPECT_EQ(preLoginRootsMade, 0);
    EXPECT_EQ(inboxesMade, 1);
    EXPECT_EQ(globals().window()->rootViewController(), globals().leftNavigationController());
    ASSERT_TRUE(globals().session());
    EXPECT_EQ(globals().session()->credentials()->email(), kAnna);
    EXPECT_EQ(api().sessions().size(), 2);
    EXPECT_EQ(savedSessionIds(), (account(kAnna) + u' ' + account(kBen)).toStdString());
    // Both sessions started, one status bar: the active account's.
    ASSERT_TRUE(globals().statusView());
    globals().statusView()->showWithMessage(u"Downloading"_s);
    EXPECT_EQ(statusBars(), 1);

    // Each started session asks for push registration a second later.
    EXPECT_FALSE(platform::Application::shared().isRegisteredForRemoteNotifications());
    scheduler().advance(ZVGlobals::kApnRegistrationDelay);
    EXPECT_TRUE(platform::Application::shared().isRegisteredForRemoteNotifications());
}

TEST_F(ZVGlobalsAccountsTest, ASignOutDuringTheSignupDelayKeepsTheSignedOutScreens) {
    launch();
    signupFlow = true;
    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    // The sign-up flow keeps showing its last page a while.
    EXPECT_EQ(globals().window()->rootViewController(), globals().preLoginNavigationController());
    anna->endSession(ZVApiSession::EndReason::Logout);
    ASSERT_TRUE(scheduler().runUntil([&] { return !globals().isLoggedIn(); }));
    const auto signedOutRoot = globals().preLoginNavigationController();
    scheduler().advance(ZVGlobals::kSignupSwitchDelay);
    EXPECT_EQ(globals().window()->rootViewController(), signedOutRoot);
    EXPECT_FALSE(platform::Application::shared().isRegisteredForRemoteNotifications());

    // Signed in again, the switch comes 3 s later.
    ASSERT_TRUE(signIn(kAnna));
    EXPECT_NE(globals().window()->rootViewController(), globals().leftNavigationController());
    scheduler().advance(ZVGlobals::kSignupSwitchDelay);
    EXPECT_EQ(globals().window()->rootViewController(), globals().leftNavigationController());
}

TEST_F(ZVGlobalsAccountsTest, AnotherAccountsUnreadMessageShowsTheDotUntilItIsRead) {
    launch();
    const auto anna = signIn(kAnna);
    const auto ben = signIn(kBen);
    ASSERT_TRUE(anna && ben);
    ASSERT_EQ(globals().session(), ben);
    ASSERT_TRUE(waitForStreamEnd(anna));
    EXPECT_FALSE(sessionBadgeShows());

    // Ben writes to Anna while Ben's account is the one on screen: Anna's stream brings the
    // unread label and the conversation with its first message unread.
    const QString lunch = emulator.addConversation(u"lunch"_s, {account(kAnna), account(kBen)});
    QJsonObject conversation = *emulator.conversationRecord(lunch);
    for (const auto& [key, nr] : {std::pair{u"last_message_nr"_s, 1},
                                  {u"bw_message_nr"_s, 1},
                                  {u"fw_message_nr"_s, 1},
                                  {u"show_message_nr"_s, 1},
                                  {u"join_message_nr"_s, 1},
                                  {u"read_message_nr"_s, 0},
                                  {u"inbox_message_nr"_s, 1},
                                  {u"last_inbox_nr"_s, 1},
                                  {u"unread_count"_s, 1}}) {
        conversation.insert(key, nr);
    }
    conversation.insert(u"is_init"_s, true);
    emulator.appendEvents(account(kAnna), {QJsonObject{{u"mk_rec_type"_s, u"label"_s},
                                                       {u"label_id"_s, u"unread"_s},
                                                       {u"label"_s, u"Unread"_s},
                                                       {u"mk_label_subtype"_s, u"unread"_s},
                                                       {u"mk_label_status"_s, u"active"_s},
                                                       {u"index"_s, 0}},
                                           conversation,
                                           QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                                                       {u"conversation_id"_s, lunch},
                                                       {u"message_nr"_s, 1},
                                                       {u"inbox_nr"_s, 1},
                                                       {u"prev_message_nr"_s, 0},
                                                       {u"account_id"_s, account(kBen)},
                                                       {u"mk_message_type"_s, u"text"_s},
                                                       {u"message"_s, u"<msg>Lunch?</msg>"_s}}});
    ASSERT_TRUE(waitForStreamEnd(anna));
    ASSERT_TRUE(scheduler().runUntil([&] { return anna->unreadCount() == 1; }));
    EXPECT_EQ(ben->unreadCount(), 0);
    EXPECT_TRUE(sessionBadgeShows());
    const auto& badge = globals().sessionBadge();
    EXPECT_EQ(badge->superview(), &globals().leftNavigationController()->navigationBar());
    EXPECT_EQ(badge->frame(), QRectF(30, 10, 10, 10));

    // The dot is for the other accounts only: with Anna on screen her own count says it.
    api().setActiveSession(anna);
    EXPECT_FALSE(sessionBadgeShows());
    api().setActiveSession(ben);
    EXPECT_TRUE(sessionBadgeShows());
    // Back halfway through the fade-out: the cut fade does not hide the dot shown again.
    api().setActiveSession(anna);
    scheduler().advance(ZVGlobals::kSessionBadgeFade / 2);
    api().setActiveSession(ben);
    EXPECT_TRUE(sessionBadgeShows());

    // Anna reads it: the read horizon moves here at once, her count drops and the dot goes.
    const auto read = anna->conversationFromId(lunch);
    ASSERT_TRUE(read);
    read->loadMessages();
    read->markRead();
    ASSERT_TRUE(scheduler().runUntil([&] { return anna->unreadCount() == 0; }));
    EXPECT_FALSE(sessionBadgeShows());
}

}  // namespace
}  // namespace shelltest
