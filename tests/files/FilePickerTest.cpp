#include "files/pickers/ZVFilePicker.h"

#include "tests/files/FileViewTestSupport.h"

#include "files/pickers/ZVImagePreviewer.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "platform/media/PhotoLibrary.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/popover/PopoverController.h"
#include "platform/ui/standins/FakeImagePicker.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/media/FakeMediaSupport.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace {

using namespace Qt::Literals::StringLiterals;

class FilePickerTest : public filetest::FileViewTest {
protected:
    void SetUp() override {
        FileViewTest::SetUp();
        library = zvtest::makeTempDir(u"library"_s);
        camera = zvtest::makeTempDir(u"camera"_s);
        mediatest::useFakeMedia(library, camera);
        navigation = globals().rightNavigationController();
        ASSERT_TRUE(navigation);
    }
    void TearDown() override {
        if (const auto open = ZVFilePicker::current()) {
            open->dismiss();
        }
        mediatest::dropFakeMedia();
        FileViewTest::TearDown();
    }

    std::shared_ptr<ZVActionMenu> menu() {
        auto made =
            ZVFilePicker::menuOnFilePicked([this](const QUrl& url) { picked << url; }, false);
        made->setPointAtView(navigation->topViewController()->view());
        return made;
    }
    static QStringList titles(const ZVActionMenu& menu) {
        QStringList found;
        for (const auto& action : menu.actions()) {
            found << action->title();
        }
        return found;
    }
    static void choose(const ZVActionMenu& menu, const QString& title) {
        for (const auto& action : menu.actions()) {
            if (action->title() == title) {
                dynamic_cast<ZVActionMenuButton&>(*action).action()();
                return;
            }
        }
        ADD_FAILURE() << "no option " << title.toStdString();
    }
    // Lets the presentations and pushes run their course.
    void settle() {
        globals().window()->updateNow();
        scheduler().advance(kTransitions);
        globals().window()->updateNow();
    }
    static constexpr double kTransitions = 1;

