#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/security/Keychain.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

#include <chrono>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

const QString kPassword = u"secret"_s;

std::shared_ptr<platform::UserDefaults> defaults() {
    return platform::UserDefaults::standard();
}

platform::KeychainCopyResult keychainItem(const QString& email) {
    platform::KeychainQuery query;
    query.account = email;
    return platform::Keychain::shared().copyMatching(query);
}

bool hasKeychainItem(const QString& email) {
    return keychainItem(email).status == platform::KeychainStatus::Success;
}

QDir caches() {
    return QDir(platform::Paths::cachesDirectory());
}

// The account's local data: a store file in the folder its uuid names.
void makeLocalData(const QString& uuid) {
    ASSERT_TRUE(caches().mkpath(uuid));
    QFile store(caches().filePath(uuid + u"/Zelvo.sqlite"_s));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("store");
}

class ZVApiLoginTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        ZVApi::setSessionClass(ZVApiSession::factory<ZVApiSession>());
        statusObservation = api().observe(QString(ZVApi::LoginStatusKey), [this](const QString&) {
            statuses.append(api().loginStatus());
        });
        api().setOnSessionStart([this](const std::shared_ptr<ZVApiSession>& session) {
            started.append(session->credentials()->email());
        });
        api().setOnLoginError([this](const ZVErrorPtr& error) { loginErrors.append(error); });
    }

    QString idOf(const QString& email) const { return emulator.account(email)->accountId; }

    std::shared_ptr<ZVApiSession> sessionOf(const QString& email) const {
        const auto account = emulator.account(email);
        return account ? api().sessions().value(account->accountId) : nullptr;
    }

    // Signs in as a user types it, and waits for the answer to be handled.
    std::shared_ptr<ZVApiSession> typeSignIn(const QString& email) {
        if (!emulator.account(email)) {
            emulator.addAccount(email, kPassword);
        }
        const int answered = answeredSignIns() + 1;
        api().loginWithEmail(email, kPassword);
        EXPECT_TRUE(scheduler().runUntil([&] {
            return answeredSignIns() >= answered && api().loginStatus() != 1 &&
                   api().loginStatus() != 3;
        }));
        return sessionOf(email);
    }

    int answeredSignIns() const {
        int answered = 0;
        for (const auto& request : emulator.requests(u"account/login"_s)) {
            answered += request.status != 0 ? 1 : 0;
        }
        return answered;
    }

    // An account saved by an earlier run: its keychain record holds a ticket the emulator knows.
    void saveAccount(const QString& email) {
        const zvemu::Account account = emulator.addAccount(email, kPassword);
        const zvemu::Credentials issued = emulator.issueCredentials(account.accountId);
        ZVUserCredentials credentials(email);
        credentials.setUuid(account.accountId);
        credentials.setTicket(issued.ticket);
        credentials.setCookie(issued.token);
        credentials.save();
    }

    // Has the service answer a call of the session with a horizon of 0, and waits until the
    // answer is handled; the resync follows ZVApi::kResyncDelay later.
    bool askResync(const std::shared_ptr<ZVApiSession>& session) {
        emulator.scriptAnswer(u"test/resync"_s, Reply::ok({{u"event_horizon"_s, 0}}));
        const int asked = emulator.requestCount(u"test/resync"_s) + 1;
        session->sendRequest(makeRequest(u"test/resync"_s));
        return waitForAnswered(u"test/resync"_s, asked) && scheduler().runUntil([] {
            for (const auto& request : api().pendingRequests()) {
                if (request->isMethod(u"test/resync")) {
                    return false;
                }
            }
            return true;
        });
    }

    // Waits until every session has a waiting poll held by the emulator.
    bool waitForPolls(int sessions) {
        return scheduler().runUntil([&] {
            int waiting = 0;
            for (const auto& request : api().pendingRequests()) {
                waiting += request->tag() == ZVApiRequest::TagLongPoll ? 1 : 0;
            }
            return waiting == sessions && emulator.heldCount() == sessions;
        });
    }

    platform::Observation statusObservation;
    QList<int> statuses;
    QStringList started;
    QList<ZVErrorPtr> loginErrors;
};

// --- saved accounts ---

