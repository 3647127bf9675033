#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "platform/net/BackgroundUrlSessionTask.h"
#include "platform/net/UrlError.h"
#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"
#include "tests/ZelvoKit/ZelvoApi/TransferTestSupport.h"
#include "tests/support/FileModes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>

#include <algorithm>

#include <map>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using platform::BackgroundUrlSessionTask;
using zvemu::Fault;
using zvemu::Reply;
using zvemu::ServiceEmulator;

// Finds again the delegates of transfers that outlived a relaunch, by their key.
class Restorer : public ZVFileTransfersDelegate {
public:
    std::optional<Delegates> restoreDelegatesByUrl(
        const QString& url, const QString& sessionId,
        const std::shared_ptr<ZVFileTransferTask>&) override {
        asked.append(sessionId + u' ' + url);
        const auto found = delegates.find(url);
        if (found == delegates.end()) {
            return std::nullopt;
        }
        return Delegates{found->second};
    }

    std::map<QString, std::shared_ptr<TransferRecorder>> delegates;
    QStringList asked;
};

class ZVFileTransfersTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        session = signIn(u"ann@example.com"_s);
        transfers = ZVFileTransfers::create(QUrl(emulator.baseUrl()), QString());
        counting = transfers->observe(
            QString(ZVFileTransfers::NumberInProgressKey),
            [this](const QString&) { counts.push_back(transfers->numberInProgress()); });
    }

    QString accountFolder() const {
        return platform::Paths::cachesDirectory() + u'/' + session->sessionId();
    }
    QString tempUploads() const { return accountFolder() + u"/TempUploads"_s; }

    std::shared_ptr<RecordingSession> session;
    std::shared_ptr<ZVFileTransfers> transfers;
    platform::Observation counting;
    std::vector<int> counts;
};

TEST_F(ZVFileTransfersTest, UploadPutsACopyWithTicketHeadersAndNameAndReadsTheAnswer) {
    const QByteArray bytes = patternBytes(300000);
    const QString path = writeTestFile(u"picked"_s, u"photo 1.png"_s, bytes);
    const QUrl local = QUrl::fromLocalFile(path);
    auto recorder = std::make_shared<TransferRecorder>();

    const auto transfer = transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local,
                                                   u"say \"cheese\"\r\n.png"_s, session, recorder);
    ASSERT_TRUE(transfer);
    EXPECT_EQ(transfer->url(), local.toString(QUrl::FullyEncoded));
    EXPECT_EQ(transfer->sessionId(), session->sessionId());
    // Sent from a copy: the caller's file may go meanwhile.
    EXPECT_EQ(filesBelow(tempUploads()).size(), 1);
    QFile::remove(path);
    ASSERT_TRUE(waitUntil([&] { return recorder->ends() == 1; }));

    const auto request = emulator.lastRequest(u"file/upload"_s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->httpMethod, u"PUT"_s);
    EXPECT_TRUE(request->problems.isEmpty()) << request->problems.join(u"; "_s).toStdString();
    EXPECT_EQ(request->accountId, session->sessionId()) << "ticket and cookie of the account";
    EXPECT_EQ(request->header("Session-ID"), session->sessionId().toUtf8());
    EXPECT_EQ(request->cookie(u"token_id"), session->credentials()->cookie());
    // The emulator's server library percent-decodes header values as it reads them.
    EXPECT_EQ(QUrl::fromPercentEncoding(request->header("Local-URL")),
              local.toLocalFile().prepend(u"file://"_s));
    EXPECT_EQ(request->header("Content-Disposition"),
              R"(attachment; filename="say \"cheese\".png")");

    ASSERT_EQ(recorder->uploads.size(), 1);
    EXPECT_TRUE(recorder->failures.empty());
    const auto stored = emulator.storedFile(recorder->uploads.front());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, u"say \"cheese\".png"_s);
    EXPECT_TRUE(stored->data == bytes);
    ASSERT_FALSE(recorder->progress.empty());
    EXPECT_FLOAT_EQ(recorder->progress.back(), 1.0f);
    EXPECT_TRUE(filesBelow(tempUploads()).isEmpty()) << "the copy goes with its task";
    EXPECT_EQ(counts, (std::vector<int>{1, 0}));
}

