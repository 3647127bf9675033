#include "ZelvoKit/model/ZVRepositorySession.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "platform/foundation/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kStreamEmail = u"anna@example.com"_s;
const QString kStreamFoxId = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
constexpr platform::TimeInterval kFirstPollPacing = 1.0;

// Counts the store's committed write transactions, and can turn the next ones into rollbacks.
struct CommitCounter {
    int commits = 0;
    bool refuse = false;

    void attach(const std::shared_ptr<ZVRepositorySession>& session) {
        sqlite3_commit_hook(
            session->repository()->managedObjectContext()->database(),
            [](void* data) {
                auto* counter = static_cast<CommitCounter*>(data);
                if (counter->refuse) {
                    return 1;
                }
                ++counter->commits;
                return 0;
            },
            this);
    }
};

class ZVRepositoryStreamTest : public modeltest::RepositoryTest {
protected:
    // An account of the service holding a generated fixture.
    zvemu::Fixture seededAccount(const zvemu::FixtureSize& size, std::uint64_t seed) {
        const zvemu::Account account = emulator.addAccount(kStreamEmail, u"secret"_s, u"anna"_s);
        zvemu::Fixture fixture =
            zvemu::generateFixture(account.accountId, kStreamEmail, size, seed);
        service.seed(account.accountId, fixture);
        return fixture;
    }
};

TEST_F(ZVRepositoryStreamTest, AnInitialSyncPopulatesAFreshAccountWithOneSavePerAnswer) {
    constexpr int kPage = 100;
    service.setPageSize(kPage);
    const zvemu::Fixture fixture = seededAccount({.contacts = 250,
                                                  .conversations = 10,
                                                  .messages = 0,
                                                  .hooks = 6,
                                                  .teams = 8,
                                                  .organisations = 3},
                                                 11);
    const qsizetype records = fixture.records().size();

    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->eventHorizon(), 0);
    CommitCounter counter;
    counter.attach(session);
    ASSERT_TRUE(waitForStreamEnd(session));

    EXPECT_EQ(session->contacts().size(), fixture.contacts.size());
    EXPECT_EQ(session->hooks().size(), fixture.hooks.size());
    EXPECT_EQ(session->teams().size(), fixture.teams.size());
    EXPECT_EQ(session->organisations().size(), fixture.organisations.size());
    EXPECT_EQ(counter.commits, static_cast<int>(std::ceil(double(records) / kPage)))
        << records << " records";
    EXPECT_EQ(session->conversations().size(), fixture.conversations.size());
    qsizetype members = 0;
    for (const QJsonObject& conversation : fixture.conversations) {
        members += conversation.value(u"members"_s).toArray().size();
    }
    EXPECT_EQ(storeRows(session).size(),
              static_cast<std::size_t>(fixture.contacts.size() + fixture.hooks.size() +
                                       fixture.teams.size() + fixture.organisations.size() +
                                       fixture.conversations.size() + members));
    EXPECT_FALSE(logText().contains(u"STREAM_ERROR"_s));
}

