#include "ZelvoKit/model/File.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/support/base/DataUtils.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "platform/foundation/Application.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtGui/QImage>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kConversation = u"2f1c9a4e-1b2d-4c3e-9f8a-7b6c5d4e3f21"_s;

class FileTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        platform::Application::shared().setScreenSize(QSizeF(768, 1024));
        platform::Application::shared().setScreenScale(2);
    }

    std::shared_ptr<File> newFile(std::int64_t messageNr = 0) {
        auto file = session_->repository()->createObjectOfClass<File>(QString(File::kEntityName));
        file->setConversationId(kConversation);
        file->setMessageNr(messageNr);
        file->setAttachmentId(u"a1"_s);
        return file;
    }

    // A file record of the conversation's message 7 with the fields.
    static QJsonObject fileRecord(QJsonObject fields) {
        fields.insert(u"conversation_id"_s, kConversation);
        if (!fields.contains(u"message_nr"_s)) {
            fields.insert(u"message_nr"_s, 7);
        }
        return streamRecord(u"file"_s, fields);
    }

    std::shared_ptr<ZVURLRepresentation> pick(const QString& name, const QByteArray& bytes,
                                              const QString& folder = u"picked"_s) {
        const QString path = zvtest::makeTempDir(folder) + u'/' + name;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        std::shared_ptr<ZVURLRepresentation> picked;
        ZVURLLoader::loader().representationForUrl(
            QUrl::fromLocalFile(path),
            [&picked](const std::shared_ptr<ZVURLRepresentation>& r) { picked = r; },
            [](const ZVErrorPtr& error) { ADD_FAILURE() << error->description().toStdString(); });
        EXPECT_TRUE(scheduler().runUntil([&] { return picked != nullptr; }));
        return picked;
    }
};