TEST_F(ZVFileTransfersTest, UploadFailuresReachEveryDelegateOnce) {
    struct Case {
        const char* name;
        Fault fault;
        QString domain;
        int code;  // 0: any
        std::optional<Reply> answer = std::nullopt;
    };
    const std::vector<Case> cases = {
        {"too large", Fault::withStatus(413), QString(ZVError::Domain), 413},
        {"broken answer", Fault::malformedJson(), QString(ZVError::JsonReadingDomain), 0},
        {"connection lost", Fault::dropConnection(), platform::kUrlErrorDomain, 0},
        // Without the answer there is no reference to send the file by: no success.
        {"answered without a body", Fault::none(), QString(ZVError::Domain),
         ZVError::LocalTransferFailed, Reply::raw(200, {}, "application/json")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.injectFault(u"file/upload"_s, c.fault);
        if (c.answer) {
            emulator.scriptAnswer(u"file/upload"_s, *c.answer);
        }
        const QUrl local =
            QUrl::fromLocalFile(writeTestFile(u"picked"_s, u"a.jpg"_s, patternBytes(20000)));
        auto first = std::make_shared<TransferRecorder>();
        auto second = std::make_shared<TransferRecorder>();
        const auto transfer = transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath),
                                                       local, u"a.jpg"_s, session, first);
        EXPECT_EQ(transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local,
                                           u"a.jpg"_s, session, second),
                  transfer);
        ASSERT_TRUE(waitUntil([&] { return first->ends() == 1 && second->ends() == 1; }));
        for (const auto& recorder : {first, second}) {
            ASSERT_EQ(recorder->failures.size(), 1u);
            EXPECT_TRUE(recorder->uploads.isEmpty());
            EXPECT_EQ(recorder->failures.front().error->domain(), c.domain);
            if (c.code != 0) {
                EXPECT_EQ(recorder->failures.front().error->code(), c.code);
            }
        }
        EXPECT_EQ(transfers->numberInProgress(), 0);
        EXPECT_TRUE(filesBelow(tempUploads()).isEmpty());
    }

    const int requests = emulator.requestCount(u"file/upload"_s);
    auto recorder = std::make_shared<TransferRecorder>();
    EXPECT_FALSE(transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath),
                                          QUrl::fromLocalFile(zvtest::testRoot() + u"/none.jpg"_s),
                                          u"none.jpg"_s, session, recorder));
    EXPECT_EQ(transfers->numberInProgress(), 0);
    EXPECT_EQ(emulator.requestCount(u"file/upload"_s), requests);
    EXPECT_TRUE(logText().contains(u"UploadWithURL: file not found"_s));
}

TEST_F(ZVFileTransfersTest, DownloadsOfOnePathShareOneRequestAndAFileThereCompletesAtOnce) {
    const QByteArray bytes = patternBytes(200000);
    const QString url = emulator.storeFile(u"picture.png"_s, bytes);
    const QString localPath = u"Previews/f1.png"_s;
    auto first = std::make_shared<TransferRecorder>();
    auto second = std::make_shared<TransferRecorder>();

    const auto transfer = transfers->downloadWithUrl(url, localPath, session, first);
    ASSERT_TRUE(transfer);
    EXPECT_EQ(transfers->downloadWithUrl(url, localPath, session, second), transfer);
    EXPECT_EQ(transfers->numberInProgress(), 1);
    ASSERT_TRUE(waitUntil([&] { return first->ends() == 1 && second->ends() == 1; }));

    const QUrl target = transfers->fileUrlWithLocalUrl(localPath, session->sessionId());
    EXPECT_EQ(target.toLocalFile(), accountFolder() + u"/Previews/f1.png"_s);
    for (const auto& recorder : {first, second}) {
        ASSERT_EQ(recorder->downloads.size(), 1u);
        EXPECT_EQ(recorder->downloads.front(), target);
        EXPECT_EQ(recorder->downloadTransfers.front(), transfer.get());
    }
    EXPECT_EQ(emulator.requestCount(QUrl(url).path()), 1);
    EXPECT_TRUE(readTestFile(target.toLocalFile()) == bytes);
    EXPECT_EQ(counts, (std::vector<int>{1, 0}));

    auto third = std::make_shared<TransferRecorder>();
    EXPECT_FALSE(transfers->downloadWithUrl(url, localPath, session, third));
    ASSERT_EQ(third->downloads.size(), 1u) << "heard at once, before the call returns";
    EXPECT_EQ(third->downloads.front(), target);
    EXPECT_EQ(third->downloadTransfers.front(), nullptr);
    EXPECT_EQ(emulator.requestCount(QUrl(url).path()), 1);
    EXPECT_EQ(counts.size(), 2u);
}

