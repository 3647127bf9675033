#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/net/BackgroundUrlSession.h"
#include "tests/emulator/ServiceEmulator.h"
#include "tests/platform/net/NetTestSupport.h"
#include "tests/support/FileModes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QBuffer>
#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtGui/QImage>

#include <gtest/gtest.h>

#include <map>

using platform::Application;
using platform::ApplicationState;
using platform::BackgroundUrlSession;
using platform::BackgroundUrlSessionConfiguration;
using platform::BackgroundUrlSessionDelegate;
using platform::BackgroundUrlSessionTask;
using platform::Scheduler;
using platform::UrlError;
using platform::UrlErrorCode;
using platform::UrlFileErrorCode;
using platform::UrlRequest;
using zvemu::Fault;
using zvemu::ServiceEmulator;

namespace {

const QString kIdentifier = QStringLiteral("Zelvo");

// Distinct bytes everywhere, so that a piece in the wrong place shows.
QByteArray patternBytes(qsizetype size) {
    QByteArray bytes;
    bytes.reserve(size);
    quint32 state = 2463534242u;
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.append(static_cast<char>(state & 0xff));
    }
    return bytes;
}

// The last progress of a transfer of `size` bytes that announced its size.
std::pair<qint64, qint64> whole(qint64 size) {
    return {size, size};
}

bool waitUntil(const std::function<bool()>& condition) {
    return Scheduler::main().runUntil(condition, nettest::kNetworkWaitMs);
}

struct TaskLog {
    // (total so far, total expected) of each progress call.
    std::vector<std::pair<qint64, qint64>> progress;
    QByteArray answer;
    std::optional<QByteArray> file;
    int completions = 0;
    std::optional<UrlError> error;
    int status = 0;
    // The permission bits of the file as the session handed it over.
    mode_t fileMode = 0;
};

// Keeps what the session tells, by task; a handed-over download is moved out, as it must be.
class Recorder : public BackgroundUrlSessionDelegate {
public:
    explicit Recorder(QString keepDir) : keepDir_(std::move(keepDir)) {}

    void didSendBodyData(BackgroundUrlSession&, const TaskPtr& task, qint64, qint64 total,
                         qint64 expected) override {
        logs[task->taskIdentifier()].progress.emplace_back(total, expected);
    }
    void didReceiveData(BackgroundUrlSession&, const TaskPtr& task,
                        const QByteArray& data) override {
        logs[task->taskIdentifier()].answer += data;
    }
    void didWriteData(BackgroundUrlSession&, const TaskPtr& task, qint64, qint64 total,
                      qint64 expected) override {
        logs[task->taskIdentifier()].progress.emplace_back(total, expected);
    }
    void didFinishDownloading(BackgroundUrlSession&, const TaskPtr& task,
                              const QString& location) override {
        events << QStringLiteral("file");
        logs[task->taskIdentifier()].fileMode = zvtest::fileMode(location);
        const QString kept = keepDir_ + u'/' + QString::number(task->taskIdentifier());
        QFile::remove(kept);
        if (QFile::rename(location, kept)) {
            QFile file(kept);
            if (file.open(QIODevice::ReadOnly)) {
                logs[task->taskIdentifier()].file = file.readAll();
            }
        }
    }
    void didComplete(BackgroundUrlSession&, const TaskPtr& task,
                     const std::optional<UrlError>& error) override {
        events << QStringLiteral("complete");
        TaskLog& log = logs[task->taskIdentifier()];
        ++log.completions;
        log.error = error;
        log.status = task->response().statusCode();
    }
    void didFinishEventsForBackgroundUrlSession(BackgroundUrlSession&) override {
        events << QStringLiteral("events finished");
        if (onEventsFinished) {
            onEventsFinished();
        }
    }

    bool completed(std::uint64_t task) const {
        auto it = logs.find(task);
        return it != logs.end() && it->second.completions > 0;
    }
    qint64 written(std::uint64_t task) const {
        auto it = logs.find(task);
        return it == logs.end() || it->second.progress.empty() ? 0
                                                               : it->second.progress.back().first;
    }

