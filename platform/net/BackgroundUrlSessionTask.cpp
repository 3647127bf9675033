#include "platform/net/BackgroundUrlSessionTask.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/net/BackgroundUrlSession.h"
#include "platform/net/ContentDecoder.h"
#include "platform/net/NetworkReplyMapping.h"
#include "platform/net/OneShotBody.h"
#include "platform/net/UrlSessionCore.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtNetwork/QNetworkAccessManager>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kStatusOk = 200;
constexpr int kStatusPartialContent = 206;
constexpr int kStatusRangeNotSatisfiable = 416;

UrlError fileError(UrlFileErrorCode code) {
    QString text;
    switch (code) {
        case UrlFileErrorCode::FileDoesNotExist:
            text = QStringLiteral("The file doesn't exist.");
            break;
        case UrlFileErrorCode::CannotCreateFile:
            text = QStringLiteral("Cannot create file.");
            break;
        case UrlFileErrorCode::CannotOpenFile:
            text = QStringLiteral("Cannot open file.");
            break;
        case UrlFileErrorCode::CannotWriteToFile:
            text = QStringLiteral("Cannot write to file.");
            break;
        case UrlFileErrorCode::CannotMoveFile:
            text = QStringLiteral("Cannot move file.");
            break;
    }
    return UrlError(kUrlErrorDomain, static_cast<int>(code), text);
}

// "bytes <first>-<last>/<length or *>": the first byte and the whole length (-1 when unknown).
std::optional<std::pair<qint64, qint64>> parseContentRange(const QByteArray& value) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*bytes\s+(\d+)-(\d+)/(\d+|\*)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(value));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const qint64 first = match.captured(1).toLongLong();
    const qint64 last = match.captured(2).toLongLong();
    const QString length = match.captured(3);
    const qint64 total = length == u"*" ? kTransferSizeUnknown : length.toLongLong();
    if (last < first || (total != kTransferSizeUnknown && last >= total)) {
        return std::nullopt;
    }
    return std::pair{first, total};
}

// What lets a later request continue this answer safely with If-Range: a strong ETag, else the
// modification date.
QByteArray validatorOf(const UrlResponse& response) {
    const QByteArray etag = response.value("ETag").trimmed();
    if (!etag.isEmpty() && !etag.startsWith("W/")) {
        return etag;
    }
    return response.value("Last-Modified").trimmed();
}

}  // namespace

BackgroundUrlSessionTask::BackgroundUrlSessionTask(std::uint64_t identifier, Kind kind,
                                                   UrlRequest request, QString uploadFile,
                                                   std::weak_ptr<BackgroundUrlSession> session)
    : identifier_(identifier),
      kind_(kind),
      request_(std::move(request)),
      uploadFile_(std::move(uploadFile)),
      session_(std::move(session)) {}

BackgroundUrlSessionTask::~BackgroundUrlSessionTask() {
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    dropReply();
}

QString BackgroundUrlSessionTask::description() const {
    return format(u"<BackgroundUrlSessionTask %lu %@ %@>", identifier_, request_.httpMethod,
                  request_.url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo));
}

void BackgroundUrlSessionTask::resume() {
    if (state_ != State::Suspended) {
        return;
    }
    auto session = session_.lock();
    if (!session || session->detached_) {
        return;
    }
    state_ = State::Running;
    if (startDate_ == 0) {
        startDate_ = Scheduler::main().now();
    }
    session->persist();
    start();
}

void BackgroundUrlSessionTask::cancel() {
    if (state_ == State::Completed || state_ == State::Canceling) {
        return;
    }
    state_ = State::Canceling;
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    dropReply();
    closeFiles();
    if (auto session = session_.lock()) {
        QFile::remove(session->partialFilePath(identifier_));
        // Off the table now, so that a relaunch before the completion does not carry it on.
        session->persist();
    }
    failLater(UrlError(UrlErrorCode::Cancelled));
}

// --- starting ---