// The file that appeared while the download ran stays; the download is dropped, not left behind.
TEST_F(ZVFileTransfersTest, AFinishedDownloadWhoseTargetExistsKeepsTheFileThereAndSucceeds) {
    const QString url = emulator.storeFile(u"picture.png"_s, patternBytes(5000));
    emulator.injectFault(QUrl(url).path(), Fault::delayed(ServiceEmulator::kMaxHold));
    const QString localPath = u"Previews/f1.png"_s;
    auto recorder = std::make_shared<TransferRecorder>();
    ASSERT_TRUE(transfers->downloadWithUrl(url, localPath, session, recorder));
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    EXPECT_FALSE(transfers->createDownloadedFileWithLocalName(localPath, session, "there first"));

    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return recorder->ends() == 1; }));
    const QUrl target = transfers->fileUrlWithLocalUrl(localPath, session->sessionId());
    ASSERT_EQ(recorder->downloads.size(), 1u);
    EXPECT_EQ(recorder->downloads.front(), target);
    EXPECT_EQ(readTestFile(target.toLocalFile()), "there first");
    EXPECT_EQ(filesBelow(accountFolder()), QStringList{localPath});
    EXPECT_TRUE(transfers->session()->getAllTasks().empty());
    static const QRegularExpression downloadedCopy(uR"(\.(part|download)$)"_s);
    EXPECT_TRUE(filesBelow(zvtest::testRoot()).filter(downloadedCopy).isEmpty())
        << "the downloaded copy is not left behind";
}

TEST_F(ZVFileTransfersTest, AFailedDownloadLeavesNoFileBehind) {
    const QByteArray bytes = patternBytes(100000);
    struct Case {
        const char* name;
        std::function<QString()> prepare;
        QString domain;
        int code;  // 0: any
    };
    const std::vector<Case> cases = {
        {"missing",
         [&] { return emulator.baseUrl() + u"files/0c6b1b6e-0000-4000-8000-000000000000/x.png"_s; },
         QString(ZVError::Domain), 404},
        {"error page",
         [&] {
             const QString url = emulator.storeFile(u"x.png"_s, bytes);
             emulator.scriptAnswer(QUrl(url).path(),
                                   Reply::raw(503, "<html>busy</html>", "text/html"));
             return url;
         },
         QString(ZVError::Domain), 503},
        {"cut short",
         [&] {
             const QString url = emulator.storeFile(u"x.png"_s, bytes);
             emulator.cutDownload(url, 40000);
             return url;
         },
         platform::kUrlErrorDomain, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto recorder = std::make_shared<TransferRecorder>();
        ASSERT_TRUE(transfers->downloadWithUrl(c.prepare(), u"Files/x.png"_s, session, recorder));
        ASSERT_TRUE(waitUntil([&] { return recorder->ends() == 1; }));
        ASSERT_EQ(recorder->failures.size(), 1u);
        EXPECT_EQ(recorder->failures.front().error->domain(), c.domain);
        if (c.code != 0) {
            EXPECT_EQ(recorder->failures.front().error->code(), c.code);
        }
        EXPECT_TRUE(filesBelow(accountFolder()).isEmpty())
            << filesBelow(accountFolder()).join(u", "_s).toStdString();
        EXPECT_EQ(transfers->numberInProgress(), 0);
    }
}

TEST_F(ZVFileTransfersTest, ProgressWithoutAKnownTotalIsNotDividedBy) {
    const QByteArray bytes = QByteArray("squeezable ").repeated(20000);
    const QString url = emulator.storeFile(u"notes.txt"_s, bytes);
    // Compressed on the way, so the file's size is not known until it has arrived.
    Reply compressed = Reply::raw(200, bytes, "text/plain");
    compressed.gzip = true;
    emulator.scriptAnswer(QUrl(url).path(), compressed);
    auto recorder = std::make_shared<TransferRecorder>();
    transfers->downloadWithUrl(url, u"Files/notes.txt"_s, session, recorder);
    ASSERT_TRUE(waitUntil([&] { return recorder->ends() == 1; }));
    ASSERT_EQ(recorder->downloads.size(), 1u);
    EXPECT_EQ(emulator.lastRequest(QUrl(url).path())->status, 200);
    EXPECT_TRUE(readTestFile(recorder->downloads.front().toLocalFile()) == bytes);
    EXPECT_TRUE(recorder->progress.empty())
        << "no share of an unknown total: " << recorder->progress.front();
}

TEST_F(ZVFileTransfersTest, TransfersOutliveARelaunchAndCompleteOnceToTheRestoredDelegates) {
    const QByteArray bytes = patternBytes(300000);
    const QString url = emulator.storeFile(u"big.bin"_s, bytes);
    emulator.cutDownload(url, 100000, true);
    emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold));
    const QUrl local =
        QUrl::fromLocalFile(writeTestFile(u"picked"_s, u"up.png"_s, patternBytes(5000, 7)));
    auto oldDownload = std::make_shared<TransferRecorder>();
    auto oldUpload = std::make_shared<TransferRecorder>();
    transfers->downloadWithUrl(url, u"Files/big.bin"_s, session, oldDownload);
    transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local, u"up.png"_s, session,
                             oldUpload);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 2; }));

    // The process ends; a new one finds the transfers again.
    counting = {};
    transfers.reset();
    auto restorer = std::make_shared<Restorer>();
    auto newDownload = std::make_shared<TransferRecorder>();
    auto newUpload = std::make_shared<TransferRecorder>();
    restorer->delegates = {{u"Files/big.bin"_s, newDownload},
                           {local.toString(QUrl::FullyEncoded), newUpload}};
    transfers = ZVFileTransfers::create(QUrl(emulator.baseUrl()), QString());
    transfers->setDelegate(restorer);
    transfers->restorePendingTransfers();
    EXPECT_EQ(transfers->numberInProgress(), 2);
    restorer->asked.sort();
    EXPECT_EQ(restorer->asked,
              (QStringList{session->sessionId() + u" Files/big.bin"_s,
                           session->sessionId() + u' ' + local.toString(QUrl::FullyEncoded)}));

    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return newDownload->ends() == 1 && newUpload->ends() == 1; }));
    platform::Scheduler::main().runPending();
    ASSERT_EQ(newDownload->downloads.size(), 1u);
    EXPECT_TRUE(readTestFile(newDownload->downloads.front().toLocalFile()) == bytes);
    ASSERT_EQ(newUpload->uploads.size(), 1);
    EXPECT_EQ(emulator.storedFile(newUpload->uploads.front())->data, patternBytes(5000, 7));
    EXPECT_EQ(oldDownload->ends() + oldUpload->ends(), 0);
    EXPECT_EQ(transfers->numberInProgress(), 0);
    EXPECT_TRUE(filesBelow(tempUploads()).isEmpty());
}