    std::map<std::uint64_t, TaskLog> logs;
    QStringList events;
    std::function<void()> onEventsFinished;

private:
    QString keepDir_;
};

// Takes the background events the session announces, as the application's delegate does.
class EventsAppDelegate : public platform::ApplicationDelegate {
public:
    explicit EventsAppDelegate(QStringList& events) : events_(events) {}
    void applicationHandleEventsForBackgroundURLSession(const QString& identifier,
                                                        std::function<void()> completion) override {
        events_ << QStringLiteral("application: ") + identifier;
        this->completion = std::move(completion);
    }
    std::function<void()> completion;

private:
    QStringList& events_;
};

}  // namespace

class BackgroundUrlSessionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        const zvemu::Account account = emulator.addAccount("ann@example.com", "secret");
        credentials = emulator.issueCredentials(account.accountId);
        accountId = account.accountId;
        relaunch();
    }

    // What the process ending and starting again does to the session.
    void relaunch(BackgroundUrlSessionConfiguration configuration = {kIdentifier, {}, 0}) {
        session.reset();
        recorder = std::make_shared<Recorder>(zvtest::makeTempDir(QStringLiteral("kept")));
        session = BackgroundUrlSession::create(configuration, recorder);
        ASSERT_TRUE(session);
    }

    UrlRequest downloadRequest(const QString& url, const QString& localPath) const {
        UrlRequest request;
        request.url = QUrl(url);
        request.headers.append("Local-URL", localPath.toUtf8());
        request.headers.append("Session-ID", accountId.toLatin1());
        request.headers.append("Cookie", "token_id=" + credentials.token.toLatin1());
        return request;
    }

    UrlRequest uploadRequest(const QString& localUrl, const QString& path = "api/file/upload",
                             const QString& ticket = {}) const {
        UrlRequest request;
        request.url = QUrl(emulator.baseUrl() + path +
                           "?ticket=" + (ticket.isNull() ? credentials.ticket : ticket));
        request.httpMethod = "PUT";
        request.headers.append("Session-ID", accountId.toLatin1());
        request.headers.append("Cookie", "token_id=" + credentials.token.toLatin1());
        request.headers.append("Content-Disposition", "attachment; filename=\"photo 1.png\"");
        request.headers.append("Local-URL", localUrl.toUtf8());
        return request;
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = zvtest::makeTempDir(QStringLiteral("files")) + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    std::shared_ptr<BackgroundUrlSessionTask> startDownload(const QString& url,
                                                            const QString& localPath = "a/b.bin") {
        auto task = session->downloadTask(downloadRequest(url, localPath));
        task->resume();
        return task;
    }

    bool waitForCompletion(std::uint64_t task) {
        return waitUntil([&] { return recorder->completed(task); });
    }

    // Files the session keeps beside its table.
    QStringList leftovers() const {
        QStringList files = QDir(session->directory()).entryList(QDir::Files);
        files.removeAll(QStringLiteral("tasks.json"));
        return files;
    }

    ServiceEmulator emulator;
    zvemu::Credentials credentials;
    QString accountId;
    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<BackgroundUrlSession> session;
};

