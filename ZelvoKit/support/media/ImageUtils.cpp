#include "ZelvoKit/support/media/ImageUtils.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"

#include <QtCore/QBuffer>
#include <QtCore/QtMath>
#include <QtGui/QImageWriter>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace {

constexpr qreal kFrameLineWidth = 1.0;
const QColor kFrameColour = QColor::fromRgbF(0.5, 0.5, 0.5, 0.3);

// JPEG markers and the orientation tag of the EXIF block.
constexpr char kJpegStartOfImage[] = "\xff\xd8";
constexpr unsigned char kJpegApp0 = 0xe0;
constexpr quint16 kExifOrientationTag = 0x0112;
constexpr quint16 kExifTypeShort = 3;

void appendBigEndian16(QByteArray& out, quint16 value) {
    out.append(char(value >> 8));
    out.append(char(value & 0xff));
}

void appendBigEndian32(QByteArray& out, quint32 value) {
    appendBigEndian16(out, quint16(value >> 16));
    appendBigEndian16(out, quint16(value & 0xffff));
}

// An APP1 segment holding a one-entry EXIF directory with the orientation.
QByteArray exifOrientationSegment(int orientation) {
    QByteArray tiff("MM\0\x2a", 4);
    appendBigEndian32(tiff, 8);  // offset of the first directory
    appendBigEndian16(tiff, 1);  // one entry
    appendBigEndian16(tiff, kExifOrientationTag);
    appendBigEndian16(tiff, kExifTypeShort);
    appendBigEndian32(tiff, 1);
    appendBigEndian16(tiff, quint16(orientation));
    appendBigEndian16(tiff, 0);
    appendBigEndian32(tiff, 0);  // no further directory

    QByteArray payload("Exif\0\0", 6);
    payload.append(tiff);
    QByteArray segment("\xff\xe1", 2);
    appendBigEndian16(segment, quint16(payload.size() + 2));
    segment.append(payload);
    return segment;
}

// Puts the segment after the start marker and a JFIF header when there is one, where readers look
// for it.
QByteArray insertSegment(const QByteArray& jpeg, const QByteArray& segment) {
    if (!jpeg.startsWith(kJpegStartOfImage))
        return {};
    qsizetype at = 2;
    if (jpeg.size() >= at + 4 && uchar(jpeg[at]) == 0xff && uchar(jpeg[at + 1]) == kJpegApp0) {
        const qsizetype length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (at + 2 + length <= jpeg.size())
            at += 2 + length;
    }
    QByteArray out = jpeg;
    out.insert(at, segment);
    return out;
}

std::optional<int> orientationFrom(const QVariantMap& metadata) {
    const auto found = metadata.constFind(QLatin1String(kImageMetadataOrientation));
    if (found == metadata.constEnd())
        return std::nullopt;
    bool ok = false;
    const int value = found->toInt(&ok);
    if (!ok || value < 1 || value > 8)
        return std::nullopt;
    return value;
}

}  // namespace

QImage ResizeImageToSize(const QImage& image, float width, float height, bool drawFrame,
                         float cornerRadius) {
    if (image.isNull())
        return {};
    const QSizeF own = image.deviceIndependentSize();
    const qreal ratio = own.height() / own.width();

    QSizeF drawn = own;
    QSizeF canvas = own;
    if (width > 0 && height > 0) {
        drawn =
            width * ratio > height ? QSizeF(width, width * ratio) : QSizeF(height / ratio, height);
        canvas = QSizeF(width, height);
    } else if (width > 0) {
        drawn = canvas = QSizeF(width, width * ratio);
    } else if (height > 0) {
        drawn = canvas = QSizeF(height / ratio, height);
    }
    canvas = QSizeF(qCeil(canvas.width()), qCeil(canvas.height()));

    const qreal scale = image.devicePixelRatio();
    QImage result(qCeil(canvas.width() * scale), qCeil(canvas.height() * scale),
                  QImage::Format_RGB32);
    if (result.isNull())
        return {};
    result.setDevicePixelRatio(scale);
    result.fill(Qt::white);

    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF offset((canvas.width() - drawn.width()) / 2,
                         (canvas.height() - drawn.height()) / 2);
    painter.drawImage(QRectF(offset, drawn), image);
    if (drawFrame) {
        QPainterPath outline;
        outline.addRoundedRect(QRectF(0.5, 0.5, canvas.width() - 1, canvas.height() - 1),
                               cornerRadius, cornerRadius);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kFrameColour, kFrameLineWidth));
        painter.drawPath(outline);
    }
    painter.end();
    return result;
}

QImage ResizeImageToMaxSide(const QImage& image, float side) {
    const QSizeF own = image.deviceIndependentSize();
    if (own.width() > own.height())
        return ResizeImageToSize(image, side, 0);
    return ResizeImageToSize(image, 0, side);
}

QByteArray ImageToJpeg(const QImage& image, const QVariantMap& metadata) {
    QByteArray jpeg;
    bool written = false;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        written = writer.write(image);
    }
    if (written) {
        if (const std::optional<int> orientation = orientationFrom(metadata))
            jpeg = insertSegment(jpeg, exifOrientationSegment(*orientation));
    }
    if (!written || jpeg.isEmpty()) {
        ZVLogError(u"CGImageDestinationFinalize() returned false");
        return {};
    }
    return jpeg;
}

double ScreenScale() {
    return platform::Application::shared().screenScale();
}
