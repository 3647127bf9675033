#include "ZelvoKit/support/media/ZVURLRepresentation.h"

#include "ZelvoKit/support/media/ImageUtils.h"

#include <QtCore/QBuffer>
#include <QtCore/QFileInfo>
#include <QtGui/QImageReader>

ZVURLRepresentation::~ZVURLRepresentation() = default;

void ZVURLRepresentation::addHandler(Handler handler, ErrorHandler errorHandler) {
    if (data_) {
        if (handler)
            handler(shared_from_this());
        return;
    }
    if (error_) {
        if (errorHandler)
            errorHandler(error_);
        return;
    }
    if (handler)
        handlers_.push_back(std::move(handler));
    if (errorHandler)
        errorHandlers_.push_back(std::move(errorHandler));
}

void ZVURLRepresentation::handleCompletion() {
    // A handler may empty the loader's cache and with it the last other reference to this object.
    const std::shared_ptr<ZVURLRepresentation> self = shared_from_this();
    const std::vector<Handler> handlers = std::move(handlers_);
    handlers_.clear();
    errorHandlers_.clear();
    for (const Handler& handler : handlers)
        handler(self);
}

void ZVURLRepresentation::handleError(const ZVErrorPtr& error) {
    const std::shared_ptr<ZVURLRepresentation> self = shared_from_this();
    error_ = error;
    const std::vector<ErrorHandler> errorHandlers = std::move(errorHandlers_);
    errorHandlers_.clear();
    for (const ErrorHandler& errorHandler : errorHandlers)
        errorHandler(error);
}

bool ZVURLRepresentation::hasPictureExtension(const QString& fileName) {
    const QString extension = QFileInfo(fileName).suffix().toLower();
    return extension == u"jpg" || extension == u"jpeg" || extension == u"png";
}

QImage ZVURLRepresentation::decodeImage(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Cameras store pictures as the sensor saw them and say in a tag how to turn them.
    reader.setAutoTransform(true);
    return reader.read();
}

QImage ZVURLRepresentation::makeThumbnail(const QImage& image, double screenScale) {
    return ResizeImageToMaxSide(image, float(ThumbnailSide * screenScale));
}

bool ZVURLRepresentation::needsReducedCopy(QSizeF imageSize) {
    return std::max(imageSize.width(), imageSize.height()) > MaxSentSide;
}