TEST_F(BackgroundUrlSessionTest, UploadSendsTheFileWithItsHeadersAndDeliversProgressAndAnswer) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const auto encoded = [&picture](const char* format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        picture.save(&buffer, format);
        return bytes;
    };
    const QByteArray png = encoded("PNG");
    const QByteArray jpeg = encoded("JPEG");
    ASSERT_FALSE(png.isEmpty());
    ASSERT_FALSE(jpeg.isEmpty());
    const QJsonValue kAbsent(QJsonValue::Undefined);
    struct Case {
        QString target;
        QByteArray bytes;
        QJsonValue width;
        QJsonValue height;
    };
    for (const Case& c : {Case{"file/upload", patternBytes(3 * 1024 * 1024), kAbsent, kAbsent},
                          Case{"avatar/upload", png, 40, 30}, Case{"file/upload", jpeg, 40, 30}}) {
        SCOPED_TRACE(c.target.toStdString());
        const QString path = writeFile(QStringLiteral("photo 1.png"), c.bytes);
        auto task = session->uploadTask(uploadRequest("file://" + path, "api/" + c.target), path);
        ASSERT_TRUE(task);
        EXPECT_EQ(task->state(), BackgroundUrlSessionTask::State::Suspended);
        task->resume();
        ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));

        const TaskLog& log = recorder->logs[task->taskIdentifier()];
        EXPECT_FALSE(log.error);
        EXPECT_EQ(log.status, 200);
        ASSERT_FALSE(log.progress.empty());
        for (std::size_t i = 1; i < log.progress.size(); ++i) {
            EXPECT_GT(log.progress[i].first, log.progress[i - 1].first);
        }
        EXPECT_EQ(log.progress.back(), whole(c.bytes.size()));

        const QJsonObject answer = QJsonDocument::fromJson(log.answer).object();
        const QJsonObject described = answer["files"].toArray().at(0).toObject();
        const auto stored = emulator.storedFile(described["upload_url"].toString());
        ASSERT_TRUE(stored);
        EXPECT_TRUE(described["upload_url"].toString().startsWith("zelvo-upload:"));
        EXPECT_EQ(stored->data, c.bytes);
        EXPECT_EQ(stored->name, QStringLiteral("photo 1.png"));
        EXPECT_EQ(stored->accountId, accountId);
        EXPECT_EQ(described["file_sha256"].toString(),
                  QCryptographicHash::hash(c.bytes, QCryptographicHash::Sha256).toHex());
        EXPECT_EQ(described["width"], c.width);
        EXPECT_EQ(described["height"], c.height);

        const auto received = emulator.lastRequest(c.target);
        ASSERT_TRUE(received);
        EXPECT_EQ(received->httpMethod, QStringLiteral("PUT"));
        EXPECT_TRUE(received->problems.isEmpty()) << received->problems.join("; ").toStdString();
        EXPECT_EQ(received->header("Local-URL"), ("file://" + path).toUtf8());
        EXPECT_EQ(received->header("Session-ID"), accountId.toLatin1());
        EXPECT_EQ(received->cookie(u"token_id"), credentials.token);

        EXPECT_TRUE(session->getAllTasks().empty());
        EXPECT_EQ(task->state(), BackgroundUrlSessionTask::State::Completed);
        // Failures log the task; its ticket must not go with it.
        EXPECT_FALSE(task->description().contains(credentials.ticket));
    }
}

TEST_F(BackgroundUrlSessionTest, UploadFailuresReachTheDelegate) {
    const QString path = writeFile(QStringLiteral("photo.png"), patternBytes(4096));
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString file;
        QString ticket;
        int status;
        int errorCode;
        // Copies of the upload that reach the service.
        int sent = 1;
    };
    const std::vector<Case> cases = {
        {"too large",
         [&] { emulator.injectFault("file/upload", Fault::withStatus(413, "file_too_large")); },
         path, QString(), 413, 0},
        {"unknown ticket", [] {}, path, QStringLiteral("nope"), 401, 0},
        {"no file", [] {}, path + ".gone", QString(), 0,
         static_cast<int>(UrlFileErrorCode::FileDoesNotExist), 0},
        {"cut connection", [&] { emulator.injectFault("file/upload", Fault::dropConnection()); },
         path, QString(), 200, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        // The transport would send the whole file again behind our back.
        {"closed before any answer",
         [&] { emulator.injectFault("file/upload", Fault::closeBeforeAnswer()); }, path, QString(),
         0, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"cut error answer",
         [&] {
             zvemu::Reply failure = zvemu::Reply::error(500, "internal_error");
             failure.json["detail"] = QString(4000, u'x');
             emulator.scriptAnswer("file/upload", failure);
             emulator.injectFault("file/upload", Fault::dropConnection());
         },
         path, QString(), 500, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const int before = emulator.requestCount("file/upload");
        auto task = session->uploadTask(
            uploadRequest("file://" + path, "api/file/upload", c.ticket), c.file);
        task->resume();
        ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));
        const TaskLog& log = recorder->logs[task->taskIdentifier()];
        EXPECT_EQ(log.completions, 1);
        EXPECT_EQ(emulator.requestCount("file/upload"), before + c.sent);
        EXPECT_EQ(log.error ? log.error->code() : 0, c.errorCode);
        EXPECT_EQ(log.status, c.status);
        if (c.status >= 400 && c.errorCode == 0) {
            // The service's error answer still comes through, for the caller to read.
            EXPECT_TRUE(QJsonDocument::fromJson(log.answer).object().contains("error_id"));
        }
    }
    EXPECT_TRUE(session->getAllTasks().empty());
}

