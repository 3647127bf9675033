#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVPendingShareMessage.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVShareMessageSender.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"
#include "tests/ZelvoKit/ZelvoApi/TransferTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>

#include <map>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;
using zvemu::ServiceEmulator;

const QString kGroup = u"group.com.zelvo.tests"_s;
const QString kConversation = u"c-42"_s;

class ZVShareMessageSenderTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        platform::Application::shared().setApplicationGroupIdentifier(kGroup);
        session = signIn(u"ann@example.com"_s);
        emulator.routePrefix(u"message/store/"_s, zvemu::ServiceEmulator::Access::Session,
                             [](zvemu::Call&) {
                                 return Reply::ok({{u"result_message_nr"_s, 17}});
                             });
    }

    QString container() const { return platform::Paths::applicationGroupContainer(kGroup); }
    static std::shared_ptr<platform::UserDefaults> defaults() {
        return platform::UserDefaults::suite(kGroup);
    }

    // What the share extension leaves: its files in the share's folder, its record in the group's
    // defaults. Returns the files' URLs.
    QStringList leaveShare(qint64 index, const std::map<QString, QByteArray>& files,
                           const QString& message = u"Look at these"_s,
                           const QString& conversation = kConversation) {
        QStringList urls;
        for (const auto& [name, bytes] : files) {
            const QString path = container() + u'/' + QString::number(index) + u'/' + name;
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            urls.append(QUrl::fromLocalFile(path).toString());
        }
        const auto store = defaults();
        store->setString(session->sessionId(), u"session_%1"_s.arg(index));
        store->setString(conversation, u"conversation_%1"_s.arg(index));
        store->setString(message, u"message_%1"_s.arg(index));
        store->setObject(urls, u"file_urls_%1"_s.arg(index));
        store->synchronize();
        return urls;
    }

    bool stored(qint64 index) const {
        return defaults()->objectForKey(u"session_%1"_s.arg(index)).isValid();
    }
    QStringList storedFileUrls(qint64 index) const {
        return defaults()->stringArrayForKey(u"file_urls_%1"_s.arg(index)).value_or(QStringList());
    }

    std::shared_ptr<ZVShareMessageSender> makeSender() {
        auto sender = ZVShareMessageSender::create();
        sender->setCompletionHandler([this] { ++completions; });
        return sender;
    }

    bool waitForPosts(int count) {
        return waitUntil([&] {
            int answered = 0;
            for (const auto& request : emulator.requests()) {
                answered += request.path.startsWith(u"message/store/"_s) && request.status != 0;
            }
            return answered >= count;
        });
    }
    QList<zvemu::RecordedRequest> posts() const {
        QList<zvemu::RecordedRequest> found;
        for (const auto& request : emulator.requests()) {
            if (request.path.startsWith(u"message/store/"_s)) {
                found.append(request);
            }
        }
        return found;
    }

    std::shared_ptr<RecordingSession> session;
    int completions = 0;
};

TEST_F(ZVShareMessageSenderTest, ATwoFileSharePostsAfterItsSecondUploadAndIsDeletedOnlyThen) {
    const auto sender = makeSender();
    const QStringList files =
        leaveShare(3, {{u"a.png"_s, patternBytes(4000, 1)}, {u"b.pdf"_s, patternBytes(9000, 2)}});
    emulator.injectFault(u"file/upload"_s, Fault::none());
    emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold));
    sender->sendMessage(ZVPendingShareMessage::withIndex(3));
    ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 1; }));
    ASSERT_TRUE(
        waitUntil([&] { return storedFileUrls(3).filter(u"zelvo-upload:"_s).size() == 1; }));
    EXPECT_TRUE(posts().isEmpty());
    EXPECT_TRUE(QFile::exists(QUrl(files[0]).toLocalFile()));
    EXPECT_TRUE(QFile::exists(QUrl(files[1]).toLocalFile()));

    emulator.releaseHeld();
    ASSERT_TRUE(waitForPosts(1));
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    const auto post = posts().front();
    EXPECT_EQ(post.path, u"message/store/"_s + kConversation);
    EXPECT_EQ(post.body.value(u"message"_s).toString(), u"Look at these"_s);
    EXPECT_FALSE(post.body.contains(u"subject"_s));
    EXPECT_FALSE(post.body.contains(u"from_message_nr"_s));
    const QJsonArray attachments = post.body.value(u"attachments"_s).toArray();
    ASSERT_EQ(attachments.size(), 2);
    EXPECT_EQ(emulator.storedFile(attachments[0].toString())->data, patternBytes(4000, 1));
    EXPECT_EQ(emulator.storedFile(attachments[1].toString())->data, patternBytes(9000, 2));
    EXPECT_FALSE(stored(3));
    EXPECT_FALSE(QDir(container() + u"/3"_s).exists());
    EXPECT_TRUE(sender->pendingMessages().isEmpty());
    EXPECT_EQ(emulator.requestCount(u"file/upload"_s), 2);
}