TEST_F(ZVFileTransfersTest, CancellingForOneDelegateKeepsTheTransferForTheOthers) {
    emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold));
    const QUrl local =
        QUrl::fromLocalFile(writeTestFile(u"picked"_s, u"a.png"_s, patternBytes(1000)));
    auto leaving = std::make_shared<TransferRecorder>();
    auto staying = std::make_shared<TransferRecorder>();
    const auto transfer = transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local,
                                                   u"a.png"_s, session, leaving);
    transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local, u"a.png"_s, session,
                             staying);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));

    transfer->cancelForDelegate(leaving.get());
    ASSERT_TRUE(transfer->task());
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return staying->ends() == 1; }));
    EXPECT_EQ(staying->uploads.size(), 1);
    EXPECT_EQ(leaving->ends(), 0);

    // The last delegate leaving cancels the task; the transfer goes once the session says so.
    emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold));
    auto only = std::make_shared<TransferRecorder>();
    const auto second = transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), local,
                                                 u"a.png"_s, session, only);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    const auto task = second->task();
    second->cancelForDelegate(only.get());
    EXPECT_FALSE(second->task());
    EXPECT_EQ(task->state(), BackgroundUrlSessionTask::State::Canceling);
    ASSERT_TRUE(waitUntil([&] { return transfers->numberInProgress() == 0; }));
    emulator.releaseHeld();
    EXPECT_EQ(only->ends(), 0);
    EXPECT_TRUE(filesBelow(tempUploads()).isEmpty());
}

