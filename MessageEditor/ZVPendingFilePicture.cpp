#include "MessageEditor/ZVPendingFilePicture.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QFileInfo>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

std::shared_ptr<ZVPendingFilePicture> ZVPendingFilePicture::proportional(
    const std::shared_ptr<File>& file, qreal height) {
    auto picture = View::make<ZVPendingFilePicture>(file, QSizeF(height, height), true);
    picture->load();
    return picture;
}

std::shared_ptr<ZVPendingFilePicture> ZVPendingFilePicture::sized(const std::shared_ptr<File>& file,
                                                                  QSizeF size) {
    auto picture = View::make<ZVPendingFilePicture>(file, size, false);
    picture->load();
    return picture;
}

ZVPendingFilePicture::ZVPendingFilePicture(const std::shared_ptr<File>& file, QSizeF size,
                                           bool proportional)
    : View(QRectF(QPointF(), size)),
      file_(file),
      extension_(QFileInfo(file ? file->fileName() : QString()).suffix().toUpper()),
      proportional_(proportional) {
    setUserInteractionEnabled(false);
    setClipsToBounds(true);
}

void ZVPendingFilePicture::load() {
    const auto file = file_.lock();
    if (!file || !ZVURLLoader::isLocalURL(file->fileUrl())) {
        return;
    }
    const std::weak_ptr<View> weak = weak_from_this();
    ZVURLLoader::loader().representationForUrl(
        QUrl(file->fileUrl()),
        [weak](const std::shared_ptr<ZVURLRepresentation>& representation) {
            if (const auto self = std::static_pointer_cast<ZVPendingFilePicture>(weak.lock())) {
                self->setImage(representation->thumbnail(), representation->imageSize());
            }
        },
        // A picture that cannot be read keeps its tile.
        [](const ZVErrorPtr&) {});
}

void ZVPendingFilePicture::setImage(const QImage& image, QSizeF pictureSize) {
    if (image.isNull()) {
        return;
    }
    image_ = image;
    if (pictureSize.isEmpty()) {
        pictureSize = image.deviceIndependentSize();
    }
    if (proportional_ && !pictureSize.isEmpty()) {
        const qreal height = bounds().height();
        const QRectF old = frame();
        setFrame(QRectF(old.topLeft(),
                        QSizeF(height * pictureSize.width() / pictureSize.height(), height)));
        if (superview()) {
            superview()->setNeedsLayout();
        }
    }
    setNeedsDisplay();
}

void ZVPendingFilePicture::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const QRectF box = bounds();
    QPainterPath shape;
    shape.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(shape);
    if (image_.isNull()) {
        painter.fillRect(box, platform::resolveColor(colorWithName(QStringLiteral("lighterGray"))));
        painter.setFont(ZVTextStyles::qfontForStyle(kExtensionStyle));
        painter.setPen(platform::resolveColor(ZVTextStyles::colorForStyle(kExtensionStyle)));
        painter.drawText(box, Qt::AlignCenter, extension_);
    } else {
        const QSizeF fitted =
            image_.deviceIndependentSize().scaled(box.size(), Qt::KeepAspectRatio);
        const QRectF target(box.center() - QPointF(fitted.width(), fitted.height()) / 2, fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }
    painter.restore();
}