TEST_F(FileTest, PreviewSizeFollowsTheScreenAndNeverEnlarges) {
    struct Case {
        const char* name;
        int width, height;
        QSizeF screen;
        double scale;
        bool avatars;
        QSizeF expected;
    };
    const Case cases[] = {
        {"square on a wide 2x screen", 1000, 1000, {768, 1024}, 2, true, {288, 288}},
        {"too narrow to show", 30, 500, {768, 1024}, 2, true, {0, 0}},
        {"wide image cut to the width", 2000, 400, {768, 1024}, 1, true, {575, 115}},
        {"tall image cut to the height", 400, 1600, {768, 1024}, 1, true, {200, 800}},
        {"small image kept as it is", 100, 50, {768, 1024}, 1, true, {100, 50}},
        {"narrow screen beside avatars", 1040, 1040, {320, 568}, 2, true, {260, 260}},
        {"narrow screen without avatars", 1150, 1150, {320, 568}, 2, false, {288, 288}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Application::shared().setScreenSize(c.screen);
        platform::Application::shared().setScreenScale(c.scale);
        session_->profile()->setClientFlag(QString(ZVUserProfile::NoAvatarInFlowFlag), !c.avatars);
        const auto file = newFile();
        file->setImageSize(c.width, c.height);
        file->calculatePreviewSize();
        EXPECT_EQ(file->previewSize(), c.expected);
    }
}

TEST_F(FileTest, OriginalServesAsPreviewOnlyForSmallImagesOnTheService) {
    struct Case {
        const char* name;
        QString fileName;
        std::int64_t size;
        QString url;
        bool expected;
    };
    const Case cases[] = {
        {"png of 600 KB", u"a.PNG"_s, 600000, u"https://f/a.png"_s, false},
        {"png of 512 KiB", u"a.png"_s, 524288, u"https://f/a.png"_s, true},
        {"gif of 600 KB", u"a.gif"_s, 600000, u"https://f/a.gif"_s, true},
        {"gif over 5 MiB", u"a.gif"_s, 5242881, u"https://f/a.gif"_s, false},
        {"gif of a share waiting for upload", u"a.gif"_s, 600000, u"zelvo-upload:9"_s, false},
        {"not an image", u"a.pdf"_s, 100, u"https://f/a.pdf"_s, false},
        {"no extension", u"jpeg"_s, 100, u"https://f/jpeg"_s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = newFile();
        file->setFileName(c.fileName);
        file->setFileSize(c.size);
        file->setFileUrl(c.url);
        EXPECT_EQ(file->canUseOriginalForPreview(), c.expected);
    }
}

TEST_F(FileTest, NearestThumbnailIsChosen) {
    const auto file = newFile();
    file->setFileName(u"a.png"_s);
    file->setFileSize(1000);
    file->setFileUrl(u"https://f/full.png"_s);
    file->setImageSize(575, 300);
    ZVJsonParser thumbs(QJsonObject{{u"thumb_url_50"_s, u"https://f/50"_s},
                                    {u"thumb_url_100"_s, u"https://f/100"_s},
                                    {u"thumb_url_200"_s, u"https://f/200"_s}});
    const auto sizes = file->availableThumbnailSizesFromJson(&thumbs);
    ASSERT_TRUE(sizes);
    // The image itself may serve, so its longer side is one of the sizes.
    EXPECT_EQ(*sizes, (QList<std::int64_t>{50, 100, 200, 575}));
    struct Case {
        std::int64_t target;
        QString expected;
    };
    const Case cases[] = {
        {0, QString()},
        {10, u"https://f/50"_s},  // all above: the smallest
        {75, u"https://f/50"_s},  // a tie goes to the smaller
        {76, u"https://f/100"_s},
        {320, u"https://f/200"_s},       // 120 below, 255 above
        {400, u"https://f/full.png"_s},  // the image itself, nearer than 200
        {5000, u"https://f/full.png"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(file->previweUrlForSize(c.target, *sizes, &thumbs), c.expected);
    }
    // A size without its key falls back to the file.
    EXPECT_EQ(file->previweUrlForSize(100, {50, 100, 575}, nullptr), u"https://f/full.png"_s);
    EXPECT_TRUE(file->previweUrlForSize(100, {}, &thumbs).isNull());
    file->setImageSize(0, 0);
    file->setNull(file->entity().attributeIndex(u"width"));
    EXPECT_FALSE(file->availableThumbnailSizesFromJson(&thumbs));
}

TEST_F(FileTest, RecordsFillFilesAndPreviews) {
    ASSERT_EQ(applyLocally(session_,
                           {fileRecord({{u"attachment_id"_s, u"att-1"_s},
                                        {u"account_id"_s, session_->sessionId()},
                                        {u"file_name"_s, u"photo.jpg"_s},
                                        {u"file_size"_s, 2000000},
                                        {u"file_sha256"_s, u"abc"_s},
                                        {u"file_url"_s, u"https://f/photo.jpg"_s},
                                        {u"width"_s, 1000},
                                        {u"height"_s, 1000},
                                        {u"thumb_url_100"_s, u"https://f/t100"_s},
                                        {u"thumb_url_575"_s, u"https://f/t575"_s},
                                        {u"other_key"_s, u"x"_s}}),
                            streamRecord(u"preview"_s, {{u"conversation_id"_s, kConversation},
                                                        {u"message_nr"_s, 7},
                                                        {u"attached_url"_s, u"https://site/"_s},
                                                        {u"title"_s, u"Site"_s},
                                                        {u"file_name"_s, u"ignored.png"_s},
                                                        {u"file_url"_s, u"https://f/ignored"_s},
                                                        {u"thumb_url_50"_s, u"https://f/i"_s}})}),
              nullptr);

    const auto file = session_->fileFromConversation(kConversation, 7, u"att-1"_s);
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->isUrlPreview());
    EXPECT_EQ(file->fileName(), u"photo.jpg"_s);
    EXPECT_EQ(file->status(), File::Status::OnService);
    EXPECT_EQ(QJsonDocument::fromJson(file->thumbUrls().toUtf8()).object(),
              (QJsonObject{{u"thumb_url_100"_s, u"https://f/t100"_s},
                           {u"thumb_url_575"_s, u"https://f/t575"_s}}));
    // Too big to serve itself: 100 px thumbnail on a 2x screen, 575 px for a 288-point preview.
    EXPECT_EQ(file->previewSize(), QSizeF(288, 288));
    EXPECT_EQ(file->thumbnailUrl(), u"https://f/t100"_s);
    EXPECT_EQ(file->previewUrl(), u"https://f/t575"_s);
    EXPECT_EQ(session_->fileByHash(u"abc"_s), file);

    // A preview without an image describes no file.
    const auto preview = session_->fileFromConversation(kConversation, 7, u"https://site/"_s);
    ASSERT_TRUE(preview);
    EXPECT_TRUE(preview->isUrlPreview());
    EXPECT_EQ(preview->urlTitle(), u"Site"_s);
    EXPECT_TRUE(preview->fileName().isEmpty());
    EXPECT_TRUE(preview->fileUrl().isEmpty());
    EXPECT_TRUE(preview->thumbUrls().isEmpty());
    EXPECT_EQ(preview->status(), File::Status::WithoutUrl);

    // The same key again updates the one row; a fragment keeps what it does not carry.
    ASSERT_EQ(
        applyLocally(session_,
                     {fileRecord({{u"attachment_id"_s, u"att-1"_s}, {u"is_deleted"_s, true}})}),
        nullptr);
    EXPECT_EQ(session_->filesInMessageNr(7, kConversation).size(), 2);
    EXPECT_TRUE(file->isFileDeleted());
    EXPECT_EQ(file->fileName(), u"photo.jpg"_s);
}

TEST_F(FileTest, RecordsWithoutTheirKeyAreRefused) {
    const QList<QJsonObject> bad = {
        fileRecord({}),
        streamRecord(u"file"_s, {{u"message_nr"_s, 7}, {u"attachment_id"_s, u"x"_s}}),
        streamRecord(u"preview"_s, {{u"conversation_id"_s, kConversation}, {u"message_nr"_s, 7}}),
    };
    for (const QJsonObject& record : bad) {
        SCOPED_TRACE(QJsonDocument(record).toJson().toStdString());
        EXPECT_NE(applyLocally(session_, {record}), nullptr);
    }
    EXPECT_TRUE(session_->filesInMessageNr(7, kConversation).isEmpty());
}

TEST_F(FileTest, UploadTakesAPickedFileToTheService) {
    const QByteArray bytes = "not really a picture, but bytes all the same";
    const auto file = newFile();
    file->setFromUrlRepresentation(pick(u"notes.txt"_s, bytes));
    EXPECT_EQ(file->fileName(), u"notes.txt"_s);
    EXPECT_EQ(file->fileSize(), bytes.size());
    EXPECT_EQ(file->fileSha256(), sha256(bytes));
    EXPECT_EQ(file->status(), File::Status::Uploading);
    EXPECT_TRUE(file->isPending());

    ASSERT_TRUE(scheduler().runUntil([&] { return file->status() != File::Status::Uploading; }));
    EXPECT_EQ(file->status(), File::Status::OnService);
    EXPECT_FALSE(file->isPending());
    const auto stored = emulator.storedFile(file->fileUrl());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->data, bytes);
    EXPECT_EQ(stored->name, u"notes.txt"_s);
}

TEST_F(FileTest, PicksOfTheSameNameKeepTheirOwnBytes) {
    const auto first = newFile();
    first->setFromUrlRepresentation(pick(u"image.jpg"_s, "first bytes"));
    const auto second = newFile();
    second->setFromUrlRepresentation(pick(u"image.jpg"_s, "second bytes", u"other"_s));
    ASSERT_NE(first->fileUrl(), second->fileUrl());
    QFile written(QUrl(first->fileUrl()).toLocalFile());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "first bytes");
    EXPECT_EQ(first->fileName(), u"image.jpg"_s);
    ASSERT_TRUE(scheduler().runUntil([&] {
        return first->status() == File::Status::OnService &&
               second->status() == File::Status::OnService;
    }));
    EXPECT_EQ(emulator.storedFile(first->fileUrl())->data, "first bytes");
    EXPECT_EQ(emulator.storedFile(second->fileUrl())->name, u"image.jpg"_s);
}

