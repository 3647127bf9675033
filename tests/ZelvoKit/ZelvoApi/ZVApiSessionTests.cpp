#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>

#include <algorithm>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

std::shared_ptr<platform::UserDefaults> defaults() {
    return platform::UserDefaults::standard();
}

class ZVApiSessionTest : public ApiTest {
protected:
    // A session of the base class, whose hooks are the ones under test.
    std::shared_ptr<ZVApiSession> plainSession(const QString& email) {
        ZVApi::setSessionClass(ZVApiSession::factory<ZVApiSession>());
        auto session = signIn(email);
        (void)session;
        return api().sessions().value(emulator.account(email)->accountId);
    }

    // The contact calls received so far, as "<path> <argument>".
    QStringList contactCalls() const {
        QStringList calls;
        for (const auto& request : emulator.requests()) {
            if (!request.path.startsWith(u"contact/sync"_s)) {
                continue;
            }
            const QJsonObject& body = request.body;
            QString argument;
            if (body.contains(u"contact_id"_s)) {
                argument = body.value(u"contact_id"_s).toString();
            } else if (body.contains(u"search_str"_s)) {
                argument = body.value(u"search_str"_s).toString();
            } else {
                QStringList ids;
                for (const QJsonValue id : body.value(u"contacts"_s).toArray()) {
                    ids.append(id.toString());
                }
                argument = ids.join(u',');
            }
            calls.append(request.path + u' ' + argument);
        }
        return calls;
    }

    // Runs the 1.0 s pass and waits for its answer to be handled.
    void runPass() {
        scheduler().advance(ZVApiSession::kContactSyncDelay);
        ASSERT_TRUE(waitUntilIdle());
    }

    QString idOf(const QString& email) const { return emulator.account(email)->accountId; }
};

// --- settings ---