TEST_F(ZVApiLoginTest, SavedAccountsSignInFromTheKeychainAndTheStoredOneIsActive) {
    saveAccount(u"anna@example.com"_s);
    saveAccount(u"bert@example.com"_s);
    defaults()->setObject(
        QStringList{u"anna@example.com"_s, u"gone@example.com"_s, u"bert@example.com"_s},
        ZVApi::AccountsDefaultsKey);
    defaults()->setString(idOf(u"bert@example.com"_s), ZVApi::ActiveSessionDefaultsKey);
    int activeAnnounced = 0;
    auto activeObservation =
        api().observe(QString(ZVApi::ActiveSessionKey),
                      [&activeAnnounced](const QString&) { ++activeAnnounced; });

    api().loginWithSavedCredentials();
    EXPECT_EQ(api().sessions().size(), 2);
    EXPECT_EQ(api().activeSession(), sessionOf(u"bert@example.com"_s));
    EXPECT_EQ(activeAnnounced, 0);
    EXPECT_EQ(statuses, QList<int>{ZVApi::LoginStatusSignedIn});
    EXPECT_TRUE(started.isEmpty());
    ASSERT_TRUE(waitForPolls(2));
    QSet<QString> polled;
    for (const auto& poll : emulator.requests(u"account/poll"_s)) {
        polled.insert(poll.accountId);
    }
    EXPECT_EQ(polled, (QSet<QString>{idOf(u"anna@example.com"_s), idOf(u"bert@example.com"_s)}));
    EXPECT_TRUE(logText().contains(u"SecItemCopyMatching returned -25300"_s));
}

TEST_F(ZVApiLoginTest, WithoutSavedAccountsNothingHappens) {
    // A stored list naming no usable account, and a single-account name without its record.
    const struct {
        const char* name;
        QVariant accounts;
    } cases[] = {{"empty list", QVariant(QVariantList())}, {"no list", QVariant()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults()->setObject(c.accounts, ZVApi::AccountsDefaultsKey);
        defaults()->setString(u"anna@example.com"_s, ZVUserCredentials::LocalUserEmailKey);
        api().loginWithSavedCredentials();
        EXPECT_TRUE(api().sessions().isEmpty());
        EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedOut);
        EXPECT_TRUE(statuses.isEmpty());
    }
    scheduler().advance(5);
    EXPECT_EQ(emulator.requestCount(), 0);
}

TEST_F(ZVApiLoginTest, SingleAccountInstallationMovesToTheAccountList) {
    const zvemu::Account account = emulator.addAccount(u"anna@example.com"_s, kPassword);
    const zvemu::Credentials issued = emulator.issueCredentials(account.accountId);
    // The old form: a record without the uuid, which the defaults name.
    platform::KeychainItem item;
    item.account = account.email;
    item.data =
        QJsonDocument(QJsonObject{{u"cookie"_s, issued.token}, {u"ticket"_s, issued.ticket}})
            .toJson(QJsonDocument::Compact);
    platform::Keychain::shared().addItem(item);
    defaults()->setString(account.email, ZVUserCredentials::LocalUserEmailKey);
    defaults()->setString(account.accountId, ZVUserCredentials::LocalUserUUIDKey);

    api().loginWithSavedCredentials();
    const auto session = sessionOf(account.email);
    ASSERT_TRUE(session);
    EXPECT_EQ(api().activeSession(), session);
    EXPECT_EQ(defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey),
              QStringList{account.email});
    EXPECT_EQ(
        QJsonDocument::fromJson(keychainItem(account.email).item.data).object().value(u"uuid"_s),
        account.accountId);
    // The account's own contact is fetched a second later.
    scheduler().advance(ZVApiSession::kContactSyncDelay);
    ASSERT_TRUE(waitForAnswered(u"contact/sync"_s));
    EXPECT_EQ(emulator.lastRequest(u"contact/sync"_s)->body.value(u"contact_id"_s),
              account.accountId);
}

// --- typed sign-in ---