TEST_F(FileTest, PickedPicturesAreSentReducedUnlessTheAccountSaysOtherwise) {
    QImage picture(2000, 1000, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QString path = zvtest::makeTempDir(u"camera"_s) + u"/wide.png"_s;
    ASSERT_TRUE(picture.save(path));
    struct Case {
        const char* name;
        bool noResize;
        std::int64_t width;
        bool fullSizeKept;
    };
    const Case cases[] = {{"reduced", false, 1024, true}, {"as it is", true, 2000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session_->profile()->setClientFlag(QString(ZVUserProfile::NoResizePostedImagesFlag),
                                           c.noResize);
        std::shared_ptr<File> file;
        session_->fileWithLocalUrl(
            QUrl::fromLocalFile(path), [&](std::shared_ptr<File> made) { file = made; },
            [](const ZVErrorPtr& error) { ADD_FAILURE() << error->description().toStdString(); });
        ASSERT_TRUE(scheduler().runUntil([&] { return file != nullptr; }));
        EXPECT_EQ(file->width(), c.width);
        EXPECT_EQ(file->fullSizeUrl() == QUrl::fromLocalFile(path), c.fullSizeKept);
        EXPECT_EQ(file->accountId(), session_->sessionId());
        EXPECT_EQ(file->messageNr(), 0);
        ASSERT_TRUE(
            scheduler().runUntil([&] { return file->status() == File::Status::OnService; }));
    }
    // Files of no conversation yet are stored like any other.
    EXPECT_EQ(session_->repository()->saveContext(), nullptr);
}

TEST_F(FileTest, LocalFilesFromBytesOrNowhere) {
    const auto file = session_->fileWithData("some bytes", u"notes.txt"_s);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status(), File::Status::Uploading);
    ASSERT_TRUE(scheduler().runUntil([&] { return file->status() == File::Status::OnService; }));
    EXPECT_EQ(emulator.storedFile(file->fileUrl())->data, "some bytes");

    ZVErrorPtr failure;
    session_->fileWithLocalUrl(
        QUrl(u"https://example.com/a.png"_s),
        [](std::shared_ptr<File>) { ADD_FAILURE() << "no file from the web"; },
        [&](const ZVErrorPtr& error) { failure = error; });
    ASSERT_TRUE(scheduler().runUntil([&] { return failure != nullptr; }));
    EXPECT_EQ(failure->code(), 1015);
}

TEST_F(FileTest, TheMessageWaitingForAnUploadGoesOnceItEnds) {
    const QString conversationId = emulator.addConversation(u"Plans"_s, {session_->sessionId()});
    QJsonObject record = *emulator.conversationRecord(conversationId);
    record.insert(u"can_post"_s, true);
    record.insert(u"is_init"_s, true);
    ASSERT_TRUE(deliver(session_, {record}));
    const auto conversation = session_->conversationFromId(conversationId);
    ASSERT_TRUE(conversation);

    // The upload's answer waits long enough for the message to be posted first.
    zvemu::Fault slow;
    slow.delay = std::chrono::milliseconds(300);
    emulator.injectFault(u"file/upload"_s, slow);
    const auto file = session_->fileWithData("attached bytes", u"a.txt"_s);
    ASSERT_EQ(file->status(), File::Status::Uploading);
    conversation->postMessage(u"see the file"_s, QString(), {file});
    EXPECT_GE(file->messageNr(), File::kFirstLocalMessageNr);
    EXPECT_EQ(conversation->messageQueue()->status(), ZVMessageQueue::WaitingForUpload);

    ASSERT_TRUE(scheduler().runUntil([&] { return file->status() == File::Status::OnService; }));
    const QString path = u"message/store/"_s + conversationId;
    // Sent on the upload's answer, not on a later retry.
    scheduler().advance(ZVMessageQueue::kNextSendDelay);
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requestCount(path) == 1; }));
}

