#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/FakeDocumentViewer.h"
#include "platform/ui/standins/PreviewDocumentViewer.h"
#include "platform/ui/view/Window.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include "tests/platform/ui/standins/PresentingWindow.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

class RecordingViewerDelegate : public DocumentViewerDelegate {
public:
    void willBeginPreview(DocumentViewer&) override { calls.append("willBeginPreview"); }
    void didEndPreview(DocumentViewer&) override { calls.append("didEndPreview"); }
    void willBeginSendingToApplication(DocumentViewer&) override { calls.append("sending"); }
    void didDismissOptionsMenu(DocumentViewer&) override { calls.append("menuDismissed"); }

    QStringList calls;
};

class DocumentViewerTest : public ::testing::Test {
protected:
    void SetUp() override { folder = zvtest::makeTempDir(QStringLiteral("files")); }
    QUrl write(const QString& name, const QByteArray& bytes) {
        QFile file(QDir(folder).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    }
    QUrl writePicture(const QString& name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString path = QDir(folder).filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return QUrl::fromLocalFile(path);
    }

    QString folder;
    PresentingWindow presenting;
    std::shared_ptr<Window> window = presenting.window;
    std::shared_ptr<View> root = presenting.root;
    std::shared_ptr<RecordingViewerDelegate> delegate = std::make_shared<RecordingViewerDelegate>();
};

TEST_F(DocumentViewerTest, TellsWhatItCanShowAndOpenByTheFilesContent) {
    struct Case {
        QUrl url;
        QString mimeType;
        bool canPreview;
        bool canOpen;
    };
    const Case cases[] = {
        // Named by its name, read by its content.
        {writePicture(QStringLiteral("Photo 0101-101010.jpg"), {4, 4}), "image/jpeg", true, true},
        {write(QStringLiteral("Copied text.txt"), "Hello\nthere"), "text/plain", true, true},
        {write(QStringLiteral("report.pdf"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"), "application/pdf",
         false, true},
        {write(QStringLiteral("blob"), QByteArray("\x00\x01\x02\x03\xff\xfe", 6)),
         "application/octet-stream", false, false},
        {QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("gone.txt"))), "text/plain",
         false, false},
        {QUrl(QStringLiteral("https://example.org/a.png")), "application/octet-stream", false,
         false},
    };
    for (const Case& c : cases) {
        const auto viewer = DocumentViewer::create(c.url);
        EXPECT_EQ(viewer->mimeType(), c.mimeType) << c.url.toString().toStdString();
        EXPECT_EQ(viewer->canPreview(), c.canPreview) << c.url.toString().toStdString();
        EXPECT_EQ(viewer->canOpenInApplication(), c.canOpen) << c.url.toString().toStdString();
        EXPECT_FALSE(viewer->presentPreview(*root, false) && !c.canPreview);
        viewer->dismissPreview(false);
    }
    EXPECT_EQ(DocumentViewer::create(cases[1].url)->name(), QStringLiteral("Copied text.txt"));
}

TEST_F(DocumentViewerTest, APictureIsPreviewedWholeUntilDone) {
    const auto viewer = std::make_shared<PreviewDocumentViewer>(
        writePicture(QStringLiteral("wide.png"), {200, 100}));
    viewer->setDelegate(delegate);
    ASSERT_TRUE(viewer->presentPreview(*root, false));
    EXPECT_FALSE(viewer->presentPreview(*root, false));
    EXPECT_EQ(delegate->calls, QStringList{"willBeginPreview"});
    const auto page = viewer->page();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->window(), window.get());
    window->updateNow();
    // Under the status bar and the page's bar, the full width: 375 × 187.5, centred.
    const QRectF area = page->contentArea();
    EXPECT_EQ(area, QRectF(0, 20 + TitledPage::kBarHeight, 375, 667 - 20 - TitledPage::kBarHeight));
    const QImage shown = window->render();
    const qreal scale = window->scale();
    const QPointF middle = area.center() * scale;
    EXPECT_EQ(shown.pixelColor(middle.toPoint()), QColor(Qt::darkGreen));
    // Above the picture, the page's own white.
    const QPointF above(area.center().x() * scale, (area.center().y() - 187.5 / 2 - 5) * scale);
    EXPECT_EQ(shown.pixelColor(above.toPoint()), QColor(Qt::white));