TEST_F(ZVApiLoginTest, SecondAccountSignsInFurtherIsOrderedLastAndADuplicateIsRefused) {
    const auto anna = typeSignIn(u"anna@example.com"_s);
    ASSERT_TRUE(anna);
    EXPECT_EQ(statuses, (QList<int>{ZVApi::LoginStatusSigningIn, ZVApi::LoginStatusSignedIn}));
    EXPECT_EQ(api().activeSession(), anna);
    EXPECT_EQ(defaults()->stringForKey(ZVApi::ActiveSessionDefaultsKey), anna->sessionId());
    EXPECT_TRUE(hasKeychainItem(u"anna@example.com"_s));
    const auto sent = emulator.lastRequest(u"account/login"_s);
    EXPECT_EQ(sent->body.value(u"remember_me"_s), QJsonValue(true));
    EXPECT_FALSE(sent->body.contains(u"ticket"_s));
    // The profile came with the answer.
    EXPECT_EQ(anna->profile()->localContactName(), u"anna"_s);

    statuses.clear();
    const auto bert = typeSignIn(u"bert@example.com"_s);
    ASSERT_TRUE(bert);
    EXPECT_EQ(statuses,
              (QList<int>{ZVApi::LoginStatusSigningInFurther, ZVApi::LoginStatusSignedIn}));
    EXPECT_EQ(api().orderedSessions().back(), bert);
    EXPECT_EQ(bert->integerForKey(u"order"_s), 2);
    EXPECT_EQ(api().activeSession(), bert);
    EXPECT_EQ(started, (QStringList{u"anna@example.com"_s, u"bert@example.com"_s}));
    EXPECT_EQ(defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey)->size(), 2);
    ASSERT_TRUE(waitForPolls(2));

    statuses.clear();
    typeSignIn(u"anna@example.com"_s);
    EXPECT_EQ(statuses,
              (QList<int>{ZVApi::LoginStatusSigningInFurther, ZVApi::LoginStatusSignedIn}));
    ASSERT_EQ(loginErrors.size(), 1);
    EXPECT_EQ(loginErrors[0]->code(), ZVError::AlreadySignedIn);
    EXPECT_EQ(api().loginError(), loginErrors[0]);
    EXPECT_EQ(api().sessions().size(), 2);
    EXPECT_EQ(api().sessions().value(anna->sessionId()), anna);
    EXPECT_EQ(api().activeSession(), bert);
}

TEST_F(ZVApiLoginTest, RefusedSignInKeepsTheServicesErrorAndReturnsToTheStatusBefore) {
    emulator.addAccount(u"anna@example.com"_s, kPassword);
    emulator.injectFault(u"account/login"_s, Fault::withStatus(430, u"invalid_login"_s));
    api().loginWithEmail(u"anna@example.com"_s, kPassword);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(statuses, (QList<int>{ZVApi::LoginStatusSigningIn, ZVApi::LoginStatusSignedOut}));
    ASSERT_EQ(loginErrors.size(), 1);
    EXPECT_EQ(loginErrors[0]->code(), 430);
    EXPECT_EQ(loginErrors[0]->localizedDescription(), u"Incorrect email or password"_s);
    EXPECT_FALSE(hasKeychainItem(u"anna@example.com"_s));

    // With an account signed in, a wrong password leaves it signed in.
    typeSignIn(u"anna@example.com"_s);
    statuses.clear();
    emulator.addAccount(u"bert@example.com"_s, kPassword);
    api().loginWithEmail(u"bert@example.com"_s, u"wrong"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return statuses.size() == 2; }));
    EXPECT_EQ(statuses,
              (QList<int>{ZVApi::LoginStatusSigningInFurther, ZVApi::LoginStatusSignedIn}));
    EXPECT_EQ(api().loginError()->localizedDescription(), u"Incorrect password"_s);
    EXPECT_EQ(api().sessions().size(), 1);
}