TEST_F(ZVFileTransfersTest, NamesFromOutsideStayInTheirFolder) {
    const struct {
        QString name;
        QString component;
    } components[] = {
        {u"plain.png"_s, u"plain.png"_s},
        {u"a/b"_s, u"a_b"_s},
        {u".."_s, u"_"_s},
        {u"."_s, u"_"_s},
        {QString(), u"_"_s},
        {u"x\ny"_s, u"x_y"_s},
        {QString(u"n\0l"_s), u"n_l"_s},
        {u"..hidden"_s, u"..hidden"_s},
    };
    for (const auto& c : components) {
        EXPECT_EQ(ZVFileTransfers::safePathComponent(c.name), c.component) << c.name.toStdString();
    }
    const struct {
        QString path;
        QString safe;
    } paths[] = {
        {u"Previews/f1.png"_s, u"Previews/f1.png"_s},
        {u"../../etc/passwd"_s, u"_/_/etc/passwd"_s},
        {u"/abs/./x"_s, u"abs/_/x"_s},
        {u""_s, u"_"_s},
    };
    for (const auto& c : paths) {
        EXPECT_EQ(ZVFileTransfers::safeRelativePath(c.path), c.safe) << c.path.toStdString();
    }

    // A download to an escaping path, for an account id that tries too, lands in the folder.
    const QByteArray bytes = patternBytes(1000);
    const QString url = emulator.storeFile(u"x.png"_s, bytes);
    auto credentials = std::make_shared<ZVUserCredentials>(*session->credentials());
    credentials->setUuid(u"../../outside"_s);
    const auto intruder = ZVApiSession::create(credentials);
    auto recorder = std::make_shared<TransferRecorder>();
    transfers->downloadWithUrl(url, u"../../../escaped.png"_s, intruder, recorder);
    ASSERT_TRUE(waitUntil([&] { return recorder->ends() == 1; }));
    ASSERT_EQ(recorder->downloads.size(), 1u);
    const QString caches = platform::Paths::cachesDirectory();
    EXPECT_EQ(recorder->downloads.front().toLocalFile(),
              caches + u"/.._.._outside/_/_/_/escaped.png"_s);
    EXPECT_TRUE(readTestFile(recorder->downloads.front().toLocalFile()) == bytes);

    const QUrl written = transfers->createUploadFileWithName(u"../../up.bin"_s, session, bytes);
    EXPECT_EQ(written.toLocalFile(), accountFolder() + u"/Uploads/.._.._up.bin"_s);
    EXPECT_TRUE(readTestFile(written.toLocalFile()) == bytes);
}

// Two long pastes, two pictures of one name: each keeps its own file.
TEST_F(ZVFileTransfersTest, AnUploadNameAlreadyTakenGetsTheNextNumberBeforeItsExtension) {
    const struct {
        QString name;
        QByteArray bytes;
        QString written;
    } cases[] = {
        {u"Copied text.txt"_s, "first", u"Copied text.txt"_s},
        {u"Copied text.txt"_s, "second", u"Copied text 2.txt"_s},
        {u"Copied text.txt"_s, "third", u"Copied text 3.txt"_s},
        {u"notes"_s, "plain", u"notes"_s},
        {u"notes"_s, "again", u"notes 2"_s},
        {u"site.tar.gz"_s, "one", u"site.tar.gz"_s},
        {u"site.tar.gz"_s, "two", u"site 2.tar.gz"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written.toStdString());
        const QUrl written = transfers->createUploadFileWithName(c.name, session, c.bytes);
        EXPECT_EQ(written.toLocalFile(), accountFolder() + u"/Uploads/"_s + c.written);
    }
    for (const auto& c : cases) {
        EXPECT_EQ(readTestFile(accountFolder() + u"/Uploads/"_s + c.written), c.bytes);
    }
}

TEST_F(ZVFileTransfersTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothingBehind) {
    // A folder where the file should go, and a file where its folder should go.
    ASSERT_TRUE(QDir().mkpath(accountFolder() + u"/Previews/taken.png"_s));
    ASSERT_TRUE(QFile(accountFolder() + u"/Blocked"_s).open(QIODevice::WriteOnly));

    for (const QString& localPath : {u"Previews/taken.png"_s, u"Blocked/x.png"_s}) {
        SCOPED_TRACE(localPath.toStdString());
        const ZVErrorPtr error =
            transfers->createDownloadedFileWithLocalName(localPath, session, "bytes");
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), ZVError::LocalTransferFailed);
    }
    EXPECT_EQ(filesBelow(accountFolder()), QStringList{u"Blocked"_s});
    EXPECT_TRUE(logText().contains(u"ZVFileTransfers::CreateFileWithName: "_s));
}

