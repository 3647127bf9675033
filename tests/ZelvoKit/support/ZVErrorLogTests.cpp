#include "ZelvoKit/support/log/ZVErrorLog.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "tests/support/FileModes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

const char* const ChildRootVariable = "ZV_ERRORLOG_CHILD_ROOT";
const char* const ChildScenarioVariable = "ZV_ERRORLOG_CHILD_SCENARIO";

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray expectedLine(const QString& message) {
    const QString date =
        platform::Scheduler::main().currentDate().toUTC().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    return (date + u" +0000 "_s + message + u"\n"_s).toUtf8();
}

// Runs this executable again with only the child scenario below, against `root`.
QProcess::ExitStatus runChild(const QString& root, const QString& scenario, int* exitCode,
                              QByteArray* output) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildRootVariable), root);
    environment.insert(QString::fromLatin1(ChildScenarioVariable), scenario);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(zvtest::executablePath(), {u"--gtest_also_run_disabled_tests"_s,
                                           u"--gtest_filter=ZVErrorLogChild.DISABLED_Scenario"_s});
    child.waitForFinished(60000);
    *exitCode = child.exitCode();
    *output = child.readAll();
    return child.exitStatus();
}

TEST(ZVErrorLogTest, LogErrorAppendsDatedFormattedLines) {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    const QString path = log.logFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(u"/errors.log"_s));
    EXPECT_TRUE(path.startsWith(zvtest::testRoot()));
    EXPECT_EQ(log.logFileURL(), QUrl::fromLocalFile(path));

    ZVLogError(u"Exception: %@ code %ld", u"boom"_s, 42L);
    const QByteArray first = expectedLine(u"Exception: boom code 42"_s);
    platform::Scheduler::main().advance(61);
    ZVLogError(u"ApplicationDidFinishLaunching");

    const QByteArray content = readFile(path);
    EXPECT_EQ(content, first + expectedLine(u"ApplicationDidFinishLaunching"_s));
    EXPECT_EQ(log.logFileSize(), content.size());
}

TEST(ZVErrorLogTest, LogOfTheLimitIsKeptAndOneByteMoreIsEmptied) {
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {ZVErrorLog::MaxLogFileSize, ZVErrorLog::MaxLogFileSize},
        {ZVErrorLog::MaxLogFileSize + 1, 0},
    };
    for (const auto& [size, kept] : cases) {
        SCOPED_TRACE(size);
        const QString path = ZVErrorLog::errorLog().logFilePath();
        writeFile(path, QByteArray(size, 'x'));
        platform::resetSharedState();  // the next use opens the log again

        EXPECT_EQ(ZVErrorLog::errorLog().logFileSize(), kept);
        EXPECT_EQ(QFile(path).size(), kept);
        ZVLogError(u"after opening");
        EXPECT_EQ(QFile(path).size(), kept + expectedLine(u"after opening"_s).size());
    }
}

TEST(ZVErrorLogTest, DeleteEmptiesAndLaterLinesStartAtTheBeginning) {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    ZVLogError(u"old line %d", 1);
    ZVLogError(u"old line %d", 2);
    ASSERT_GT(log.logFileSize(), 0);

    log.deleteLogFile();
    EXPECT_EQ(log.logFileSize(), 0);
    EXPECT_EQ(QFile(log.logFilePath()).size(), 0);

    ZVLogError(u"new line");
    EXPECT_EQ(readFile(log.logFilePath()), expectedLine(u"new line"_s));
    EXPECT_EQ(log.logFileSize(), expectedLine(u"new line"_s).size());
}

TEST(ZVErrorLogTest, LivesInTheApplicationGroupsContainer) {
    platform::Application::shared().setApplicationGroupIdentifier(u"group.test.errors"_s);
    EXPECT_EQ(
        ZVErrorLog::errorLog().logFilePath(),
        platform::Paths::applicationGroupContainer(u"group.test.errors"_s) + u"/errors.log"_s);
}

// The log names accounts and conversations: others on the machine may not read it.
TEST(ZVErrorLogTest, LogIsTheUsersAloneWhateverTheUmask) {
    const zvtest::ScopedUmask scopedUmask(022);
    ZVLogError(u"one line");
    ZVErrorLog::errorLog().flush();
    const QString path = ZVErrorLog::errorLog().logFilePath();
    EXPECT_EQ(zvtest::fileMode(path), 0600u);
    EXPECT_EQ(zvtest::fileMode(QFileInfo(path).absolutePath()), 0700u);
}

