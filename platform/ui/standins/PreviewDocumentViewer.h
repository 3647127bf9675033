#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/standins/DocumentViewer.h"
#include "platform/ui/standins/TitledPage.h"

#include <QtGui/QImage>

namespace platform {

// The viewer a user sees: the preview is a page presented full screen with the file's name and
// "Done", showing a picture whole in the middle or the beginning of a text; opening in another
// application goes to the desktop.
class PreviewDocumentViewer : public DocumentViewer {
public:
    // How much of a text file the preview reads.
    static constexpr qint64 kMaxPreviewTextBytes = 64 * 1024;

    using DocumentViewer::DocumentViewer;

    // The preview page while shown, and the view that draws the file on it.
    std::shared_ptr<TitledPage> page() const { return page_; }
    std::shared_ptr<View> content() const { return content_; }
    // What the preview shows: the picture, or else the text read.
    const QImage& previewedImage() const { return image_; }
    const QString& previewedText() const { return text_; }

protected:
    bool showPreview(Window& window, bool animated) override;
    void hidePreview(bool animated, std::function<void()> hidden) override;
    bool openInApplication() override;

private:
    std::shared_ptr<ViewController> preview_;
    std::shared_ptr<TitledPage> page_;
    std::shared_ptr<View> content_;
    QImage image_;
    QString text_;
};

}  // namespace platform
