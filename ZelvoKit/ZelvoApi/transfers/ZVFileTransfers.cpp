#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/FreeFileName.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/Paths.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::BackgroundUrlSessionTask;

const QString kTempUploadsFolder = u"TempUploads"_s;
const QString kUploadsFolder = u"Uploads"_s;

constexpr int kStatusOk = 200;
// A resumed download that the session completed with the rest of the file.
constexpr int kStatusPartialContent = 206;

ZVErrorPtr localTransferError(const QString& text) {
    return ZVError::errorWithCode(ZVError::LocalTransferFailed,
                                  {{ZVError::LocalizedDescriptionKey, text}});
}

ZVErrorPtr errorFromUrlError(const platform::UrlError& error) {
    return ZVError::errorWithDomain(
        error.domain(), error.code(),
        {{ZVError::LocalizedDescriptionKey, error.localizedDescription()}});
}

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

// A key goes out as a header value: no line breaks or other control characters in it.
QString headerSafe(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (isControl(c)) {
            c = u'_';
        }
    }
    return result;
}

// "attachment; filename="<name>"", the name quoted so that it cannot end the header or the value.
QByteArray contentDisposition(const QString& fileName) {
    QString quoted;
    for (const QChar c : fileName) {
        if (isControl(c)) {
            continue;
        }
        if (c == u'"' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    return "attachment; filename=\"" + quoted.toUtf8() + '"';
}

// Writes the whole file or nothing: a reader never finds half of it at its path.
ZVErrorPtr writeFileInFolder(const QString& path, const QByteArray& data) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!platform::makeOwnerOnlyFolder(folder)) {
        return localTransferError(u"The folder %1 cannot be created."_s.arg(folder));
    }
    QString reason;
    if (!platform::writeFileAtomically(path, data, {}, &reason)) {
        return localTransferError(reason);
    }
    return nullptr;
}

QString headerText(const platform::UrlRequest& request, QLatin1StringView name) {
    const QByteArray value = request.headers.value(QByteArrayView(name.data(), name.size()));
    return value.isNull() ? QString() : QString::fromUtf8(value);
}

template <class Call>
void forEachDelegate(const ZVFileTransferTaskPtr& transfer, const Call& call) {
    // A copy: a delegate may cancel itself, or join again, while it is being told.
    const ZVFileTransferTask::Delegates delegates = transfer->delegates();
    for (const auto& delegate : delegates) {
        call(*delegate);
    }
}

}  // namespace

// --- creation ---

std::shared_ptr<ZVFileTransfers> ZVFileTransfers::create(const QUrl& baseUrl,
                                                         const QString& appGroupId) {
    std::shared_ptr<ZVFileTransfers> transfers(new ZVFileTransfers(baseUrl, appGroupId));
    platform::BackgroundUrlSessionConfiguration configuration;
    configuration.identifier =
        appGroupId.isEmpty() ? QString(DefaultSessionIdentifier) : appGroupId;
    configuration.timeoutIntervalForResource = 0;
    if (!appGroupId.isEmpty()) {
        configuration.sharedContainerIdentifier = appGroupId;
        transfers->basePath_ = platform::Paths::applicationGroupContainer(appGroupId);
        if (transfers->basePath_.isEmpty()) {
            ZVLogError(u"ZVFileTransfers: no container for group %@", appGroupId);
        }
    }
    if (transfers->basePath_.isEmpty()) {
        transfers->basePath_ = platform::Paths::cachesDirectory();
    }
    transfers->session_ = platform::BackgroundUrlSession::create(configuration, transfers);
    return transfers;
}

ZVFileTransfers::ZVFileTransfers(QUrl baseUrl, QString appGroupId)
    : baseUrl_(std::move(baseUrl)), appGroupId_(std::move(appGroupId)) {}

ZVFileTransfers::~ZVFileTransfers() = default;

void ZVFileTransfers::setCompletionHandler(std::function<void()> handler) {
    completionHandler_ = std::move(handler);
}

