#include "platform/net/BackgroundUrlSession.h"

#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SystemLog.h"
#include "platform/net/BackgroundTaskTable.h"
#include "platform/net/UrlSessionCore.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtNetwork/QNetworkAccessManager>

namespace platform {

namespace {

const QString kSessionsFolder = QStringLiteral("BackgroundSessions");
const QString kTableFileName = QStringLiteral("tasks.json");
const QString kPartialSuffix = QStringLiteral(".part");
const QString kDeliveredSuffix = QStringLiteral(".download");
const QString kBackgroundEventsTaskName = QStringLiteral("BackgroundUrlSessionEvents");

// Sessions by folder: two live sessions must never write one table. Never destroyed: a session
// held by a static of its own (the API client's) ends at exit, after this map would have.
std::map<QString, std::weak_ptr<BackgroundUrlSession>>& liveSessions() {
    static auto* sessions = new std::map<QString, std::weak_ptr<BackgroundUrlSession>>;
    return *sessions;
}

// One folder per identifier, whatever characters the identifier holds.
QString folderName(const QString& identifier) {
    QString name = QString::fromLatin1(QUrl::toPercentEncoding(identifier));
    if (name.isEmpty() || name == u"." || name == u"..") {
        name = QString::fromLatin1(QUrl::toPercentEncoding(identifier, {}, "."));
    }
    return name.isEmpty() ? QStringLiteral("%00") : name;
}

QString sessionDirectory(const BackgroundUrlSessionConfiguration& configuration) {
    QString base;
    if (!configuration.sharedContainerIdentifier.isNull()) {
        base = Paths::applicationGroupContainer(configuration.sharedContainerIdentifier);
        if (base.isEmpty()) {
            systemLogFormat(u"BackgroundUrlSession: no container for group %@, using the caches",
                            configuration.sharedContainerIdentifier);
        } else {
            base += QStringLiteral("/Library/Caches");
        }
    }
    if (base.isEmpty()) {
        base = Paths::cachesDirectory();
    }
    const QString directory =
        base + u'/' + kSessionsFolder + u'/' + folderName(configuration.identifier);
    // The task table names the user's files and where they come from.
    makeOwnerOnlyFolder(directory);
    return QDir(directory).absolutePath();
}

}  // namespace

// --- delegate defaults ---

void BackgroundUrlSessionDelegate::didSendBodyData(BackgroundUrlSession&, const TaskPtr&, qint64,
                                                   qint64, qint64) {}
void BackgroundUrlSessionDelegate::didReceiveData(BackgroundUrlSession&, const TaskPtr&,
                                                  const QByteArray&) {}
void BackgroundUrlSessionDelegate::didWriteData(BackgroundUrlSession&, const TaskPtr&, qint64,
                                                qint64, qint64) {}
void BackgroundUrlSessionDelegate::didFinishDownloading(BackgroundUrlSession&, const TaskPtr&,
                                                        const QString&) {}
void BackgroundUrlSessionDelegate::didComplete(BackgroundUrlSession&, const TaskPtr&,
                                               const std::optional<UrlError>&) {}
void BackgroundUrlSessionDelegate::didFinishEventsForBackgroundUrlSession(BackgroundUrlSession&) {}

// --- session ---

std::shared_ptr<BackgroundUrlSession> BackgroundUrlSession::create(
    BackgroundUrlSessionConfiguration configuration,
    std::weak_ptr<BackgroundUrlSessionDelegate> delegate) {
    QString directory = sessionDirectory(configuration);
    auto& live = liveSessions();
    if (auto earlier = live[directory].lock()) {
        systemLogFormat(u"BackgroundUrlSession %@: a new session takes over its tasks",
                        configuration.identifier);
        earlier->detach();
    }
    std::shared_ptr<BackgroundUrlSession> session(
        new BackgroundUrlSession(std::move(configuration), std::move(delegate), directory));
    live[directory] = session;
    session->restore();
    return session;
}

BackgroundUrlSession::BackgroundUrlSession(BackgroundUrlSessionConfiguration configuration,
                                           std::weak_ptr<BackgroundUrlSessionDelegate> delegate,
                                           QString directory)
    : configuration_(std::move(configuration)),
      delegate_(std::move(delegate)),
      directory_(std::move(directory)),
      manager_(std::make_unique<QNetworkAccessManager>()) {
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    manager_->setTransferTimeout(0);
}

BackgroundUrlSession::~BackgroundUrlSession() {
    if (!detached_) {
        detach();
        liveSessions().erase(directory_);
    }
    if (detail::DeliveryScope::active()) {
        // Deleting the manager now would delete a reply that is still emitting.
        manager_.release()->deleteLater();
    }
}

void BackgroundUrlSession::detach() {
    detached_ = true;
    auto tasks = std::move(tasks_);
    tasks_.clear();
    for (auto& [identifier, task] : tasks) {
        task->detach();
    }
}

QString BackgroundUrlSession::description() const {
    return format(u"<BackgroundUrlSession %@>", configuration_.identifier);
}

QString BackgroundUrlSession::partialFilePath(std::uint64_t identifier) const {
    return directory_ + u'/' + QString::number(identifier) + kPartialSuffix;
}

QString BackgroundUrlSession::deliveredFilePath(std::uint64_t identifier) const {
    return directory_ + u'/' + QString::number(identifier) + kDeliveredSuffix;
}

void BackgroundUrlSession::restore() {
    const QString tablePath = directory_ + u'/' + kTableFileName;
    QString error;
    const detail::BackgroundTaskTable table = detail::BackgroundTaskTable::read(tablePath, &error);
    if (!error.isEmpty()) {
        systemLogFormat(u"BackgroundUrlSession %@: cannot read its tasks: %@",
                        configuration_.identifier, error);
    }
    nextIdentifier_ = table.nextIdentifier;
    std::vector<std::shared_ptr<BackgroundUrlSessionTask>> running;
    for (const detail::BackgroundTaskRecord& record : table.records) {
        std::shared_ptr<BackgroundUrlSessionTask> task(new BackgroundUrlSessionTask(
            record.identifier, record.kind, record.request, record.uploadFile, weak_from_this()));
        task->startDate_ = record.startDate;
        task->validator_ = record.validator;
        if (record.running) {
            task->state_ = BackgroundUrlSessionTask::State::Running;
            running.push_back(task);
        }
        tasks_[record.identifier] = task;
    }

    // Whatever no listed download will continue is left from an ended process.
    const QFileInfoList files = QDir(directory_).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        const bool transferFile = name.endsWith(kPartialSuffix) || name.endsWith(kDeliveredSuffix);
        if (!transferFile) {
            continue;
        }
        const auto it = tasks_.find(name.section(u'.', 0, 0).toULongLong());
        const bool kept = name.endsWith(kPartialSuffix) && it != tasks_.end() &&
                          it->second->kind() == BackgroundUrlSessionTask::Kind::Download;
        if (!kept) {
            QFile::remove(file.absoluteFilePath());
        }
    }