TEST_F(BackgroundUrlSessionTest, DownloadHandsOverTheFileWithProgress) {
    const QByteArray bytes = patternBytes(1024 * 1024 + 17);
    const QString url = emulator.storeFile(QStringLiteral("report.pdf"), bytes);
    auto task = startDownload(url, QStringLiteral("files/report.pdf"));
    ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));

    const TaskLog& log = recorder->logs[task->taskIdentifier()];
    EXPECT_FALSE(log.error);
    EXPECT_EQ(log.status, 200);
    ASSERT_TRUE(log.file);
    EXPECT_EQ(*log.file, bytes);
    EXPECT_EQ(recorder->events, QStringList({"file", "complete"}));
    ASSERT_FALSE(log.progress.empty());
    for (std::size_t i = 1; i < log.progress.size(); ++i) {
        EXPECT_GT(log.progress[i].first, log.progress[i - 1].first);
    }
    EXPECT_EQ(log.progress.back(), whole(bytes.size()));
    EXPECT_EQ(task->countOfBytesReceived(), bytes.size());

    const auto received = emulator.lastRequest(QUrl(url).path());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->header("Local-URL"), "files/report.pdf");
    EXPECT_EQ(received->header("Session-ID"), accountId.toLatin1());
    EXPECT_EQ(received->cookie(u"token_id"), credentials.token);
    EXPECT_TRUE(received->header("Range").isNull());
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
}

TEST_F(BackgroundUrlSessionTest, AnAnswerThatIsNotTheFileIsNeverHandedOver) {
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(50000));
    struct Case {
        const char* name;
        std::function<QString()> arrange;
        int status;
        int errorCode;
    };
    const std::vector<Case> cases = {
        {"unknown file", [&] { return emulator.baseUrl() + "files/missing/a.bin"; }, 404, 0},
        {"service unavailable",
         [&] {
             emulator.injectFault(QUrl(url).path(), Fault::withStatus(503));
             return url;
         },
         503, 0},
        {"cut mid-body",
         [&] {
             emulator.injectFault(QUrl(url).path(), Fault::dropConnection());
             return url;
         },
         200, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
        {"cut after a few bytes",
         [&] {
             emulator.cutDownload(url, 1000);
             return url;
         },
         200, static_cast<int>(UrlErrorCode::NetworkConnectionLost)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder->events.clear();
        auto task = startDownload(c.arrange());
        ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));
        const TaskLog& log = recorder->logs[task->taskIdentifier()];
        EXPECT_EQ(recorder->events, QStringList({"complete"}));
        EXPECT_FALSE(log.file);
        EXPECT_EQ(log.status, c.status);
        EXPECT_EQ(log.error ? log.error->code() : 0, c.errorCode);
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
    }
}

TEST_F(BackgroundUrlSessionTest, AnEncodedAnswerIsStoredDecoded) {
    const QByteArray bytes = patternBytes(20000).toHex();
    const QString url = emulator.storeFile(QStringLiteral("a.txt"), "unused");
    emulator.scriptAnswer(QUrl(url).path(), zvemu::Reply::raw(200, bytes, "text/plain"));
    emulator.setCompression(ServiceEmulator::Compression::Always);
    auto task = startDownload(url);
    ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));
    const TaskLog& log = recorder->logs[task->taskIdentifier()];
    EXPECT_EQ(emulator.lastRequest(QUrl(url).path())->header("Accept-Encoding"), "identity");
    ASSERT_TRUE(log.file);
    EXPECT_EQ(*log.file, bytes);
    // The size of a decoded body is not known ahead.
    EXPECT_EQ(log.progress.back().second, platform::kTransferSizeUnknown);
}

