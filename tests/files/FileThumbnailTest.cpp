#include "tests/files/FileViewTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/model/Conversation.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColorTable.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

namespace filetest {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(FileIcons, TheLastExtensionInLowerCaseChoosesTheIcon) {
    struct Case {
        const char* name;
        QString fileName;
        bool large;
        QString icon;
    };
    const Case cases[] = {
        {"upper-case extension", u"Report.PDF"_s, false, u"file-pdf"_s},
        {"only the last extension counts", u"backup.tar.gz"_s, false, u"file-zip"_s},
        {"large", u"song.mp3"_s, true, u"file-large-music"_s},
        {"no extension", u"README"_s, false, u"file-other"_s},
        {"no extension, large", u"README"_s, true, u"file-large-other"_s},
        {"a leading dot is no extension", u".bashrc"_s, false, u"file-other"_s},
        {"unknown extension", u"data.xyz"_s, false, u"file-other"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVFileThumbnail::defaultIconForFileName(c.fileName, c.large), c.icon);
    }
    // Every icon a name can lead to is among the resources.
    QSet<QString> groups{u"other"_s};
    for (const QString& group : ZVFileThumbnail::extensionMap()) {
        groups.insert(group);
    }
    EXPECT_EQ(groups.size(), 11);
    for (const QString& group : groups) {
        EXPECT_FALSE(platform::Images::named(u"file-"_s + group).isNull()) << group.toStdString();
        EXPECT_FALSE(platform::Images::named(u"file-large-"_s + group).isNull())
            << group.toStdString();
    }
    EXPECT_FALSE(platform::Images::named(ZVFileThumbnail::kMissingImageName).isNull());
}

class FileThumbnail : public FileViewTest {
protected:
    static bool loaded(const std::shared_ptr<ZVFileThumbnail>& thumbnail) {
        return scheduler().runUntil([&] { return !thumbnail->source()->loading(); });
    }
    QString sessionFile(const std::shared_ptr<ZVImageCache>& cache, const QString& sha,
                        const std::shared_ptr<ZVRepositorySession>& session) {
        return api()
            .fileTransfers()
            ->fileUrlWithLocalUrl(cache->localFileId(sha), session->sessionId())
            .toLocalFile();
    }
};

TEST_F(FileThumbnail, ASpinnerShowsUntilThePictureArrives) {
    const auto file = makeFile(pictureFields(u"photo.png"_s, {200, 100}, u"photo-sha"_s));
    const auto thumbnail = ZVFileThumbnail::thumbnailForFile(file);
    EXPECT_EQ(thumbnail->frame(), QRectF(QPointF(0, 0), ZVFileThumbnail::kThumbnailSize));
    ASSERT_TRUE(thumbnail->source()->loading());
    ASSERT_TRUE(thumbnail->activityIndicator());
    EXPECT_TRUE(thumbnail->activityIndicator()->isAnimating());
    // Meanwhile the type icon stands in.
    EXPECT_EQ(thumbnail->image(), platform::Images::named(u"file-image"_s));

    ASSERT_TRUE(loaded(thumbnail));
    EXPECT_FALSE(thumbnail->activityIndicator());
    EXPECT_FALSE(thumbnail->missingImageView());
    EXPECT_EQ(thumbnail->image(), thumbnail->source()->image());
    EXPECT_FALSE(thumbnail->image().isNull());
    EXPECT_FALSE(thumbnail->isObservingSource());
}

TEST_F(FileThumbnail, AFailedPreviewShowsTheMarkAndAThumbnailItsIcon) {
    QJsonObject fields = pictureFields(u"gone.png"_s, {200, 100}, u"gone-sha"_s);
    fields.insert(u"file_url"_s, emulator.baseUrl() + u"files/missing/gone.png"_s);
    const auto file = makeFile(fields);
    const auto preview = ZVFileThumbnail::previewForFile(file);
    const auto thumbnail = ZVFileThumbnail::thumbnailForFile(file);
    ASSERT_TRUE(loaded(preview));
    ASSERT_TRUE(loaded(thumbnail));
    ASSERT_NE(preview->source()->errorCode(), 0);

    ASSERT_TRUE(preview->missingImageView());
    preview->layoutIfNeeded();
    EXPECT_TRUE(preview->image().isNull());
    EXPECT_EQ(preview->backgroundColor(),
              platform::resolveColor(ZVColorTable::colorWithName(u"loadingFile"_s)));
    EXPECT_EQ(preview->missingImageView()->center(), preview->bounds().center());

    EXPECT_FALSE(thumbnail->missingImageView());
    EXPECT_EQ(thumbnail->image(), platform::Images::named(u"file-image"_s));
    EXPECT_EQ(thumbnail->backgroundColor(), QColor(Qt::white));
    // A failed picture is watched, so that a retry that succeeds shows it.
    EXPECT_TRUE(thumbnail->isObservingSource());
}

TEST_F(FileThumbnail, ASmallPreviewTakesThePicturesWidth) {
    const auto file = makeFile(pictureFields(u"wide.png"_s, {300, 100}, u"wide-sha"_s));
    const auto holder = platform::View::make();
    const auto thumbnail = ZVFileThumbnail::proportionalThumbnailForFile(file);
    holder->addSubview(thumbnail);
    EXPECT_EQ(thumbnail->defaultName(), u"file-large-image"_s);
    ASSERT_TRUE(loaded(thumbnail));
    EXPECT_EQ(thumbnail->frame().height(), ZVFileThumbnail::kSmallPreviewHeight);
    EXPECT_NEAR(thumbnail->frame().width(), 135, 1);
    EXPECT_TRUE(holder->needsLayout());
}

// The stream's files are fetched ahead into the cache the account shows: previews, or
// thumbnails when it shows none; during the first synchronisation only the inbox message's.
TEST_F(FileThumbnail, FilesOfTheStreamArePreloaded) {
    const QString email = u"hare@example.com"_s;
    const QString id = account(email);
    const QString conversationId = emulator.addConversation(u"Trip"_s, {id});
    QJsonObject conversation = *emulator.conversationRecord(conversationId);
    conversation.insert(u"inbox_message_nr"_s, 3);
    auto fileRecord = [&](int messageNr, const QString& name) {
        QJsonObject record = pictureFields(name, {200, 100}, name + u"-sha"_s);
        record.insert(u"mk_rec_type"_s, u"file"_s);
        record.insert(u"conversation_id"_s, conversationId);
        record.insert(u"message_nr"_s, messageNr);
        return record;
    };
    const QJsonObject inbox = fileRecord(3, u"inbox.png"_s);
    const QJsonObject older = fileRecord(2, u"older.png"_s);
    emulator.appendEvents(id, {conversation, inbox, older});
    const auto hare = signIn(email);
    ASSERT_TRUE(hare);
    ASSERT_TRUE(waitForStreamEnd(hare));
    ASSERT_TRUE(hare->profile()->filePreviewsEnabled());
    const QString inboxPreview =
        sessionFile(ZVFileViewManager::previewManager(), u"inbox.png-sha"_s, hare);
    ASSERT_TRUE(scheduler().runUntil([&] { return QFile::exists(inboxPreview); }));
    EXPECT_TRUE(emulator.requests(QUrl(older.value(u"file_url"_s).toString()).path()).isEmpty());

    // Afterwards every file, into the thumbnails of an account that shows no previews.
    hare->profile()->setClientFlag(QString(ZVUserProfile::NoInlineImagesFlag), true);
    emulator.appendEvents(id, {fileRecord(1, u"later.png"_s)});
    ASSERT_TRUE(waitForStreamEnd(hare));
    const QString laterThumbnail =
        sessionFile(ZVFileViewManager::thumbnailManager(), u"later.png-sha"_s, hare);
    EXPECT_TRUE(scheduler().runUntil([&] { return QFile::exists(laterThumbnail); }));
    EXPECT_FALSE(
        QFile::exists(sessionFile(ZVFileViewManager::previewManager(), u"later.png-sha"_s, hare)));
}

}  // namespace
}  // namespace filetest
