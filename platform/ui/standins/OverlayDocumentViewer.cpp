#include "platform/ui/standins/OverlayDocumentViewer.h"

#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/text/FontTable.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QFile>
#include <QtGui/QDesktopServices>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTextSize = 13;
constexpr qreal kTextInset = 12;

// Draws the previewed file: a picture scaled to fit and centred, or text from the top.
class PreviewContent : public View {
public:
    PreviewContent(const QRectF& frame, QImage image, QString text)
        : View(frame), image_(std::move(image)), text_(std::move(text)) {}

    const QImage& image() const { return image_; }
    const QString& text() const { return text_; }
    // Where the picture is drawn, in the view's coordinates.
    QRectF imageRect() const {
        if (image_.isNull()) {
            return {};
        }
        QRectF rect(QPointF(0, 0),
                    QSizeF(image_.size()).scaled(bounds().size(), Qt::KeepAspectRatio));
        rect.moveCenter(bounds().center());
        return rect;
    }

    void drawRect(QPainter& painter, const QRectF&) override {
        if (!image_.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(imageRect(), image_);
            return;
        }
        painter.setPen(Qt::black);
        painter.setFont(FontTable::systemFont(kTextSize));
        painter.drawText(bounds().adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
    }

private:
    QImage image_;
    QString text_;
};

}  // namespace

OverlayDocumentViewer::~OverlayDocumentViewer() {
    if (page_) {
        page_->removeFromSuperview();
    }
}

void OverlayDocumentViewer::showPreview(View& window, bool animated) {
    const qreal statusBar =
        window.asWindow() != nullptr ? window.asWindow()->profile().statusBarHeight : 0;
    const std::weak_ptr<DocumentViewer> weak = weak_from_this();
    page_ = std::make_shared<OverlayPage>(window.bounds(), statusBar, name(),
                                          QStringLiteral("Done"), [weak] {
                                              if (const auto self = weak.lock()) {
                                                  self->dismissPreview(true);
                                              }
                                          });
    const QString path = url().toLocalFile();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    image_ = reader.read();
    text_.clear();
    if (image_.isNull()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            text_ = QString::fromUtf8(file.read(kMaxPreviewTextBytes));
        }
    }
    content_ = std::make_shared<PreviewContent>(page_->contentArea(), image_, text_);
    page_->addSubview(content_);
    WindowOverlay::show(page_, window, animated);
}

void OverlayDocumentViewer::hidePreview(bool animated, std::function<void()> hidden) {
    content_.reset();
    WindowOverlay::hide(std::exchange(page_, nullptr), animated, std::move(hidden));
}

bool OverlayDocumentViewer::openInApplication() {
    return QDesktopServices::openUrl(url());
}

}  // namespace platform
