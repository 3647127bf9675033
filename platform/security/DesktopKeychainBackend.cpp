#include "platform/security/DesktopKeychainBackend.h"

#include "platform/foundation/SystemLog.h"
#include "platform/security/KeychainCodec.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QObject>
#include <QtCore/QThread>

#include <qt6keychain/keychain.h>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace platform {

namespace {

struct JobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString errorString;
    QByteArray data;
};

// One thread for every job of the process: QtKeychain queues its jobs on an executor that lives in
// the thread of the first job, so that thread must outlive them all.
class JobThread {
public:
    static JobThread& shared() {
        static JobThread* const instance = new JobThread;
        return *instance;
    }

    // Runs the job that `make` creates on the worker thread and waits for its end.
    JobOutcome run(const std::function<QKeychain::Job*()>& make,
                   std::chrono::milliseconds timeout) {
        struct Wait {
            std::mutex mutex;
            std::condition_variable done;
            JobOutcome outcome;
        };
        auto wait = std::make_shared<Wait>();
        QMetaObject::invokeMethod(
            context_,
            [wait, make] {
                QKeychain::Job* job = make();
                job->setAutoDelete(true);
                QObject::connect(job, &QKeychain::Job::finished, [wait](QKeychain::Job* finished) {
                    JobOutcome outcome;
                    outcome.finished = true;
                    outcome.error = finished->error();
                    outcome.errorString = finished->errorString();
                    if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished)) {
                        outcome.data = read->binaryData();
                    }
                    std::lock_guard lock(wait->mutex);
                    wait->outcome = std::move(outcome);
                    wait->done.notify_all();
                });
                job->start();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(wait->mutex);
        if (!wait->done.wait_for(lock, timeout, [&] { return wait->outcome.finished; })) {
            JobOutcome late;
            late.errorString = QStringLiteral("no answer from the desktop keychain");
            return late;
        }
        return wait->outcome;
    }

private:
    JobThread() {
        thread_.setObjectName(QStringLiteral("Keychain"));
        thread_.start();
        context_ = new QObject;
        context_->moveToThread(&thread_);
    }

    QThread thread_;
    QObject* context_ = nullptr;
};

JobOutcome readSecret(const QString& service, const QString& key,
                      std::chrono::milliseconds timeout) {
    return JobThread::shared().run(
        [service, key] {
            auto* job = new QKeychain::ReadPasswordJob(service);
            job->setKey(key);
            return job;
        },
        timeout);
}

}  // namespace

DesktopKeychainBackend::DesktopKeychainBackend(QString service, QString key,
                                               std::chrono::milliseconds timeout)
    : service_(service.isEmpty() ? QCoreApplication::applicationName() : std::move(service)),
      key_(std::move(key)),
      timeout_(timeout) {}

std::optional<std::vector<KeychainItem>> DesktopKeychainBackend::load() {
    const JobOutcome outcome = readSecret(service_, key_, timeout_);
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound) {
        return std::vector<KeychainItem>{};
    }
    if (!outcome.finished || outcome.error != QKeychain::NoError) {
        systemLogFormat(u"Keychain: cannot read the desktop keychain: %@", outcome.errorString);
        return std::nullopt;
    }
    return decodeKeychainItems(outcome.data,
                               QStringLiteral("the desktop keychain's %1/%2").arg(service_, key_));
}

bool DesktopKeychainBackend::store(const std::vector<KeychainItem>& items) {
    const QString service = service_;
    const QString key = key_;
    const QByteArray data = encodeKeychainItems(items);
    const JobOutcome outcome = JobThread::shared().run(
        [service, key, data] {
            auto* job = new QKeychain::WritePasswordJob(service);
            job->setKey(key);
            job->setBinaryData(data);
            return job;
        },
        timeout_);
    if (!outcome.finished || outcome.error != QKeychain::NoError) {
        systemLogFormat(u"Keychain: cannot write the desktop keychain: %@", outcome.errorString);
        return false;
    }
    return true;
}

bool DesktopKeychainBackend::erase() {
    const QString service = service_;
    const QString key = key_;
    const JobOutcome outcome = JobThread::shared().run(
        [service, key] {
            auto* job = new QKeychain::DeletePasswordJob(service);
            job->setKey(key);
            return job;
        },
        timeout_);
    return outcome.finished &&
           (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound);
}

bool DesktopKeychainBackend::isAvailable(QString* reason) {
    const JobOutcome outcome = readSecret(service_, key_, timeout_);
    const bool available = outcome.finished && (outcome.error == QKeychain::NoError ||
                                                outcome.error == QKeychain::EntryNotFound);
    if (!available && reason) {
        *reason = outcome.errorString.isEmpty() ? QStringLiteral("no desktop keychain")
                                                : outcome.errorString;
    }
    return available;
}

}  // namespace platform