TEST_F(BackgroundUrlSessionTest, DownloadCutByARelaunchContinuesWhereItStopped) {
    const QByteArray bytes = patternBytes(300000);
    constexpr qint64 kCut = 100000;
    struct Case {
        const char* name;
        bool serverHasRanges;
        int secondStatus;
        qint64 secondBodySize;
    };
    for (const Case c : {Case{"with ranges", true, 206, 300000 - kCut},
                         Case{"without ranges", false, 200, 300000}}) {
        SCOPED_TRACE(c.name);
        emulator.setRangeRequests(c.serverHasRanges);
        const QString url = emulator.storeFile(QStringLiteral("big.bin"), bytes);
        emulator.cutDownload(url, kCut, true);
        const std::uint64_t id = startDownload(url, QStringLiteral("x/big.bin"))->taskIdentifier();
        ASSERT_TRUE(waitUntil([&] { return recorder->written(id) == kCut; }));

        relaunch();
        emulator.releaseHeld();
        const auto tasks = session->getAllTasks();
        ASSERT_EQ(tasks.size(), 1u);
        const auto& restored = tasks.front();
        EXPECT_EQ(restored->taskIdentifier(), id);
        EXPECT_EQ(restored->kind(), BackgroundUrlSessionTask::Kind::Download);
        EXPECT_EQ(restored->originalRequest().url, QUrl(url));
        EXPECT_EQ(restored->originalRequest().headers.value("Local-URL"), "x/big.bin");
        EXPECT_EQ(restored->originalRequest().headers.value("Session-ID"), accountId.toLatin1());
        EXPECT_EQ(restored->originalRequest().headers.value("Cookie"),
                  "token_id=" + credentials.token.toLatin1());

        ASSERT_TRUE(waitForCompletion(id));
        const TaskLog& log = recorder->logs[id];
        EXPECT_FALSE(log.error);
        EXPECT_EQ(log.status, c.secondStatus);
        ASSERT_TRUE(log.file);
        EXPECT_TRUE(*log.file == bytes);
        EXPECT_EQ(log.progress.back(), whole(bytes.size()));
        const auto second = emulator.lastRequest(QUrl(url).path());
        EXPECT_EQ(second->header("Range"), "bytes=100000-");
        EXPECT_FALSE(second->header("If-Range").isEmpty());
        EXPECT_EQ(second->status, c.secondStatus);
        EXPECT_EQ(restored->countOfBytesReceived(), bytes.size());
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
    }
}