void BackgroundUrlSessionTask::start() {
    auto session = session_.lock();
    if (!session || state_ != State::Running) {
        return;
    }
    armResourceTimeout();
    if (state_ != State::Running) {
        return;
    }
    if (const auto unusable = detail::unusableUrl(request_.url)) {
        failLater(UrlError(*unusable));
        return;
    }
    response_ = UrlResponse();
    answerHandled_ = false;
    bodyIsFile_ = false;
    decoder_.reset();
    encodedBytesReceived_ = 0;
    QNetworkRequest request = detail::makeNetworkRequest(request_);
    if (kind_ == Kind::Upload) {
        if (!startUpload(request)) {
            return;
        }
    } else {
        startDownload(request);
    }
    receiver_ = std::make_unique<QObject>();
    QObject* receiver = receiver_.get();
    // Each handler may end the task or the whole session: the task is held through the call, and
    // the scope defers deleting the transport until the reply's own signal has returned.
    QObject::connect(reply_, &QNetworkReply::metaDataChanged, receiver, [this] {
        detail::DeliveryScope scope;
        auto self = shared_from_this();
        onMetaData();
    });
    QObject::connect(reply_, &QIODevice::readyRead, receiver, [this] {
        detail::DeliveryScope scope;
        auto self = shared_from_this();
        onReadyRead();
    });
    QObject::connect(reply_, &QNetworkReply::uploadProgress, receiver,
                     [this](qint64 sent, qint64 total) {
                         detail::DeliveryScope scope;
                         auto self = shared_from_this();
                         onUploadProgress(sent, total);
                     });
    QObject::connect(reply_, &QNetworkReply::finished, receiver, [this] {
        detail::DeliveryScope scope;
        auto self = shared_from_this();
        onFinished();
    });
    restartIdleTimeout();
}

bool BackgroundUrlSessionTask::startUpload(QNetworkRequest& request) {
    auto session = session_.lock();
    auto body = std::make_unique<QFile>(uploadFile_);
    if (!body->exists()) {
        failLater(fileError(UrlFileErrorCode::FileDoesNotExist));
        return false;
    }
    if (!body->open(QIODevice::ReadOnly)) {
        failLater(fileError(UrlFileErrorCode::CannotOpenFile));
        return false;
    }
    bytesSent_ = 0;
    bytesExpectedToSend_ = body->size();
    // Asked for by us, so that the transport leaves the answer to our decoder, which tells a
    // compressed answer cut short from a whole one.
    if (!request.hasRawHeader("Accept-Encoding")) {
        request.setRawHeader("Accept-Encoding", "gzip");
    }
    if (!request.hasRawHeader("Content-Type")) {
        request.setRawHeader("Content-Type", "application/octet-stream");
    }
    // Streamed from the file as the transport asks for it, and never sent twice by it.
    reply_ = sendOnce(*session->manager_, request, request_.httpMethod,
                      std::make_unique<OneShotBody>(std::move(body)), bytesExpectedToSend_);
    return true;
}

void BackgroundUrlSessionTask::startDownload(QNetworkRequest& request) {
    auto session = session_.lock();
    const QString partialPath = session->partialFilePath(identifier_);
    const qint64 have = QFileInfo(partialPath).size();
    // Ranges count the bytes of the file as stored, so the answer must not be compressed.
    if (!request.hasRawHeader("Accept-Encoding")) {
        request.setRawHeader("Accept-Encoding", "identity");
    }
    resumeOffset_ = 0;
    if (have > 0 && !validator_.isEmpty() && !restartedWithoutRange_) {
        resumeOffset_ = have;
        request.setRawHeader("Range", "bytes=" + QByteArray::number(have) + '-');
        request.setRawHeader("If-Range", validator_);
    } else {
        QFile::remove(partialPath);
    }
    bytesReceived_ = resumeOffset_;
    bytesExpectedToReceive_ = kTransferSizeUnknown;
    reply_ = session->manager_->sendCustomRequest(request, request_.httpMethod, QByteArray());
}

// --- the answer ---

void BackgroundUrlSessionTask::onMetaData() {
    if (answerHandled_ || !reply_ || state_ != State::Running) {
        return;
    }
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return;
    }
    answerHandled_ = true;
    response_ = UrlResponse(reply_->url(), status.toInt(), detail::responseHeaders(*reply_));
    if (kind_ == Kind::Upload || (acceptDownloadAnswer() && bodyIsFile_)) {
        decoder_ = std::make_unique<ContentDecoder>(
            ContentDecoder::encodingFor(response_.value("Content-Encoding")));
    }
}