    // The picker shown, its items read.
    std::shared_ptr<platform::ImagePicker> shownPicker(std::size_t items) {
        settle();
        const auto open = ZVFilePicker::current();
        EXPECT_TRUE(open);
        const auto picker = open ? open->imagePickerController() : nullptr;
        EXPECT_TRUE(picker && picker->isPresented());
        EXPECT_TRUE(
            scheduler().runUntil([&] { return picker && picker->items().size() == items; }));
        return picker;
    }
    // The index of the library's item of that type.
    static int indexOf(const platform::ImagePicker& picker, platform::AssetType type) {
        for (std::size_t i = 0; i < picker.items().size(); ++i) {
            if (picker.items()[i]->type() == type) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    QString library;
    QString camera;
    std::shared_ptr<platform::NavigationController> navigation;
    QList<QUrl> picked;
};

TEST_F(FilePickerTest, TheMenuOffersOnlyWhatCanComeToSomething) {
    // An empty library and no camera: the library alone.
    EXPECT_EQ(titles(*menu()), QStringList{u"Choose from library"_s});

    mediatest::writeMediaFile(camera, u"view.jpg"_s,
                              zvtest::solidImageBytes({8, 8}, Qt::gray, "JPEG"));
    mediatest::writeMediaFile(library, u"IMG_1.jpg"_s,
                              zvtest::solidImageBytes({8, 8}, Qt::red, "JPEG"));
    EXPECT_EQ(titles(*menu()),
              (QStringList{u"Take photo"_s, u"Use last photo taken"_s, u"Choose from library"_s}));

    // The data model's attachment menu is this one now.
    EXPECT_TRUE(session_->pickFileWithCompletion([](std::shared_ptr<File>) {}, false));
}

TEST_F(FilePickerTest, ALibraryPictureIsConfirmedInThePreviewerAVideoGoesAtOnce) {
    mediatest::writeMediaFile(library, u"IMG_1.png"_s, zvtest::solidImageBytes({20, 10}, Qt::red));
    mediatest::writeMediaFile(library, u"clip.mp4"_s, "not really a film");
    const std::size_t depth = navigation->viewControllers().size();
    const auto options = menu();
    choose(*options, u"Choose from library"_s);
    auto picker = shownPicker(2);
    const int image = indexOf(*picker, platform::AssetType::Photo);
    const int video = indexOf(*picker, platform::AssetType::Video);
    ASSERT_GE(image, 0);
    ASSERT_GE(video, 0);

    // The picture waits for Select; Cancel goes back to the picker.
    ASSERT_TRUE(picker->pickItem(image));
    settle();
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_FALSE(picker->isPresented());
    ASSERT_EQ(navigation->viewControllers().size(), depth + 1);
    auto previewer = ZVFilePicker::current()->previewer();
    ASSERT_TRUE(previewer);
    EXPECT_EQ(navigation->topViewController(), previewer.get());
    previewer->cancelTapped();
    settle();
    EXPECT_EQ(navigation->viewControllers().size(), depth);
    EXPECT_TRUE(picker->isPresented());
    EXPECT_TRUE(picked.isEmpty());

    ASSERT_TRUE(picker->pickItem(image));
    settle();
    previewer = ZVFilePicker::current()->previewer();
    ASSERT_TRUE(previewer);
    const QUrl photoUrl = previewer->url();
    previewer->selectTapped();
    settle();
    ASSERT_EQ(picked.size(), 1);
    EXPECT_EQ(picked[0], photoUrl);
    EXPECT_TRUE(platform::PhotoLibrary::isAssetsLibraryURL(picked[0]));
    EXPECT_FALSE(ZVFilePicker::current());
    EXPECT_EQ(navigation->viewControllers().size(), depth);

    // A video skips the previewer.
    choose(*menu(), u"Choose from library"_s);
    picker = shownPicker(2);
    ASSERT_TRUE(picker->pickItem(video));
    settle();
    ASSERT_EQ(picked.size(), 2);
    EXPECT_NE(picked[1], photoUrl);
    EXPECT_FALSE(picker->isPresented());
    EXPECT_EQ(navigation->viewControllers().size(), depth);
    EXPECT_FALSE(ZVFilePicker::current());
}

// A photo whose name is taken (one a moment or twelve hours earlier) never replaces that file.
TEST_F(FilePickerTest, ACameraPhotoNeverReplacesAnEarlierOne) {
    mediatest::writeMediaFile(camera, u"view.jpg"_s,
                              zvtest::solidImageBytes({16, 12}, Qt::blue, "JPEG"));
    choose(*menu(), u"Take photo"_s);
    settle();
    auto picker = ZVFilePicker::current()->imagePickerController();
    ASSERT_TRUE(picker->isPresented());
    EXPECT_EQ(picker->sourceType(), platform::ImagePickerSourceType::Camera);
    const QString caches = platform::Paths::cachesDirectory();
    const QString name = ZVFilePicker::photoFileName(scheduler().currentDate());
    mediatest::writeMediaFile(caches, name, "an earlier photo");
    ASSERT_TRUE(picker->takePicture());
    settle();
    EXPECT_FALSE(picker->isPresented());
    EXPECT_FALSE(ZVFilePicker::current());
    ASSERT_EQ(picked.size(), 1);
    EXPECT_EQ(picked[0].toLocalFile(), QDir(caches).filePath(name.chopped(4) + u" 2.jpg"_s));
    QFile earlier(QDir(caches).filePath(name));
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("an earlier photo"));
    EXPECT_EQ(QImage(picked[0].toLocalFile()).size(), QSize(16, 12));

    // A second photo: a file of its own.
    choose(*menu(), u"Take photo"_s);
    settle();
    picker = ZVFilePicker::current()->imagePickerController();
    ASSERT_TRUE(picker->takePicture());
    settle();
    ASSERT_EQ(picked.size(), 2);
    EXPECT_NE(picked[1], picked[0]);
    EXPECT_EQ(QImage(picked[1].toLocalFile()).size(), QSize(16, 12));
}

TEST_F(FilePickerTest, ThePhotoNameCountsHoursOnTwelve) {
    const struct {
        QTime time;
        const char16_t* name;
    } cases[] = {
        {QTime(0, 30, 5), u"Photo 0704-123005.jpg"},
        {QTime(9, 2, 0), u"Photo 0704-090200.jpg"},
        {QTime(12, 0, 0), u"Photo 0704-120000.jpg"},
        {QTime(13, 5, 9), u"Photo 0704-010509.jpg"},
    };
    for (const auto& c : cases) {
        const QDateTime local(QDate(2026, 7, 4), c.time, Qt::LocalTime);
        EXPECT_EQ(ZVFilePicker::photoFileName(local), QString::fromUtf16(c.name));
    }
}

TEST_F(FilePickerTest, TheLastPhotoGoesWithoutAnInterfaceAndAnEmptyLibraryGivesNothing) {
    ZVFilePicker::getNewestPhoto(nullptr, [this](const QUrl& url) { picked << url; });
    scheduler().runPending();
    EXPECT_TRUE(picked.isEmpty());

    mediatest::writeMediaFile(library, u"IMG_1.jpg"_s,
                              zvtest::solidImageBytes({8, 8}, Qt::red, "JPEG"));
    choose(*menu(), u"Use last photo taken"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return !picked.isEmpty(); }));
    EXPECT_TRUE(platform::PhotoLibrary::isAssetsLibraryURL(picked[0]));
    EXPECT_FALSE(ZVFilePicker::current());
}

