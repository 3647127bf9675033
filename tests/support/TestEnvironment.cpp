#include "tests/support/TestEnvironment.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zvtest {

namespace {

std::unique_ptr<QTemporaryDir> currentRoot;

class Listener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        platform::Scheduler::main().useVirtualClock();
        platform::Scheduler::main().reset();
        currentRoot = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                      QStringLiteral("/zvtest-XXXXXX"));
        if (!currentRoot->isValid()) {
            // Never fall back to the user's real data folder.
            qFatal("cannot create the test's temporary root: %s",
                   qPrintable(currentRoot->errorString()));
        }
        platform::Paths::setRoot(currentRoot->path());
        platform::resetSharedState();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        platform::resetSharedState();
        platform::Scheduler::main().reset();
        platform::Scheduler::main().runPending();
        platform::Scheduler::main().reset();
        currentRoot.reset();
    }
};

}  // namespace

void installTestEnvironment() {
    testing::UnitTest::GetInstance()->listeners().Append(new Listener);
}

QString testRoot() {
    return currentRoot ? currentRoot->path() : QString();
}

QString makeTempDir(const QString& name) {
    const QString path = testRoot() + QLatin1Char('/') + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString sourceDir() {
    const QByteArray dir = qgetenv("ZV_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(ZV_SOURCE_DIR_DEFAULT) : QString::fromLocal8Bit(dir);
}

QString executablePath() {
    return QCoreApplication::applicationFilePath();
}

}  // namespace zvtest