bool BackgroundUrlSessionTask::acceptDownloadAnswer() {
    auto session = session_.lock();
    const QString partialPath = session->partialFilePath(identifier_);
    const int status = response_.statusCode();
    bool append = false;
    if (resumeOffset_ > 0 && status == kStatusPartialContent) {
        const auto range = parseContentRange(response_.value("Content-Range"));
        if (!range || range->first != resumeOffset_) {
            return restartWithoutRange();
        }
        append = true;
        bytesExpectedToReceive_ = range->second;
    } else if (resumeOffset_ > 0 && status == kStatusRangeNotSatisfiable) {
        return restartWithoutRange();
    } else if (status == kStatusOk) {
        bytesReceived_ = 0;
        const bool encoded = ContentDecoder::encodingFor(response_.value("Content-Encoding")) !=
                             ContentDecoder::Encoding::Identity;
        bytesExpectedToReceive_ =
            encoded ? kTransferSizeUnknown : response_.expectedContentLength();
        // An encoded body cannot be continued by byte ranges of the file.
        const QByteArray validator = encoded ? QByteArray() : validatorOf(response_);
        if (validator != validator_) {
            validator_ = validator;
            session->persist();
        }
    } else {
        // An error page, or a part of a file that was never asked for: not the file.
        QFile::remove(partialPath);
        bytesReceived_ = 0;
        return true;
    }
    // The user's file is theirs alone from its first byte.
    const int fd = openOwnerOnly(partialPath, O_WRONLY | (append ? O_APPEND : O_TRUNC));
    partial_ = std::make_unique<QFile>();
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate);
    if (fd < 0 || !partial_->open(fd, mode, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        fail(fileError(UrlFileErrorCode::CannotCreateFile));
        return false;
    }
    bodyIsFile_ = true;
    return true;
}

bool BackgroundUrlSessionTask::restartWithoutRange() {
    auto session = session_.lock();
    dropReply();
    QFile::remove(session->partialFilePath(identifier_));
    if (restartedWithoutRange_) {
        fail(UrlError(UrlErrorCode::BadServerResponse));
        return false;
    }
    restartedWithoutRange_ = true;
    // Not from within the reply's own signal.
    std::weak_ptr<BackgroundUrlSessionTask> weak = weak_from_this();
    Scheduler::main().post([weak] {
        if (auto task = weak.lock()) {
            task->start();
        }
    });
    return false;
}

void BackgroundUrlSessionTask::onReadyRead() {
    if (!reply_ || state_ != State::Running) {
        return;
    }
    restartIdleTimeout();
    onMetaData();
    if (!reply_ || state_ != State::Running) {
        return;
    }
    const QByteArray chunk = reply_->readAll();
    encodedBytesReceived_ += chunk.size();
    if (chunk.isEmpty() || !decoder_) {
        return;
    }
    QByteArray decoded;
    if (!decoder_->feed(chunk, decoded)) {
        fail(UrlError(UrlErrorCode::CannotDecodeRawData));
        return;
    }
    if (decoded.isEmpty()) {
        return;
    }
    if (kind_ == Kind::Download) {
        writeToFile(decoded);
        return;
    }
    auto self = shared_from_this();
    if (auto session = session_.lock()) {
        session->tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
            delegate.didReceiveData(*session, self, decoded);
        });
    }
}

void BackgroundUrlSessionTask::writeToFile(const QByteArray& decoded) {
    if (partial_->write(decoded) != decoded.size()) {
        fail(fileError(UrlFileErrorCode::CannotWriteToFile));
        return;
    }
    bytesReceived_ += decoded.size();
    auto self = shared_from_this();
    if (auto session = session_.lock()) {
        session->tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
            delegate.didWriteData(*session, self, decoded.size(), bytesReceived_,
                                  bytesExpectedToReceive_);
        });
    }
}

void BackgroundUrlSessionTask::onUploadProgress(qint64 sent, qint64) {
    if (state_ != State::Running || sent <= bytesSent_) {
        return;
    }
    restartIdleTimeout();
    const qint64 delta = sent - bytesSent_;
    bytesSent_ = sent;
    auto self = shared_from_this();
    if (auto session = session_.lock()) {
        session->tellDelegate([&](BackgroundUrlSessionDelegate& delegate) {
            delegate.didSendBodyData(*session, self, delta, bytesSent_, bytesExpectedToSend_);
        });
    }
}