// The user's download is theirs alone from its first byte to the file handed over, whatever the
// umask; a partial file that an earlier version left open is closed when the download goes on.
TEST_F(BackgroundUrlSessionTest, DownloadedFilesAreTheUsersAloneWhateverTheUmask) {
    const QByteArray bytes = patternBytes(300000);
    constexpr qint64 kCut = 100000;
    for (const mode_t mask : {mode_t{022}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        const zvtest::ScopedUmask scopedUmask(mask);
        const QString url = emulator.storeFile(QStringLiteral("big.bin"), bytes);
        emulator.cutDownload(url, kCut, true);
        const std::uint64_t id = startDownload(url)->taskIdentifier();
        ASSERT_TRUE(waitUntil([&] { return recorder->written(id) == kCut; }));
        // The only file beside the table: what has come so far.
        ASSERT_EQ(leftovers().size(), 1);
        const QString partial = session->directory() + u'/' + leftovers().front();
        EXPECT_EQ(zvtest::fileMode(partial), 0600u);

        ASSERT_EQ(::chmod(QFile::encodeName(partial).constData(), 0644), 0);
        relaunch();
        emulator.releaseHeld();
        ASSERT_TRUE(waitForCompletion(id));
        const TaskLog& log = recorder->logs[id];
        EXPECT_EQ(emulator.lastRequest(QUrl(url).path())->status, 206) << "continued, not anew";
        ASSERT_TRUE(log.file);
        EXPECT_TRUE(*log.file == bytes);
        EXPECT_EQ(log.fileMode, 0600u);
    }
}

TEST_F(BackgroundUrlSessionTest, AResumptionTheServerCannotHonourStartsOver) {
    const QByteArray bytes = patternBytes(30000);
    constexpr qint64 kCut = 10000;
    struct Case {
        const char* name;
        zvemu::Reply answer;
    };
    const std::vector<Case> cases = {
        {"range not satisfiable", zvemu::Reply::error(416, "range_not_satisfiable")
                                      .withHeader("Content-Range", "bytes */30000")},
        {"another range", zvemu::Reply::raw(206, bytes.left(100), "application/octet-stream")
                              .withHeader("Content-Range", "bytes 0-99/30000")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString url = emulator.storeFile(QStringLiteral("big.bin"), bytes);
        const QString path = QUrl(url).path();
        emulator.cutDownload(url, kCut, true);
        const std::uint64_t id = startDownload(url)->taskIdentifier();
        ASSERT_TRUE(waitUntil([&] { return recorder->written(id) == kCut; }));

        relaunch();
        // The carried-on request goes out from the run loop, after this.
        emulator.scriptAnswer(path, c.answer);
        emulator.releaseHeld();
        ASSERT_TRUE(waitForCompletion(id));
        EXPECT_EQ(recorder->logs[id].file, bytes);
        const auto requests = emulator.requests(path);
        ASSERT_EQ(requests.size(), 3);
        EXPECT_EQ(requests[1].header("Range"), "bytes=10000-");
        EXPECT_TRUE(requests[2].header("Range").isNull());
        EXPECT_EQ(requests[2].status, 200);
    }
}

TEST_F(BackgroundUrlSessionTest, UploadCutByARelaunchStartsOverAndCompletesThen) {
    const QByteArray bytes = patternBytes(200000);
    const QString path = writeFile(QStringLiteral("photo.png"), bytes);
    emulator.injectFault("file/upload", Fault::delayed(ServiceEmulator::kMaxHold));
    auto first = session->uploadTask(uploadRequest("file://" + path), path);
    first->resume();
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));

    relaunch();
    emulator.releaseHeld();
    const auto tasks = session->getAllTasks();
    ASSERT_EQ(tasks.size(), 1u);
    const auto& restored = tasks.front();
    EXPECT_EQ(restored->kind(), BackgroundUrlSessionTask::Kind::Upload);
    EXPECT_EQ(restored->originalRequest().httpMethod, "PUT");
    EXPECT_EQ(restored->originalRequest().url, first->originalRequest().url);
    EXPECT_EQ(restored->originalRequest().headers.fields(),
              first->originalRequest().headers.fields());
    EXPECT_EQ(restored->uploadFilePath(), path);

    ASSERT_TRUE(waitForCompletion(restored->taskIdentifier()));
    const TaskLog& log = recorder->logs[restored->taskIdentifier()];
    EXPECT_EQ(log.status, 200);
    EXPECT_EQ(log.progress.back().first, bytes.size());
    const QString reference = QJsonDocument::fromJson(log.answer)
                                  .object()["files"]
                                  .toArray()
                                  .at(0)["upload_url"]
                                  .toString();
    EXPECT_EQ(emulator.storedFile(reference)->data, bytes);
    EXPECT_EQ(emulator.requestCount("file/upload"), 2);
    EXPECT_EQ(first->state(), BackgroundUrlSessionTask::State::Completed);
    EXPECT_EQ(recorder->logs.count(first->taskIdentifier()), 1u);
}

