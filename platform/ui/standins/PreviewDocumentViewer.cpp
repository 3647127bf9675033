#include "platform/ui/standins/PreviewDocumentViewer.h"

#include "platform/ui/standins/TopmostController.h"
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

bool PreviewDocumentViewer::showPreview(Window& window, bool animated) {
    ViewController* presenter = topmostController(window);
    if (presenter == nullptr) {
        return false;
    }
    const std::weak_ptr<DocumentViewer> weak = weak_from_this();
    auto page = std::make_shared<TitledPage>(name(), QStringLiteral("Done"), [weak] {
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
    auto content = std::make_shared<PreviewContent>(QRectF(), image_, text_);
    page->setContentView(content);
    auto preview = ViewController::make();
    preview->setView(page);
    if (!presenter->presentViewController(preview, animated)) {
        return false;
    }
    preview_ = std::move(preview);
    page_ = std::move(page);
    content_ = std::move(content);
    return true;
}

void PreviewDocumentViewer::hidePreview(bool animated, std::function<void()> hidden) {
    content_.reset();
    page_.reset();
    const auto preview = std::exchange(preview_, nullptr);
    if (!preview) {
        if (hidden) {
            hidden();
        }
        return;
    }
    preview->dismissViewController(animated, std::move(hidden));
}

bool PreviewDocumentViewer::openInApplication() {
    return QDesktopServices::openUrl(url());
}

}  // namespace platform