// What the transfers write for an account is its user's alone, whatever the umask: the copy an
// upload is sent from (of a file that others may read), a download, the files written for
// callers, and every folder made for them.
TEST_F(ZVFileTransfersTest, WhatTheTransfersWriteIsTheUsersAloneWhateverTheUmask) {
    const QByteArray bytes = patternBytes(20000);
    const QString picked = writeTestFile(u"picked"_s, u"open.jpg"_s, bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(picked).constData(), 0644), 0);
    const QString url = emulator.storeFile(u"picture.png"_s, bytes);
    for (const mode_t mask : {mode_t{022}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        ASSERT_TRUE(QDir(accountFolder()).removeRecursively());
        const zvtest::ScopedUmask scopedUmask(mask);

        // Held, so that the copy is still there to look at.
        emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold));
        auto uploader = std::make_shared<TransferRecorder>();
        ASSERT_TRUE(transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath),
                                             QUrl::fromLocalFile(picked), u"open.jpg"_s, session,
                                             uploader));
        const QStringList copies = filesBelow(tempUploads());
        ASSERT_EQ(copies.size(), 1);
        auto downloader = std::make_shared<TransferRecorder>();
        ASSERT_TRUE(transfers->downloadWithUrl(url, u"Previews/f1.png"_s, session, downloader));
        ASSERT_FALSE(
            transfers->createDownloadedFileWithLocalName(u"Thumbs/t1.png"_s, session, bytes));
        const QUrl written = transfers->createUploadFileWithName(u"up.bin"_s, session, bytes);
        ASSERT_TRUE(waitUntil([&] { return downloader->ends() == 1; }));
        ASSERT_EQ(downloader->downloads.size(), 1u);

        for (const QString& folder :
             {accountFolder(), tempUploads(), accountFolder() + u"/Previews"_s,
              accountFolder() + u"/Thumbs"_s, accountFolder() + u"/Uploads"_s}) {
            EXPECT_EQ(zvtest::fileMode(folder), 0700u) << folder.toStdString();
        }
        for (const QString& file :
             {tempUploads() + u'/' + copies.front(), downloader->downloads.front().toLocalFile(),
              accountFolder() + u"/Thumbs/t1.png"_s, written.toLocalFile()}) {
            EXPECT_EQ(zvtest::fileMode(file), 0600u) << file.toStdString();
        }
        EXPECT_TRUE(readTestFile(tempUploads() + u'/' + copies.front()) == bytes);

        // Released only once it is held: an upload still on its way would be held afresh.
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
        emulator.releaseHeld();
        ASSERT_TRUE(waitUntil([&] { return uploader->ends() == 1; }));
        EXPECT_EQ(uploader->uploads.size(), 1);
    }
}

// --- through the API client ---

// An account whose transfers are found again after a relaunch.
class TransferSession : public RecordingSession {
public:
    using RecordingSession::RecordingSession;

    std::optional<ZVFileTransfersDelegate::Delegates> restoreFileTransferDelegatesByUrl(
        const QString& url, const std::shared_ptr<ZVFileTransferTask>&) override {
        if (!waiting.contains(url)) {
            return std::nullopt;
        }
        return ZVFileTransfersDelegate::Delegates{waiting.value(url)};
    }

    // The delegates of its own transfers, by their key (shared by every session of a test).
    static QMap<QString, std::shared_ptr<TransferRecorder>> waiting;
};

QMap<QString, std::shared_ptr<TransferRecorder>> TransferSession::waiting;

class ApiFileTransfersTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        TransferSession::waiting.clear();
        credentials = credentialsFor(u"ann@example.com"_s);
        relaunch(false);
    }
    void TearDown() override {
        TransferSession::waiting.clear();
        ApiTest::TearDown();
    }

    std::shared_ptr<ZVUserCredentials> credentialsFor(const QString& email) {
        const zvemu::Account account = emulator.addAccount(email, u"secret"_s);
        const zvemu::Credentials issued = emulator.issueCredentials(account.accountId);
        auto made = std::make_shared<ZVUserCredentials>(email);
        made->setUuid(account.accountId);
        made->setTicket(issued.ticket);
        made->setCookie(issued.token);
        return made;
    }

    // What the process ending and starting again does: a new client, the account signed in from
    // its saved credentials.
    void relaunch(bool processEnds = true) {
        if (processEnds) {
            platform::resetSharedState();
        }
        ZVApi::setApplicationId(u"ZelvoIPhone"_s);
        ZVApi::setSessionClass(ZVApiSession::factory<TransferSession>());
        api().setCustomBaseURL(emulator.baseUrl());
        session = api().createSessionWithCredentials(credentials, nullptr);
        api().login();
    }

    std::shared_ptr<ZVUserCredentials> credentials;
    std::shared_ptr<ZVApiSession> session;
};