void BackgroundUrlSessionTask::onFinished() {
    if (!reply_ || state_ != State::Running) {
        return;
    }
    auto self = shared_from_this();
    onReadyRead();
    QNetworkReply* reply = reply_;
    if (!reply || state_ != State::Running) {
        return;
    }
    std::optional<UrlError> error =
        detail::completionFailure(*reply, answerHandled_ ? &response_ : nullptr,
                                  request_.httpMethod, encodedBytesReceived_, decoder_.get());
    dropReply();
    if (error || kind_ == Kind::Upload || !bodyIsFile_) {
        complete(error);
        return;
    }
    finishDownload();
}

void BackgroundUrlSessionTask::finishDownload() {
    auto session = session_.lock();
    if (!session) {
        return;
    }
    const bool flushed = partial_->flush();
    partial_->close();
    partial_.reset();
    if (!flushed) {
        fail(fileError(UrlFileErrorCode::CannotWriteToFile));
        return;
    }
    const QString location = session->deliveredFilePath(identifier_);
    QFile::remove(location);
    if (!QFile::rename(session->partialFilePath(identifier_), location)) {
        fail(fileError(UrlFileErrorCode::CannotMoveFile));
        return;
    }
    auto self = shared_from_this();
    state_ = State::Completed;
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    session->taskCompleted(self, location);
}

// --- timeouts ---

void BackgroundUrlSessionTask::restartIdleTimeout() {
    idleTimeout_.cancel();
    if (request_.timeoutInterval <= 0) {
        return;
    }
    std::weak_ptr<BackgroundUrlSessionTask> weak = weak_from_this();
    idleTimeout_ = Scheduler::main().after(request_.timeoutInterval, [weak] {
        if (auto task = weak.lock(); task && task->state_ == State::Running) {
            task->fail(UrlError(UrlErrorCode::TimedOut));
        }
    });
}

void BackgroundUrlSessionTask::armResourceTimeout() {
    resourceTimeout_.cancel();
    auto session = session_.lock();
    const TimeInterval limit = session ? session->configuration().timeoutIntervalForResource : 0;
    if (limit <= 0) {
        return;
    }
    const TimeInterval left = startDate_ + limit - Scheduler::main().now();
    if (left <= 0) {
        fail(UrlError(UrlErrorCode::TimedOut));
        return;
    }
    std::weak_ptr<BackgroundUrlSessionTask> weak = weak_from_this();
    resourceTimeout_ = Scheduler::main().after(left, [weak] {
        if (auto task = weak.lock(); task && task->state_ == State::Running) {
            task->fail(UrlError(UrlErrorCode::TimedOut));
        }
    });
}

// --- ending ---

void BackgroundUrlSessionTask::fail(UrlError error) {
    complete(std::move(error));
}

void BackgroundUrlSessionTask::failLater(UrlError error) {
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    // Holds the task until its completion has been delivered.
    auto self = shared_from_this();
    Scheduler::main().post([self, error = std::move(error)] { self->complete(error); });
}

void BackgroundUrlSessionTask::complete(std::optional<UrlError> error) {
    if (state_ == State::Completed) {
        return;
    }
    auto self = shared_from_this();
    state_ = State::Completed;
    error_ = std::move(error);
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    dropReply();
    closeFiles();
    auto session = session_.lock();
    if (!session) {
        return;
    }
    // Only a finished file is handed over; whatever else was received goes.
    QFile::remove(session->partialFilePath(identifier_));
    session->taskCompleted(self, {});
}

void BackgroundUrlSessionTask::closeFiles() {
    if (partial_) {
        partial_->close();
        partial_.reset();
    }
}

void BackgroundUrlSessionTask::dropReply() {
    detail::abandonReply(reply_, receiver_.get());
}

void BackgroundUrlSessionTask::detach() {
    idleTimeout_.cancel();
    resourceTimeout_.cancel();
    dropReply();
    if (partial_) {
        partial_->flush();
    }
    closeFiles();
    session_.reset();
    if (state_ != State::Completed) {
        state_ = State::Completed;
    }
}

}  // namespace platform
