#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <memory>
#include <optional>
#include <vector>

namespace platform {
class BackgroundUrlSessionTask;
}

// One upload or download of ZVFileTransfers, keyed by (url, sessionId): every request for the same
// pair joins it as a further delegate. It holds its delegates strongly, which keeps an uploader
// alive until its transfer ends. Main thread only.
class ZVFileTransferTask : public std::enable_shared_from_this<ZVFileTransferTask> {
public:
    using Delegates = std::vector<ZVFileTransferDelegatePtr>;

    ZVFileTransferTask(QString sessionId, QString url);
    ~ZVFileTransferTask();
    ZVFileTransferTask(const ZVFileTransferTask&) = delete;
    ZVFileTransferTask& operator=(const ZVFileTransferTask&) = delete;

    // A null delegate is ignored; the same one may be added twice and then hears everything twice.
    void addDelegate(ZVFileTransferDelegatePtr delegate);
    // Removes every entry of `delegate`. Once none remains the URL-session task is cancelled and
    // dropped; the transfer stays listed until the session reports the cancellation.
    void cancelForDelegate(const ZVFileTransferDelegate* delegate);
    const Delegates& delegates() const { return delegates_; }

    // The account's session id (its uuid).
    const QString& sessionId() const { return sessionId_; }
    // An upload's local file URL as text, or a download's local path below the account's folder.
    const QString& url() const { return url_; }

    // The upload's answer body as it arrives.
    const QByteArray& accumulatedData() const { return accumulatedData_; }
    void addData(const QByteArray& data);

    const std::shared_ptr<platform::BackgroundUrlSessionTask>& task() const { return task_; }
    void setTask(std::shared_ptr<platform::BackgroundUrlSessionTask> task);

    // Where a finished download lies; empty until then.
    const QUrl& responseUrl() const { return responseUrl_; }
    void setResponseUrl(const QUrl& url) { responseUrl_ = url; }
    // What went wrong while placing a finished download.
    const ZVErrorPtr& error() const { return error_; }
    void setError(ZVErrorPtr error) { error_ = std::move(error); }

    float progress() const { return progress_; }
    void setProgress(float progress) { progress_ = progress; }

    // "<ZVFileTransferTask %@ %@>" with the session id and the url.
    QString description() const;

private:
    QString sessionId_;
    QString url_;
    Delegates delegates_;
    QByteArray accumulatedData_;
    std::shared_ptr<platform::BackgroundUrlSessionTask> task_;
    QUrl responseUrl_;
    ZVErrorPtr error_;
    float progress_ = 0;
};

using ZVFileTransferTaskPtr = std::shared_ptr<ZVFileTransferTask>;