TEST_F(ApiFileTransfersTest, SignInMakesTheTransfersAndARelaunchFindsTheAccountsDelegates) {
    ASSERT_TRUE(api().fileTransfers());
    EXPECT_EQ(api().loginStatus(), ZVApi::LoginStatusSignedIn);
    const QByteArray bytes = patternBytes(250000);
    const QString url = emulator.storeFile(u"big.bin"_s, bytes);
    emulator.cutDownload(url, 50000, true);
    auto before = std::make_shared<TransferRecorder>();
    api().fileTransfers()->downloadWithUrl(url, u"Files/big.bin"_s, session, before);
    ASSERT_TRUE(
        waitUntil([&] { return !before->progress.empty() && before->progress.back() == 0.2f; }));

    auto after = std::make_shared<TransferRecorder>();
    TransferSession::waiting.insert(u"Files/big.bin"_s, after);
    relaunch();
    ASSERT_TRUE(api().fileTransfers());
    EXPECT_EQ(api().fileTransfers()->numberInProgress(), 1);
    emulator.releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return after->ends() == 1; }));
    platform::Scheduler::main().runPending();
    ASSERT_EQ(after->downloads.size(), 1u);
    EXPECT_TRUE(readTestFile(after->downloads.front().toLocalFile()) == bytes);
    EXPECT_EQ(before->ends(), 0);
    EXPECT_EQ(emulator.lastRequest(QUrl(url).path())->header("Range"), "bytes=50000-");
}

TEST_F(ApiFileTransfersTest, RemovingAnAccountCancelsItsTransfersFirstAndSignOutDropsThemAll) {
    const auto other =
        api().createSessionWithCredentials(credentialsFor(u"bob@example.com"_s), nullptr);
    emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold), 2);
    const QUrl mine = QUrl::fromLocalFile(writeTestFile(u"p"_s, u"mine.png"_s, "mine"));
    const QUrl theirs = QUrl::fromLocalFile(writeTestFile(u"p"_s, u"theirs.png"_s, "theirs"));
    auto ann = std::make_shared<TransferRecorder>();
    auto bob = std::make_shared<TransferRecorder>();
    const auto transfers = api().fileTransfers();
    transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), mine, u"mine.png"_s, session,
                             ann);
    transfers->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath), theirs, u"theirs.png"_s,
                             other, bob);
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 2; }));
    std::vector<int> counts;
    auto counting = transfers->observe(
        QString(ZVFileTransfers::NumberInProgressKey),
        [&](const QString&) { counts.push_back(transfers->numberInProgress()); });

    api().removeSession(session);
    ASSERT_EQ(ann->failures.size(), 1u);
    EXPECT_EQ(ann->failures.front().error->code(), ZVError::Cancelled);
    EXPECT_TRUE(ann->failures.front().taskRunning) << "told before its task is cancelled";
    EXPECT_EQ(counts, (std::vector<int>{1}));
    EXPECT_EQ(bob->ends(), 0);
    EXPECT_TRUE(filesBelow(platform::Paths::cachesDirectory() + u'/' + session->sessionId() +
                           u"/TempUploads"_s)
                    .isEmpty());

    api().dropFileTransfers();
    EXPECT_FALSE(api().fileTransfers());
    ASSERT_EQ(bob->failures.size(), 1u);
    EXPECT_EQ(bob->failures.front().error->code(), ZVError::Cancelled);
    emulator.releaseHeld();
    // The service has answered both uploads and the session has let go of their tasks: whatever
    // could still reach a delegate would have by now.
    ASSERT_TRUE(waitUntil([&] {
        const auto uploads = emulator.requests(u"file/upload"_s);
        return transfers->session()->getAllTasks().empty() &&
               std::ranges::all_of(uploads, [](const auto& call) { return call.status != 0; });
    }));
    platform::Scheduler::main().runPending();
    EXPECT_EQ(ann->ends() + bob->ends(), 2) << "nothing after the cancel";
}

}  // namespace
}  // namespace zvapitest
