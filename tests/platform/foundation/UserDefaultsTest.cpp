#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using platform::UserDefaults;

namespace {

const QString kGroup = QStringLiteral("group.com.zelvo.test");

std::shared_ptr<UserDefaults> standard() {
    return UserDefaults::standard();
}

// What a new process would see: every shared object forgotten, the same folder read again.
void reopen() {
    platform::resetSharedState();
}

QString preferencesFile(const QString& domain) {
    return platform::Paths::preferencesDirectory() + QLatin1Char('/') + domain +
           QStringLiteral(".json");
}

QStringList preferenceFiles() {
    return QDir(platform::Paths::preferencesDirectory())
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(UserDefaults, TypedReadsConvertAsThePlatformDoes) {
    struct Case {
        QVariant stored;
        std::int64_t integer;
        bool flag;
        double number;
        QString string;
    };
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    const Case cases[] = {
        {QVariant(), 0, false, 0, QString()},
        {QVariant(qlonglong(big)), big, true, 9223372036854775807.0, "9223372036854775807"},
        {QVariant(qlonglong(-3)), -3, true, -3, "-3"},
        {QVariant(true), 1, true, 1, "1"},
        {QVariant(false), 0, false, 0, "0"},
        {QVariant(3.7), 3, true, 3.7, "3.7"},
        {QVariant(-0.5), 0, true, -0.5, "-0.5"},
        {QVariant(1e30), big, true, 1e30, "1e+30"},
        {QVariant(QStringLiteral("YES")), 0, true, 0, "YES"},
        {QVariant(QStringLiteral("true")), 0, true, 0, "true"},
        {QVariant(QStringLiteral("1")), 1, true, 1, "1"},
        {QVariant(QStringLiteral("no")), 0, false, 0, "no"},
        {QVariant(QStringLiteral("0")), 0, false, 0, "0"},
        {QVariant(QStringLiteral(" 42abc")), 42, true, 42, " 42abc"},
        {QVariant(QStringLiteral("-2.5e3x")), -2, true, -2500, "-2.5e3x"},
        {QVariant(QStringLiteral("")), 0, false, 0, ""},
        {QVariant(QVariantList{1, 2}), 0, false, 0, QString()},
        {QVariant(QByteArray("12")), 0, false, 0, QString()},
    };
    auto defaults = standard();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString() + " of type " +
                     (c.stored.isValid() ? c.stored.typeName() : "none"));
        defaults->setObject(c.stored, QStringLiteral("key"));
        EXPECT_EQ(defaults->integerForKey(QStringLiteral("key")), c.integer);
        EXPECT_EQ(defaults->boolForKey(QStringLiteral("key")), c.flag);
        EXPECT_DOUBLE_EQ(defaults->doubleForKey(QStringLiteral("key")), c.number);
        EXPECT_EQ(defaults->stringForKey(QStringLiteral("key")), c.string);
        EXPECT_EQ(defaults->stringForKey(QStringLiteral("key")).isNull(), c.string.isNull());
    }

    // Container, data and date reads of other types give nothing.
    defaults->setString(QStringLiteral("text"), QStringLiteral("key"));
    EXPECT_FALSE(defaults->arrayForKey(QStringLiteral("key")));
    EXPECT_FALSE(defaults->dictionaryForKey(QStringLiteral("key")));
    EXPECT_TRUE(defaults->dataForKey(QStringLiteral("key")).isNull());
    EXPECT_FALSE(defaults->dateForKey(QStringLiteral("key")).isValid());
    defaults->setObject(QVariantList{QStringLiteral("a"), 1}, QStringLiteral("mixed"));
    EXPECT_FALSE(defaults->stringArrayForKey(QStringLiteral("mixed")));
    EXPECT_EQ(defaults->arrayForKey(QStringLiteral("mixed"))->size(), 2);
}

