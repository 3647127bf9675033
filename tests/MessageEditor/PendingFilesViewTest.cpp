#include "MessageEditor/ZVPendingFilesView.h"
#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVDataRepository.h"
#include "ZelvoKit/support/base/DataUtils.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/view/Window.h"
#include "tests/app/ShellTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/tables/ZVCellOverlay.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtGui/QPainterPath>

using namespace Qt::StringLiterals;

namespace {

const QString kPendingFilesAnna = u"anna@example.org"_s;
// Longer than any card's spring needs to come to rest.
constexpr double kSettle = 3;

// The editor that holds the strip: it counts the strip's word that its last file went.
class Editor : public platform::View, public ZVPendingFilesOwner {
public:
    using View::View;
    int filesChangedCount = 0;
    void filesChanged() override { ++filesChangedCount; }
};

class PendingFilesViewTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        launch();
        session = signIn(kPendingFilesAnna);
        ASSERT_TRUE(session);
        const QString id = emulator.addConversation(u"plans"_s, {account(kPendingFilesAnna)});
        emulator.appendEvent(account(kPendingFilesAnna), *emulator.conversationRecord(id));
        ASSERT_TRUE(waitForStreamEnd(session));
        conversation = session->conversationFromId(id);
        ASSERT_TRUE(conversation);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        window->setRootView(editor);
        editor->addSubview(strip);
        strip->setFrame(QRectF(0, 500, 375, ZVPendingFilesView::kHeight));
    }

    // A picture of that many pixels written to the test's folder.
    static QByteArray picture(int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
    static QUrl write(const QString& name, const QByteArray& bytes) {
        const QString path = zvtest::makeTempDir(u"picked"_s) + u'/' + name;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return QUrl::fromLocalFile(path);
    }
    // A file picked for the conversation's next message, its upload started.
    std::shared_ptr<File> pick(const QString& name, const QByteArray& bytes) {
        std::shared_ptr<File> picked;
        session->fileWithLocalUrl(
            write(name, bytes), [&](std::shared_ptr<File> file) { picked = std::move(file); },
            [](const ZVErrorPtr&) { ADD_FAILURE() << "the pick failed"; });
        EXPECT_TRUE(scheduler().runUntil([&] { return picked != nullptr; }));
        if (picked) {
            conversation->addPendingFile(picked);
        }
        return picked;
    }
    // An upload still running when the test ends would outlive it.
    void waitForUpload(const std::shared_ptr<File>& file) {
        EXPECT_TRUE(
            scheduler().runUntil([&] { return file->status() == File::Status::OnService; }));
    }
    // A file of the store at that URL, without an upload.
    std::shared_ptr<File> stored(const QString& name, const QString& url) {
        auto file = session->repository()->createObjectOfClass<File>(QString(File::kEntityName));
        file->setFileName(name);
        file->setFileUrl(url);
        return file;
    }
    // The strip's previews once their pictures are decoded, laid out.
    void settlePictures() {
        scheduler().runUntil([&] {
            for (const auto& view : strip->subviews()) {
                const auto* preview = dynamic_cast<ZVFileThumbnail*>(view.get());
                if (preview && preview->source() && preview->source()->loading()) {
                    return false;
                }
            }
            return true;
        });
        window->updateNow();
    }
    void touch(platform::TouchPhase phase, const platform::View& view) {
        window->sendTouch(1, phase, view.convertPointTo(view.bounds().center(), nullptr));
    }
    void tap(const platform::View& view) {
        touch(platform::TouchPhase::Began, view);
        touch(platform::TouchPhase::Ended, view);
    }
    static std::shared_ptr<ZVAlertView> card() {
        return ZVAlertViewManager::alertViewManager().currentAlertView();
    }
    static QStringList cardButtons() {
        QStringList titles;
        if (const auto shown = card()) {
            for (const auto& view : shown->views()) {
                if (const auto* button = dynamic_cast<ZVAlertButton*>(view.get())) {
                    titles << button->title();
                }
            }
        }
        return titles;
    }
    void choose(const QString& title) {
        const auto shown = card();
        ASSERT_TRUE(shown);
        for (const auto& view : shown->views()) {
            if (const auto* button = dynamic_cast<ZVAlertButton*>(view.get());
                button && button->title() == title) {
                tap(*view);
                scheduler().advance(kSettle);
                return;
            }
        }
        ADD_FAILURE() << "no button " << title.toStdString();
    }

    std::shared_ptr<ZVRepositorySession> session;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<Editor> editor = platform::View::make<Editor>(window->bounds());
    std::shared_ptr<ZVPendingFilesView> strip = platform::View::make<ZVPendingFilesView>();
};