TEST_F(ZVApiLoginTest, AnswersThatCannotNameAnAccountAreRefused) {
    const QString cookie = u"token_id=7c9e6679-7425-40de-944b-e07fc1f90ae7; Path=/"_s;
    const auto answer = [&](const QString& accountId, const QString& email, bool withCookie) {
        QJsonObject json{{u"ticket"_s, u"t1"_s}, {u"account_id"_s, accountId}};
        json.insert(u"profiles"_s,
                    QJsonArray{QJsonObject{{u"account_id"_s, accountId}, {u"email"_s, email}}});
        Reply reply = Reply::ok(json);
        if (withCookie) {
            reply.withHeader("Set-Cookie", cookie.toLatin1());
        }
        return reply;
    };
    const QString uuid = u"0b7e8a3c-54f1-4f0e-9d7a-2f3c1e5b9a10"_s;
    const struct {
        const char* name;
        Reply reply;
        bool byNotification;
        int code;
    } cases[] = {
        {"folder outside the caches", answer(u"../x"_s, u"x@example.com"_s, true), false, 1008},
        {"a path", answer(u"a/b"_s, u"x@example.com"_s, true), false, 1008},
        {"no cookie", answer(uuid, u"x@example.com"_s, false), false, 1008},
        {"no e-mail for a link", answer(uuid, u""_s, true), true, 1008},
        {"no ticket",
         Reply::ok({{u"account_id"_s, uuid}}).withHeader("Set-Cookie", cookie.toLatin1()), false,
         1002},
        {"account id not a string", Reply::ok({{u"ticket"_s, u"t"_s}, {u"account_id"_s, 7}}), false,
         1003},
    };
    const QStringList before = caches().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loginErrors.clear();
        const QString path = c.byNotification ? u"account/confirm"_s : u"account/login"_s;
        emulator.scriptAnswer(path, c.reply);
        if (c.byNotification) {
            api().loginWithNotificationId(u"n1"_s);
        } else {
            api().loginWithEmail(u"x@example.com"_s, kPassword);
        }
        ASSERT_TRUE(waitUntilIdle());
        ASSERT_EQ(loginErrors.size(), 1);
        EXPECT_EQ(loginErrors[0]->code(), c.code);
        EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedOut);
        EXPECT_TRUE(api().sessions().isEmpty());
    }
    EXPECT_EQ(caches().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_FALSE(QDir(platform::Paths::libraryDirectory()).exists(u"x"_s));
    EXPECT_FALSE(hasKeychainItem(u"x@example.com"_s));
    EXPECT_FALSE(defaults()->objectForKey(ZVApi::AccountsDefaultsKey).isValid());
}

// --- sign-up, links and passwords ---

TEST_F(ZVApiLoginTest, SignUpByMailedCodeSignsTheNewAccountIn) {
    QStringList steps;
    const auto failed = [&steps](const ZVErrorPtr& error) {
        steps.append(u"error "_s + error->backendErrorId());
    };
    api().registerEmail(
        u"new@example.com"_s, [&steps] { steps.append(u"mailed"_s); }, failed);
    ASSERT_TRUE(waitUntilIdle());
    const QString code = emulator.account(u"new@example.com"_s)->registrationCode;

    QString notificationId;
    QString suggestion;
    const auto prepared = [&](const QString& id, const QString& suggested) {
        notificationId = id;
        suggestion = suggested;
        steps.append(u"prepared"_s);
    };
    api().submitRegistrationCode(u"000000"_s, u"new@example.com"_s, prepared, failed);
    ASSERT_TRUE(waitUntilIdle());
    api().submitRegistrationCode(code, u"new@example.com"_s, prepared, failed);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(suggestion, u"new"_s);
    EXPECT_EQ(emulator.account(u"new@example.com"_s)->notificationId, notificationId);

    api().registerNotificationId(
        notificationId, u"new@example.com"_s, u"New Person"_s, kPassword, u"newbie"_s,
        [&steps] { steps.append(u"signed in"_s); }, failed);
    // Sending the last step does not say "signing in".
    EXPECT_TRUE(statuses.isEmpty());
    ASSERT_TRUE(scheduler().runUntil([&] { return steps.size() == 4; }));
    EXPECT_EQ(steps,
              (QStringList{u"mailed"_s, u"error invalid_code"_s, u"prepared"_s, u"signed in"_s}));
    EXPECT_EQ(statuses, QList<int>{ZVApi::LoginStatusSignedIn});
    const auto session = sessionOf(u"new@example.com"_s);
    ASSERT_TRUE(session);
    EXPECT_EQ(api().activeSession(), session);
    EXPECT_TRUE(hasKeychainItem(u"new@example.com"_s));
    const auto created = emulator.account(u"new@example.com"_s);
    EXPECT_EQ(created->zelvoAddress, u"newbie"_s);
    EXPECT_EQ(created->displayName, u"New Person"_s);
}