void ZVFileTransfers::setDelegate(std::weak_ptr<ZVFileTransfersDelegate> delegate) {
    delegate_ = std::move(delegate);
}

void ZVFileTransfers::restorePendingTransfers() {
    if (invalidated_ || !session_) {
        return;
    }
    for (const auto& task : session_->getAllTasks()) {
        const auto state = task->state();
        if (state == BackgroundUrlSessionTask::State::Canceling ||
            state == BackgroundUrlSessionTask::State::Completed) {
            continue;
        }
        taskByUrlTask(task, false);
    }
}

// --- paths ---

QString ZVFileTransfers::safePathComponent(const QString& name) {
    QString result = name;
    for (QChar& c : result) {
        if (c == u'/' || isControl(c)) {
            c = u'_';
        }
    }
    if (result.isEmpty() || result == u"." || result == u"..") {
        return u"_"_s;
    }
    return result;
}

QString ZVFileTransfers::safeRelativePath(const QString& path) {
    QStringList components = path.split(u'/', Qt::SkipEmptyParts);
    for (QString& component : components) {
        component = safePathComponent(component);
    }
    return components.isEmpty() ? u"_"_s : components.join(u'/');
}

QString ZVFileTransfers::basePathForSession(const QString& sessionId) const {
    return basePath_ + u'/' + safePathComponent(sessionId);
}

QUrl ZVFileTransfers::fileUrlWithLocalUrl(const QString& localPath,
                                          const QString& sessionId) const {
    return QUrl::fromLocalFile(basePathForSession(sessionId) + u'/' + safeRelativePath(localPath));
}

bool ZVFileTransfers::isUploadCopy(const QString& path) const {
    if (path.isEmpty()) {
        return false;
    }
    const QString relative = QDir(basePath_).relativeFilePath(path);
    const QStringList components = relative.split(u'/');
    return !relative.startsWith(u"../") && components.size() == 3 &&
           components[1] == kTempUploadsFolder;
}

QString ZVFileTransfers::makeUploadCopy(const QString& filePath, const QString& fileName,
                                        const QString& sessionId, ZVErrorPtr* error) const {
    const QString folder = basePathForSession(sessionId) + u'/' + kTempUploadsFolder;
    if (!platform::makeOwnerOnlyFolder(folder)) {
        *error = localTransferError(u"The folder %1 cannot be created."_s.arg(folder));
        return {};
    }
    const QString copy =
        folder + u'/' + ZelvoUtils::generateUUID() + u'_' + safePathComponent(fileName);
    QString reason;
    if (!platform::copyOwnerOnly(filePath, copy, &reason)) {
        *error = localTransferError(reason);
        return {};
    }
    return copy;
}

// --- files written for the callers ---

QUrl ZVFileTransfers::createUploadFileWithName(const QString& name,
                                               const std::shared_ptr<ZVApiSession>& session,
                                               const QByteArray& data) {
    // Two uploads of one name (two long pastes, two photos) must not overwrite each other.
    const QString path = platform::freeFilePath(basePathForSession(session->sessionId()) + u'/' +
                                                kUploadsFolder + u'/' + safePathComponent(name));
    if (const ZVErrorPtr error = writeFileInFolder(path, data)) {
        ZVLogError(u"ZVFileTransfers::CreateFileWithName: %@ => %@", path, error);
        return {};
    }
    return QUrl::fromLocalFile(path);
}

ZVErrorPtr ZVFileTransfers::createDownloadedFileWithLocalName(
    const QString& localPath, const std::shared_ptr<ZVApiSession>& session,
    const QByteArray& data) {
    const QString path =
        fileUrlWithLocalUrl(headerSafe(localPath), session->sessionId()).toLocalFile();
    ZVErrorPtr error = writeFileInFolder(path, data);
    if (error) {
        ZVLogError(u"ZVFileTransfers::CreateFileWithName: %@ => %@", path, error);
    }
    return error;
}