TEST(UserDefaults, EveryTypeRoundTripsThroughAReopen) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1767603600123, Qt::UTC);
    const QVariantMap nested{
        {QStringLiteral("$type"), QStringLiteral("date")},  // looks like our own tagging
        {QStringLiteral("value"), QStringLiteral("not a date")},
        {QStringLiteral("blob"), QByteArray("\x00\xff", 2)},
        {QStringLiteral("when"), when},
    };
    const std::int64_t big = std::numeric_limits<std::int64_t>::min();
    {
        auto defaults = standard();
        defaults->setInteger(big, QStringLiteral("big"));
        defaults->setInteger(9007199254740993, QStringLiteral("beyondDouble"));
        defaults->setBool(true, QStringLiteral("flag"));
        defaults->setDouble(0.1, QStringLiteral("tenth"));
        defaults->setDouble(-std::numeric_limits<double>::infinity(), QStringLiteral("minusInf"));
        defaults->setString(QStringLiteral("ä 😀"), QStringLiteral("text"));
        defaults->setString(QString(""), QStringLiteral("empty"));
        defaults->setObject(QStringList{QStringLiteral("a"), QStringLiteral("b")},
                            QStringLiteral("names"));
        defaults->setObject(nested, QStringLiteral("nested"));
        defaults->setObject(QByteArray(), QStringLiteral("noBytes"));
        defaults->setObject(when, QStringLiteral("date"));
        UserDefaults::suite(kGroup)->setObject(QVariantList{QVariantMap{{"k", 1}}},
                                               QStringLiteral("sessions"));
        platform::Scheduler::main().runPending();  // the deferred save
    }
    reopen();
    auto defaults = standard();
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("big")), big);
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("beyondDouble")), 9007199254740993);
    EXPECT_TRUE(defaults->boolForKey(QStringLiteral("flag")));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("flag")).typeId(), QMetaType::Bool);
    EXPECT_EQ(defaults->doubleForKey(QStringLiteral("tenth")), 0.1);
    EXPECT_EQ(defaults->doubleForKey(QStringLiteral("minusInf")),
              -std::numeric_limits<double>::infinity());
    EXPECT_EQ(defaults->stringForKey(QStringLiteral("text")), QStringLiteral("ä 😀"));
    EXPECT_FALSE(defaults->stringForKey(QStringLiteral("empty")).isNull());
    EXPECT_EQ(defaults->stringArrayForKey(QStringLiteral("names")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(defaults->dictionaryForKey(QStringLiteral("nested")), nested);
    EXPECT_EQ(defaults->dataForKey(QStringLiteral("noBytes")), QByteArray(""));
    EXPECT_FALSE(defaults->dataForKey(QStringLiteral("noBytes")).isNull());
    EXPECT_EQ(defaults->dateForKey(QStringLiteral("date")), when);
    EXPECT_EQ(defaults->dictionaryRepresentation().size(), 11);
    const QVariantList sessions{QVariantMap{{"k", 1}}};
    EXPECT_EQ(UserDefaults::suite(kGroup)->arrayForKey(QStringLiteral("sessions")), sessions);

    defaults->removeObjectForKey(QStringLiteral("big"));
    defaults->setString(QString(), QStringLiteral("text"));  // a null string removes
    EXPECT_TRUE(defaults->synchronize());
    reopen();
    EXPECT_FALSE(standard()->objectForKey(QStringLiteral("big")).isValid());
    EXPECT_FALSE(standard()->objectForKey(QStringLiteral("text")).isValid());
    EXPECT_EQ(standard()->dictionaryRepresentation().size(), 9);
}

TEST(UserDefaults, ChangesAreSavedTogetherOnTheNextTurn) {
    auto& scheduler = platform::Scheduler::main();
    auto defaults = standard();
    defaults->setInteger(1, QStringLiteral("a"));
    defaults->setInteger(2, QStringLiteral("b"));
    defaults->setBool(true, QStringLiteral("c"));
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    EXPECT_FALSE(QFile::exists(preferencesFile(UserDefaults::standardDomainName())));
    EXPECT_EQ(defaults->persistentDomainForName(UserDefaults::standardDomainName()).size(), 3);

    scheduler.runPending();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    QFile file(preferencesFile(UserDefaults::standardDomainName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).object().size(), 3);

    // synchronize() saves at once and leaves no save behind; storing an equal value changes
    // nothing.
    defaults->setInteger(3, QStringLiteral("a"));
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    defaults->setInteger(3, QStringLiteral("a"));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(UserDefaults, OneObjectPerDomain) {
    EXPECT_EQ(standard(), UserDefaults::suite(QString()));
    EXPECT_EQ(standard(), UserDefaults::suite(UserDefaults::standardDomainName()));
    EXPECT_EQ(UserDefaults::suite(kGroup), UserDefaults::suite(kGroup));
    EXPECT_NE(UserDefaults::suite(kGroup), standard());

    // Odd names still make one file each, inside the folder.
    for (const QString& name :
         {QStringLiteral("../escape"), QStringLiteral(".hidden"), QStringLiteral("a/b"), kGroup}) {
        UserDefaults::suite(name)->setBool(true, QStringLiteral("here"));
        EXPECT_TRUE(UserDefaults::suite(name)->synchronize());
    }
    EXPECT_EQ(preferenceFiles().size(), 4);
    EXPECT_TRUE(preferenceFiles().contains(kGroup + QStringLiteral(".json")));
    EXPECT_FALSE(
        QFile::exists(platform::Paths::libraryDirectory() + QStringLiteral("/escape.json")));
    reopen();
    EXPECT_TRUE(
        UserDefaults::suite(QStringLiteral("../escape"))->boolForKey(QStringLiteral("here")));
}

TEST(UserDefaults, RemovingADomainLeavesNothing) {
    auto defaults = standard();
    defaults->setInteger(7, QStringLiteral("EventHorizon"));
    defaults->setObject(QStringList{QStringLiteral("me@example.com")}, QStringLiteral("Accounts"));
    ASSERT_TRUE(defaults->synchronize());
    UserDefaults::suite(kGroup)->setString(QStringLiteral("s"), QStringLiteral("active_session"));
    ASSERT_TRUE(UserDefaults::suite(kGroup)->synchronize());
    defaults->setBool(true, QStringLiteral("pendingWhenRemoved"));

    defaults->removePersistentDomainForName(UserDefaults::standardDomainName());
    EXPECT_TRUE(defaults->dictionaryRepresentation().isEmpty());
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("EventHorizon")), 0);
    platform::Scheduler::main().runPending();  // the save that was pending must not bring it back
    EXPECT_EQ(preferenceFiles(), QStringList{kGroup + QStringLiteral(".json")});
    reopen();
    EXPECT_TRUE(standard()->dictionaryRepresentation().isEmpty());
    EXPECT_EQ(UserDefaults::suite(kGroup)->stringForKey(QStringLiteral("active_session")), "s");

    // A domain without a live object goes too.
    standard()->removePersistentDomainForName(kGroup);
    EXPECT_TRUE(preferenceFiles().isEmpty());
    EXPECT_TRUE(standard()->persistentDomainForName(kGroup).isEmpty());
}