TEST_F(FileTest, FailedUploadWaitsForARetry) {
    zvemu::Fault fault = zvemu::Fault::of(zvemu::Fault::Kind::Status);
    fault.status = 500;
    emulator.injectFault(u"file/upload"_s, fault);
    const auto file = newFile();
    file->setFromUrlRepresentation(pick(u"a.txt"_s, "abc"));
    ASSERT_TRUE(scheduler().runUntil([&] { return file->status() != File::Status::Uploading; }));
    EXPECT_EQ(file->status(), File::Status::LocalIdle);
    EXPECT_TRUE(file->isPending());

    file->retryUpload();
    ASSERT_TRUE(scheduler().runUntil([&] { return file->status() != File::Status::Uploading; }));
    EXPECT_EQ(file->status(), File::Status::OnService);
}

TEST_F(FileTest, VanishedLocalFileLosesItsUrlInsteadOfUploading) {
    const auto file = newFile();
    file->setFileUrl(QUrl::fromLocalFile(zvtest::testRoot() + u"/gone.txt"_s).toString());
    EXPECT_EQ(file->status(), File::Status::LocalIdle);
    file->retryUpload();
    EXPECT_EQ(file->status(), File::Status::WithoutUrl);
    EXPECT_EQ(emulator.requestCount(u"file/upload"_s), 0);
}