// --- starting transfers ---

platform::UrlRequest ZVFileTransfers::requestFor(
    const QUrl& url, const QString& localUrl, const std::shared_ptr<ZVApiSession>& session) const {
    platform::UrlRequest request;
    request.url = url;
    request.timeoutInterval = kRequestTimeout;
    const auto& credentials = session->credentials();
    request.headers.append(QByteArray(ZVTransferHeaderSessionId.data()),
                           session->sessionId().toUtf8());
    request.headers.append(
        "Cookie", "token_id=" + (credentials ? credentials->cookie() : QString()).toUtf8());
    request.headers.append(QByteArray(ZVTransferHeaderLocalUrl.data()), localUrl.toUtf8());
    return request;
}

ZVFileTransferTaskPtr ZVFileTransfers::createTaskWithUrl(const QString& url,
                                                         const QString& sessionId,
                                                         ZVFileTransferDelegatePtr delegate) {
    const auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const auto& transfer) {
        return transfer->url() == url && transfer->sessionId() == sessionId;
    });
    if (found != tasks_.end()) {
        (*found)->addDelegate(std::move(delegate));
        return *found;
    }
    auto transfer = std::make_shared<ZVFileTransferTask>(sessionId, url);
    changeValueForKey(NumberInProgressKey, [&] { tasks_.push_back(transfer); });
    transfer->addDelegate(std::move(delegate));
    return transfer;
}

void ZVFileTransfers::unlist(const ZVFileTransferTaskPtr& transfer) {
    const auto found = std::find(tasks_.begin(), tasks_.end(), transfer);
    if (found != tasks_.end()) {
        changeValueForKey(NumberInProgressKey, [&] { tasks_.erase(found); });
    }
}

ZVFileTransferTaskPtr ZVFileTransfers::uploadWithUrl(const QString& serverPath,
                                                     const QUrl& localUrl, const QString& fileName,
                                                     const std::shared_ptr<ZVApiSession>& session,
                                                     ZVFileTransferDelegatePtr delegate) {
    const QString filePath = localUrl.isLocalFile() ? localUrl.toLocalFile() : QString();
    if (filePath.isEmpty() || !QFileInfo(filePath).isFile()) {
        ZVLogError(u"UploadWithURL: file not found (%@)", localUrl.toString());
        return nullptr;
    }
    if (invalidated_ || !session) {
        return nullptr;
    }
    const QString key = localUrl.toString(QUrl::FullyEncoded);
    const QString sessionId = session->sessionId();
    const bool joining = std::any_of(tasks_.begin(), tasks_.end(), [&](const auto& transfer) {
        return transfer->url() == key && transfer->sessionId() == sessionId;
    });
    ZVFileTransferTaskPtr transfer = createTaskWithUrl(key, sessionId, delegate);
    if (transfer->task()) {
        return transfer;
    }

    QUrl url = baseUrl_.resolved(QUrl(serverPath));
    const QString ticket = session->credentials() ? session->credentials()->ticket() : QString();
    url.setQuery(u"ticket="_s + QString::fromLatin1(QUrl::toPercentEncoding(ticket)));
    platform::UrlRequest request = requestFor(url, key, session);
    request.httpMethod = QByteArrayLiteral("PUT");
    request.headers.append("Content-Disposition", contentDisposition(fileName));

    QString sentFile = filePath;
    if (appGroupId_.isEmpty()) {
        ZVErrorPtr error;
        sentFile = makeUploadCopy(filePath, fileName, sessionId, &error);
        if (sentFile.isEmpty()) {
            ZVLogError(u"ZVFileTransfers::UploadWithUrl(%@) => %@", fileName, error);
            if (!joining) {
                unlist(transfer);
            }
            return nullptr;
        }
    }
    auto task = session_->uploadTask(std::move(request), sentFile);
    if (!task) {
        ZVLogError(u"ZVFileTransfers::UploadWithUrl(%@) => %@", fileName,
                   localTransferError(u"The transfer session has been taken over."_s));
        if (isUploadCopy(sentFile)) {
            QFile::remove(sentFile);
        }
        if (!joining) {
            unlist(transfer);
        }
        return nullptr;
    }
    transfer->setTask(task);
    task->resume();
    return transfer;
}

