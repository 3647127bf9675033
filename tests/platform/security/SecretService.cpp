#include "tests/platform/security/SecretService.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>

namespace securitytest {

namespace {

constexpr int kStartMs = 10000;
constexpr int kPollMs = 50;
const QString kServiceName = QStringLiteral("org.freedesktop.secrets");

// Never destroyed: destroying it would stop the bus while this process still uses it.
QProcess* busProcess() {
    static QProcess* const process = new QProcess;
    return process;
}

class Service : public testing::Environment {
public:
    bool start(QString* reason) {
        if (!tried_) {
            tried_ = true;
            up_ = launch(&reason_);
        }
        *reason = reason_;
        return up_;
    }
    QString address() const { return address_; }

    // The keyring ends with the test program's tests. The bus ends with the program itself: the
    // desktop keychain's connection to it ends the process (SIGTERM) when the bus goes first.
    void TearDown() override {
        if (keyring_.state() != QProcess::NotRunning) {
            keyring_.kill();
            keyring_.waitForFinished();
        }
    }

private:
    bool launch(QString* reason) {
        for (const char* program : {"dbus-daemon", "gnome-keyring-daemon", "dbus-send"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
                *reason = QStringLiteral("%1 is not installed").arg(program);
                return false;
            }
        }
        if (!home_.isValid()) {
            *reason = QStringLiteral("no temporary folder");
            return false;
        }
        // Both daemons end when this process does, however it ends.
        for (QProcess* process : {bus_, &keyring_}) {
            process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        }
        bus_->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
        if (!bus_->waitForReadyRead(kStartMs)) {
            *reason = QStringLiteral("the session bus did not start: ") +
                      QString::fromLocal8Bit(bus_->readAllStandardError());
            return false;
        }
        address_ = QString::fromLocal8Bit(bus_->readLine()).trimmed();

        // Its keyring, its runtime folder and its bus are the test's own.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        environment.insert(QStringLiteral("HOME"), home_.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home_.path() + "/data");
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        keyring_.setProcessEnvironment(environment);
        keyring_.start(QStringLiteral("gnome-keyring-daemon"),
                       {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                        QStringLiteral("--components=secrets")});
        if (!keyring_.waitForStarted(kStartMs)) {
            *reason = QStringLiteral("gnome-keyring-daemon did not start");
            return false;
        }
        // The password of the test's new keyring, which unlocks it without a prompt.
        keyring_.write("test-keyring");
        keyring_.waitForBytesWritten(kStartMs);
        keyring_.closeWriteChannel();
        if (!waitForName(environment)) {
            *reason = QStringLiteral("gnome-keyring-daemon did not take %1 (%2): ")
                          .arg(kServiceName)
                          .arg(keyring_.state() == QProcess::Running
                                   ? QStringLiteral("running")
                                   : QStringLiteral("exit %1").arg(keyring_.exitCode())) +
                      QString::fromLocal8Bit(keyring_.readAllStandardError() +
                                             keyring_.readAllStandardOutput() + lastAnswer_);
            return false;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());
        return true;
    }

    // Asks the bus until the name has its owner; never by activation, which would start a second
    // keyring daemon that waits for an unlock prompt.
    bool waitForName(const QProcessEnvironment& environment) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < kStartMs && keyring_.state() == QProcess::Running) {
            QProcess ask;
            ask.setProcessEnvironment(environment);
            ask.start(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                       QStringLiteral("--dest=org.freedesktop.DBus"),
                       QStringLiteral("/org/freedesktop/DBus"),
                       QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                       QStringLiteral("string:") + kServiceName});
            const bool answered = ask.waitForFinished(kStartMs);
            lastAnswer_ = ask.readAllStandardOutput() + ask.readAllStandardError();
            if (answered && lastAnswer_.contains("boolean true")) {
                return true;
            }
            QThread::msleep(kPollMs);
        }
        return false;
    }

    bool tried_ = false;
    bool up_ = false;
    QString reason_;
    QString address_;
    QByteArray lastAnswer_;
    QTemporaryDir home_{QDir::tempPath() + QStringLiteral("/zvkeyring-XXXXXX")};
    QProcess* const bus_ = busProcess();
    QProcess keyring_;
};

Service* service() {
    // Owned by the test framework, which tears it down after the last test.
    static Service* const instance =
        static_cast<Service*>(testing::AddGlobalTestEnvironment(new Service));
    return instance;
}

}  // namespace

bool startSecretService(QString* reason) {
    return service()->start(reason);
}

QString secretServiceBusAddress() {
    return service()->address();
}

}  // namespace securitytest