TEST_F(PendingFilesViewTest, PreviewsLineUpOncePerFileAndTheLastRemovalTellsTheEditorOnce) {
    // A picture on disk known by its hash, as a picked file is.
    const QByteArray wideBytes = picture(180, 90);
    const auto wide = stored(u"wide.png"_s, write(u"wide.png"_s, wideBytes).toString());
    wide->setFileSha256(sha256(wideBytes));
    ZVFileView::associateLocalUrl(wide->fileUrl(), wide->fileSha256());
    const auto sent = stored(u"notes.txt"_s, emulator.storeFile(u"notes.txt"_s, "plain"));
    const auto unsent = stored(u"gone.png"_s, QString());
    strip->addFile(wide);
    strip->addFile(stored(u"wide.png"_s, wide->fileUrl()));
    strip->addFile(sent);
    strip->addFile(unsent);
    settlePictures();

    ASSERT_EQ(strip->subviews().size(), 3u);
    const auto widePreview =
        std::dynamic_pointer_cast<ZVFileThumbnail>(strip->fileViewByUrl(wide->fileUrl()));
    ASSERT_TRUE(widePreview);
    // The file views' small preview: 45 high and as wide as the picture's proportions, drawn
    // from the picture itself.
    EXPECT_EQ(widePreview->frame(), QRectF(5, 5, 90, 45));
    const QImage shown = widePreview->image();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(platform::Images::pointSize(shown), QSizeF(90, 45));
    // The picture's red grows from left to right: three quarters across it is about 3/4 of 255.
    const QColor sampled = shown.pixelColor(shown.width() * 3 / 4, shown.height() / 2);
    EXPECT_NEAR(sampled.red(), 191, 8);
    // A file with no picture shows its type's large icon, as tall and 5 after the last.
    const auto notes =
        std::dynamic_pointer_cast<ZVFileThumbnail>(strip->fileViewByUrl(sent->fileUrl()));
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->defaultName(), u"file-large-doc"_s);
    EXPECT_EQ(notes->image(), platform::Images::named(u"file-large-doc"_s));
    const qreal iconWidth = platform::Images::pointSize(notes->image()).width();
    EXPECT_EQ(notes->frame(), QRectF(100, 5, iconWidth, 45));
    EXPECT_EQ(strip->contentSize(), QSizeF(110 + 2 * iconWidth, ZVPendingFilesView::kHeight));
    EXPECT_EQ(strip->fileByPosition({97, 20}), nullptr);

    // An idle local file and one without a URL stay shown but are not sent.
    EXPECT_EQ(strip->files(), std::vector<std::shared_ptr<File>>{sent});

    strip->removeFile(sent);
    strip->removeFile(wide);
    EXPECT_EQ(editor->filesChangedCount, 0);
    strip->removeFile(unsent);
    strip->removeFile(unsent);
    EXPECT_EQ(editor->filesChangedCount, 1);
    EXPECT_FALSE(strip->containsFiles());
}

TEST_F(PendingFilesViewTest, TheSeparatorShowsOnlyAboveFiles) {
    strip->setSeparator(true);
    strip->setBackgroundColor(Qt::white);
    const auto topLine = [&] {
        window->updateNow();
        return strip->snapshot(1).pixelColor(300, 0);
    };
    EXPECT_EQ(topLine(), QColor(Qt::white));
    strip->addFile(stored(u"notes.txt"_s, write(u"notes.txt"_s, "plain").toString()));
    EXPECT_NE(topLine(), QColor(Qt::white));
    strip->removeAllFiles();
    EXPECT_EQ(topLine(), QColor(Qt::white));
}