ZVFileTransferTaskPtr ZVFileTransfers::downloadWithUrl(const QString& url, const QString& localPath,
                                                       const std::shared_ptr<ZVApiSession>& session,
                                                       ZVFileTransferDelegatePtr delegate) {
    if (invalidated_ || !session) {
        return nullptr;
    }
    const QString key = headerSafe(localPath);
    const QString sessionId = session->sessionId();
    const QUrl target = fileUrlWithLocalUrl(key, sessionId);
    if (QFileInfo(target.toLocalFile()).isFile()) {
        if (delegate) {
            delegate->downloadCompleted(nullptr, target);
        }
        return nullptr;
    }
    ZVFileTransferTaskPtr transfer = createTaskWithUrl(key, sessionId, std::move(delegate));
    if (!transfer->task()) {
        platform::UrlRequest request = requestFor(baseUrl_.resolved(QUrl(url)), key, session);
        auto task = session_->downloadTask(std::move(request));
        if (!task) {
            unlist(transfer);
            failTransfer(transfer, nullptr,
                         localTransferError(u"The transfer session has been taken over."_s));
            return nullptr;
        }
        transfer->setTask(task);
        task->resume();
    }
    return transfer;
}

// --- finding transfers ---

ZVFileTransferTaskPtr ZVFileTransfers::taskByUrlTask(const TaskPtr& task, bool remove,
                                                     bool restore) {
    const QString url = headerText(task->originalRequest(), ZVTransferHeaderLocalUrl);
    const QString sessionId = headerText(task->originalRequest(), ZVTransferHeaderSessionId);
    if (url.isNull() || sessionId.isNull()) {
        ZVLogError(u"ZVFileTransfers::TaskByURLTask(%@): required headers missing", task);
        return nullptr;
    }
    const auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const auto& transfer) {
        return transfer->url() == url && transfer->sessionId() == sessionId;
    });
    if (found != tasks_.end()) {
        ZVFileTransferTaskPtr transfer = *found;
        // The key has a newer task: this one was cancelled and is only now reporting it.
        if (transfer->task() && transfer->task() != task) {
            return nullptr;
        }
        if (remove) {
            unlist(transfer);
        }
        return transfer;
    }
    if (!restore || declined_.contains(task->taskIdentifier())) {
        return nullptr;
    }
    const auto delegate = delegate_.lock();
    if (!delegate) {
        ZVLogError(u"Transfer task not found (%@, %@)", sessionId, url);
        return nullptr;
    }
    auto transfer = std::make_shared<ZVFileTransferTask>(sessionId, url);
    transfer->setTask(task);
    if (const auto delegates = delegate->restoreDelegatesByUrl(url, sessionId, transfer)) {
        for (const auto& restored : *delegates) {
            transfer->addDelegate(restored);
        }
        if (!remove) {
            changeValueForKey(NumberInProgressKey, [&] { tasks_.push_back(transfer); });
        }
    } else {
        // No one waits for it: its further events are not worth asking about again.
        declined_.insert(task->taskIdentifier());
    }
    return transfer;
}

// --- the background session's events ---

void ZVFileTransfers::reportProgress(const TaskPtr& task, qint64 done, qint64 expected) {
    if (invalidated_) {
        return;
    }
    const ZVFileTransferTaskPtr transfer = taskByUrlTask(task, false);
    // Without a known total there is no share to tell.
    if (!transfer || expected <= 0) {
        return;
    }
    const float progress =
        static_cast<float>(std::clamp(static_cast<double>(done) / expected, 0.0, 1.0));
    transfer->setProgress(progress);
    forEachDelegate(transfer, [&](ZVFileTransferDelegate& delegate) {
        delegate.transferProgress(transfer, progress);
    });
}

