#pragma once

#include "platform/media/PhotoLibrary.h"
#include "platform/ui/controllers/ViewController.h"

#include <QtCore/QStringList>
#include <QtCore/QUrl>
#include <QtCore/QVariantMap>
#include <QtGui/QImage>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class ImagePicker;

// The platform's numbers.
enum class ImagePickerSourceType : int { PhotoLibrary = 0, Camera = 1, SavedPhotosAlbum = 2 };
enum class ImagePickerCameraDevice : int { Rear = 0, Front = 1 };

// What a pick hands over.
struct PickedMedia {
    static const QString kImageType;
    static const QString kMovieType;

    QString mediaType;
    // The library item picked; empty for a new camera photo.
    QUrl referenceUrl;
    // Pictures only.
    QImage originalImage;
    // Never set here: the picker offers no editing.
    QImage editedImage;
    // A camera photo's: "Orientation" (1 to 8, as cameras record it).
    QVariantMap metadata;
};

class ImagePickerDelegate {
public:
    virtual ~ImagePickerDelegate() = default;
    // The picker stays on screen: the delegate dismisses it.
    virtual void didFinishPicking(ImagePicker& picker, const PickedMedia& media) {
        (void)picker, (void)media;
    }
    virtual void didCancel(ImagePicker& picker) { (void)picker; }
};

// A controller that picks a photo or video of the photo library (PhotoLibrary's folder), or takes
// a photo with the camera, presented like any controller (full screen, or in a popover). There is
// no camera device on a desktop: the camera is a folder (cameraDirectory(), its front camera the
// "Front" folder inside it) whose newest picture is what it sees. ImagePicker::create() gives the
// picker that draws; tests install a factory of fakes. Main thread only.
class ImagePicker : public ViewController {
public:
    using Factory = std::function<std::shared_ptr<ImagePicker>()>;
    using AssetPtr = PhotoLibrary::AssetPtr;

    static std::shared_ptr<ImagePicker> create();
    // Null goes back to the picker that draws.
    static void setFactory(Factory factory);

    static bool isSourceTypeAvailable(ImagePickerSourceType source);
    static QStringList availableMediaTypes(ImagePickerSourceType source);
    static bool isCameraDeviceAvailable(ImagePickerCameraDevice device);
    // "<root>/Media/Camera" unless set; a null path goes back to it.
    static QString cameraDirectory();
    static void setCameraDirectory(const QString& path);
    // The file of what a camera sees now: the newest picture in its folder; empty without one.
    static QString cameraPicture(ImagePickerCameraDevice device);

    ImagePickerSourceType sourceType() const { return sourceType_; }
    void setSourceType(ImagePickerSourceType source) { sourceType_ = source; }
    // Pictures only unless set.
    QStringList mediaTypes() const { return mediaTypes_; }
    void setMediaTypes(const QStringList& types) { mediaTypes_ = types; }
    ImagePickerCameraDevice cameraDevice() const { return cameraDevice_; }
    void setCameraDevice(ImagePickerCameraDevice device) { cameraDevice_ = device; }
    std::shared_ptr<ImagePickerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ImagePickerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Presents the picker full screen from the topmost controller of `from`'s window. False when
    // there is none, the source is not available, or the picker is shown already.
    bool present(View& from, bool animated, Completion shown = {});
    void dismiss(bool animated, Completion completion = {});
    bool isPresented() const { return presentingViewController() != nullptr; }
    // Presented, or in a window otherwise (a popover): the user can pick.
    bool isShowing() const;

    // The library's items of the media types, newest first, read each time the picker is about to
    // show; empty until they are read, and when the library cannot be read (accessDenied()).
    const std::vector<AssetPtr>& items() const { return items_; }
    bool accessDenied() const { return accessDenied_; }
    // The user's choices, as the picker's views make them. False when there is nothing to pick.
    bool pickItem(int index);
    bool takePicture();
    void cancel();

    void viewWillAppear(bool animated) override;

protected:
    // The items have been read (or could not be).
    virtual void itemsDidLoad() {}

private:
    void loadItems();
    bool accepts(const Asset& asset) const;

    ImagePickerSourceType sourceType_ = ImagePickerSourceType::PhotoLibrary;
    QStringList mediaTypes_{PickedMedia::kImageType};
    ImagePickerCameraDevice cameraDevice_ = ImagePickerCameraDevice::Rear;
    std::weak_ptr<ImagePickerDelegate> delegate_;
    std::vector<AssetPtr> items_;
    bool accessDenied_ = false;
    // Each read supersedes an earlier one still under way.
    int load_ = 0;
};

}  // namespace platform