TEST_F(ZVApiLoginTest, LinkSignInTakesTheEmailFromTheAnswer) {
    bool registered = false;
    api().registerUserId(u"link@example.com"_s, u"Link Person"_s, kPassword,
                         [&registered] { registered = true; }, {});
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(registered);
    api().loginWithNotificationId(emulator.account(u"link@example.com"_s)->notificationId);
    EXPECT_EQ(statuses, QList<int>{ZVApi::LoginStatusSigningIn});
    ASSERT_TRUE(scheduler().runUntil([&] { return statuses.size() == 2; }));
    const auto session = sessionOf(u"link@example.com"_s);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->credentials()->email(), u"link@example.com"_s);
    EXPECT_TRUE(hasKeychainItem(u"link@example.com"_s));

    QStringList outcomes;
    for (const QString& email : {u"link@example.com"_s, u"nobody@example.com"_s}) {
        api().resetPassword(
            email, [&outcomes] { outcomes.append(u"sent"_s); },
            [&outcomes](const ZVErrorPtr& error) { outcomes.append(error->backendErrorId()); });
    }
    ASSERT_TRUE(scheduler().runUntil([&] { return outcomes.size() == 2; }));
    // The two calls run side by side.
    outcomes.sort();
    EXPECT_EQ(outcomes, (QStringList{u"sent"_s, u"unknown_email"_s}));
}

// --- the end of a session ---

TEST_F(ZVApiLoginTest, SigningOutTheLastAccountTellsTheServiceAndLeavesNothing) {
    const auto anna = typeSignIn(u"anna@example.com"_s);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(waitForPolls(1));
    EXPECT_TRUE(api().fileTransfers());
    makeLocalData(anna->sessionId());
    const QString ticket = anna->credentials()->ticket();
    ASSERT_TRUE(emulator.accountForCredentials(ticket, anna->credentials()->cookie()));
    const QString cookie = anna->credentials()->cookie();
    statuses.clear();

    anna->endSession(ZVApiSession::EndReason::Logout);
    EXPECT_TRUE(api().pendingRequests().empty());
    EXPECT_TRUE(api().sessions().isEmpty());
    EXPECT_FALSE(api().activeSession());
    EXPECT_EQ(statuses, QList<int>{ZVApi::LoginStatusSignedOut});
    EXPECT_FALSE(hasKeychainItem(u"anna@example.com"_s));
    EXPECT_FALSE(caches().exists(anna->sessionId()));
    EXPECT_FALSE(api().sessionStats());
    EXPECT_FALSE(api().fileTransfers());

    // The sign-out call runs on after its account is gone, and the service forgets the ticket.
    ASSERT_TRUE(waitForAnswered(u"account/logout"_s));
    EXPECT_EQ(emulator.lastRequest(u"account/logout"_s)->status, 200);
    EXPECT_FALSE(emulator.accountForCredentials(ticket, cookie));

    scheduler().advance(1);
    EXPECT_TRUE(defaults()->dictionaryRepresentation().isEmpty());
    EXPECT_TRUE(defaults()
                    ->persistentDomainForName(platform::UserDefaults::standardDomainName())
                    .isEmpty());
}

TEST_F(ZVApiLoginTest, SigningOutOneOfTwoAccountsLeavesTheOtherAndItsSettings) {
    // Bert's e-mail begins with Anna's: his settings must survive hers being erased.
    const auto anna = typeSignIn(u"anna@example.com"_s);
    const auto bert = typeSignIn(u"anna@example.com.au"_s);
    ASSERT_TRUE(anna && bert);
    api().setActiveSession(anna);
    anna->setString(u"kept?"_s, u"Note"_s);
    bert->setString(u"kept"_s, u"Note"_s);
    statuses.clear();

    anna->endSession(ZVApiSession::EndReason::Logout);
    EXPECT_EQ(api().activeSession(), bert);
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_FALSE(hasKeychainItem(u"anna@example.com"_s));
    EXPECT_TRUE(hasKeychainItem(u"anna@example.com.au"_s));
    EXPECT_FALSE(defaults()->objectForKey(u"anna@example.com.Note"_s).isValid());
    EXPECT_FALSE(defaults()->objectForKey(u"anna@example.com.EventHorizon"_s).isValid());
    EXPECT_EQ(bert->stringForKey(u"Note"_s), u"kept"_s);
    EXPECT_EQ(defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey),
              QStringList{u"anna@example.com.au"_s});
    ASSERT_TRUE(waitForAnswered(u"account/logout"_s));

    bert->endSession(ZVApiSession::EndReason::Logout);
    EXPECT_FALSE(api().activeSession());
    EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedOut);
}