void ZVFileTransfers::didSendBodyData(platform::BackgroundUrlSession&, const TaskPtr& task, qint64,
                                      qint64 totalBytesSent, qint64 totalBytesExpectedToSend) {
    reportProgress(task, totalBytesSent, totalBytesExpectedToSend);
}

void ZVFileTransfers::didWriteData(platform::BackgroundUrlSession&, const TaskPtr& task, qint64,
                                   qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite) {
    reportProgress(task, totalBytesWritten, totalBytesExpectedToWrite);
}

void ZVFileTransfers::didReceiveData(platform::BackgroundUrlSession&, const TaskPtr& task,
                                     const QByteArray& data) {
    if (invalidated_) {
        return;
    }
    if (const ZVFileTransferTaskPtr transfer = taskByUrlTask(task, false)) {
        transfer->addData(data);
    }
}

void ZVFileTransfers::didFinishDownloading(platform::BackgroundUrlSession&, const TaskPtr& task,
                                           const QString& location) {
    if (invalidated_) {
        return;
    }
    const int status = task->response().statusCode();
    // Only the file itself is kept: an error page never takes its place.
    if (status != kStatusOk && status != kStatusPartialContent) {
        return;
    }
    const QString url = headerText(task->originalRequest(), ZVTransferHeaderLocalUrl);
    const QString sessionId = headerText(task->originalRequest(), ZVTransferHeaderSessionId);
    if (url.isNull() || sessionId.isNull()) {
        ZVLogError(u"ZVFileTransfers::TaskByURLTask(%@): required headers missing", task);
        return;
    }
    const QString target = fileUrlWithLocalUrl(url, sessionId).toLocalFile();
    ZVErrorPtr error;
    if (!platform::makeOwnerOnlyFolder(QFileInfo(target).absolutePath())) {
        error = localTransferError(u"The folder of %1 cannot be created."_s.arg(target));
    } else if (!QFileInfo::exists(target) && !QFile::rename(location, target)) {
        // Another file system: copied next to the target first, so that the target appears whole.
        const QString staging = target + u".part-"_s + ZelvoUtils::generateUUID();
        if (!platform::copyOwnerOnly(location, staging) || !QFile::rename(staging, target)) {
            QFile::remove(staging);
            error = localTransferError(u"The download cannot be moved to %1."_s.arg(target));
        }
    }
    if (const ZVFileTransferTaskPtr transfer = taskByUrlTask(task, false)) {
        if (error) {
            transfer->setError(error);
        } else {
            transfer->setResponseUrl(QUrl::fromLocalFile(target));
        }
    }
}

void ZVFileTransfers::didComplete(platform::BackgroundUrlSession&, const TaskPtr& task,
                                  const std::optional<platform::UrlError>& error) {
    if (task->kind() == BackgroundUrlSessionTask::Kind::Upload &&
        isUploadCopy(task->uploadFilePath())) {
        QFile::remove(task->uploadFilePath());
    }
    if (invalidated_) {
        return;
    }
    // A cancelled task has no one left to tell unless its transfer is still listed.
    const bool cancelled = error && error->isCancel();
    const ZVFileTransferTaskPtr transfer = taskByUrlTask(task, true, !cancelled);
    if (!transfer) {
        return;
    }
    if (error) {
        failTransfer(transfer, task, errorFromUrlError(*error));
        return;
    }
    const int status = task->response().statusCode();
    const bool download = task->kind() == BackgroundUrlSessionTask::Kind::Download;
    const bool succeeded = status == kStatusOk || (download && status == kStatusPartialContent &&
                                                   !transfer->responseUrl().isEmpty());
    if (!succeeded) {
        failTransfer(transfer, task, ZVError::errorWithCode(status));
        return;
    }
    if (download) {
        completeDownloadTask(transfer);
    } else {
        completeUploadTask(transfer);
    }
}

