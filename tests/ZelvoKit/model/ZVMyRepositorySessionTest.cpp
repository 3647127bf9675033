#include "ZelvoKit/model/ZVMyRepositorySession.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/ZVFileViewServices.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QFile>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

class ZVMyRepositorySessionTest : public modeltest::RepositoryTest {
protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        ZVApi::setSessionClass(ZVMyRepositorySession::factory());
        ZVFileViewServices::setPreloadPreview(
            [this](const std::shared_ptr<File>& file) { preloaded_.append(file->attachmentId()); });
    }
    void TearDown() override {
        ZVFileViewServices::reset();
        RepositoryTest::TearDown();
    }

    static QJsonObject fileRecord(const QString& conversationId, int messageNr,
                                  const QString& attachmentId) {
        return streamRecord(u"file"_s, {{u"conversation_id"_s, conversationId},
                                        {u"message_nr"_s, messageNr},
                                        {u"attachment_id"_s, attachmentId},
                                        {u"file_url"_s, u"https://f/"_s + attachmentId}});
    }

    QStringList preloaded_;
};

TEST_F(ZVMyRepositorySessionTest, FirstSynchronisationPreloadsOnlyTheInboxMessagesFiles) {
    const QString email = u"anna@example.com"_s;
    const QString id = emulator.addAccount(email, u"secret"_s).accountId;
    const QString conversationId = emulator.addConversation(u"Plans"_s, {id});
    QJsonObject conversation = *emulator.conversationRecord(conversationId);
    conversation.insert(u"inbox_message_nr"_s, 3);
    emulator.appendEvents(id, {conversation, fileRecord(conversationId, 3, u"inbox"_s),
                               fileRecord(conversationId, 2, u"older"_s)});
    const auto session = signIn(email);
    ASSERT_TRUE(std::dynamic_pointer_cast<ZVMyRepositorySession>(session));
    ASSERT_TRUE(waitForStreamEnd(session));
    ASSERT_TRUE(session->fileFromConversation(conversationId, 2, u"older"_s));
    EXPECT_EQ(preloaded_, QStringList{u"inbox"_s});

    // Once synchronised, every file the stream brings.
    ASSERT_TRUE(deliver(session, {fileRecord(conversationId, 1, u"later"_s)}));
    EXPECT_EQ(preloaded_, (QStringList{u"inbox"_s, u"later"_s}));
}

}  // namespace

namespace {

using namespace Qt::Literals::StringLiterals;

class FilePickerTest : public modeltest::SignedInTest {
protected:
    void TearDown() override {
        ZVFileViewServices::reset();
        SignedInTest::TearDown();
    }
};

TEST_F(FilePickerTest, APickedFileShowsAtOnceAndReachesTheCaller) {
    EXPECT_FALSE(session_->pickFileWithCompletion({}, false));

    std::function<void(const QUrl&)> picked;
    bool frontCamera = false;
    const auto menu = std::make_shared<int>(0);
    ZVFileViewServices::setMenuOnFilePicked(
        [&](std::function<void(const QUrl&)> onPicked, bool preferFrontCamera) {
            picked = std::move(onPicked);
            frontCamera = preferFrontCamera;
            return std::static_pointer_cast<void>(menu);
        });
    QStringList associated;
    ZVFileViewServices::setAssociateLocalUrl(
        [&](const QString& url, const QString& sha) { associated << url << sha; });

    std::shared_ptr<File> file;
    EXPECT_EQ(session_->pickFileWithCompletion([&](std::shared_ptr<File> f) { file = f; }, true),
              menu);
    EXPECT_TRUE(frontCamera);
    const QString path = zvtest::makeTempDir(u"picked"_s) + u"/a.txt"_s;
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("abc");
    out.close();
    picked(QUrl::fromLocalFile(path));
    ASSERT_TRUE(scheduler().runUntil([&] { return file != nullptr; }));
    EXPECT_EQ(associated, (QStringList{file->fileUrl(), file->fileSha256()}));
    EXPECT_EQ(file->fileName(), u"a.txt"_s);
}

}  // namespace