// On a tablet the picker shows in a popover at the anchor, and the confirmation takes its place
// there; nothing is pushed on the navigation.
TEST_F(FilePickerTest, OnATabletThePickerAndItsConfirmationShareOnePopover) {
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
    mediatest::writeMediaFile(library, u"IMG_1.png"_s, zvtest::solidImageBytes({20, 10}, Qt::red));
    const std::size_t depth = navigation->viewControllers().size();
    choose(*menu(), u"Choose from library"_s);
    settle();
    const auto open = ZVFilePicker::current();
    ASSERT_TRUE(open);
    const auto popover = open->popover();
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    const auto picker = open->imagePickerController();
    EXPECT_EQ(popover->contentViewController(), picker);
    EXPECT_FALSE(picker->isPresented());
    ASSERT_TRUE(scheduler().runUntil([&] { return picker->items().size() == 1; }));

    ASSERT_TRUE(picker->pickItem(0));
    settle();
    auto previewer = open->previewer();
    ASSERT_TRUE(previewer);
    EXPECT_EQ(popover->contentViewController(), previewer);
    EXPECT_EQ(navigation->viewControllers().size(), depth);
    previewer->cancelTapped();
    settle();
    EXPECT_EQ(popover->contentViewController(), picker);
    EXPECT_TRUE(picked.isEmpty());

    ASSERT_TRUE(picker->pickItem(0));
    settle();
    previewer = open->previewer();
    ASSERT_TRUE(previewer);
    previewer->selectTapped();
    settle();
    ASSERT_EQ(picked.size(), 1);
    EXPECT_TRUE(platform::PhotoLibrary::isAssetsLibraryURL(picked[0]));
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_FALSE(ZVFilePicker::current());

    // A touch outside the popover ends the pick, handing nothing on.
    choose(*menu(), u"Choose from library"_s);
    settle();
    const auto again = ZVFilePicker::current();
    ASSERT_TRUE(again && again->popover());
    const auto window = globals().window();
    const QRectF shown = again->popover()->popoverFrame();
    const QPointF outside = shown.top() > 1 ? QPointF(shown.center().x(), 1)
                                            : QPointF(1, window->bounds().bottom() - 1);
    ASSERT_FALSE(shown.contains(outside));
    window->sendTouch(1, platform::TouchPhase::Began, outside);
    window->sendTouch(1, platform::TouchPhase::Ended, outside);
    settle();
    EXPECT_FALSE(ZVFilePicker::current());
    EXPECT_EQ(picked.size(), 1);
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
}

}  // namespace