TEST(ZVErrorLogTest, WithoutContainerLinesGoOnlyToTheSystemLog) {
    const struct {
        const char* name;
        std::function<void()> takeContainerAway;
    } cases[] = {
        {"no application group",
         [] {
             platform::Application::shared().setBundleIdentifier(QString());
             platform::Application::shared().setApplicationGroupIdentifier(QString());
         }},
        {"a root that cannot hold folders",
         [] {
             const QString blocker = zvtest::makeTempDir(u"blocked"_s) + u"/file"_s;
             writeFile(blocker, "not a folder");
             platform::Paths::setRoot(blocker + u"/root"_s);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::resetSharedState();
        c.takeContainerAway();

        ZVErrorLog& log = ZVErrorLog::errorLog();
        ZVLogError(u"nowhere to go");
        log.redirectStdErr();
        log.deleteLogFile();
        EXPECT_TRUE(log.logFilePath().isEmpty());
        EXPECT_TRUE(log.logFileURL().isEmpty());
        EXPECT_EQ(log.logFileSize(), 0);
    }
}

TEST(ZVErrorLogTest, LinesFromSeveralThreadsStayWhole) {
    constexpr int threadCount = 4;
    constexpr int linesPerThread = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < linesPerThread; ++i) {
                ZVLogError(u"thread %d line %d of a longer message", t, i);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const QList<QByteArray> lines = readFile(ZVErrorLog::errorLog().logFilePath()).split('\n');
    ASSERT_EQ(lines.size(), threadCount * linesPerThread + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith(" of a longer message")) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(" +0000 thread ")) << lines[i].toStdString();
    }
}

TEST(ZVErrorLogTest, AfterRedirectionStandardErrorLandsInTheLog) {
    const QString root = zvtest::makeTempDir(u"child"_s);
    int exitCode = -1;
    QByteArray output;
    ASSERT_EQ(runChild(root, u"redirect"_s, &exitCode, &output), QProcess::NormalExit);
    ASSERT_EQ(exitCode, 0) << output.toStdString();

    platform::Paths::setRoot(root);
    const QByteArray content = readFile(ZVErrorLog::errorLog().logFilePath());
    const QList<QByteArray> lines = content.split('\n');

    // Before: the log's own line, kept by the append.
    ASSERT_GE(lines.size(), 4) << content.toStdString();
    EXPECT_TRUE(lines[0].endsWith(" +0000 before redirection")) << content.toStdString();
    // After: the system log's line of the same call, and raw standard error, and no own line.
    EXPECT_TRUE(lines[1].contains("] after redirection 7")) << content.toStdString();
    EXPECT_FALSE(lines[1].contains("+0000")) << content.toStdString();
    EXPECT_EQ(lines[2], "raw standard error");
    EXPECT_EQ(content.count("after redirection"), 1) << content.toStdString();
    // The child's own output no longer shows the redirected lines.
    EXPECT_FALSE(output.contains("raw standard error")) << output.toStdString();
}

TEST(ZVErrorLogTest, DeleteAfterRedirectionRestartsTheFileAtZero) {
    const QString root = zvtest::makeTempDir(u"child"_s);
    int exitCode = -1;
    QByteArray output;
    ASSERT_EQ(runChild(root, u"delete"_s, &exitCode, &output), QProcess::NormalExit);
    ASSERT_EQ(exitCode, 0) << output.toStdString();

    platform::Paths::setRoot(root);
    const QByteArray content = readFile(ZVErrorLog::errorLog().logFilePath());
    EXPECT_FALSE(content.contains("before deleting")) << content.toStdString();
    EXPECT_TRUE(content.contains("] after deleting")) << content.toStdString();
    EXPECT_FALSE(content.contains('\0')) << "later lines must not leave a hole";
}

// Run only as a child of the tests above: it redirects this process's standard error.
TEST(ZVErrorLogChild, DISABLED_Scenario) {
    const QByteArray root = qgetenv(ChildRootVariable);
    const QByteArray scenario = qgetenv(ChildScenarioVariable);
    if (root.isEmpty()) {
        GTEST_SKIP() << "runs only as a child process";
    }
    platform::Paths::setRoot(QString::fromLocal8Bit(root));
    platform::resetSharedState();
    ZVErrorLog& log = ZVErrorLog::errorLog();

    if (scenario == "redirect") {
        ZVLogError(u"before redirection");
        log.redirectStdErr();
        ZVLogError(u"after redirection %d", 7);
        std::fputs("raw standard error\n", stderr);
        log.flush();
    } else if (scenario == "delete") {
        ZVLogError(u"before deleting");
        log.redirectStdErr();
        ZVLogError(u"before deleting, redirected");
        log.deleteLogFile();
        ZVLogError(u"after deleting");
        EXPECT_EQ(log.logFileSize(), QFile(log.logFilePath()).size());
    } else {
        FAIL() << "unknown scenario " << scenario.toStdString();
    }
}

}  // namespace