TEST_F(PendingFilesViewTest, ATapHighlightsThePreviewAndOpensItsCardAMomentLater) {
    const auto first = pick(u"first.png"_s, picture(90, 90));
    const auto second = pick(u"second.png"_s, picture(90, 90));
    ASSERT_TRUE(first && second);
    strip->addFile(first);
    strip->addFile(second);
    settlePictures();
    const auto preview = strip->fileViewByUrl(second->fileUrl());
    // A picked file's preview is the picture the pick handed to the file views' cache.
    const auto* thumbnail = dynamic_cast<ZVFileThumbnail*>(preview.get());
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(platform::Images::pointSize(thumbnail->image()), QSizeF(45, 45));
    EXPECT_EQ(preview->frame().size(), QSizeF(45, 45));

    touch(platform::TouchPhase::Began, *preview);
    window->updateNow();
    ASSERT_TRUE(strip->overlay());
    EXPECT_EQ(strip->highlightedFile(), preview);
    QPainterPath expected;
    expected.addRoundedRect(preview->frame(), 4, 4);
    EXPECT_EQ(strip->overlay()->shape(), expected);
    EXPECT_EQ(strip->overlay()->alpha(), ZVPendingFilesView::kHighlightAlpha);
    touch(platform::TouchPhase::Ended, *preview);
    EXPECT_FALSE(card());
    scheduler().advance(ZVPendingFilesView::kCardDelay);
    ASSERT_TRUE(card());
    // No full-size picture behind it: only removal is offered.
    EXPECT_EQ(cardButtons(), QStringList{u"Remove file"_s});
    EXPECT_EQ(card()->pointAtView(), preview);
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVFileView>(card()->views().front()));
    // The card is 20 wider than its file view, which it lays out 5 in from either side.
    EXPECT_EQ(card()->untransformedFrame().width(), card()->views().front()->frame().width() + 10);
    scheduler().advance(kSettle);

    choose(u"Remove file"_s);
    EXPECT_FALSE(strip->overlay());
    EXPECT_EQ(strip->files(), std::vector<std::shared_ptr<File>>{first});
    EXPECT_EQ(conversation->pendingFiles(), std::vector<std::shared_ptr<File>>{first});
    EXPECT_EQ(editor->filesChangedCount, 0);

    // A finger that slides off the previews and is cancelled leaves nothing highlighted.
    const auto left = strip->fileViewByUrl(first->fileUrl());
    touch(platform::TouchPhase::Began, *left);
    window->sendTouch(1, platform::TouchPhase::Cancelled, {300, 525});
    EXPECT_FALSE(strip->highlightedFile());
    EXPECT_FALSE(strip->overlay());
    waitForUpload(first);
}

TEST_F(PendingFilesViewTest, NoCardOpensForAFileOrAStripGoneMeanwhile) {
    const auto file = pick(u"first.png"_s, picture(90, 90));
    ASSERT_TRUE(file);
    strip->addFile(file);
    window->updateNow();
    tap(*strip->fileViewByUrl(file->fileUrl()));
    strip->removeFile(file);
    EXPECT_EQ(editor->filesChangedCount, 1);
    scheduler().advance(1);
    EXPECT_FALSE(card());

    strip->addFile(file);
    window->updateNow();
    tap(*strip->fileViewByUrl(file->fileUrl()));
    strip->removeFromSuperview();
    strip.reset();
    scheduler().advance(1);
    EXPECT_FALSE(card());
    waitForUpload(file);
}

TEST_F(PendingFilesViewTest, SendInFullSizeUploadsTheWholePictureAgain) {
    const QByteArray full = picture(2000, 1000);
    const auto file = pick(u"large.png"_s, full);
    ASSERT_TRUE(file);
    ASSERT_FALSE(file->fullSizeUrl().isEmpty());
    ASSERT_NE(file->fileSize(), full.size());
    strip->addFile(file);
    window->updateNow();

    tap(*strip->fileViewByUrl(file->fileUrl()));
    scheduler().advance(kSettle);
    EXPECT_EQ(cardButtons(), (QStringList{u"Send in full size"_s, u"Remove file"_s}));
    choose(u"Send in full size"_s);

    EXPECT_TRUE(file->fullSizeUrl().isEmpty());
    ASSERT_TRUE(scheduler().runUntil([&] {
        return file->fileSize() == full.size() && file->status() == File::Status::OnService;
    }));
    const auto uploaded = emulator.storedFile(file->fileUrl());
    ASSERT_TRUE(uploaded);
    EXPECT_EQ(uploaded->data, full);
    EXPECT_EQ(strip->files(), std::vector<std::shared_ptr<File>>{file});
}

}  // namespace
