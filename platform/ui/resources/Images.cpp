#include "platform/ui/resources/Images.h"

#include "platform/foundation/Resources.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QHash>
#include <QtCore/QSemaphore>
#include <QtCore/QThread>
#include <QtCore/QThreadPool>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

#include <cmath>
#include <functional>
#include <future>
#include <memory>

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

// Pictures being drawn ahead of need, by cache key.
QHash<QString, std::shared_future<QImage>>& pending() {
    static QHash<QString, std::shared_future<QImage>>* drawing = [] {
        auto* made = new QHash<QString, std::shared_future<QImage>>();
        onResetSharedState([made] { made->clear(); });
        return made;
    }();
    return *drawing;
}

QString keyFor(const QString& name, qreal scale) {
    return name + QLatin1Char('@') + QString::number(scale);
}

bool isValidName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1String(".."));
}

QString svgPath(const QString& name) {
    return Resources::pathForResource(kFolder + name, QStringLiteral("svg"));
}

// Qt splits a blend of many spans (an antialiased shape with some transparency) across the global
// thread pool, unless it already runs on one of its threads. For icon-sized pictures the hand-offs
// cost more than the drawing, and on a busy machine the caller waits for every piece, so the whole
// picture is drawn in one task there when a thread is free.
QImage drawInOneTask(const std::function<QImage()>& draw) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        return draw();
    }
    QImage image;
    QSemaphore done;
    if (pool->tryStart([&] {
            image = draw();
            done.release();
        })) {
        done.acquire();
        return image;
    }
    return draw();
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

QImage readSvgPremultiplied(const QString& path, qreal scale) {
    return readSvg(path, scale).convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
    if (!isValidName(name)) {
        return {};
    }
    const QString key = keyFor(name, scale);
    if (const auto it = cache().constFind(key); it != cache().constEnd()) {
        return *it;
    }
    QImage image;
    if (const auto drawing = pending().find(key); drawing != pending().end()) {
        image = drawing->get();
        pending().erase(drawing);
    } else if (const QString svg = svgPath(name); !svg.isNull()) {
        image = drawInOneTask([&] { return readSvgPremultiplied(svg, scale); });
    } else {
        image = readPng(name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (!image.isNull()) {
        cache().insert(key, image);
    }
    return image;
}

void Images::preload(const QStringList& names, qreal scale) {
    for (const QString& name : names) {
        const QString key = keyFor(name, scale);
        if (!isValidName(name) || cache().contains(key) || pending().contains(key)) {
            continue;
        }
        const QString svg = svgPath(name);
        if (svg.isNull()) {
            continue;
        }
        auto promise = std::make_shared<std::promise<QImage>>();
        // Without a free thread the picture is simply drawn when it is first asked for.
        if (QThreadPool::globalInstance()->tryStart(
                [promise, svg, scale] { promise->set_value(readSvgPremultiplied(svg, scale)); })) {
            pending().insert(key, promise->get_future().share());
        }
    }
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
    pending().clear();
}

}  // namespace platform
