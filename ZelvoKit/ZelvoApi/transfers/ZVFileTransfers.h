#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfersDelegate.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"
#include "platform/net/BackgroundUrlSession.h"

#include <QtCore/QByteArray>
#include <QtCore/QLatin1StringView>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

class ZVApiSession;

// Moves files between the device and the service's file storage on a background URL session, so
// that they go on while the application comes and goes: uploads are PUTs of a local file,
// downloads are GETs into the account's folder. A transfer that outlives the process is listed
// again by restorePendingTransfers(), its delegates found through the delegate.
//
// An account's files lie below basePath/<session id>/: the application group's container when a
// group is given, else the caches. Names that come from the service or from shares never leave
// that folder: "/" inside a name, "..", "." and control characters are replaced.
//
// Always held by std::shared_ptr (see create()). Main thread only.
class ZVFileTransfers : public platform::Observable,
                        public platform::BackgroundUrlSessionDelegate,
                        public std::enable_shared_from_this<ZVFileTransfers> {
public:
    // Published key: the count of listed transfers.
    static constexpr QLatin1StringView NumberInProgressKey{"numberInProgress"};
    // Request headers that name a transfer's key, read back after a relaunch.
    static constexpr QLatin1StringView ZVTransferHeaderLocalUrl{"Local-URL"};
    static constexpr QLatin1StringView ZVTransferHeaderSessionId{"Session-ID"};
    // The background session's identifier without an application group.
    static constexpr QLatin1StringView DefaultSessionIdentifier{"Zelvo"};
    static constexpr platform::TimeInterval kRequestTimeout = 120.0;

    // Server paths of the file storage.
    static constexpr QLatin1StringView FileUploadPath{"/api/file/upload"};
    static constexpr QLatin1StringView AvatarUploadPath{"/api/avatar/upload"};

    // The transfers of the background session named by `appGroupId`, or "Zelvo" without one. A
    // live object of the same identifier stops at once, as a process ending would stop it.
    static std::shared_ptr<ZVFileTransfers> create(const QUrl& baseUrl, const QString& appGroupId);
    ~ZVFileTransfers() override;
    ZVFileTransfers(const ZVFileTransfers&) = delete;
    ZVFileTransfers& operator=(const ZVFileTransfers&) = delete;

    // Lists again the uploads and downloads the session still holds, with their delegates.
    void restorePendingTransfers();

    // Uploads the file at `localUrl` to `serverPath` ("/api/file/upload") under `fileName`, for the
    // account of `session`. Joins a transfer of the same file and account. Without an application
    // group the file is sent from a copy, removed when the transfer ends, so the caller may change
    // or delete its own. Null when the file is missing or the copy cannot be made.
    ZVFileTransferTaskPtr uploadWithUrl(const QString& serverPath, const QUrl& localUrl,
                                        const QString& fileName,
                                        const std::shared_ptr<ZVApiSession>& session,
                                        ZVFileTransferDelegatePtr delegate);
    // Downloads `url` (absolute, or a path below the base URL) to `localPath` below the account's
    // folder. Joins a transfer of the same path and account. When the file is there already, the
    // delegate hears downloadCompleted() at once with no transfer, and the result is null.
    ZVFileTransferTaskPtr downloadWithUrl(const QString& url, const QString& localPath,
                                          const std::shared_ptr<ZVApiSession>& session,
                                          ZVFileTransferDelegatePtr delegate);

    // Writes `data` to "Uploads/<name>" in the account's folder, a name already taken getting
    // " 2", " 3"… before its extension; its file URL, empty on failure.
    QUrl createUploadFileWithName(const QString& name, const std::shared_ptr<ZVApiSession>& session,
                                  const QByteArray& data);
    // Writes `data` at `localPath` in the account's folder, as a finished download would be.
    ZVErrorPtr createDownloadedFileWithLocalName(const QString& localPath,
                                                 const std::shared_ptr<ZVApiSession>& session,
                                                 const QByteArray& data);

    // The account is gone: each of its transfers is taken off the list, its delegates hear a
    // cancel (1000), then its URL-session task is cancelled.
    void cancelBySessionId(const QString& sessionId);
    // Cancels everything, as cancelBySessionId() does for every account, and takes no further
    // transfer or event.
    void invalidateAndCancel();

    int numberInProgress() const { return static_cast<int>(tasks_.size()); }
    const std::vector<ZVFileTransferTaskPtr>& tasks() const { return tasks_; }

    // Called once when the background session has delivered the events it woke the application
    // for; dropped after the call.
    const std::function<void()>& completionHandler() const { return completionHandler_; }
    void setCompletionHandler(std::function<void()> handler);
    std::shared_ptr<ZVFileTransfersDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVFileTransfersDelegate> delegate);
    const std::shared_ptr<platform::BackgroundUrlSession>& session() const { return session_; }

    const QUrl& baseUrl() const { return baseUrl_; }
    const QString& appGroupId() const { return appGroupId_; }
    const QString& basePath() const { return basePath_; }
    // basePath/<session id>.
    QString basePathForSession(const QString& sessionId) const;
    // The file of `localPath` below the account's folder.
    QUrl fileUrlWithLocalUrl(const QString& localPath, const QString& sessionId) const;

    // A name that stays one path component: "/", control characters and NUL become "_", and an
    // empty name, "." or ".." becomes "_".
    static QString safePathComponent(const QString& name);
    // A relative path whose every component is safe, so it stays below the folder it is joined to.
    static QString safeRelativePath(const QString& path);

    // --- the background session's events ---

    void didSendBodyData(platform::BackgroundUrlSession& session, const TaskPtr& task,
                         qint64 bytesSent, qint64 totalBytesSent,
                         qint64 totalBytesExpectedToSend) override;
    void didReceiveData(platform::BackgroundUrlSession& session, const TaskPtr& task,
                        const QByteArray& data) override;
    void didWriteData(platform::BackgroundUrlSession& session, const TaskPtr& task,
                      qint64 bytesWritten, qint64 totalBytesWritten,
                      qint64 totalBytesExpectedToWrite) override;
    void didFinishDownloading(platform::BackgroundUrlSession& session, const TaskPtr& task,
                              const QString& location) override;
    void didComplete(platform::BackgroundUrlSession& session, const TaskPtr& task,
                     const std::optional<platform::UrlError>& error) override;
    void didFinishEventsForBackgroundUrlSession(platform::BackgroundUrlSession& session) override;