void ZVFileTransfers::completeUploadTask(const ZVFileTransferTaskPtr& transfer) {
    if (transfer->accumulatedData().isEmpty()) {
        failTransfer(transfer, transfer->task(),
                     localTransferError(u"The upload was answered without data."_s));
        return;
    }
    ZVJsonParser parser = ZVJsonParser::jsonParserForData(transfer->accumulatedData());
    if (parser.error()) {
        failTransfer(transfer, transfer->task(), parser.error());
        return;
    }
    forEachDelegate(transfer, [&](ZVFileTransferDelegate& delegate) {
        delegate.uploadCompleted(transfer, parser);
    });
}

void ZVFileTransfers::completeDownloadTask(const ZVFileTransferTaskPtr& transfer) {
    if (transfer->error()) {
        failTransfer(transfer, transfer->task(), transfer->error());
        return;
    }
    if (transfer->responseUrl().isEmpty()) {
        failTransfer(transfer, transfer->task(),
                     localTransferError(u"The download ended without a file."_s));
        return;
    }
    const QUrl fileUrl = transfer->responseUrl();
    forEachDelegate(transfer, [&](ZVFileTransferDelegate& delegate) {
        delegate.downloadCompleted(transfer, fileUrl);
    });
}

void ZVFileTransfers::failTransfer(const ZVFileTransferTaskPtr& transfer, const TaskPtr& task,
                                   const ZVErrorPtr& error) {
    ZVLogError(u"DownloadTaskFailed: %@ => %@",
               task ? task->description() : transfer->description(), error);
    forEachDelegate(transfer, [&](ZVFileTransferDelegate& delegate) {
        delegate.transferFailed(transfer, error, QByteArray());
    });
}

void ZVFileTransfers::didFinishEventsForBackgroundUrlSession(platform::BackgroundUrlSession&) {
    if (const auto handler = std::exchange(completionHandler_, {})) {
        handler();
    }
}

// --- cancelling ---

void ZVFileTransfers::cancelBySessionId(const QString& sessionId) {
    std::vector<ZVFileTransferTaskPtr> cancelled;
    std::copy_if(tasks_.begin(), tasks_.end(), std::back_inserter(cancelled),
                 [&](const auto& transfer) { return transfer->sessionId() == sessionId; });
    if (!cancelled.empty()) {
        changeValueForKey(NumberInProgressKey, [&] {
            std::erase_if(tasks_,
                          [&](const auto& transfer) { return transfer->sessionId() == sessionId; });
        });
    }
    const ZVErrorPtr error = ZVError::cancel();
    for (const auto& transfer : cancelled) {
        forEachDelegate(transfer, [&](ZVFileTransferDelegate& delegate) {
            delegate.transferFailed(transfer, error, QByteArray());
        });
    }
    // Unlisted tasks of the account too: nothing of a signed-out account should land afterwards.
    if (!session_) {
        return;
    }
    for (const auto& task : session_->getAllTasks()) {
        if (headerText(task->originalRequest(), ZVTransferHeaderSessionId) == sessionId) {
            task->cancel();
            if (isUploadCopy(task->uploadFilePath())) {
                QFile::remove(task->uploadFilePath());
            }
        }
    }
}

void ZVFileTransfers::invalidateAndCancel() {
    if (invalidated_) {
        return;
    }
    QStringList sessionIds;
    for (const auto& transfer : tasks_) {
        if (!sessionIds.contains(transfer->sessionId())) {
            sessionIds.append(transfer->sessionId());
        }
    }
    for (const QString& sessionId : sessionIds) {
        cancelBySessionId(sessionId);
    }
    invalidated_ = true;
    completionHandler_ = {};
    if (!session_) {
        return;
    }
    for (const auto& task : session_->getAllTasks()) {
        task->cancel();
        if (isUploadCopy(task->uploadFilePath())) {
            QFile::remove(task->uploadFilePath());
        }
    }
}
