#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/FakeImagePicker.h"
#include "platform/ui/standins/GridImagePicker.h"
#include "platform/ui/view/Window.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include "tests/platform/ui/standins/PresentingWindow.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

class RecordingPickerDelegate : public ImagePickerDelegate {
public:
    void didFinishPicking(ImagePicker&, const PickedMedia& media) override {
        picked.push_back(media);
    }
    void didCancel(ImagePicker&) override { ++cancels; }

    std::vector<PickedMedia> picked;
    int cancels = 0;
};

// Writes a file into `folder` dated `minutesAgo` before the tests' clock starts.
void writeFile(const QString& folder, const QString& name, const QByteArray& bytes,
               int minutesAgo) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    // Written out before the date is set, or the close would date it now.
    file.flush();
    file.setFileTime(Scheduler::defaultVirtualStart().addSecs(-60LL * minutesAgo),
                     QFileDevice::FileModificationTime);
}

QByteArray png(QSize size, QColor colour) {
    return zvtest::solidImageBytes(size, colour);
}

class ImagePickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = zvtest::makeTempDir(QStringLiteral("library"));
        PhotoLibrary::shared().setDirectory(library);
        writeFile(library, QStringLiteral("old.png"), png({40, 30}, Qt::red), 30);
        writeFile(library, QStringLiteral("clip.mp4"), "not really a film", 20);
        writeFile(library, QStringLiteral("new.png"), png({20, 50}, Qt::blue), 10);
        picker->setDelegate(delegate);
    }
    void tap(const View& view) {
        window->updateNow();
        const QPointF at = view.convertRectTo(view.bounds(), nullptr).center();
        window->sendTouch(0, TouchPhase::Began, at);
        window->sendTouch(0, TouchPhase::Ended, at);
        Scheduler::main().runPending();
    }

    QString library;
    PresentingWindow presenting;
    std::shared_ptr<Window> window = presenting.window;
    std::shared_ptr<View> root = presenting.root;
    std::shared_ptr<GridImagePicker> picker = std::make_shared<GridImagePicker>();
    std::shared_ptr<RecordingPickerDelegate> delegate = std::make_shared<RecordingPickerDelegate>();
};

TEST_F(ImagePickerTest, ATapOnATileHandsOverThatFileOfTheLibrary) {
    ASSERT_TRUE(ImagePicker::isSourceTypeAvailable(ImagePickerSourceType::PhotoLibrary));
    ASSERT_TRUE(picker->present(*root, false));
    EXPECT_FALSE(picker->present(*root, false));
    EXPECT_TRUE(picker->tiles().empty());
    Scheduler::main().runPending();

    // Pictures only, newest first.
    ASSERT_EQ(picker->items().size(), 2u);
    ASSERT_EQ(picker->tiles().size(), 2u);
    EXPECT_EQ(picker->items()[0]->defaultRepresentation()->filename(), QStringLiteral("new.png"));
    tap(*picker->tiles()[1]);
    ASSERT_EQ(delegate->picked.size(), 1u);
    const PickedMedia& media = delegate->picked[0];
    EXPECT_EQ(media.mediaType, PickedMedia::kImageType);
    EXPECT_EQ(media.referenceUrl, picker->items()[1]->url());
    EXPECT_EQ(media.originalImage.size(), QSize(40, 30));
    EXPECT_EQ(media.originalImage.pixelColor(0, 0), QColor(Qt::red));
    // It is the delegate that takes the picker away.
    EXPECT_TRUE(picker->isPresented());

    bool gone = false;
    picker->dismiss(true, [&] { gone = true; });
    PresentingWindow::finishAnimations();
    EXPECT_TRUE(gone);
    EXPECT_EQ(picker->page()->window(), nullptr);
    EXPECT_FALSE(picker->pickItem(0));
}