TEST_F(ZVRepositoryStreamTest, ConversationsFirstKnownFromTheStreamAreLoadedOnceEach) {
    service.setPageSize(25);
    const zvemu::Fixture fixture =
        seededAccount({.contacts = 20, .conversations = 6, .messages = 90}, 21);
    // The service refuses one conversation's sync for good.
    const QString refusedId = fixture.conversations.first().value(u"conversation_id"_s).toString();
    const QString refusedPath = u"conversation/sync/"_s + refusedId;
    emulator.injectFault(refusedPath, zvemu::Fault::withStatus(404, u"not_found"_s), -1);
    const auto syncPath = [](const QJsonObject& conversation) {
        return u"conversation/sync/"_s + conversation.value(u"conversation_id"_s).toString();
    };

    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(session));
    ASSERT_TRUE(settle([&] {
        return std::ranges::all_of(fixture.conversations, [&](const QJsonObject& conversation) {
            const auto sent = emulator.requests(syncPath(conversation));
            return !sent.isEmpty() && sent.last().status != 0;
        });
    }));
    // Long enough for a conversation committed again after its answer to be asked again.
    int steps = 0;
    settle([&] { return ++steps > 20; });

    for (const QJsonObject& record : fixture.conversations) {
        const QString id = record.value(u"conversation_id"_s).toString();
        SCOPED_TRACE(id.toStdString());
        const auto sent = emulator.requests(syncPath(record));
        ASSERT_EQ(sent.size(), 1);
        EXPECT_EQ(sent[0].body.value(u"mk_direction"_s).toString(), u"ic_tiny"_s);
        const auto conversation = session->conversations().value(id);
        ASSERT_TRUE(conversation);
        EXPECT_FALSE(conversation->needsSync());
        if (id == refusedId) {
            EXPECT_EQ(sent[0].status, 404);
            EXPECT_EQ(conversation->recordCompleteness(), 0);
            continue;
        }
        EXPECT_EQ(sent[0].status, 200);
        EXPECT_EQ(conversation->recordCompleteness(), 1);
        EXPECT_EQ(conversation->inboxMessageNr(),
                  record.value(u"last_message_nr"_s).toInteger() > 0
                      ? std::optional<std::int64_t>(record.value(u"last_message_nr"_s).toInteger())
                      : std::nullopt);
    }

    // What the service says of the refused conversation next may make it answerable.
    emulator.clearFaults(refusedPath);
    ASSERT_TRUE(deliver(session, {fixture.conversations.first()}));
    const auto refused = session->conversations().value(refusedId);
    ASSERT_TRUE(settle([&] { return refused->recordCompleteness() == 1; }));
    EXPECT_EQ(emulator.requests(refusedPath).size(), 2);
    EXPECT_EQ(emulator.requests(refusedPath).last().status, 200);
}

TEST_F(ZVRepositoryStreamTest, TheSameStreamAppliedTwiceGivesTheSameStore) {
    const zvemu::Fixture fixture = seededAccount({.contacts = 60, .hooks = 4, .teams = 4}, 5);
    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(session));
    const auto once = storeRows(session);
    ASSERT_FALSE(once.empty());

    ASSERT_TRUE(deliver(session, fixture.records()));
    EXPECT_EQ(storeRows(session), once);
}

TEST_F(ZVRepositoryStreamTest, AnAnswerThatCannotBeSavedIsAskedForAgain) {
    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(session));
    const std::int64_t before = session->eventHorizon();
    CommitCounter counter;
    counter.attach(session);

    counter.refuse = true;
    const QList<QJsonObject> answer{
        streamRecord(u"contact"_s,
                     {{u"account_id"_s, kStreamFoxId}, {u"display_name"_s, u"Fox"_s}}),
        streamRecord(u"team"_s, {{u"team_id"_s, u"t1"_s}, {u"team_name"_s, u"Ops"_s}})};
    emulator.appendEvents(session->sessionId(), answer);
    ASSERT_TRUE(scheduler().runUntil([&] { return logText().contains(u"Stream not saved"_s); }));
    // Nothing of the answer is kept, neither in the maps nor as the stream's position.
    EXPECT_EQ(session->eventHorizon(), before);
    EXPECT_EQ(platform::UserDefaults::standard()->integerForKey(kStreamEmail + u".EventHorizon"_s),
              before);
    EXPECT_FALSE(session->contacts().contains(kStreamFoxId));
    EXPECT_FALSE(session->teamFromId(u"t1"_s));
    EXPECT_TRUE(session->localContact());
    EXPECT_FALSE(session->localContact()->isDeleted());

    // The next poll asks from the old position and gets the records again.
    counter.refuse = false;
    ASSERT_TRUE(scheduler().runUntil([&] { return session->contacts().contains(kStreamFoxId); }));
    ASSERT_TRUE(waitForStreamEnd(session));
    EXPECT_EQ(session->contacts().value(kStreamFoxId)->displayName(), u"Fox"_s);
    EXPECT_TRUE(session->teamFromId(u"t1"_s));
    EXPECT_EQ(counter.commits, 1);
}

// --- local changes and the first answer ---

