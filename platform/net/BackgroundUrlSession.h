#pragma once

#include "platform/foundation/Application.h"
#include "platform/net/BackgroundUrlSessionTask.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QNetworkAccessManager;

namespace platform {

struct BackgroundUrlSessionConfiguration {
    // Tasks stay with the identifier, not with the session object: a later session of the same
    // identifier takes over those an earlier one left.
    QString identifier;
    // The application group whose container holds the session's files, so that the application
    // and its extensions share them; null for the application's own caches.
    QString sharedContainerIdentifier;
    // How long a task may take in all, relaunches included; 0 for no limit.
    TimeInterval timeoutIntervalForResource = 0;
};

// What a BackgroundUrlSession tells about its tasks, on the main thread. Every call has a default
// that does nothing.
class BackgroundUrlSessionDelegate {
public:
    using TaskPtr = std::shared_ptr<BackgroundUrlSessionTask>;

    virtual ~BackgroundUrlSessionDelegate() = default;

    // Upload progress: the bytes just sent, all sent so far, and the file's size.
    virtual void didSendBodyData(BackgroundUrlSession& session, const TaskPtr& task,
                                 qint64 bytesSent, qint64 totalBytesSent,
                                 qint64 totalBytesExpectedToSend);
    // Part of an upload's answer body, as it arrives.
    virtual void didReceiveData(BackgroundUrlSession& session, const TaskPtr& task,
                                const QByteArray& data);
    // Download progress: the bytes just written, all of the file so far (a resumed download counts
    // what it had), and the file's size or kTransferSizeUnknown.
    virtual void didWriteData(BackgroundUrlSession& session, const TaskPtr& task,
                              qint64 bytesWritten, qint64 totalBytesWritten,
                              qint64 totalBytesExpectedToWrite);
    // A download ended with the whole file: a 200 answer, or a 206 that continued a resumed one.
    // The file at `location` is removed when this returns, so move it to keep it. An answer of any
    // other status is never handed over as the file; didComplete() tells its status.
    virtual void didFinishDownloading(BackgroundUrlSession& session, const TaskPtr& task,
                                      const QString& location);
    // Once per task, last: `error` for a transport or file failure and for a cancel (-999);
    // otherwise task->response() holds the answer, whatever its status.
    virtual void didComplete(BackgroundUrlSession& session, const TaskPtr& task,
                             const std::optional<UrlError>& error);
    // The events that arrived while the application was in the background have all been
    // delivered: the moment to call the completion the application was given with them.
    virtual void didFinishEventsForBackgroundUrlSession(BackgroundUrlSession& session);
};

// The background transfer session: uploads of files and downloads into files that go on while
// the application comes and goes.
//
// The platform runs such transfers outside the process. Here they run in it, and what outlives
// the process is the session's task table, written atomically to its folder at every change:
// destroying the session is what the process ending is to the platform's. A new session of the
// same identifier reads the table, hands the tasks back through getAllTasks() with their original
// requests, and carries on with them: an upload starts over; a download continues from its partial
// file with a Range request when the server allows it (206), and starts over when not. Their
// completions then reach the new session's delegate.
//
// A task that ends while the application is in the background tells the application first
// (Application::handleEventsForBackgroundURLSession, with a completion that releases the
// background time it holds) and the delegate's didFinishEventsForBackgroundUrlSession() follows
// once no task is left running.
//
// Timeouts run on the main scheduler: a request's timeoutInterval as an idle timeout, and the
// configuration's resource timeout counted from the task's first start.
//
// Main thread only.
class BackgroundUrlSession : public std::enable_shared_from_this<BackgroundUrlSession> {
public:
    // The session of the identifier, with the tasks an earlier one left. A session of the same
    // identifier still alive stops at once, as if its process had ended.
    static std::shared_ptr<BackgroundUrlSession> create(
        BackgroundUrlSessionConfiguration configuration,
        std::weak_ptr<BackgroundUrlSessionDelegate> delegate);
    // The tasks stop where they are, their table and partial files kept for the next session.
    ~BackgroundUrlSession();
    BackgroundUrlSession(const BackgroundUrlSession&) = delete;
    BackgroundUrlSession& operator=(const BackgroundUrlSession&) = delete;

    const BackgroundUrlSessionConfiguration& configuration() const { return configuration_; }
    const QString& identifier() const { return configuration_.identifier; }
    // The folder of the task table and of the partial downloads.
    const QString& directory() const { return directory_; }

    // A suspended upload of the file at `filePath` with the request's method, URL and headers
    // (its body is ignored). The file is read as it is sent and must stay until the task ends.
    // None once a newer session of the identifier has taken over.
    std::shared_ptr<BackgroundUrlSessionTask> uploadTask(UrlRequest request,
                                                         const QString& filePath);
    // A suspended download of the request's answer into a file. None once a newer session of the
    // identifier has taken over.
    std::shared_ptr<BackgroundUrlSessionTask> downloadTask(UrlRequest request);

    // The tasks that have not completed, in the order they were made.
    std::vector<std::shared_ptr<BackgroundUrlSessionTask>> getAllTasks() const;

    // "<BackgroundUrlSession %@>" with the identifier.
    QString description() const;

private:
    friend class BackgroundUrlSessionTask;

    BackgroundUrlSession(BackgroundUrlSessionConfiguration configuration,
                         std::weak_ptr<BackgroundUrlSessionDelegate> delegate, QString directory);

    std::shared_ptr<BackgroundUrlSessionTask> addTask(BackgroundUrlSessionTask::Kind kind,
                                                      UrlRequest request, QString uploadFile);
    void restore();
    void persist();
    // Stops every task without a word, as the process ending would.
    void detach();

    QString partialFilePath(std::uint64_t identifier) const;
    QString deliveredFilePath(std::uint64_t identifier) const;

    void tellDelegate(const std::function<void(BackgroundUrlSessionDelegate&)>& call);
    // A task has ended: it leaves the table, then the delegate hears of it.
    void taskCompleted(const std::shared_ptr<BackgroundUrlSessionTask>& task,
                       const QString& location);
    void beginBackgroundEvents();
    void finishBackgroundEventsWhenIdle();

    BackgroundUrlSessionConfiguration configuration_;
    std::weak_ptr<BackgroundUrlSessionDelegate> delegate_;
    QString directory_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    std::map<std::uint64_t, std::shared_ptr<BackgroundUrlSessionTask>> tasks_;
    std::uint64_t nextIdentifier_ = 1;
    // A newer session of the identifier owns the tasks now.
    bool detached_ = false;
    bool deliveringBackgroundEvents_ = false;
};

}  // namespace platform