    const QPointF done = page->button()->convertRectTo(page->button()->bounds(), nullptr).center();
    window->sendTouch(0, TouchPhase::Began, done);
    window->sendTouch(0, TouchPhase::Ended, done);
    Scheduler::main().runPending();
    EXPECT_FALSE(viewer->isPreviewing());
    EXPECT_EQ(delegate->calls, QStringList{"willBeginPreview"});
    PresentingWindow::finishAnimations();
    EXPECT_EQ(delegate->calls, (QStringList{"willBeginPreview", "didEndPreview"}));
    EXPECT_EQ(page->window(), nullptr);
}

TEST_F(DocumentViewerTest, ATextIsPreviewedFromItsBeginning) {
    const auto viewer = std::make_shared<PreviewDocumentViewer>(
        write(QStringLiteral("notes.txt"), QByteArray("Grüße\n") + QByteArray(100000, 'x')));
    ASSERT_TRUE(viewer->presentPreview(*root, false));
    EXPECT_TRUE(viewer->content());
    EXPECT_TRUE(viewer->previewedImage().isNull());
    // Only the beginning is read, as UTF-8.
    EXPECT_TRUE(viewer->previewedText().startsWith(QStringLiteral("Grüße\nxxx")));
    EXPECT_EQ(viewer->previewedText().toUtf8().size(), PreviewDocumentViewer::kMaxPreviewTextBytes);
    viewer->dismissPreview(false);
    EXPECT_FALSE(viewer->page());
}

TEST_F(DocumentViewerTest, TheOptionsMenuHandsTheFileOnOrIsCancelled) {
    PresentingWindow presenting;
    DocumentViewer::setFactory(
        [](const QUrl& url) { return std::make_shared<FakeDocumentViewer>(url); });
    const QUrl pdf = write(QStringLiteral("report.pdf"), "%PDF-1.4\n");

    auto viewer = DocumentViewer::create(pdf);
    auto* fake = dynamic_cast<FakeDocumentViewer*>(viewer.get());
    ASSERT_NE(fake, nullptr);
    viewer->setDelegate(delegate);
    EXPECT_FALSE(viewer->presentPreview(*presenting.root, false));
    ASSERT_TRUE(viewer->presentOptionsMenu(QRectF(10, 10, 50, 20), *presenting.root, false));
    ASSERT_TRUE(presenting.alert());
    EXPECT_EQ(presenting.alert()->style(), AlertStyle::ActionSheet);
    EXPECT_EQ(presenting.alert()->message(), QStringLiteral("report.pdf"));
    ASSERT_TRUE(presenting.choose(QStringLiteral("Open in Another App")));
    PresentingWindow::finishAnimations();
    EXPECT_EQ(delegate->calls, (QStringList{"sending", "menuDismissed"}));
    EXPECT_EQ(fake->openCount(), 1);

    delegate->calls.clear();
    auto again = DocumentViewer::create(pdf);
    again->setDelegate(delegate);
    ASSERT_TRUE(again->presentOptionsMenu(QRectF(), *presenting.root, false));
    // The menu keeps the viewer until it ends.
    const std::weak_ptr<DocumentViewer> weak = again;
    again.reset();
    ASSERT_FALSE(weak.expired());
    ASSERT_TRUE(presenting.choose(QStringLiteral("Cancel")));
    PresentingWindow::finishAnimations();
    EXPECT_EQ(delegate->calls, QStringList{"menuDismissed"});
    EXPECT_TRUE(weak.expired());

    // Nothing opens an unknown file: no menu.
    const auto unknown =
        DocumentViewer::create(write(QStringLiteral("blob"), QByteArray("\x00\x01", 2)));
    EXPECT_FALSE(unknown->presentOptionsMenu(QRectF(), *presenting.root, false));
    EXPECT_FALSE(presenting.alert());
}

}  // namespace
}  // namespace platform
