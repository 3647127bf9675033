#include "files/pickers/ZVImagePreviewer.h"

#include "tests/files/FileViewTestSupport.h"

#include "files/pickers/ZVDocumentViewer.h"
#include "files/pickers/ZVImagePreviewerDelegate.h"
#include "platform/media/PhotoLibrary.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/standins/FakeDocumentViewer.h"
#include "platform/ui/view/Window.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

namespace {

using namespace Qt::Literals::StringLiterals;

struct CountingPreviewerDelegate : ZVImagePreviewerDelegate {
    void sendPressed() override { ++sends; }
    void cancelPressed() override { ++cancels; }
    int sends = 0;
    int cancels = 0;
};

QString writeTestFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

class ImagePreviewerTest : public filetest::FileViewTest {
protected:
    void SetUp() override {
        FileViewTest::SetUp();
        navigation = globals().rightNavigationController();
        ASSERT_TRUE(navigation);
        ZVAlertViewManager::alertViewManager().setKeyWindow(globals().window());
    }
    void TearDown() override {
        platform::DocumentViewer::setFactory({});
        FileViewTest::TearDown();
    }
    // Pushes the previewer and waits until its picture or its failure is in.
    std::shared_ptr<ZVImagePreviewer> push(const QUrl& url,
                                           const std::shared_ptr<ZVImagePreviewerDelegate>& d) {
        auto previewer = std::make_shared<ZVImagePreviewer>(url, d);
        navigation->pushViewController(previewer, false);
        globals().window()->updateNow();
        EXPECT_TRUE(
            scheduler().runUntil([&] { return !previewer->activityIndicator()->isAnimating(); }));
        globals().window()->updateNow();
        return previewer;
    }

    std::shared_ptr<platform::NavigationController> navigation;
};

TEST_F(ImagePreviewerTest, ASmallPictureGrowsToFitBehindTheButtonBar) {
    const QString path = writeTestFile(zvtest::makeTempDir(u"previews"_s), u"tiny.png"_s,
                                       zvtest::solidImageBytes(QSize(40, 20), Qt::red));
    const auto delegate = std::make_shared<CountingPreviewerDelegate>();
    const auto previewer = push(QUrl::fromLocalFile(path), delegate);

    const QRectF bounds = previewer->view()->bounds();
    EXPECT_EQ(previewer->view()->backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(previewer->title(), u"tiny.png"_s);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    const QRectF image = previewer->imageView()->frame();
    EXPECT_DOUBLE_EQ(image.width(), bounds.width());
    EXPECT_DOUBLE_EQ(image.height(), bounds.width() / 2);
    EXPECT_DOUBLE_EQ(image.center().y(), bounds.center().y());
    EXPECT_FALSE(previewer->errorLabel());

    const QRectF bar = previewer->buttonBar()->frame();
    EXPECT_EQ(bar, QRectF(0, bounds.height() - 80, bounds.width(), 80));
    EXPECT_EQ(previewer->cancelButton()->frame().left(), 0);
    EXPECT_EQ(previewer->selectButton()->frame().right(), bounds.width());
    EXPECT_EQ(previewer->selectButton()->currentTitle(), u"Select"_s);

    previewer->selectButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    previewer->cancelButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    EXPECT_EQ(delegate->sends, 1);
    EXPECT_EQ(delegate->cancels, 1);

    // Leaving gives the bar back.
    previewer->navigateBack();
    globals().window()->updateNow();
    EXPECT_FALSE(navigation->isNavigationBarHidden());
}

TEST_F(ImagePreviewerTest, AnUnreadableUrlShowsTheErrorInPlaceOfThePicture) {
    const auto previewer =
        push(QUrl::fromLocalFile(zvtest::makeTempDir(u"previews"_s) + u"/gone.png"_s), nullptr);
    ASSERT_TRUE(previewer->errorLabel());
    EXPECT_FALSE(previewer->errorLabel()->text().isEmpty());
    EXPECT_FALSE(previewer->activityIndicator()->isAnimating());
    EXPECT_EQ(previewer->errorLabel()->frame(),
              previewer->view()->bounds().adjusted(20, 20, -20, -20));
    // A plain viewer has no buttons.
    EXPECT_FALSE(previewer->buttonBar());
}

TEST_F(ImagePreviewerTest, TheViewerPicksTheWayToShowEachFile) {
    std::vector<std::shared_ptr<platform::FakeDocumentViewer>> viewers;
    platform::DocumentViewer::setFactory([&viewers](const QUrl& url) {
        viewers.push_back(std::make_shared<platform::FakeDocumentViewer>(url));
        return viewers.back();
    });
    const QString folder = zvtest::makeTempDir(u"documents"_s);
    const std::size_t depth = navigation->viewControllers().size();

    // A photo of the library: the previewer.
    writeTestFile(platform::PhotoLibrary::shared().directory(), u"IMG_1.png"_s,
                  zvtest::solidImageBytes(QSize(30, 30), Qt::blue));
    platform::PhotoLibrary::AssetPtr photo;
    platform::PhotoLibrary::shared().lastPhotoTaken(
        [&photo](platform::PhotoLibrary::AssetPtr asset) { photo = asset; }, {});
    ASSERT_TRUE(scheduler().runUntil([&] { return photo != nullptr; }));
    ZVDocumentViewer::showDocumentAtUrl(photo->url(), nullptr);
    ASSERT_EQ(navigation->viewControllers().size(), depth + 1);
    EXPECT_TRUE(dynamic_cast<ZVImagePreviewer*>(navigation->topViewController()));
    EXPECT_TRUE(viewers.empty());
    navigation->popViewControllerAnimated(false);

    // A picture file: the system preview.
    const QString picture =
        writeTestFile(folder, u"scan.png"_s, zvtest::solidImageBytes(QSize(10, 10), Qt::green));
    ZVDocumentViewer::showDocumentAtUrl(QUrl::fromLocalFile(picture), nullptr);
    ASSERT_EQ(viewers.size(), 1u);
    EXPECT_EQ(viewers[0]->previewCount(), 1);
    EXPECT_FALSE(ZVAlertViewManager::alertViewManager().currentAlertView());

    // A file that nothing previews nor opens: the alert.
    const QString unknown = writeTestFile(folder, u"blob.zzq"_s, QByteArray("\x01\x02\x03", 3));
    ZVDocumentViewer::showDocumentAtUrl(QUrl::fromLocalFile(unknown), nullptr);
    ASSERT_EQ(viewers.size(), 2u);
    EXPECT_EQ(viewers[1]->previewCount(), 0);
    EXPECT_EQ(viewers[1]->openCount(), 0);
    const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), u"Unknown file type"_s);
    EXPECT_EQ(alert->message(),
              u"You have no apps installed capable of opening this type of file."_s);
}

}  // namespace
