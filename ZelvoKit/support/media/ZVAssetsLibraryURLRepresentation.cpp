#include "ZelvoKit/support/media/ZVAssetsLibraryURLRepresentation.h"

#include "ZelvoKit/support/media/ImageUtils.h"
#include "platform/foundation/Scheduler.h"
#include "platform/media/PhotoLibrary.h"

#include <QtCore/QBuffer>
#include <QtCore/QFileInfo>
#include <QtCore/QThreadPool>

namespace {

using platform::AssetRepresentation;
using platform::ImageOrientation;
using platform::PhotoLibraryError;

// Marks a read error that the photo library did not fill in.
constexpr int kNoError = 0;

ZVErrorPtr toError(const PhotoLibraryError& error) {
    return ZVError::errorWithDomain(
        error.domain(), error.code(),
        {{ZVError::LocalizedDescriptionKey, error.localizedDescription()}});
}

bool isQuarterTurn(ImageOrientation orientation) {
    switch (orientation) {
        case ImageOrientation::Left:
        case ImageOrientation::Right:
        case ImageOrientation::LeftMirrored:
        case ImageOrientation::RightMirrored:
            return true;
        default:
            return false;
    }
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

}  // namespace

// What the worker makes of an asset, applied on the main thread.
struct ZVAssetsLibraryURLRepresentation::LoadedAsset {
    QString fileName;
    qint64 fileSize = 0;
    QSizeF imageSize;
    std::optional<QByteArray> data;
    ZVErrorPtr error;
    QImage thumbnail;
    ZVURLRepresentationPtr resized;
};

std::shared_ptr<ZVAssetsLibraryURLRepresentation> ZVAssetsLibraryURLRepresentation::create(
    const QUrl& url, QThreadPool& pool) {
    std::shared_ptr<ZVAssetsLibraryURLRepresentation> representation(
        new ZVAssetsLibraryURLRepresentation());
    representation->load(url, pool);
    return representation;
}

void ZVAssetsLibraryURLRepresentation::load(const QUrl& url, QThreadPool& pool) {
    // Held strongly: whoever asked still waits for an answer after the loader forgets this object.
    const auto self =
        std::static_pointer_cast<ZVAssetsLibraryURLRepresentation>(shared_from_this());
    auto found = [self, url, pool = &pool](const platform::PhotoLibrary::AssetPtr& asset) {
        if (!asset) {
            self->handleError(toError(PhotoLibraryError(PhotoLibraryError::DataUnavailable,
                                                        QStringLiteral("No asset for the URL"))));
            return;
        }
        const double screenScale = ScreenScale();
        const bool isPhoto = asset->type() == platform::AssetType::Photo;
        pool->start(
            [self = self, stored = asset->defaultRepresentation(), isPhoto, screenScale]() mutable {
                auto loaded = std::make_shared<LoadedAsset>(read(*stored, isPhoto, screenScale));
                // The last reference may be this one; its handlers must die on the main thread.
                platform::Scheduler::main().post(
                    [self = std::move(self), loaded] { self->apply(std::move(*loaded)); });
            });
    };
    platform::PhotoLibrary::shared().assetForURL(
        url, std::move(found),
        [self](const PhotoLibraryError& error) { self->handleError(toError(error)); });
}

ZVAssetsLibraryURLRepresentation::LoadedAsset ZVAssetsLibraryURLRepresentation::read(
    const AssetRepresentation& stored, bool isPhoto, double screenScale) {
    LoadedAsset loaded;
    loaded.fileName = stored.filename();
    loaded.fileSize = stored.size();
    QSizeF dimensions(stored.dimensions());
    // Shown turned, so a photo taken upright is as tall as its thumbnail.
    if (isQuarterTurn(stored.orientation()))
        dimensions.transpose();
    loaded.imageSize = dimensions;

    PhotoLibraryError readError(kNoError, QString());
    QByteArray bytes = stored.getBytes(0, loaded.fileSize, &readError);
    if (readError.code() != kNoError) {
        loaded.error = toError(readError);
        return loaded;
    }
    const QImage image = isPhoto ? decodeImage(bytes) : QImage();
    loaded.data = std::move(bytes);
    if (image.isNull())
        return loaded;
    QImage fullResolution = image;
    fullResolution.setDevicePixelRatio(stored.scale());
    loaded.thumbnail = makeThumbnail(fullResolution, screenScale);
    if (hasPictureExtension(loaded.fileName) && needsReducedCopy(loaded.imageSize)) {
        auto reduced = createWithImage(fullResolution, loaded.fileName);
        if (reduced->data())
            loaded.resized = std::move(reduced);
    }
    return loaded;
}

void ZVAssetsLibraryURLRepresentation::apply(LoadedAsset loaded) {
    setFileName(std::move(loaded.fileName));
    setFileSize(loaded.fileSize);
    setImageSize(loaded.imageSize);
    if (loaded.error) {
        handleError(loaded.error);
        return;
    }
    setData(std::move(loaded.data));
    setThumbnail(std::move(loaded.thumbnail));
    setResized(std::move(loaded.resized));
    handleCompletion();
}

std::shared_ptr<ZVAssetsLibraryURLRepresentation> ZVAssetsLibraryURLRepresentation::createWithImage(
    const QImage& image, const QString& fileName) {
    std::shared_ptr<ZVAssetsLibraryURLRepresentation> representation(
        new ZVAssetsLibraryURLRepresentation());
    const QImage reduced = ResizeImageToMaxSide(image, MaxSentSide);
    const QString extension = QFileInfo(fileName).suffix().toLower();
    const bool asJpeg = extension == u"jpg" || extension == u"jpeg";
    const QByteArray bytes = reduced.isNull() ? QByteArray()
                             : asJpeg         ? ImageToJpeg(reduced)
                                              : encodePng(reduced);
    representation->setFileName(fileName);
    if (!bytes.isEmpty()) {
        representation->setData(bytes);
        representation->setFileSize(bytes.size());
    }
    representation->setImageSize(QSizeF(reduced.size()));
    return representation;
}