TEST(UserDefaults, UnreadableFileReadsAsEmptyAndIsLogged) {
    const QByteArray contents[] = {"{\"half\": ", "[1, 2]", "", "\xff\xfe garbage"};
    for (const QByteArray& content : contents) {
        SCOPED_TRACE(content.toStdString());
        writeFile(preferencesFile(kGroup), content);
        testing::internal::CaptureStderr();
        auto defaults = UserDefaults::suite(kGroup);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(defaults->dictionaryRepresentation().isEmpty());
        EXPECT_NE(log.find("UserDefaults: ignoring unreadable"), std::string::npos) << log;

        // The next save replaces the damaged file with a sound one.
        defaults->setInteger(5, QStringLiteral("n"));
        ASSERT_TRUE(defaults->synchronize());
        reopen();
        EXPECT_EQ(UserDefaults::suite(kGroup)->integerForKey(QStringLiteral("n")), 5);
        reopen();
    }
}

TEST(UserDefaults, RefusesValuesThatAreNotPropertyLists) {
    auto defaults = standard();
    defaults->setInteger(1, QStringLiteral("url"));
    testing::internal::CaptureStderr();
    defaults->setObject(QUrl(QStringLiteral("https://example.com")), QStringLiteral("url"));
    defaults->setObject(QVariantList{QVariant(), 1}, QStringLiteral("holes"));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("url")), 1);
    EXPECT_FALSE(defaults->objectForKey(QStringLiteral("holes")).isValid());
    EXPECT_NE(log.find("refusing to store a value of type QUrl for key url"), std::string::npos)
        << log;

    // Other integer widths are stored as 64-bit integers, or as doubles beyond them.
    defaults->setObject(QVariant(quint64(1) << 63), QStringLiteral("huge"));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("huge")).typeId(), QMetaType::Double);
    defaults->setObject(QVariant(short(-4)), QStringLiteral("small"));
    EXPECT_EQ(defaults->objectForKey(QStringLiteral("small")), QVariant(qlonglong(-4)));
}

