#include "ZelvoKit/model/ZVRepositorySession.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "platform/foundation/Paths.h"
#include "platform/store/StoreFiles.h"

#include <QtCore/QJsonArray>
#include <QtCore/QProcess>

#include <unistd.h>

#include <cstdio>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const char* const kRootVariable = "ZV_MODEL_CRASH_ROOT";
const char* const kUrlVariable = "ZV_MODEL_CRASH_URL";
const char* const kEmailVariable = "ZV_MODEL_CRASH_EMAIL";
const char* const kUuidVariable = "ZV_MODEL_CRASH_UUID";
const char* const kTicketVariable = "ZV_MODEL_CRASH_TICKET";
const char* const kTokenVariable = "ZV_MODEL_CRASH_TOKEN";
const char* const kHorizonVariable = "ZV_MODEL_CRASH_HORIZON";
constexpr char kApplied[] = "model-crash-child-applied";
constexpr char kReady[] = "model-crash-child-ready";
const QString kCrashEmail = u"anna@example.com"_s;
// The contact of the second answer that tells the child to stop before saving it.
const QString kMarkerId = u"3e3e3e3e-0000-4000-8000-00000000beef"_s;

void announce(const char* line) {
    std::fputs(line, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

// A session that stops before saving the answer that brought the marker contact, until killed.
class StoppingSession : public ZVRepositorySession {
public:
    using ZVRepositorySession::ZVRepositorySession;

    void saveContext() override {
        if (contacts().contains(kMarkerId)) {
            announce(kReady);
            char byte = 0;
            while (::read(STDIN_FILENO, &byte, 1) > 0) {
            }
        }
        ZVRepositorySession::saveContext();
    }
};

TEST(ZVRepositoryCrashChild, AppliesUntilKilled) {
    const QString root = qEnvironmentVariable(kRootVariable);
    if (root.isEmpty()) {
        GTEST_SKIP()
            << "the child process of ZVRepositoryCrash.AKillBetweenAnswerAndSaveLosesNothing";
    }
    platform::Paths::setRoot(root);
    ZVApi::setApplicationId(u"ZelvoIPhone"_s);
    ZVApi::setSessionClass(ZVRepositorySession::factory<StoppingSession>());
    ZVApi::api().setCustomBaseURL(qEnvironmentVariable(kUrlVariable));
    auto credentials = std::make_shared<ZVUserCredentials>(qEnvironmentVariable(kEmailVariable));
    credentials->setUuid(qEnvironmentVariable(kUuidVariable));
    credentials->setTicket(qEnvironmentVariable(kTicketVariable));
    credentials->setCookie(qEnvironmentVariable(kTokenVariable));
    ZVJsonParser profiles(
        QJsonObject{{u"profiles"_s, QJsonArray{QJsonObject{{u"account_id"_s, credentials->uuid()},
                                                           {u"email"_s, credentials->email()}}}}});
    const auto session = ZVApi::api().loginWithCredentials(credentials, &profiles);
    ASSERT_TRUE(session);
    const qint64 firstAnswer = qEnvironmentVariable(kHorizonVariable).toLongLong();
    auto& scheduler = platform::Scheduler::main();
    ASSERT_TRUE(scheduler.runUntil([&] { return session->eventHorizon() >= firstAnswer; }));
    // Its position reaches the disk on the run loop's next turn.
    scheduler.runUntil([] { return false; }, 200);
    announce(kApplied);
    scheduler.runUntil([] { return false; }, 60000);
    ADD_FAILURE() << "the second answer never came";
}

class ZVRepositoryCrashTest : public modeltest::RepositoryTest {};

TEST_F(ZVRepositoryCrashTest, AKillBetweenAnswerAndSaveLosesNothing) {
    const zvemu::Account account = emulator.addAccount(kCrashEmail, u"secret"_s, u"anna"_s);
    const zvemu::Fixture first = zvemu::generateFixture(
        account.accountId, kCrashEmail, {.contacts = 30, .hooks = 2, .teams = 2}, 3);
    service.seed(account.accountId, first);
    const qint64 firstHorizon = emulator.eventHorizon(account.accountId);

    const zvemu::Credentials issued = emulator.issueCredentials(account.accountId);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kRootVariable, platform::Paths::root());
    environment.insert(kUrlVariable, emulator.baseUrl());
    environment.insert(kEmailVariable, kCrashEmail);
    environment.insert(kUuidVariable, account.accountId);
    environment.insert(kTicketVariable, issued.ticket);
    environment.insert(kTokenVariable, issued.token);
    environment.insert(kHorizonVariable, QString::number(firstHorizon));
    environment.insert("TMPDIR", zvtest::testRoot());
    child.setProcessEnvironment(environment);
    child.start(zvtest::executablePath(),
                {u"--gtest_filter=ZVRepositoryCrashChild.AppliesUntilKilled"_s});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray output;
    const auto waitFor = [&](const char* line) {
        while (!output.contains(line) && child.waitForReadyRead(60000)) {
            output += child.readAllStandardOutput();
        }
        return output.contains(line);
    };
    ASSERT_TRUE(waitFor(kApplied))
        << output.toStdString() << child.readAllStandardError().toStdString();

    // The second answer: new people, changes to known ones, a removal, and the marker.
    QList<QJsonObject> second =
        zvemu::generateFixture(account.accountId, kCrashEmail, {.contacts = 20, .hooks = 1}, 4)
            .records()
            .mid(1);
    second.append(
        streamRecord(u"contact"_s, {{u"account_id"_s, first.contacts[3].value(u"account_id"_s)},
                                    {u"display_name"_s, u"Renamed"_s}}));
    second.append(streamRecord(
        u"contact"_s,
        {{u"account_id"_s, first.contacts[4].value(u"account_id"_s)}, {u"is_deleted"_s, true}}));
    second.append(streamRecord(
        u"contact"_s, {{u"account_id"_s, kMarkerId}, {u"email"_s, u"marker@example.com"_s}}));
    emulator.appendEvents(account.accountId, second);
    ASSERT_TRUE(waitFor(kReady)) << output.toStdString()
                                 << child.readAllStandardError().toStdString();
    child.kill();
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // Relaunched: the position saved is the first answer's, so the second comes again.
    auto session = restart(kCrashEmail);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->eventHorizon(), firstHorizon);
    EXPECT_FALSE(session->contacts().contains(kMarkerId));
    ASSERT_TRUE(waitForStreamEnd(session));
    const auto recovered = storeRows(session);
    EXPECT_TRUE(session->contacts().contains(kMarkerId));
    EXPECT_EQ(session->contacts()
                  .value(first.contacts[3].value(u"account_id"_s).toString())
                  ->displayName()
                  .toStdString(),
              "Renamed");

    // The same stream into an empty store, without a kill.
    const QString path = session->repository()->repositoryURL().toLocalFile();
    session.reset();
    ZVApi::resetSharedApi();
    ASSERT_TRUE(platform::removeStoreFiles(path).empty());
    const auto fresh = restart(kCrashEmail);
    ASSERT_TRUE(fresh);
    ASSERT_TRUE(waitForStreamEnd(fresh));
    EXPECT_EQ(storeRows(fresh), recovered);
}

}  // namespace