TEST_F(BackgroundUrlSessionTest, TableKeepsSuspendedTasksAndNewIdentifiersAcrossRelaunches) {
    relaunch({kIdentifier, QStringLiteral("group.com.zelvo.tests"), 0});
    EXPECT_TRUE(session->directory().startsWith(
        platform::Paths::applicationGroupContainer("group.com.zelvo.tests")));
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(1000));
    auto waiting = session->downloadTask(downloadRequest(url, QStringLiteral("a.bin")));
    // The table names the user's files and where they come from: the user's alone.
    EXPECT_EQ(zvtest::fileMode(session->directory()), 0700u);
    EXPECT_EQ(zvtest::fileMode(session->directory() + QStringLiteral("/tasks.json")), 0600u);

    relaunch({kIdentifier, QStringLiteral("group.com.zelvo.tests"), 0});
    auto tasks = session->getAllTasks();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0]->state(), BackgroundUrlSessionTask::State::Suspended);
    Scheduler::main().runPending();
    EXPECT_EQ(emulator.requestCount(QUrl(url).path()), 0);
    auto next = session->downloadTask(downloadRequest(url, QStringLiteral("b.bin")));
    EXPECT_GT(next->taskIdentifier(), waiting->taskIdentifier());

    tasks[0]->resume();
    ASSERT_TRUE(waitForCompletion(tasks[0]->taskIdentifier()));
    EXPECT_TRUE(recorder->logs[tasks[0]->taskIdentifier()].file);

    // Another identifier has a table of its own.
    relaunch({QStringLiteral("Other"), QStringLiteral("group.com.zelvo.tests"), 0});
    EXPECT_TRUE(session->getAllTasks().empty());
}

TEST_F(BackgroundUrlSessionTest, AnUnreadableTableStartsEmpty) {
    const QString table = session->directory() + "/tasks.json";
    session.reset();
    for (const QByteArray& contents :
         {QByteArray("{\"version\": 1, \"tasks\": [{\"id\":"), QByteArray("[1, 2]"),
          QByteArray("{\"version\": 1, \"tasks\": [{\"id\": 1, "
                     "\"kind\": \"upload\", \"url\": \"x\"}]}")}) {
        SCOPED_TRACE(contents.toStdString());
        QFile file(table);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        relaunch();
        EXPECT_TRUE(session->getAllTasks().empty());
        const QString url = emulator.storeFile(QStringLiteral("a.bin"), "abc");
        auto task = startDownload(url);
        ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));
        EXPECT_EQ(recorder->logs[task->taskIdentifier()].file, QByteArray("abc"));
    }
}

TEST_F(BackgroundUrlSessionTest, CancelEndsOnceWithoutAFileAndIsNotCarriedOn) {
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(100000));
    emulator.cutDownload(url, 40000, true);
    auto running = startDownload(url);
    ASSERT_TRUE(waitUntil([&] { return recorder->written(running->taskIdentifier()) == 40000; }));
    auto suspended = session->downloadTask(downloadRequest(url, QStringLiteral("c.bin")));

    running->cancel();
    suspended->cancel();
    running->cancel();
    EXPECT_EQ(running->state(), BackgroundUrlSessionTask::State::Canceling);
    ASSERT_TRUE(waitUntil([&] {
        return recorder->completed(running->taskIdentifier()) &&
               recorder->completed(suspended->taskIdentifier());
    }));
    emulator.releaseHeld();
    Scheduler::main().runPending();
    for (const auto& task : {running, suspended}) {
        const TaskLog& log = recorder->logs[task->taskIdentifier()];
        EXPECT_EQ(log.completions, 1);
        ASSERT_TRUE(log.error);
        EXPECT_TRUE(log.error->isCancel());
        EXPECT_FALSE(log.file);
    }
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
    relaunch();
    EXPECT_TRUE(session->getAllTasks().empty());
}

TEST_F(BackgroundUrlSessionTest, CancelBeforeADelayedCompletionTakesTheTaskOffTheTable) {
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(1000));
    auto task = startDownload(url);
    task->cancel();
    // The process ends before the cancellation was delivered.
    relaunch();
    Scheduler::main().runPending();
    EXPECT_TRUE(session->getAllTasks().empty());
    EXPECT_TRUE(recorder->logs.empty());
}