// --- a crash between writes -------------------------------------------------------------------

namespace {

constexpr const char* kWriterRootVariable = "ZV_DEFAULTS_WRITER_ROOT";
// Large enough that writing the file takes a while, so that a kill can land in the middle of it.
constexpr int kPayloadLength = 1 << 20;

QString payload(std::int64_t n) {
    return QString(kPayloadLength, QChar(u'a' + static_cast<char16_t>(n % 26)));
}

// The identity and size of a file: a replacement or a rewrite in place both change it.
std::pair<ino_t, off_t> fileState(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {0, -1};
    }
    return {info.st_ino, info.st_size};
}

}  // namespace

// Run only as the child of CrashBetweenWritesLeavesAWholeFile. Before each save it announces
// "saving n" and waits for a line on standard input, so the parent knows which save it kills.
TEST(UserDefaultsCrash, DISABLED_WriterChild) {
    const QByteArray root = qgetenv(kWriterRootVariable);
    ASSERT_FALSE(root.isEmpty());
    QDir(zvtest::testRoot()).removeRecursively();  // killed: the environment cannot clean up
    platform::Paths::setRoot(QString::fromLocal8Bit(root));
    auto defaults = standard();
    char go[16];
    for (std::int64_t n = defaults->integerForKey(QStringLiteral("counter")) + 1;; ++n) {
        std::printf("saving %lld\n", static_cast<long long>(n));
        std::fflush(stdout);
        if (!std::fgets(go, sizeof go, stdin)) {
            return;  // the parent has gone
        }
        defaults->setInteger(n, QStringLiteral("counter"));
        defaults->setString(payload(n), QStringLiteral("payload"));
        ASSERT_TRUE(defaults->synchronize());
    }
}

// The child saves ever newer values and is killed with SIGKILL in the middle of a save: right
// after it starts (while the new contents are being prepared or written) or as soon as the file
// on disk changes. Either way the file must hold the previous save or the interrupted one, whole.
TEST(UserDefaultsCrash, CrashBetweenWritesLeavesAWholeFile) {
    constexpr int kRounds = 6;
    constexpr int kTimeoutMs = 60000;
    const QString path = preferencesFile(UserDefaults::standardDomainName());
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        const bool killWhenTheFileChanges = round % 2 == 1;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kWriterRootVariable), zvtest::testRoot());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(zvtest::executablePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=UserDefaultsCrash.DISABLED_WriterChild")});
        ASSERT_TRUE(child.waitForStarted(kTimeoutMs));

        // Let a few saves complete, a different number each round, then kill during the next.
        std::int64_t interrupted = 0;
        for (int saves = 0; saves <= 1 + round; ++saves) {
            QByteArray line;
            while (!line.startsWith("saving ")) {  // other lines are the test framework's
                while (!child.canReadLine()) {
                    ASSERT_TRUE(child.waitForReadyRead(kTimeoutMs)) << "the writer stopped";
                }
                line = child.readLine();
            }
            interrupted = line.mid(7).trimmed().toLongLong();
            const auto before = fileState(path);
            child.write("go\n");
            child.waitForBytesWritten(kTimeoutMs);
            if (saves == 1 + round && killWhenTheFileChanges) {
                QElapsedTimer waited;
                waited.start();
                while (fileState(path) == before && waited.elapsed() < kTimeoutMs) {
                }
            }
        }
        child.kill();  // SIGKILL
        ASSERT_TRUE(child.waitForFinished(kTimeoutMs));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        reopen();
        testing::internal::CaptureStderr();
        auto defaults = standard();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // nothing unreadable
        const std::int64_t counter = defaults->integerForKey(QStringLiteral("counter"));
        EXPECT_GE(counter, interrupted - 1);
        EXPECT_LE(counter, interrupted);
        EXPECT_EQ(defaults->stringForKey(QStringLiteral("payload")), payload(counter));
        EXPECT_EQ(preferenceFiles(), QStringList{QFileInfo(path).fileName()});
    }
}