TEST_F(FileTest, AnswersOfAnotherTaskAreIgnored) {
    const auto file = newFile();
    file->setFromUrlRepresentation(pick(u"a.txt"_s, "abc"));
    const QString localUrl = file->fileUrl();
    const auto stranger = std::make_shared<ZVFileTransferTask>(session_->sessionId(), localUrl);
    ZVJsonParser reply(QJsonObject{
        {u"files"_s, QJsonArray{QJsonObject{{u"upload_url"_s, u"zelvo-upload:other"_s}}}}});
    file->uploadCompleted(stranger, reply);
    file->transferFailed(stranger, nullptr, {});
    EXPECT_EQ(file->fileUrl(), localUrl);
    EXPECT_EQ(file->status(), File::Status::Uploading);
}

TEST_F(FileTest, ReplyWithoutUrlKeepsTheLocalFile) {
    const auto file = newFile();
    file->setFromUrlRepresentation(pick(u"a.txt"_s, "abc"));
    const QString localUrl = file->fileUrl();
    ZVJsonParser reply(QJsonObject{{u"files"_s, QJsonArray{QJsonObject{}}}});
    file->uploadCompleted(file->uploadTask(), reply);
    EXPECT_EQ(file->fileUrl(), localUrl);
    EXPECT_EQ(file->status(), File::Status::LocalIdle);
}

TEST_F(FileTest, DeletingFollowsWhetherTheMessageIsPosted) {
    struct Case {
        const char* name;
        std::int64_t messageNr;
        QString attachmentId;
        bool keptLocally;
        QJsonObject sent;
    };
    const Case cases[] = {
        {"unattached", 0, u"a1"_s, false, {}},
        {"of a pending message", File::kFirstLocalMessageNr + 3, u"a1"_s, false, {}},
        {"the single file of a posted message", 12, u"file"_s, true, {{u"message_nr"_s, 12}}},
        {"one attachment of a posted message",
         13,
         u"a2"_s,
         true,
         {{u"message_nr"_s, 13}, {u"attachment_id"_s, u"a2"_s}}},
    };
    const QString path = u"message/delete/"_s + kConversation;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.clearRequests();
        const auto file = newFile(c.messageNr);
        file->setAttachmentId(c.attachmentId);
        file->deleteFile();
        EXPECT_EQ(file->isDeleted(), !c.keptLocally);
        if (c.sent.isEmpty()) {
            scheduler().advance(1);
            EXPECT_EQ(emulator.requestCount(path), 0);
        } else {
            // Sent at once, not queued.
            ASSERT_TRUE(scheduler().runUntil([&] { return emulator.requestCount(path) == 1; }));
            for (auto it = c.sent.begin(); it != c.sent.end(); ++it) {
                EXPECT_EQ(emulator.lastRequest(path)->body.value(it.key()), it.value());
            }
        }
    }
}

TEST_F(FileTest, CopiesAndClonesTakeTheContentOnly) {
    const auto original = newFile(9);
    original->setFileName(u"a.png"_s);
    original->setFileSize(10);
    original->setFileUrl(u"https://f/a.png"_s);
    original->setFileSha256(u"h"_s);
    original->setImageSize(100, 100);
    original->setFileDeleted(true);
    original->setThumbUrls(u"{\"thumb_url_50\":\"https://f/50\"}"_s);
    const auto copy = original->clone();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->fileUrl(), original->fileUrl());
    EXPECT_EQ(copy->fileSha256(), u"h"_s);
    EXPECT_EQ(copy->thumbUrls(), original->thumbUrls());
    EXPECT_FALSE(copy->isFileDeleted());
    EXPECT_NE(copy->messageNr(), 9);
    EXPECT_EQ(copy->thumbnailUrl(), u"https://f/a.png"_s);
}

}  // namespace
