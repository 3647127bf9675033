#include "platform/ui/view/ShadowPainter.h"

#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

namespace {

// Three box blurs approach a gaussian closely enough for a shadow.
constexpr int kBlurPasses = 3;

void boxBlurLine(uchar* data, int count, int stride, int radius, std::vector<int>& buffer) {
    buffer.assign(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        buffer[static_cast<std::size_t>(i)] = data[i * stride];
    }
    const int window = 2 * radius + 1;
    int sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        sum += buffer[static_cast<std::size_t>(std::clamp(i, 0, count - 1))];
    }
    for (int i = 0; i < count; ++i) {
        data[i * stride] = static_cast<uchar>(sum / window);
        const int out = std::clamp(i - radius, 0, count - 1);
        const int in = std::clamp(i + radius + 1, 0, count - 1);
        sum += buffer[static_cast<std::size_t>(in)] - buffer[static_cast<std::size_t>(out)];
    }
}

void blur(QImage& mask, int radius) {
    if (radius < 1) {
        return;
    }
    std::vector<int> buffer;
    const int width = mask.width();
    const int height = mask.height();
    const int stride = static_cast<int>(mask.bytesPerLine());
    uchar* bits = mask.bits();
    for (int pass = 0; pass < kBlurPasses; ++pass) {
        for (int y = 0; y < height; ++y) {
            boxBlurLine(bits + y * stride, width, 1, radius, buffer);
        }
        for (int x = 0; x < width; ++x) {
            boxBlurLine(bits + x, height, stride, radius, buffer);
        }
    }
}

}  // namespace

void paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal opacity,
                 qreal radius, QPointF offset) {
    const qreal scale = std::max<qreal>(1, std::abs(painter.deviceTransform().m11()));
    const QRectF area =
        shape.boundingRect().adjusted(-radius * 2, -radius * 2, radius * 2, radius * 2);
    const QSize pixels(std::max(1, qCeil(area.width() * scale)),
                       std::max(1, qCeil(area.height() * scale)));
    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter maskPainter(&mask);
        maskPainter.setRenderHint(QPainter::Antialiasing);
        maskPainter.scale(scale, scale);
        maskPainter.translate(-area.topLeft());
        maskPainter.fillPath(shape, Qt::black);
    }
    // Each pass of a box of half-width r spreads by about r; three passes make the radius.
    blur(mask, static_cast<int>(std::lround(radius * scale / kBlurPasses)));
    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    QColor tint = color;
    tint.setAlphaF(tint.alphaF() * std::clamp<qreal>(opacity, 0, 1));
    shadow.fill(tint);
    {
        QPainter tintPainter(&shadow);
        tintPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        tintPainter.drawImage(0, 0, mask);
    }
    painter.drawImage(QRectF(area.topLeft() + offset, area.size()), shadow);
}

}  // namespace platform
