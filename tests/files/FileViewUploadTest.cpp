#include "tests/files/FileViewTestSupport.h"

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVPreviewFileView.h"
#include "files/views/ZVSmallProgressBar.h"
#include "files/views/ZVThumbnailFileView.h"
#include "platform/ui/controls/Label.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

namespace filetest {
namespace {

using namespace Qt::Literals::StringLiterals;

// A picture the user attached, whose upload the test plays by hand: progress, failure, success,
// as the transfer session reports them to the file.
class FileViewUpload : public FileViewTest {
protected:
    std::shared_ptr<File> attachedPicture() {
        const QString path = zvtest::makeTempDir(u"picked"_s) + u"/beach.png"_s;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(zvtest::solidImageBytes({200, 100}, Qt::blue));
        out.close();
        auto file = makeFile({{u"file_name"_s, u"beach.png"_s},
                              {u"file_size"_s, 300000},
                              {u"file_sha256"_s, u"beach-sha"_s},
                              {u"width"_s, 200},
                              {u"height"_s, 100},
                              {u"file_url"_s, QUrl::fromLocalFile(path).toString()}});
        file->setUploadTask(task_);
        return file;
    }
    // The file's observers hear of a change once the batching delay has passed.
    void report(const std::shared_ptr<File>& file, float progress) {
        task_->setProgress(progress);
        file->transferProgress(task_, progress);
        settle();
    }
    static void settle() { scheduler().advance(File::kNotificationDelay); }
    void complete(const std::shared_ptr<File>& file) {
        ZVJsonParser answer(QJsonObject{
            {u"files"_s,
             QJsonArray{QJsonObject{{u"upload_url"_s, u"https://files.example/b"_s}}}}});
        file->uploadCompleted(task_, answer);
        settle();
    }

    std::shared_ptr<ZVFileTransferTask> task_ =
        std::make_shared<ZVFileTransferTask>(u"session"_s, u"/api/file/upload"_s);
};

TEST_F(FileViewUpload, RowAndPreviewFollowTheUploadToItsEnd) {
    const auto file = attachedPicture();
    ASSERT_EQ(file->status(), File::Status::Uploading);
    const QString size = ZVLocalization::formatFileSize(300000);
    const auto row = std::make_shared<ZVThumbnailFileView>(file);
    const auto preview = std::make_shared<ZVPreviewFileView>(file);
    ASSERT_TRUE(preview->progressView());
    EXPECT_EQ(preview->progressView()->frame().width(), ZVPreviewFileView::kProgressWidth);
    EXPECT_EQ(preview->preview()->alpha(), ZVPreviewFileView::kPendingAlpha);

    report(file, 0.95F);
    // The row tells the whole per cent; the bar stops short of full until the service has it.
    EXPECT_EQ(row->detailLabel()->text(), u"Uploading 95% of "_s + size);
    EXPECT_FLOAT_EQ(preview->progressView()->progress(), 0.9F);

    file->transferFailed(task_, nullptr, {});
    settle();
    EXPECT_EQ(row->detailLabel()->text(), u"%1 (Failed)"_s.arg(size));
    EXPECT_EQ(row->detailLabel()->textColor(), ZVThumbnailFileView::kFailedColor);
    EXPECT_TRUE(row->isObservingUpload());

    // The user retries and it goes through.
    file->setUploadTask(task_);
    report(file, 0.5F);
    EXPECT_EQ(row->detailLabel()->text(), u"Uploading 50% of "_s + size);
    EXPECT_FLOAT_EQ(preview->progressView()->progress(), 0.5F);
    complete(file);
    EXPECT_EQ(row->detailLabel()->text(), size);
    EXPECT_NE(row->detailLabel()->textColor(), ZVThumbnailFileView::kFailedColor);
    EXPECT_FALSE(preview->progressView());
    EXPECT_EQ(preview->preview()->alpha(), 1);
    EXPECT_FALSE(row->isObservingUpload());
    EXPECT_FALSE(preview->isObservingUpload());
    EXPECT_FALSE(file->hasObservers());
}

TEST_F(FileViewUpload, AReleasedOrReboundViewHearsNothingMore) {
    const auto file = attachedPicture();
    auto row = std::make_shared<ZVThumbnailFileView>(file);
    auto preview = std::make_shared<ZVPreviewFileView>(file);
    ASSERT_TRUE(file->hasObservers());
    row.reset();
    preview.reset();
    EXPECT_FALSE(file->hasObservers());
    // Had an observation outlived its view, this would reach freed memory.
    report(file, 0.3F);

    // A view shown for another file leaves the upload alone.
    const auto rebound = std::make_shared<ZVThumbnailFileView>(file);
    const auto other = makeFile({{u"file_name"_s, u"notes.txt"_s},
                                 {u"file_size"_s, 10},
                                 {u"file_url"_s, u"https://files.example/notes.txt"_s}});
    rebound->setFile(other);
    EXPECT_FALSE(file->hasObservers());
    report(file, 0.6F);
    EXPECT_EQ(rebound->detailLabel()->text(), ZVLocalization::formatFileSize(10));
}

}  // namespace
}  // namespace filetest