private:
    ZVFileTransfers(QUrl baseUrl, QString appGroupId);

    // The listed transfer of the pair, with the delegate added, or a new one listed for it.
    ZVFileTransferTaskPtr createTaskWithUrl(const QString& url, const QString& sessionId,
                                            ZVFileTransferDelegatePtr delegate);
    // The transfer a URL-session task belongs to, by its request's headers; taken off the list
    // when `remove` is set. An unlisted task gets a new record with the delegates that the
    // delegate finds for it, unless `restore` is off.
    ZVFileTransferTaskPtr taskByUrlTask(const TaskPtr& task, bool remove, bool restore = true);
    void unlist(const ZVFileTransferTaskPtr& transfer);
    void reportProgress(const TaskPtr& task, qint64 done, qint64 expected);
    void completeUploadTask(const ZVFileTransferTaskPtr& transfer);
    void completeDownloadTask(const ZVFileTransferTaskPtr& transfer);
    void failTransfer(const ZVFileTransferTaskPtr& transfer, const TaskPtr& task,
                      const ZVErrorPtr& error);
    platform::UrlRequest requestFor(const QUrl& url, const QString& localUrl,
                                    const std::shared_ptr<ZVApiSession>& session) const;
    // Copies the file into the account's "TempUploads"; empty with `error` set on failure.
    QString makeUploadCopy(const QString& filePath, const QString& fileName,
                           const QString& sessionId, ZVErrorPtr* error) const;
    // Whether `path` is an upload copy of ours, which goes when its task ends.
    bool isUploadCopy(const QString& path) const;

    QUrl baseUrl_;
    QString appGroupId_;
    QString basePath_;
    std::shared_ptr<platform::BackgroundUrlSession> session_;
    std::vector<ZVFileTransferTaskPtr> tasks_;
    std::function<void()> completionHandler_;
    std::weak_ptr<ZVFileTransfersDelegate> delegate_;
    // Tasks of the session for which the delegate found no one.
    std::set<std::uint64_t> declined_;
    bool invalidated_ = false;
};
