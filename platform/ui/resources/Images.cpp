#include "platform/ui/resources/Images.h"

#include "platform/foundation/Resources.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QHash>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

#include <cmath>

namespace platform {

namespace {

const QString kFolder = QStringLiteral("images/");
const QString kRetinaSuffix = QStringLiteral("@2x");
constexpr qreal kRetinaScale = 2;

QHash<QString, QImage>& cache() {
    static QHash<QString, QImage>* images = [] {
        auto* made = new QHash<QString, QImage>();
        onResetSharedState([made] { made->clear(); });
        return made;
    }();
    return *images;
}

QImage readSvg(const QString& path, qreal scale) {
    QImageReader reader(path);
    const QSize points = reader.size();
    if (!points.isValid()) {
        return {};
    }
    reader.setScaledSize(QSize(qCeil(points.width() * scale), qCeil(points.height() * scale)));
    QImage image = reader.read();
    image.setDevicePixelRatio(scale);
    return image;
}

QImage readPng(const QString& name) {
    QString path =
        Resources::pathForResource(kFolder + name + kRetinaSuffix, QStringLiteral("png"));
    qreal scale = kRetinaScale;
    if (path.isNull()) {
        path = Resources::pathForResource(kFolder + name, QStringLiteral("png"));
        scale = 1;
    }
    if (path.isNull()) {
        return {};
    }
    QImage image(path);
    image.setDevicePixelRatio(scale);
    return image;
}

}  // namespace

QImage Images::named(const QString& name, qreal scale) {
    if (name.isEmpty() || name.contains(QLatin1String(".."))) {
        return {};
    }
    const QString key = name + QLatin1Char('@') + QString::number(scale);
    if (const auto it = cache().constFind(key); it != cache().constEnd()) {
        return *it;
    }
    const QString svg = Resources::pathForResource(kFolder + name, QStringLiteral("svg"));
    QImage image = svg.isNull() ? readPng(name) : readSvg(svg, scale);
    if (!image.isNull()) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        cache().insert(key, image);
    }
    return image;
}

QImage Images::tinted(const QImage& image, const QColor& tint) {
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(image.devicePixelRatio());
    result.fill(tint);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(QPointF(0, 0), image);
    return result;
}

QSizeF Images::pointSize(const QImage& image) {
    return QSizeF(image.size()) / image.devicePixelRatio();
}

void Images::clearCache() {
    cache().clear();
}

}  // namespace platform
