#include "tests/files/FileViewTestSupport.h"

#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "app/shell/ZVAppServices.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVThumbnailFileView.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/message/ZVFileThumbnailReset.h"

#include <gtest/gtest.h>

namespace filetest {
namespace {

using namespace Qt::Literals::StringLiterals;

class FileViewCache : public FileViewTest {
protected:
    QJsonObject document(const QString& name, int messageNr = 1) {
        return {{u"conversation_id"_s, u"c1"_s},
                {u"message_nr"_s, messageNr},
                {u"attachment_id"_s, name},
                {u"file_name"_s, name},
                {u"file_size"_s, 4096},
                {u"file_sha256"_s, name + u"-sha"_s},
                {u"file_url"_s, u"https://files.example/shared"_s}};
    }
    static QString shownName(const std::shared_ptr<ZVFileView>& view) {
        const auto row = std::dynamic_pointer_cast<ZVThumbnailFileView>(view);
        return row ? row->label()->attributedText().string() : QString();
    }
};

TEST_F(FileViewCache, AViewOnShowIsNotHandedOutAgain) {
    const auto file = makeFile(document(u"plan.pdf"_s));
    const auto cell = platform::View::make();
    const auto first = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
    cell->addSubview(first);
    const auto second = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    // The new view took the old one's place in the cache.
    first->removeFromSuperview();
    EXPECT_EQ(ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews), second);
    // Each kind has its own views.
    EXPECT_NE(ZVFileView::viewForFile(file, ZVFileView::kFilesPage), second);
}

TEST_F(FileViewCache, AReusedViewShowsTheFileAskedFor) {
    // Two messages carry the same stored file under different names.
    const auto mine = makeFile(document(u"draft.pdf"_s, 1));
    const auto forwarded = makeFile(document(u"final.pdf"_s, 2));
    const auto view = ZVFileView::viewForFile(mine, ZVFileView::kMessageWithoutPreviews);
    ASSERT_EQ(shownName(view), u"draft.pdf"_s);
    const auto again = ZVFileView::viewForFile(forwarded, ZVFileView::kMessageWithoutPreviews);
    ASSERT_EQ(again, view);
    EXPECT_EQ(again->file(), forwarded);
    EXPECT_EQ(shownName(again), u"final.pdf"_s);
    const auto row = std::dynamic_pointer_cast<ZVThumbnailFileView>(again);
    EXPECT_EQ(row->thumbnail()->file(), forwarded);
    EXPECT_EQ(row->thumbnail()->source()->localId(), u"final.pdf-sha"_s);
}

TEST_F(FileViewCache, OneUrlInTwoAccountsGetsTwoViews) {
    const auto owl = signIn(u"owl@example.com"_s);
    ASSERT_TRUE(owl);
    ASSERT_NE(owl->sessionId(), session_->sessionId());
    const auto foxFile = makeFile(document(u"plan.pdf"_s));
    const auto owlFile = makeFile(document(u"plan.pdf"_s), owl);
    const auto foxView = ZVFileView::viewForFile(foxFile, ZVFileView::kMessageWithoutPreviews);
    const auto owlView = ZVFileView::viewForFile(owlFile, ZVFileView::kMessageWithoutPreviews);
    EXPECT_NE(foxView, owlView);
    EXPECT_EQ(owlView->file(), owlFile);
    EXPECT_EQ(ZVFileView::viewForFile(foxFile, ZVFileView::kMessageWithoutPreviews), foxView);
}

// What start-up installed for the shell and the display model reaches the caches.
TEST_F(FileViewCache, TheShellAndTheDisplayModelEmptyTheCaches) {
    const auto file = makeFile(pictureFields(u"photo.png"_s, {200, 100}, u"photo-sha"_s));
    const auto view = ZVFileView::viewForFile(file, ZVFileView::kMessageWithPreviews);
    ASSERT_TRUE(ZVFileViewManager::previewManager()->imageWithLocalId(u"photo-sha"_s));
    ZVFileThumbnailReset::resetCachedImage(file);
    EXPECT_FALSE(ZVFileViewManager::previewManager()->imageWithLocalId(u"photo-sha"_s));

    const auto row = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
    ASSERT_TRUE(ZVFileViewManager::thumbnailManager()->imageWithLocalId(u"photo-sha"_s));
    ZVAppServices::shared().clearFileViews();
    EXPECT_FALSE(ZVFileViewManager::thumbnailManager()->imageWithLocalId(u"photo-sha"_s));
    EXPECT_NE(ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews), row);
}

}  // namespace
}  // namespace filetest