TEST_F(ZVApiLoginTest, RejectedTicketErasesTheAccountWithoutTellingTheService) {
    const auto anna = typeSignIn(u"anna@example.com"_s);
    ASSERT_TRUE(anna);
    // The waiting poll is held: the refusal comes from the next call.
    ASSERT_TRUE(waitForPolls(1));
    makeLocalData(anna->sessionId());
    emulator.updateAccount(anna->sessionId(),
                           [](zvemu::Account& account) { account.issued.clear(); });
    anna->profile()->setClientFlag(u"standard_ui_mobile"_s, true);
    ASSERT_TRUE(waitForAnswered(u"account/set_flag"_s));
    ASSERT_TRUE(scheduler().runUntil([&] { return api().sessions().isEmpty(); }));

    EXPECT_EQ(emulator.lastRequest(u"account/set_flag"_s)->status, 401);
    EXPECT_EQ(emulator.requestCount(u"account/logout"_s), 0);
    EXPECT_FALSE(hasKeychainItem(u"anna@example.com"_s));
    EXPECT_FALSE(caches().exists(anna->sessionId()));
    EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedOut);
}

TEST_F(ZVApiLoginTest, RejectedTicketOfOneAccountLeavesTheOtherSignedIn) {
    const auto anna = typeSignIn(u"anna@example.com"_s);
    const auto bert = typeSignIn(u"bert@example.com"_s);
    ASSERT_TRUE(anna && bert);
    ASSERT_TRUE(waitForPolls(2));
    api().setActiveSession(anna);
    bert->setString(u"kept"_s, u"Note"_s);
    makeLocalData(anna->sessionId());
    makeLocalData(bert->sessionId());
    statuses.clear();
    emulator.updateAccount(anna->sessionId(),
                           [](zvemu::Account& account) { account.issued.clear(); });

    anna->profile()->setClientFlag(u"standard_ui_mobile"_s, true);
    ASSERT_TRUE(waitForAnswered(u"account/set_flag"_s));
    ASSERT_TRUE(scheduler().runUntil([&] { return anna->hasEnded(); }));
    EXPECT_EQ(emulator.lastRequest(u"account/set_flag"_s)->status, 401);
    EXPECT_EQ(emulator.requestCount(u"account/logout"_s), 0);
    EXPECT_FALSE(hasKeychainItem(u"anna@example.com"_s));
    EXPECT_FALSE(caches().exists(anna->sessionId()));

    EXPECT_EQ(api().sessions().keys(), QStringList{bert->sessionId()});
    EXPECT_EQ(api().activeSession(), bert);
    EXPECT_TRUE(statuses.isEmpty()) << "still signed in";
    EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedIn);
    EXPECT_TRUE(hasKeychainItem(u"bert@example.com"_s));
    EXPECT_TRUE(caches().exists(bert->sessionId()));
    EXPECT_EQ(bert->stringForKey(u"Note"_s), u"kept"_s);
    EXPECT_EQ(defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey),
              QStringList{u"bert@example.com"_s});
    EXPECT_EQ(api().requestsWithTag(ZVApiRequest::TagLongPoll, bert).size(), 1u);
}

TEST_F(ZVApiLoginTest, ResyncReplacesTheSessionOnceKeepingTheKeychainAndTheProfile) {
    const auto anna = typeSignIn(u"anna@example.com"_s);
    ASSERT_TRUE(anna);
    const QString uuid = anna->sessionId();
    makeLocalData(uuid);
    ZVJsonParser record(QJsonObject{{u"account_id"_s, uuid},
                                    {u"display_name"_s, u"Anna B"_s},
                                    {u"zelvo_address"_s, u"anna"_s}});
    anna->profile()->updateSettings(record);
    started.clear();

    // Two answers ask for a resync, the second while the first one's is still waiting.
    ASSERT_TRUE(askResync(anna));
    scheduler().advance(ZVApi::kResyncDelay / 2);
    ASSERT_TRUE(askResync(anna));
    scheduler().advance(ZVApi::kResyncDelay / 2);

    const auto renewed = api().sessions().value(uuid);
    ASSERT_TRUE(renewed);
    EXPECT_NE(renewed, anna);
    EXPECT_EQ(started, QStringList{u"anna@example.com"_s});
    EXPECT_TRUE(hasKeychainItem(u"anna@example.com"_s));
    EXPECT_FALSE(caches().exists(uuid));
    EXPECT_EQ(renewed->profile()->localContactName(), u"Anna B"_s);
    EXPECT_EQ(renewed->profile()->zelvoId(), u"anna"_s);

    // The new session's data is its own: the second answer's resync finds the old session gone.
    makeLocalData(uuid);
    scheduler().advance(ZVApi::kResyncDelay);
    EXPECT_EQ(api().sessions().value(uuid), renewed);
    EXPECT_FALSE(renewed->hasEnded());
    EXPECT_TRUE(caches().exists(uuid + u"/Zelvo.sqlite"_s));
    EXPECT_EQ(started.size(), 1);
    EXPECT_TRUE(loginErrors.isEmpty());
}

