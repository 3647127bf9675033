#include "platform/ui/standins/ImagePicker.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/GridImagePicker.h"
#include "platform/ui/standins/TopmostController.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QImageReader>

#include <algorithm>

namespace platform {

const QString PickedMedia::kImageType = QStringLiteral("public.image");
const QString PickedMedia::kMovieType = QStringLiteral("public.movie");

namespace {

const QString kCameraFolder = QStringLiteral("Media/Camera");
const QString kFrontFolder = QStringLiteral("Front");

struct CameraSettings {
    QString directory;
};

// The newest picture straight inside `folder`; empty when there is none.
QString newestPicture(const QString& folder) {
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Time);
    for (const QFileInfo& file : files) {
        if (!QImageReader::imageFormat(file.filePath()).isEmpty()) {
            return file.filePath();
        }
    }
    return {};
}

// The orientation a camera records (1 to 8) for each of the reader's transformations, by their
// numbers.
constexpr int kExifOrientation[] = {1, 2, 4, 3, 6, 7, 5, 8};

QString cameraFolder(ImagePickerCameraDevice device) {
    const QString base = ImagePicker::cameraDirectory();
    return device == ImagePickerCameraDevice::Front ? QDir(base).filePath(kFrontFolder) : base;
}

}  // namespace

std::shared_ptr<ImagePicker> ImagePicker::create() {
    const Factory& factory = sharedSlot<Factory>();
    return factory ? factory() : std::make_shared<GridImagePicker>();
}

void ImagePicker::setFactory(Factory factory) {
    sharedSlot<Factory>() = std::move(factory);
}

QString ImagePicker::cameraDirectory() {
    const QString& set = sharedSlot<CameraSettings>().directory;
    return set.isNull() ? QDir(Paths::root()).filePath(kCameraFolder) : set;
}

void ImagePicker::setCameraDirectory(const QString& path) {
    sharedSlot<CameraSettings>().directory = path;
}

QString ImagePicker::cameraPicture(ImagePickerCameraDevice device) {
    return newestPicture(cameraFolder(device));
}

bool ImagePicker::isCameraDeviceAvailable(ImagePickerCameraDevice device) {
    return !cameraPicture(device).isEmpty();
}

bool ImagePicker::isSourceTypeAvailable(ImagePickerSourceType source) {
    if (source == ImagePickerSourceType::Camera) {
        return isCameraDeviceAvailable(ImagePickerCameraDevice::Rear) ||
               isCameraDeviceAvailable(ImagePickerCameraDevice::Front);
    }
    return QFileInfo(PhotoLibrary::shared().directory()).isDir();
}

QStringList ImagePicker::availableMediaTypes(ImagePickerSourceType source) {
    if (!isSourceTypeAvailable(source)) {
        return {};
    }
    if (source == ImagePickerSourceType::Camera) {
        return {PickedMedia::kImageType};
    }
    return {PickedMedia::kImageType, PickedMedia::kMovieType};
}

bool ImagePicker::present(View& from, bool animated, Completion shown) {
    Window* window = from.window();
    ViewController* presenter = window != nullptr ? topmostController(*window) : nullptr;
    if (presenter == nullptr || isPresented() || !isSourceTypeAvailable(sourceType_)) {
        return false;
    }
    setModalPresentationStyle(ModalPresentationStyle::FullScreen);
    return presenter->presentViewController(shared_from_this(), animated, std::move(shown));
}

void ImagePicker::dismiss(bool animated, Completion completion) {
    if (!isPresented()) {
        if (completion) {
            completion();
        }
        return;
    }
    dismissViewController(animated, std::move(completion));
}

void ImagePicker::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    items_.clear();
    accessDenied_ = false;
    if (sourceType_ != ImagePickerSourceType::Camera) {
        loadItems();
    }
}

bool ImagePicker::accepts(const Asset& asset) const {
    return mediaTypes_.contains(asset.type() == AssetType::Video ? PickedMedia::kMovieType
                                                                 : PickedMedia::kImageType);
}

void ImagePicker::loadItems() {
    const int load = ++load_;
    const std::weak_ptr<ImagePicker> weak =
        std::static_pointer_cast<ImagePicker>(shared_from_this());
    PhotoLibrary::shared().enumerateSavedPhotos(
        AssetsFilter::AllAssets,
        [weak, load](std::vector<AssetPtr> assets) {
            const auto self = weak.lock();
            if (!self || load != self->load_) {
                return;
            }
            std::erase_if(assets, [&](const AssetPtr& asset) { return !self->accepts(*asset); });
            std::reverse(assets.begin(), assets.end());
            self->items_ = std::move(assets);
            self->itemsDidLoad();
        },
        [weak, load](const PhotoLibraryError&) {
            const auto self = weak.lock();
            if (!self || load != self->load_) {
                return;
            }
            self->accessDenied_ = true;
            self->itemsDidLoad();
        });
}

bool ImagePicker::isShowing() const {
    const auto shown = viewIfLoaded();
    return isPresented() || (shown && shown->window() != nullptr);
}

bool ImagePicker::pickItem(int index) {
    if (!isShowing() || index < 0 || index >= static_cast<int>(items_.size())) {
        return false;
    }
    const AssetPtr& asset = items_[index];
    PickedMedia media;
    media.referenceUrl = asset->url();
    if (asset->type() == AssetType::Video) {
        media.mediaType = PickedMedia::kMovieType;
    } else {
        media.mediaType = PickedMedia::kImageType;
        media.originalImage = asset->defaultRepresentation()->fullResolutionImage();
        if (media.originalImage.isNull()) {
            // Gone or unreadable since the list was read: nothing to hand over.
            return false;
        }
    }
    if (const auto current = delegate()) {
        current->didFinishPicking(*this, media);
    }
    return true;
}

bool ImagePicker::takePicture() {
    if (!isShowing() || sourceType_ != ImagePickerSourceType::Camera) {
        return false;
    }
    QImageReader reader(cameraPicture(cameraDevice_));
    // Handed over as the camera took it, turned by its orientation only in the metadata.
    reader.setAutoTransform(false);
    PickedMedia media;
    media.mediaType = PickedMedia::kImageType;
    media.originalImage = reader.read();
    if (media.originalImage.isNull()) {
        return false;
    }
    media.metadata.insert(QStringLiteral("Orientation"),
                          kExifOrientation[static_cast<int>(reader.transformation()) & 7]);
    if (const auto current = delegate()) {
        current->didFinishPicking(*this, media);
    }
    return true;
}

void ImagePicker::cancel() {
    if (!isShowing()) {
        return;
    }
    if (const auto current = delegate()) {
        current->didCancel(*this);
    }
}

}  // namespace platform