TEST_F(ImagePickerTest, WithVideosTheGridHoldsThemAndAPickedVideoHasNoPicture) {
    picker->setMediaTypes(ImagePicker::availableMediaTypes(ImagePickerSourceType::PhotoLibrary));
    ASSERT_TRUE(picker->present(*root, false));
    Scheduler::main().runPending();
    ASSERT_EQ(picker->tiles().size(), 3u);
    tap(*picker->tiles()[1]);
    ASSERT_EQ(delegate->picked.size(), 1u);
    EXPECT_EQ(delegate->picked[0].mediaType, PickedMedia::kMovieType);
    EXPECT_TRUE(delegate->picked[0].originalImage.isNull());
    EXPECT_TRUE(delegate->picked[0].referenceUrl.toString().startsWith("assets-library:"));
}

TEST_F(ImagePickerTest, CancelAndALibraryWithoutAccessPickNothing) {
    PhotoLibrary::shared().setAuthorizationStatus(PhotoLibraryAuthorizationStatus::Denied);
    ASSERT_TRUE(picker->present(*root, false));
    Scheduler::main().runPending();
    EXPECT_TRUE(picker->accessDenied());
    EXPECT_TRUE(picker->tiles().empty());
    EXPECT_FALSE(picker->pickItem(0));
    tap(*picker->page()->button());
    EXPECT_EQ(delegate->cancels, 1);
    EXPECT_TRUE(delegate->picked.empty());
}

TEST_F(ImagePickerTest, TheCameraIsAFolderAndItsPhotoComesWithoutALibraryUrl) {
    const QString camera = zvtest::makeTempDir(QStringLiteral("camera"));
    ImagePicker::setCameraDirectory(camera);
    EXPECT_FALSE(ImagePicker::isSourceTypeAvailable(ImagePickerSourceType::Camera));
    picker->setSourceType(ImagePickerSourceType::Camera);
    EXPECT_FALSE(picker->present(*root, false));

    writeFile(camera, QStringLiteral("a.png"), png({8, 6}, Qt::green), 5);
    writeFile(camera, QStringLiteral("notes.txt"), "not a picture", 1);
    EXPECT_TRUE(ImagePicker::isCameraDeviceAvailable(ImagePickerCameraDevice::Rear));
    EXPECT_FALSE(ImagePicker::isCameraDeviceAvailable(ImagePickerCameraDevice::Front));
    EXPECT_EQ(ImagePicker::availableMediaTypes(ImagePickerSourceType::Camera),
              QStringList{PickedMedia::kImageType});
    ASSERT_TRUE(picker->present(*root, false));
    ASSERT_EQ(picker->tiles().size(), 1u);
    tap(*picker->tiles()[0]);
    ASSERT_EQ(delegate->picked.size(), 1u);
    EXPECT_TRUE(delegate->picked[0].referenceUrl.isEmpty());
    EXPECT_EQ(delegate->picked[0].originalImage.size(), QSize(8, 6));
    EXPECT_EQ(delegate->picked[0].metadata.value("Orientation").toInt(), 1);
}

TEST(ImagePickerFactory, ScreensGetTheInstalledPickerAndTheDrawingOneWithout) {
    EXPECT_TRUE(std::dynamic_pointer_cast<GridImagePicker>(ImagePicker::create()));
    ImagePicker::setFactory([] { return std::make_shared<FakeImagePicker>(); });
    const auto fake = std::dynamic_pointer_cast<FakeImagePicker>(ImagePicker::create());
    ASSERT_TRUE(fake);
    // Presented like the real one, over an empty library.
    QDir().mkpath(PhotoLibrary::shared().directory());
    PresentingWindow presenting;
    ASSERT_TRUE(fake->present(*presenting.root, false));
    EXPECT_EQ(fake->appearCount(), 1);
    EXPECT_EQ(presenting.controller->presentedViewController(), fake);
    fake->dismiss(false);
    EXPECT_FALSE(fake->isPresented());
}

}  // namespace
}  // namespace platform