// A resync is no sign-in: the account stays where the user put it, and so does the active one.
TEST_F(ZVApiLoginTest, ResyncKeepsTheAccountsOrderAndTheActiveAccount) {
    typeSignIn(u"anna@example.com"_s);
    typeSignIn(u"bert@example.com"_s);
    const auto emails = [] {
        QStringList ordered;
        for (const auto& session : api().orderedSessions()) {
            ordered.append(session->credentials()->email());
        }
        return ordered;
    };
    const QStringList order{u"anna@example.com"_s, u"bert@example.com"_s};
    ASSERT_EQ(emails(), order);
    const QStringList savedAccounts = *defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey);
    api().setActiveSession(sessionOf(u"anna@example.com"_s));
    int activeChanges = 0;
    auto observing = api().observe(QString(ZVApi::ActiveSessionKey),
                                   [&activeChanges](const QString&) { ++activeChanges; });

    const struct {
        const char* name;
        QString resynced;
    } cases[] = {
        {"another account", u"bert@example.com"_s},
        {"the active account", u"anna@example.com"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto active = api().activeSession();
        const auto before = sessionOf(c.resynced);
        const std::int64_t place = before->integerForKey(u"order"_s);
        activeChanges = 0;
        ASSERT_TRUE(askResync(before));
        scheduler().advance(ZVApi::kResyncDelay);

        const auto after = sessionOf(c.resynced);
        ASSERT_TRUE(after);
        ASSERT_NE(after, before);
        EXPECT_EQ(emails(), order);
        EXPECT_EQ(after->integerForKey(u"order"_s), place);
        const auto expectedActive = active == before ? after : active;
        EXPECT_EQ(api().activeSession(), expectedActive);
        EXPECT_EQ(defaults()->stringForKey(ZVApi::ActiveSessionDefaultsKey),
                  expectedActive->sessionId());
        if (active != before) {
            EXPECT_EQ(activeChanges, 0);
        }
        EXPECT_EQ(*defaults()->stringArrayForKey(ZVApi::AccountsDefaultsKey), savedAccounts);
    }
    EXPECT_TRUE(loginErrors.isEmpty());
}

TEST_F(ZVApiLoginTest, PushTokenGoesThroughTheActiveAccountForAllOfThem) {
    api().submitApnToken(QByteArray::fromHex("00ff10"));
    const auto anna = typeSignIn(u"anna@example.com"_s);
    const auto bert = typeSignIn(u"bert@example.com"_s);
    ASSERT_TRUE(anna && bert);
    EXPECT_EQ(emulator.requestCount(u"account/configure_apn"_s), 0);

    api().submitApnToken(QByteArray::fromHex("00ff10"));
    ASSERT_TRUE(waitForAnswered(u"account/configure_apn"_s));
    const auto sent = emulator.lastRequest(u"account/configure_apn"_s);
    EXPECT_EQ(sent->accountId, bert->sessionId());
    EXPECT_EQ(sent->body.value(u"apn_token"_s), u"AP8Q"_s);
    QStringList cookies;
    for (const QJsonValue cookie : sent->body.value(u"token_ids"_s).toArray()) {
        cookies.append(cookie.toString());
    }
    cookies.sort();
    QStringList expected{anna->credentials()->cookie(), bert->credentials()->cookie()};
    expected.sort();
    EXPECT_EQ(cookies, expected);

    // A failure is logged without the accounts' cookies.
    api().setDefaultErrorHandler([](const ZVErrorPtr&) {});
    emulator.injectFault(u"account/configure_apn"_s, Fault::withStatus(500));
    api().submitApnToken(QByteArray::fromHex("00ff10"));
    ASSERT_TRUE(waitForAnswered(u"account/configure_apn"_s, 2));
    ASSERT_TRUE(scheduler().runUntil([&] { return logText().contains(u"configure_apn"_s); }));
    EXPECT_FALSE(logText().contains(anna->credentials()->cookie()));
}

}  // namespace
}  // namespace zvapitest
