#pragma once

#include "platform/ui/view/View.h"

#include <QtGui/QImage>

#include <memory>

class File;

// The picture of a file picked for the next message, from its local copy: the media loader
// decodes it off the main thread, and until then (or for a file that is no picture) a plain tile
// names the file's extension. The strip's previews and the larger view of its card are these
// until the file views register their own.
class ZVPendingFilePicture : public platform::View {
public:
    static constexpr qreal kCornerRadius = 4;
    static constexpr int kExtensionStyle = 13;

    // `height` high; as wide as the picture's proportions make it once it is there (square until
    // then).
    static std::shared_ptr<ZVPendingFilePicture> proportional(const std::shared_ptr<File>& file,
                                                              qreal height);
    // Of a fixed size; the picture fits inside.
    static std::shared_ptr<ZVPendingFilePicture> sized(const std::shared_ptr<File>& file,
                                                       QSizeF size);

    ZVPendingFilePicture(const std::shared_ptr<File>& file, QSizeF size, bool proportional);

    std::shared_ptr<File> file() const { return file_.lock(); }
    // Null until decoded, and for a file that is no picture.
    const QImage& image() const { return image_; }

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    void load();
    void setImage(const QImage& image, QSizeF pictureSize);

    std::weak_ptr<File> file_;
    QString extension_;
    bool proportional_;
    QImage image_;
};