    // Carried on from the run loop, once the caller has the session and its tasks in hand.
    for (const auto& task : running) {
        std::weak_ptr<BackgroundUrlSessionTask> weak = task;
        Scheduler::main().post([weak] {
            if (auto restored = weak.lock()) {
                restored->start();
            }
        });
    }
}

void BackgroundUrlSession::persist() {
    if (detached_) {
        return;
    }
    detail::BackgroundTaskTable table;
    table.nextIdentifier = nextIdentifier_;
    for (const auto& [identifier, task] : tasks_) {
        const auto state = task->state();
        if (state == BackgroundUrlSessionTask::State::Canceling ||
            state == BackgroundUrlSessionTask::State::Completed) {
            continue;
        }
        detail::BackgroundTaskRecord record;
        record.identifier = identifier;
        record.kind = task->kind();
        record.request = task->originalRequest();
        record.uploadFile = task->uploadFilePath();
        record.running = state == BackgroundUrlSessionTask::State::Running;
        record.startDate = task->startDate_;
        record.validator = task->validator_;
        table.records.push_back(std::move(record));
    }
    QString error;
    if (!table.write(directory_ + u'/' + kTableFileName, &error)) {
        systemLogFormat(u"BackgroundUrlSession %@: cannot save its tasks: %@",
                        configuration_.identifier, error);
    }
}

