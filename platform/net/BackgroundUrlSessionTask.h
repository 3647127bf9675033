#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

#include <QtCore/QByteArray>
#include <QtCore/QPointer>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>

class QFile;
class QNetworkReply;
class QNetworkRequest;
class QObject;

namespace platform {

class BackgroundUrlSession;
class ContentDecoder;

// File errors of the URL domain, with the platform's numbers.
enum class UrlFileErrorCode : int {
    FileDoesNotExist = -1100,
    CannotCreateFile = -3000,
    CannotOpenFile = -3001,
    CannotWriteToFile = -3003,
    CannotMoveFile = -3005,
};

// One transfer of a BackgroundUrlSession: an upload of a file (its request's method, PUT for the
// file storage) or a download into a file. Made suspended, started by resume(), ended once by its
// answer, a failure or cancel(). The session keeps it, across relaunches, until it has ended.
class BackgroundUrlSessionTask : public std::enable_shared_from_this<BackgroundUrlSessionTask> {
public:
    enum class Kind { Upload = 0, Download = 1 };
    enum class State { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };

    ~BackgroundUrlSessionTask();
    BackgroundUrlSessionTask(const BackgroundUrlSessionTask&) = delete;
    BackgroundUrlSessionTask& operator=(const BackgroundUrlSessionTask&) = delete;

    // Unique within the session's identifier, across relaunches.
    std::uint64_t taskIdentifier() const { return identifier_; }
    Kind kind() const { return kind_; }
    // The request as the caller made it, headers included; also after a relaunch.
    const UrlRequest& originalRequest() const { return request_; }
    // The file an upload sends; empty for a download.
    const QString& uploadFilePath() const { return uploadFile_; }
    State state() const { return state_; }
    // The answer's status line and headers once they have arrived; status 0 before.
    const UrlResponse& response() const { return response_; }
    // The failure the task ended with, once completed.
    const std::optional<UrlError>& error() const { return error_; }

    qint64 countOfBytesSent() const { return bytesSent_; }
    qint64 countOfBytesExpectedToSend() const { return bytesExpectedToSend_; }
    // Of a download, the bytes of the file so far, those received before a relaunch included.
    qint64 countOfBytesReceived() const { return bytesReceived_; }
    qint64 countOfBytesExpectedToReceive() const { return bytesExpectedToReceive_; }

    void resume();
    // Stops the transfer and drops what it received. The delegate then hears the completion once
    // with -999, from the run loop; nothing else of the transfer is delivered after it. Does
    // nothing once the task has completed.
    void cancel();

    // "<BackgroundUrlSessionTask %lu %@ %@>" with the identifier, the method and the URL without
    // its query, which may hold a ticket.
    QString description() const;

private:
    friend class BackgroundUrlSession;
    BackgroundUrlSessionTask(std::uint64_t identifier, Kind kind, UrlRequest request,
                             QString uploadFile, std::weak_ptr<BackgroundUrlSession> session);

    // --- transfer ---
    void start();
    bool startUpload(QNetworkRequest& request);
    void startDownload(QNetworkRequest& request);
    void onMetaData();
    void onReadyRead();
    void onUploadProgress(qint64 sent, qint64 total);
    void onFinished();
    // Whether the answer's headers make its body the file (or the rest of it).
    bool acceptDownloadAnswer();
    // Asks again for the whole file, once, after a resumption the server could not honour.
    bool restartWithoutRange();
    void writeToFile(const QByteArray& decoded);
    void finishDownload();
    void restartIdleTimeout();
    void armResourceTimeout();
    void fail(UrlError error);
    void failLater(UrlError error);
    void complete(std::optional<UrlError> error);
    void closeFiles();
    void dropReply();
    // The process is going away: the task stops where it is, its partial file kept.
    void detach();

    std::uint64_t identifier_;
    Kind kind_;
    UrlRequest request_;
    QString uploadFile_;
    std::weak_ptr<BackgroundUrlSession> session_;
    State state_ = State::Suspended;
    UrlResponse response_;
    std::optional<UrlError> error_;
    // When the task was first started, by the scheduler's clock; 0 before.
    TimeInterval startDate_ = 0;
    // The download's ETag or Last-Modified, sent as If-Range when resuming.
    QByteArray validator_;

    qint64 bytesSent_ = 0;
    qint64 bytesExpectedToSend_ = 0;
    qint64 bytesReceived_ = 0;
    qint64 bytesExpectedToReceive_ = kTransferSizeUnknown;

    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QObject> receiver_;
    std::unique_ptr<QFile> uploadBody_;
    std::unique_ptr<QFile> partial_;
    std::unique_ptr<ContentDecoder> decoder_;
    TimerHandle idleTimeout_;
    TimerHandle resourceTimeout_;
    // Bytes of the partial file that this request's Range asked the server to continue from.
    qint64 resumeOffset_ = 0;
    // The body of this request's answer as it came over the wire.
    qint64 encodedBytesReceived_ = 0;
    bool answerHandled_ = false;
    bool bodyIsFile_ = false;
    bool restartedWithoutRange_ = false;
};

}  // namespace platform