TEST_F(ZVShareMessageSenderTest, AShareIsDeletedOnlyWhenThePostIsTakenOrRefusedForGood) {
    struct Case {
        const char* name;
        Fault fault;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"busy", Fault::withStatus(503), true},
        {"connection lost", Fault::dropConnection(), true},
        {"refused", Fault::withStatus(403, u"not_member"_s), false},
    };
    qint64 index = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++index;
        completions = 0;
        emulator.clearRequests();
        leaveShare(index, {{u"photo.jpg"_s, patternBytes(3000, index)}});
        emulator.injectFault(u"message/store/"_s + kConversation, c.fault);
        auto sender = makeSender();
        ASSERT_TRUE(waitForPosts(1));
        ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
        EXPECT_EQ(stored(index), c.kept);
        EXPECT_EQ(QDir(container() + u'/' + QString::number(index)).exists(), c.kept);
        if (!c.kept) {
            continue;
        }
        // The upload is not made again: its reference was kept with the share.
        EXPECT_EQ(storedFileUrls(index).filter(u"zelvo-upload:"_s).size(), 1);
        sender = makeSender();
        ASSERT_TRUE(waitForPosts(2));
        ASSERT_TRUE(waitUntil([&] { return completions == 2; }));
        EXPECT_FALSE(stored(index));
        EXPECT_EQ(emulator.requestCount(u"file/upload"_s), 1);
    }
}

TEST_F(ZVShareMessageSenderTest, UploadsLeftByTheExtensionAreTakenOverAfterARelaunch) {
    leaveShare(5, {{u"holiday.jpg"_s, patternBytes(60000, 5)}});
    const QStringList orphan = leaveShare(6, {{u"lost.jpg"_s, patternBytes(500, 6)}});
    defaults()->removeObjectForKey(u"conversation_6"_s);
    {
        // The extension's own run, ended while its uploads were under way.
        emulator.injectFault(u"file/upload"_s, Fault::delayed(ServiceEmulator::kMaxHold), 2);
        const auto extension = ZVFileTransfers::create(api().baseURL(), kGroup);
        for (const auto& url : {storedFileUrls(5).front(), orphan.front()}) {
            ASSERT_TRUE(extension->uploadWithUrl(QString(ZVFileTransfers::FileUploadPath),
                                                 QUrl(url), QUrl(url).fileName(), session,
                                                 nullptr));
        }
        ASSERT_TRUE(waitUntil([&] { return emulator.heldCount() == 2; }));
    }

    platform::Application::shared().setState(platform::ApplicationState::Background);
    const auto sender = makeSender();
    EXPECT_EQ(sender->pendingMessages().keys(), QList<qint64>{5});
    EXPECT_EQ(sender->transfers()->numberInProgress(), 1) << "the orphan has no one waiting";
    EXPECT_TRUE(logText().contains(u"ZVSharedMessageSender: Restoring message for URL: <"_s +
                                   storedFileUrls(5).front() + u'>'));

    emulator.releaseHeld();
    ASSERT_TRUE(waitForPosts(1));
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    // Both uploads have ended, the orphan's too: a post it started would be under way by now.
    ASSERT_TRUE(waitUntil([&] {
        return sender->transfers()->session()->getAllTasks().empty() &&
               api().pendingRequests().empty();
    }));
    platform::Scheduler::main().runPending();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(posts().size(), 1);
    EXPECT_FALSE(stored(5));
    EXPECT_TRUE(stored(6)) << "an incomplete record is left alone";
    EXPECT_TRUE(QFile::exists(QUrl(orphan.front()).toLocalFile()));
}