TEST_F(ZVApiSessionTest, SettingsAreKeptUnderTheEmailByKind) {
    auto anna = signIn(u"anna@example.com"_s);
    anna->setString(u"text"_s, u"S"_s);
    anna->setBool(true, u"B"_s);
    anna->setBool(false, u"F"_s);
    anna->setArray(QJsonArray{u"a"_s, 2}, u"A"_s);
    EXPECT_EQ(anna->sessionKey(u"S"_s), u"anna@example.com.S"_s);
    EXPECT_EQ(defaults()->objectForKey(u"anna@example.com.S"_s), QVariant(u"text"_s));
    EXPECT_EQ(defaults()->objectForKey(u"anna@example.com.B"_s), QVariant(qint64(1)));
    EXPECT_EQ(defaults()->objectForKey(u"anna@example.com.F"_s), QVariant(qint64(0)));
    EXPECT_EQ(defaults()->objectForKey(u"anna@example.com.A"_s), QVariant(u"[\"a\",2]"_s));
    EXPECT_EQ(anna->stringForKey(u"S"_s), u"text"_s);
    EXPECT_TRUE(anna->boolForKey(u"B"_s));
    EXPECT_FALSE(anna->boolForKey(u"F"_s));
    EXPECT_EQ(anna->arrayForKey(u"A"_s), (QJsonArray{u"a"_s, 2}));

    const struct {
        const char* name;
        QVariant stored;
        bool boolValue;
        bool array;
    } cases[] = {
        {"absent", QVariant(), false, false},
        {"negative", QVariant(qint64(-3)), false, false},
        {"two", QVariant(qint64(2)), true, false},
        {"an object", QVariant(u"{\"a\":1}"_s), false, false},
        {"not JSON", QVariant(u"[1,"_s), false, false},
        {"an empty array", QVariant(u"[]"_s), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults()->setObject(c.stored, u"anna@example.com.X"_s);
        EXPECT_EQ(anna->boolForKey(u"X"_s), c.boolValue);
        EXPECT_EQ(anna->arrayForKey(u"X"_s).has_value(), c.array);
    }
    anna->setString(QString(), u"S"_s);
    anna->setArray(std::nullopt, u"A"_s);
    EXPECT_FALSE(defaults()->objectForKey(u"anna@example.com.S"_s).isValid());
    EXPECT_FALSE(defaults()->objectForKey(u"anna@example.com.A"_s).isValid());
}

// --- the accounts' order ---

TEST_F(ZVApiSessionTest, PlacedAccountsComeFirstAndTheRestByName) {
    auto anna = signIn(u"anna@example.com"_s);
    auto bert = signIn(u"bert@example.com"_s);
    auto cleo = signIn(u"cleo@example.com"_s);
    auto dora = signIn(u"dora@example.com"_s);
    const auto named = [](const std::shared_ptr<RecordingSession>& session, const QString& name) {
        ZVJsonParser record(
            QJsonObject{{u"account_id"_s, session->sessionId()}, {u"display_name"_s, name}});
        session->profile()->updateSettings(record);
    };
    named(anna, u"Zoe"_s);
    named(bert, u"Bob"_s);
    named(cleo, u"Cat"_s);
    named(dora, u"Dan"_s);
    const auto order = [] {
        QStringList emails;
        for (const auto& session : api().orderedSessions()) {
            emails.append(session->credentials()->email().section(u'@', 0, 0));
        }
        return emails;
    };
    EXPECT_EQ(order(), (QStringList{u"bert"_s, u"cleo"_s, u"dora"_s, u"anna"_s}));

    // Anna after Dora: Dora gets a place (the number of accounts), Anna the next one.
    api().orderSession(anna, dora);
    EXPECT_EQ(dora->integerForKey(u"order"_s), 4);
    EXPECT_EQ(anna->integerForKey(u"order"_s), 5);
    EXPECT_EQ(order(), (QStringList{u"dora"_s, u"anna"_s, u"bert"_s, u"cleo"_s}));

    // Bert after Dora takes Anna's place, and Anna moves along after him.
    api().orderSession(bert, dora);
    EXPECT_EQ(order(), (QStringList{u"dora"_s, u"bert"_s, u"anna"_s, u"cleo"_s}));
    EXPECT_EQ(anna->integerForKey(u"order"_s), 6);

    // Equal places each claim to come first; the order stays well defined.
    cleo->setInteger(5, u"order"_s);
    EXPECT_LT(bert->compare(*cleo), 0);
    EXPECT_LT(cleo->compare(*bert), 0);
    const QStringList twice = order();
    EXPECT_EQ(twice, order());
    EXPECT_EQ(twice.indexOf(u"dora"_s), 0);
    EXPECT_EQ(twice.indexOf(u"anna"_s), 3);
}

// --- contacts ---

TEST_F(ZVApiSessionTest, WaitingContactsGoOutTogetherASecondLater) {
    auto anna = plainSession(u"anna@example.com"_s);
    for (const QString& email :
         {u"bert@example.com"_s, u"cleo@example.com"_s, u"dora@example.com"_s}) {
        emulator.addAccount(email, u"pw"_s);
    }
    const QString bert = idOf(u"bert@example.com"_s);
    const QString cleo = idOf(u"cleo@example.com"_s);
    const QString dora = idOf(u"dora@example.com"_s);

    anna->synchronizeContactWithId(bert);
    anna->synchronizeContactWithId(bert);
    scheduler().advance(ZVApiSession::kContactSyncDelay - 0.01);
    EXPECT_TRUE(contactCalls().isEmpty());
    scheduler().advance(0.01);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(contactCalls(), QStringList{u"contact/sync "_s + bert});
    EXPECT_FALSE(anna->contactsNeedingSync());

    // A search goes first; the ids waiting with it follow a second after its answer, unless the
    // search brought them.
    anna->synchronizeContactWithId(dora);
    anna->synchronizeContactWithId(cleo);
    anna->synchronizeContactWithId(bert);
    anna->searchContacts(u"bert"_s);
    anna->searchContacts(QString());
    runPass();
    EXPECT_EQ(contactCalls().last(), u"contact/sync/all bert"_s);
    EXPECT_TRUE(anna->contactSearchText().isEmpty());
    runPass();
    QStringList sorted{cleo, dora};
    sorted.sort();
    EXPECT_EQ(contactCalls().last(), u"contact/sync/list "_s + sorted.join(u','));
    EXPECT_EQ(contactCalls().size(), 3);
    scheduler().advance(10);
    EXPECT_EQ(contactCalls().size(), 3);
    EXPECT_FALSE(anna->contactsNeedingSync());
}

TEST_F(ZVApiSessionTest, ContactsTheServiceDoesNotSendAreNotAskedForEverySecond) {
    auto anna = plainSession(u"anna@example.com"_s);
    emulator.addAccount(u"bert@example.com"_s, u"pw"_s);
    const QString bert = idOf(u"bert@example.com"_s);
    anna->synchronizeContactWithId(bert);
    anna->synchronizeContactWithId(u"gone-1"_s);
    runPass();
    anna->synchronizeContactWithId(u"gone-2"_s);
    runPass();
    EXPECT_EQ(emulator.lastRequest(u"contact/sync"_s)->status, 430);
    scheduler().advance(60);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(contactCalls().size(), 2);
    EXPECT_FALSE(anna->contactsNeedingSync());
}

TEST_F(ZVApiSessionTest, FailedContactPassIsRetriedWithTheBackOffOrOnReconnection) {
    auto anna = plainSession(u"anna@example.com"_s);
    emulator.addAccount(u"bert@example.com"_s, u"pw"_s);
    const QString bert = idOf(u"bert@example.com"_s);
    emulator.injectFault(u"contact/sync"_s, Fault::withStatus(503));
    emulator.injectFault(u"contact/sync"_s, Fault::dropConnection());
    api().setDefaultErrorHandler([](const ZVErrorPtr&) {});

    anna->synchronizeContactWithId(bert);
    runPass();
    ASSERT_EQ(emulator.requestCount(u"contact/sync"_s), 1);
    // A service failure waits the longest back-off.
    scheduler().advance(19);
    EXPECT_EQ(emulator.requestCount(u"contact/sync"_s), 1);
    scheduler().advance(1);
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(emulator.requestCount(u"contact/sync"_s), 2);
    // A network failure waits a second; the connection coming back sends it at once.
    api().login();
    api().setConnectionAvailable(false);
    api().setConnectionAvailable(true);
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(emulator.requestCount(u"contact/sync"_s), 3);
    EXPECT_EQ(emulator.lastRequest(u"contact/sync"_s)->status, 200);
    EXPECT_FALSE(anna->contactsNeedingSync());
}

// Reads contacts as the store does: a record without a display name is an error.
class StrictContactSession : public ZVApiSession {
public:
    using ZVApiSession::ZVApiSession;

    ZVErrorPtr handleContact(ZVJsonParser& record) override {
        record.extractString(u"display_name");
        if (record.error()) {
            return record.error();
        }
        return ZVApiSession::handleContact(record);
    }
};

TEST_F(ZVApiSessionTest, ContactPassesThatCannotSucceedDropTheirIdsAndSayWhich) {
    ZVApi::setSessionClass(ZVApiSession::factory<StrictContactSession>());
    signIn(u"anna@example.com"_s);
    const auto anna = api().sessions().value(idOf(u"anna@example.com"_s));
    for (const QString& email : {u"bert@example.com"_s, u"cleo@example.com"_s,
                                 u"dora@example.com"_s, u"emil@example.com"_s}) {
        emulator.addAccount(email, u"pw"_s);
    }
    const QString bert = idOf(u"bert@example.com"_s);
    const QString cleo = idOf(u"cleo@example.com"_s);
    const QString late = idOf(u"emil@example.com"_s);
    const QString list = u"contact/sync/list"_s;
    QStringList both{bert, cleo};
    both.sort();
    const struct {
        const char* name;
        QStringList asked;
        QString path;
        Fault fault;
        std::optional<Reply> answer;
        // The ids the failure drops.
        QString dropped;
    } cases[] = {
        {"refused", {bert}, u"contact/sync"_s, Fault::withStatus(400, u"bad_request"_s), {}, bert},
        {"unknown call",
         both,
         list,
         Fault::withStatus(404, u"unknown_method"_s),
         {},
         both.join(u", "_s)},
        {"a record that cannot be read", both, list, Fault::none(),
         Reply::ok({{u"contacts"_s, QJsonArray{QJsonObject{{u"account_id"_s, bert},
                                                           {u"display_name"_s, u"Bert"_s}},
                                               QJsonObject{{u"account_id"_s, cleo}}}}}),
         cleo},
    };
    // The longest back-off: a retry would have gone out by then.
    const double retry = ZVApi::retryDelay(ZVError::errorWithCode(400), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.clearRequests();
        // Held, so that another id can be asked for while it runs.
        emulator.injectFault(c.path, c.fault.after(kHold));
        if (c.answer) {
            emulator.scriptAnswer(c.path, *c.answer);
        }
        for (const QString& id : c.asked) {
            anna->synchronizeContactWithId(id);
        }
        scheduler().advance(ZVApiSession::kContactSyncDelay);
        ASSERT_TRUE(waitForHeld(1));
        anna->synchronizeContactWithId(late);
        emulator.releaseHeld();
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_TRUE(logText().contains(u"ZVApiSession::ContactSync: not asking again for "_s +
                                       c.dropped + u" => "_s));

        runPass();
        scheduler().advance(retry);
        ASSERT_TRUE(waitUntilIdle());
        EXPECT_EQ(contactCalls(),
                  (QStringList{c.path + u' ' + c.asked.join(u','), u"contact/sync "_s + late}));
        EXPECT_FALSE(anna->contactsNeedingSync());
    }
}

// A cancelled pass (the background time ran out) runs no block: becoming active again resumes it.
TEST_F(ZVApiSessionTest, ContactPassCancelledInTheBackgroundResumesWhenActiveAgain) {
    auto anna = plainSession(u"anna@example.com"_s);
    api().login();
    emulator.addAccount(u"bert@example.com"_s, u"pw"_s);
    const QString bert = idOf(u"bert@example.com"_s);
    zvemu::Fault slow;
    slow.delay = std::chrono::milliseconds(300);
    emulator.injectFault(u"contact/sync"_s, slow);

    anna->synchronizeContactWithId(bert);
    scheduler().advance(ZVApiSession::kContactSyncDelay);
    ASSERT_TRUE(scheduler().runUntil(
        [] { return !api().requestsWithTag(ZVApiRequest::TagContactSync, nullptr).empty(); }));
    api().setBackgroundMode(true);
    for (const auto& request : api().requestsWithTag(ZVApiRequest::TagContactSync, nullptr)) {
        api().cancelRequest(request);
    }
    scheduler().advance(60);
    EXPECT_TRUE(anna->contactsNeedingSync());

    api().setBackgroundMode(false);
    ASSERT_TRUE(scheduler().runUntil([&] { return !anna->contactsNeedingSync(); }));
    // The cancelled request may still reach the service after the resumed one, unanswered.
    const auto asked = emulator.requests(u"contact/sync"_s);
    EXPECT_TRUE(std::any_of(asked.begin(), asked.end(),
                            [](const auto& request) { return request.status == 200; }));
}

TEST_F(ZVApiSessionTest, ContactRecordsReachTheProfileAndTheObserversAfterTheTransaction) {
    struct Observer : ZVContactChangeObserver {
        void sessionContactsChanged(const std::shared_ptr<ZVApiSession>& session,
                                    const QSet<QString>& ids) override {
            QStringList sorted(ids.cbegin(), ids.cend());
            sorted.sort();
            calls.append(session->credentials()->email() + u' ' + sorted.join(u','));
        }
        QStringList calls;
    };
    auto anna = plainSession(u"anna@example.com"_s);
    auto first = std::make_shared<Observer>();
    auto second = std::make_shared<Observer>();
    anna->addContactChangeObserver(first);
    anna->addContactChangeObserver(first);
    anna->addContactChangeObserver(second);
    const QString own = anna->sessionId();
    emulator.scriptAnswer(
        u"test/contacts"_s,
        Reply::ok({{u"stream"_s, QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"contact"_s},
                                                        {u"account_id"_s, own},
                                                        {u"display_name"_s, u"Anna B"_s}},
                                            QJsonObject{{u"mk_rec_type"_s, u"contact"_s},
                                                        {u"account_id"_s, u"c2"_s}}}}}));
    anna->sendRequest(makeRequest(u"test/contacts"_s));
    ASSERT_TRUE(waitUntilIdle());

    QStringList ids{own, u"c2"_s};
    ids.sort();
    EXPECT_EQ(first->calls, QStringList{u"anna@example.com "_s + ids.join(u',')});
    EXPECT_EQ(second->calls, first->calls);
    EXPECT_EQ(anna->profile()->localContactName(), u"Anna B"_s);
    EXPECT_FALSE(anna->changedContacts());

    anna->removeContactChangeObserver(first);
    anna->notifyContactsChanged({u"c3"_s});
    EXPECT_EQ(first->calls.size(), 1);
    EXPECT_EQ(second->calls.last(), u"anna@example.com c3"_s);
}

TEST_F(ZVApiSessionTest, LocalDataIsTheAccountsFolderAndNothingElse) {
    auto anna = plainSession(u"anna@example.com"_s);
    const QDir caches(platform::Paths::cachesDirectory());
    ASSERT_TRUE(caches.mkpath(anna->sessionId() + u"/inner"_s));
    ASSERT_TRUE(caches.mkpath(u"other"_s));
    QFile store(caches.filePath(anna->sessionId() + u"/inner/Zelvo.sqlite"_s));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.close();
    anna->eraseLocalData();
    EXPECT_FALSE(caches.exists(anna->sessionId()));
    EXPECT_TRUE(caches.exists(u"other"_s));

    // An id that is not an account id never names a folder.
    auto credentials = std::make_shared<ZVUserCredentials>(u"odd@example.com"_s);
    credentials->setUuid(u".."_s);
    auto odd = ZVApiSession::create(credentials);
    odd->eraseLocalData();
    EXPECT_TRUE(caches.exists(u"other"_s));
    EXPECT_TRUE(logText().contains(u"ZVApiSession::EraseLocalData: not an account id"_s));
}

}  // namespace
}  // namespace zvapitest
