#pragma once

#include <QtCore/QBuffer>
#include <QtCore/QByteArray>
#include <QtGui/QColor>
#include <QtGui/QImage>

namespace zvtest {

// `image` as the bytes of a file of `format` ("PNG", "JPEG", ...).
inline QByteArray encodeImage(const QImage& image, const char* format = "PNG") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A picture of one colour, as the bytes of a file of `format`.
inline QByteArray solidImageBytes(QSize size, const QColor& colour, const char* format = "PNG") {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return encodeImage(image, format);
}

}  // namespace zvtest