std::shared_ptr<BackgroundUrlSessionTask> BackgroundUrlSession::addTask(
    BackgroundUrlSessionTask::Kind kind, UrlRequest request, QString uploadFile) {
    if (detached_) {
        return nullptr;
    }
    request.body.clear();
    const std::uint64_t identifier = nextIdentifier_++;
    std::shared_ptr<BackgroundUrlSessionTask> task(new BackgroundUrlSessionTask(
        identifier, kind, std::move(request), std::move(uploadFile), weak_from_this()));
    tasks_[identifier] = task;
    persist();
    return task;
}

std::shared_ptr<BackgroundUrlSessionTask> BackgroundUrlSession::uploadTask(
    UrlRequest request, const QString& filePath) {
    return addTask(BackgroundUrlSessionTask::Kind::Upload, std::move(request),
                   QFileInfo(filePath).absoluteFilePath());
}

std::shared_ptr<BackgroundUrlSessionTask> BackgroundUrlSession::downloadTask(UrlRequest request) {
    return addTask(BackgroundUrlSessionTask::Kind::Download, std::move(request), {});
}

std::vector<std::shared_ptr<BackgroundUrlSessionTask>> BackgroundUrlSession::getAllTasks() const {
    std::vector<std::shared_ptr<BackgroundUrlSessionTask>> result;
    result.reserve(tasks_.size());
    for (const auto& [identifier, task] : tasks_) {
        result.push_back(task);
    }
    return result;
}

void BackgroundUrlSession::tellDelegate(
    const std::function<void(BackgroundUrlSessionDelegate&)>& call) {
    // Held for the call, so that a delegate that drops the session finishes its callback.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) {
        detail::DeliveryScope delivering;
        call(*delegate);
    }
}

void BackgroundUrlSession::taskCompleted(const std::shared_ptr<BackgroundUrlSessionTask>& task,
                                         const QString& location) {
    auto self = shared_from_this();
    tasks_.erase(task->taskIdentifier());
    persist();
    beginBackgroundEvents();
    if (!location.isEmpty()) {
        tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
            delegate.didFinishDownloading(*this, task, location);
        });
        // Whatever the delegate left there is not kept.
        QFile::remove(location);
    }
    tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
        delegate.didComplete(*this, task, task->error());
    });
    finishBackgroundEventsWhenIdle();
}

void BackgroundUrlSession::beginBackgroundEvents() {
    Application& application = Application::shared();
    if (deliveringBackgroundEvents_ || detached_ ||
        application.state() != ApplicationState::Background) {
        return;
    }
    deliveringBackgroundEvents_ = true;
    // The application keeps running until it says the events are handled, or its time is up.
    auto backgroundTask = std::make_shared<BackgroundTaskIdentifier>(kBackgroundTaskInvalid);
    const auto release = [backgroundTask] {
        Application::shared().endBackgroundTask(
            std::exchange(*backgroundTask, kBackgroundTaskInvalid));
    };
    *backgroundTask = application.beginBackgroundTask(kBackgroundEventsTaskName, release);
    application.handleEventsForBackgroundURLSession(configuration_.identifier, release);
}

void BackgroundUrlSession::finishBackgroundEventsWhenIdle() {
    if (!deliveringBackgroundEvents_) {
        return;
    }
    for (const auto& [identifier, task] : tasks_) {
        const auto state = task->state();
        if (state == BackgroundUrlSessionTask::State::Running ||
            state == BackgroundUrlSessionTask::State::Canceling) {
            return;
        }
    }
    deliveringBackgroundEvents_ = false;
    tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
        delegate.didFinishEventsForBackgroundUrlSession(*this);
    });
}

}  // namespace platform