TEST_F(ZVShareMessageSenderTest, AFailedUploadKeepsTheShareAndTheSessionStillCompletes) {
    platform::Application::shared().setState(platform::ApplicationState::Background);
    const QStringList files = leaveShare(8, {{u"a.png"_s, patternBytes(2000, 8)}});
    emulator.injectFault(u"file/upload"_s, Fault::withStatus(500));
    const auto sender = makeSender();
    ASSERT_TRUE(waitUntil([&] { return completions == 1; }));
    EXPECT_TRUE(posts().isEmpty());
    EXPECT_TRUE(stored(8));
    EXPECT_EQ(storedFileUrls(8), files);
    EXPECT_TRUE(QFile::exists(QUrl(files.front()).toLocalFile()));
    EXPECT_TRUE(logText().contains(u"failed: "_s));
}

TEST_F(ZVShareMessageSenderTest, AnUploadAnsweredWithoutAReferenceLeavesItsFileToSendAgain) {
    const struct {
        const char* name;
        QJsonObject answer;
    } cases[] = {
        {"no files", {}},
        {"not a reference",
         {{u"files"_s, QJsonArray{QJsonObject{{u"upload_url"_s, u"https://elsewhere/x.png"_s}}}}}},
    };
    qint64 index = 20;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ++index;
        emulator.clearRequests();
        const QStringList files = leaveShare(index, {{u"a.png"_s, patternBytes(2000, index)}});
        emulator.scriptAnswer(u"file/upload"_s, Reply::ok(c.answer));
        {
            const auto sender = makeSender();
            ASSERT_TRUE(waitUntil([&] { return sender->transfers()->numberInProgress() == 0; }));
        }
        EXPECT_TRUE(posts().isEmpty());
        EXPECT_EQ(storedFileUrls(index), files);

        // The next run uploads the file again and posts it.
        const auto sender = makeSender();
        ASSERT_TRUE(waitForPosts(1));
        const QJsonArray attachments = posts().front().body.value(u"attachments"_s).toArray();
        ASSERT_EQ(attachments.size(), 1);
        EXPECT_EQ(emulator.storedFile(attachments[0].toString())->data, patternBytes(2000, index));
        ASSERT_TRUE(waitUntil([&] { return !stored(index); }));
    }
}

TEST_F(ZVShareMessageSenderTest, ARecordCannotMakeTheApplicationSendOrDeleteOtherFiles) {
    const QString secret = writeTestFile(u"private"_s, u"secret.txt"_s, "do not send");
    const QString neighbour = container() + u"/8/x.png"_s;
    QDir().mkpath(container() + u"/8"_s);
    QFile(neighbour).open(QIODevice::WriteOnly);
    QStringList urls = leaveShare(7, {{u"own.png"_s, patternBytes(1000, 7)}});
    urls << QUrl::fromLocalFile(secret).toString()
         << u"file://"_s + container() + u"/7/../8/x.png"_s;
    defaults()->setObject(urls, u"file_urls_7"_s);

    const auto share = ZVPendingShareMessage::withIndex(7);
    ASSERT_TRUE(share);
    EXPECT_EQ(share->fileUrls(), QStringList{urls.front()});
    const auto sender = makeSender();
    ASSERT_TRUE(waitForPosts(1));
    EXPECT_EQ(emulator.requestCount(u"file/upload"_s), 1);
    EXPECT_EQ(posts().front().body.value(u"attachments"_s).toArray().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return !stored(7); }));
    EXPECT_TRUE(QFile::exists(secret));
    EXPECT_TRUE(QFile::exists(neighbour));

    EXPECT_EQ(ZVShareMessageSender::identifyIndexFromUrl(u"file:///g/12/a.png"_s), 12);
    EXPECT_FALSE(ZVShareMessageSender::identifyIndexFromUrl(u"file:///g/abc/a.png"_s));
    EXPECT_FALSE(ZVShareMessageSender::identifyIndexFromUrl(u"a.png"_s));
}

}  // namespace
}  // namespace zvapitest