TEST_F(ZVRepositoryStreamTest, AChangeMadeBeforeTheFirstAnswerGoesOutAfterIt) {
    // Another account is online already, so the new one's first answer finds the connection up.
    const auto other = signIn(u"owl@example.com"_s);
    ASSERT_TRUE(waitForStreamEnd(other));
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() == 1; }));
    emulator.addAccount(kStreamEmail, u"secret"_s, u"anna"_s);
    // The first poll is held until the change has been made and the queue had its chance.
    emulator.injectFault(u"account/poll"_s, zvemu::Fault::delayed(std::chrono::seconds(20)));
    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(session);
    const auto fox = session->contactFromId(kStreamFoxId);
    fox->setName(u"Fox"_s);
    scheduler().advance(10 * ZVApi::kQueueSendDelay);
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() == 2; }));
    EXPECT_EQ(emulator.requestCount(u"contact/describe"_s), 0);
    EXPECT_TRUE(fox->needsSync());

    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] { return session->eventHorizon() >= 1; }));
    ASSERT_TRUE(waitForAnswered(u"contact/describe"_s));
    EXPECT_EQ(emulator.lastRequest(u"contact/describe"_s)->body.value(u"contact_name"_s),
              QJsonValue(u"Fox"_s));
    ASSERT_TRUE(settle([&] { return !fox->needsSync(); }));
}

TEST_F(ZVRepositoryStreamTest, TwoQuickChangesToOneContactSendOneRequest) {
    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(session));
    ASSERT_EQ(
        applyLocally(session, {streamRecord(u"contact"_s, {{u"account_id"_s, kStreamFoxId}})}),
        nullptr);
    const auto fox = session->contacts().value(kStreamFoxId);
    fox->setName(u"Red"_s);
    fox->setName(u"Red Fox"_s);
    ASSERT_TRUE(waitForAnswered(u"contact/describe"_s));
    ASSERT_TRUE(settle([&] { return !fox->needsSync(); }));
    scheduler().advance(ZVRepositorySession::kCommitRetryDelay + ZVApi::kQueueSendDelay);
    const auto sent = emulator.requests(u"contact/describe"_s);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].body.value(u"contact_name"_s), QJsonValue(u"Red Fox"_s));
    // The service's record of the change comes back and changes nothing.
    ASSERT_TRUE(waitForStreamEnd(session));
    EXPECT_EQ(fox->displayName(), u"Red Fox"_s);
    EXPECT_EQ(service.contact(session->sessionId(), kStreamFoxId)->value(u"display_name"_s),
              QJsonValue(u"Red Fox"_s));
}

// --- the end of a session ---

TEST_F(ZVRepositoryStreamTest, AResyncWipesTheStoreAndFillsItAgainFromTheStart) {
    const zvemu::Fixture fixture = seededAccount({.contacts = 20, .hooks = 2, .teams = 2}, 9);
    const auto first = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(first));
    // A contact only this device knows: a placeholder, gone with the wiped store.
    first->contactFromId(kStreamFoxId);
    first->saveContext();
    ASSERT_TRUE(first->contacts().contains(kStreamFoxId));

    // The poll held now was taken before the fault; the one after it plays it.
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() == 1; }));
    emulator.injectFault(u"account/poll"_s, zvemu::Fault::zeroEventHorizon());
    const int polls = emulator.requestCount(u"account/poll"_s);
    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] {
        return emulator.requestCount(u"account/poll"_s) > polls && emulator.heldCount() == 1;
    }));
    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] { return first->eventHorizon() == 0; }));
    scheduler().advance(ZVApi::kResyncDelay);
    EXPECT_TRUE(first->hasEnded());
    ASSERT_TRUE(scheduler().runUntil([&] {
        const auto current = api().sessions().value(first->sessionId());
        return current && current != first;
    }));
    EXPECT_FALSE(first->repository());
    const auto second =
        std::dynamic_pointer_cast<ZVRepositorySession>(api().sessions().value(first->sessionId()));
    ASSERT_TRUE(second);
    // The client puts a second first-poll of one account a second after the one before.
    scheduler().advance(kFirstPollPacing);
    ASSERT_TRUE(waitForStreamEnd(second));
    EXPECT_EQ(second->contacts().size(), fixture.contacts.size());
    EXPECT_FALSE(second->contacts().contains(kStreamFoxId));
    EXPECT_EQ(second->hooks().size(), fixture.hooks.size());
}

TEST_F(ZVRepositoryStreamTest, SigningOutLeavesNoStore) {
    seededAccount({.contacts = 5}, 1);
    const auto session = signIn(kStreamEmail);
    ASSERT_TRUE(waitForStreamEnd(session));
    const QString path = session->repository()->repositoryURL().toLocalFile();
    ASSERT_TRUE(QFile::exists(path));

    session->endSession(ZVApiSession::EndReason::Logout);
    EXPECT_FALSE(session->repository());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(session->contacts().isEmpty());
}

}  // namespace