TEST_F(BackgroundUrlSessionTest, TimeoutsFollowTheVirtualClock) {
    struct Case {
        const char* name;
        double requestTimeout;
        double resourceTimeout;
        double advance;
        bool timesOut;
    };
    for (const Case c : {Case{"idle", 120, 0, 121, true}, Case{"resource", 0, 60, 61, true},
                         Case{"neither yet", 120, 60, 59, false}}) {
        SCOPED_TRACE(c.name);
        relaunch({kIdentifier, {}, c.resourceTimeout});
        const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(1000));
        emulator.injectFault(QUrl(url).path(), Fault::delayed(ServiceEmulator::kMaxHold));
        UrlRequest request = downloadRequest(url, QStringLiteral("a.bin"));
        request.timeoutInterval = c.requestTimeout;
        auto task = session->downloadTask(request);
        task->resume();
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
        Scheduler::main().advance(c.advance);
        EXPECT_EQ(recorder->completed(task->taskIdentifier()), c.timesOut);
        if (c.timesOut) {
            EXPECT_TRUE(recorder->logs[task->taskIdentifier()].error->is(UrlErrorCode::TimedOut));
            EXPECT_TRUE(session->getAllTasks().empty());
        } else {
            task->cancel();
        }
        emulator.releaseHeld();
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 0; }));
    }
}

TEST_F(BackgroundUrlSessionTest, EventsInTheBackgroundGoThroughTheApplicationOnce) {
    Application& application = Application::shared();
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(70000));
    emulator.cutDownload(url, 1000, true);
    emulator.cutDownload(url, 1000, true);
    startDownload(url, QStringLiteral("one.bin"));
    startDownload(url, QStringLiteral("two.bin"));
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 2; }));

    application.setState(ApplicationState::Background);
    relaunch();
    auto appDelegate = std::make_shared<EventsAppDelegate>(recorder->events);
    application.setDelegate(appDelegate);
    // The owner hands the application's completion over when the session says it is done, as
    // the file transfers do.
    int released = 0;
    recorder->onEventsFinished = [&] {
        ++released;
        appDelegate->completion();
    };
    emulator.releaseHeld();
    const auto tasks = session->getAllTasks();
    ASSERT_EQ(tasks.size(), 2u);
    ASSERT_TRUE(waitUntil([&] { return released > 0; }));

    EXPECT_EQ(recorder->events, QStringList({"application: Zelvo", "file", "complete", "file",
                                             "complete", "events finished"}));
    EXPECT_EQ(released, 1);
    for (const auto& task : tasks) {
        EXPECT_EQ(recorder->logs[task->taskIdentifier()].file, patternBytes(70000));
    }
    EXPECT_EQ(application.runningBackgroundTaskCount(), 0u);
}

TEST_F(BackgroundUrlSessionTest, ASecondSessionOfTheIdentifierTakesTheTasksOver) {
    const QString url = emulator.storeFile(QStringLiteral("a.bin"), patternBytes(5000));
    emulator.cutDownload(url, 100, true);
    auto task = startDownload(url);
    ASSERT_TRUE(waitUntil([&] { return recorder->written(task->taskIdentifier()) == 100; }));

    auto earlierRecorder = recorder;
    auto earlier = session;
    recorder = std::make_shared<Recorder>(zvtest::makeTempDir(QStringLiteral("kept2")));
    session = BackgroundUrlSession::create({kIdentifier, {}, 0}, recorder);
    emulator.releaseHeld();
    EXPECT_FALSE(earlier->downloadTask(downloadRequest(url, "z")));
    ASSERT_TRUE(waitForCompletion(task->taskIdentifier()));
    EXPECT_EQ(recorder->logs[task->taskIdentifier()].file, patternBytes(5000));
    EXPECT_TRUE(earlierRecorder->logs[task->taskIdentifier()].completions == 0);
    earlier.reset();
    relaunch();
    EXPECT_TRUE(session->getAllTasks().empty());
}
