#pragma once

#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QByteArray>
#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtGui/QImage>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A medium the user attaches (a local file or a photo), loaded for sending: its bytes, name and
// size, the picture's size, a thumbnail to show and, for a large picture, a reduced copy to send
// instead.
//
// Loading (neither data nor error), loaded (data set) or failed (error set). Handlers added while
// loading wait for the end of the load; added later, they run at once. Main thread.
class ZVURLRepresentation : public std::enable_shared_from_this<ZVURLRepresentation> {
public:
    using Handler = std::function<void(const std::shared_ptr<ZVURLRepresentation>&)>;
    using ErrorHandler = std::function<void(const ZVErrorPtr&)>;

    // The longer side of a thumbnail, in points.
    static constexpr float ThumbnailSide = 288;
    // A picture whose longer side exceeds this many pixels gets a reduced copy of that side.
    static constexpr float MaxSentSide = 1024;

    virtual ~ZVURLRepresentation();
    ZVURLRepresentation(const ZVURLRepresentation&) = delete;
    ZVURLRepresentation& operator=(const ZVURLRepresentation&) = delete;

    // Either may be empty. Loaded: the handler runs now; failed: the error handler runs now;
    // loading: both wait, after the ones already waiting.
    void addHandler(Handler handler, ErrorHandler errorHandler);
    // Runs the waiting handlers with this representation and forgets all waiting handlers.
    void handleCompletion();
    // Keeps the error and runs the waiting error handlers with it; they are forgotten, the waiting
    // completion handlers are kept.
    void handleError(const ZVErrorPtr& error);

    const std::optional<QByteArray>& data() const { return data_; }
    void setData(std::optional<QByteArray> data) { data_ = std::move(data); }
    // Null when there is none.
    const QImage& thumbnail() const { return thumbnail_; }
    void setThumbnail(QImage thumbnail) { thumbnail_ = std::move(thumbnail); }
    const QString& fileName() const { return fileName_; }
    void setFileName(QString fileName) { fileName_ = std::move(fileName); }
    qint64 fileSize() const { return fileSize_; }
    void setFileSize(qint64 fileSize) { fileSize_ = fileSize; }
    // In pixels, as shown (turned upright); empty for a non-picture.
    QSizeF imageSize() const { return imageSize_; }
    void setImageSize(QSizeF imageSize) { imageSize_ = imageSize; }
    const std::shared_ptr<ZVURLRepresentation>& resized() const { return resized_; }
    void setResized(std::shared_ptr<ZVURLRepresentation> resized) { resized_ = std::move(resized); }
    const ZVErrorPtr& error() const { return error_; }

    // "jpg", "jpeg" or "png", in any case.
    static bool hasPictureExtension(const QString& fileName);

protected:
    ZVURLRepresentation() = default;

    // Decodes encoded picture bytes turned upright by their orientation tag; null when they are
    // not a picture. Any thread.
    static QImage decodeImage(const QByteArray& bytes);
    // The display copy of a picture for a screen of that scale. Any thread.
    static QImage makeThumbnail(const QImage& image, double screenScale);
    // True when a picture of that size gets a reduced copy.
    static bool needsReducedCopy(QSizeF imageSize);

private:
    std::optional<QByteArray> data_;
    QImage thumbnail_;
    QString fileName_;
    qint64 fileSize_ = 0;
    QSizeF imageSize_{0, 0};
    std::shared_ptr<ZVURLRepresentation> resized_;
    ZVErrorPtr error_;
    std::vector<Handler> handlers_;
    std::vector<ErrorHandler> errorHandlers_;
};

using ZVURLRepresentationPtr = std::shared_ptr<ZVURLRepresentation>;
