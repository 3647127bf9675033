#include "platform/ui/standins/GridImagePicker.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/standins/TitledPage.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QImageReader>

namespace platform {

namespace {

constexpr qreal kUsePhotoHeight = 60;
const QColor kVideoTileColor(60, 60, 60);
const QString kNoAccessText = QStringLiteral("This application has no access to your photos.");

// A tile's picture, small: the grid decodes no more than it shows.
QImage thumbnail(const Asset& asset, qreal side) {
    QImage image = asset.defaultRepresentation()->fullResolutionImage();
    if (image.isNull()) {
        return image;
    }
    return image.scaled(QSizeF(side, side).toSize() * 2, Qt::KeepAspectRatioByExpanding,
                        Qt::SmoothTransformation);
}

}  // namespace

void GridImagePicker::loadView() {
    const bool camera = sourceType() == ImagePickerSourceType::Camera;
    const std::weak_ptr<ImagePicker> weak =
        std::static_pointer_cast<ImagePicker>(shared_from_this());
    page_ =
        std::make_shared<TitledPage>(camera ? QStringLiteral("Camera") : QStringLiteral("Photos"),
                                     QStringLiteral("Cancel"), [weak] {
                                         if (const auto self = weak.lock()) {
                                             self->cancel();
                                         }
                                     });
    setView(page_);
}

void GridImagePicker::viewWillAppear(bool animated) {
    clearTiles();
    page_->setNotice(QString());
    // Reads the library's items again, or nothing for the camera.
    ImagePicker::viewWillAppear(animated);
    if (sourceType() == ImagePickerSourceType::Camera) {
        showCamera();
    }
}

void GridImagePicker::clearTiles() {
    for (const auto& tile : tiles_) {
        tile->removeFromSuperview();
    }
    tiles_.clear();
}

void GridImagePicker::showCamera() {
    const QRectF area = page_->contentArea();
    // What the camera sees: its newest picture, as the camera would turn it.
    QImageReader reader(cameraPicture(cameraDevice()));
    reader.setAutoTransform(true);
    auto preview = std::make_shared<ImageView>(reader.read());
    preview->setContentMode(ContentMode::ScaleAspectFit);
    preview->setFrame(area.adjusted(0, 0, 0, -kUsePhotoHeight));
    page_->addSubview(preview);
    const std::weak_ptr<ImagePicker> weak =
        std::static_pointer_cast<ImagePicker>(shared_from_this());
    auto use = makeSheetButton(QStringLiteral("Use Photo"), [weak] {
        if (const auto self = weak.lock()) {
            self->takePicture();
        }
    });
    use->setFrame({area.left(), area.bottom() - kUsePhotoHeight, area.width(), kUsePhotoHeight});
    page_->addSubview(use);
    tiles_.push_back(use);
}

void GridImagePicker::itemsDidLoad() {
    if (!page_) {
        return;
    }
    clearTiles();
    if (accessDenied()) {
        page_->setNotice(kNoAccessText);
        return;
    }
    const QRectF area = page_->contentArea();
    const qreal side = (area.width() - (kColumns - 1) * kSpacing) / kColumns;
    const std::weak_ptr<ImagePicker> weak =
        std::static_pointer_cast<ImagePicker>(shared_from_this());
    const auto& assets = items();
    for (int i = 0; i < static_cast<int>(assets.size()); ++i) {
        const QRectF frame(area.left() + (i % kColumns) * (side + kSpacing),
                           area.top() + (i / kColumns) * (side + kSpacing), side, side);
        // Without scrolling, the grid holds the newest items that fit.
        if (frame.bottom() > area.bottom()) {
            break;
        }
        const bool video = assets[i]->type() == AssetType::Video;
        auto tile = makeSheetButton(video ? QStringLiteral("\u25B6") : QString(), [weak, i] {
            if (const auto self = weak.lock()) {
                self->pickItem(i);
            }
        });
        tile->setFrame(frame);
        if (video) {
            tile->setBackgroundColor(kVideoTileColor);
            tile->setTitleColor(Qt::white, Button::Normal);
        } else {
            // The picture fills the tile; the tile takes the touches.
            auto picture = std::make_shared<ImageView>(thumbnail(*assets[i], side));
            picture->setFrame(tile->bounds());
            picture->setContentMode(ContentMode::ScaleAspectFill);
            picture->setClipsToBounds(true);
            picture->setUserInteractionEnabled(false);
            tile->addSubview(picture);
        }
        page_->addSubview(tile);
        tiles_.push_back(tile);
    }
}

}  // namespace platform
