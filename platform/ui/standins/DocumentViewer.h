#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

namespace platform {

class AlertController;
class DocumentViewer;
class Window;

class DocumentViewerDelegate {
public:
    virtual ~DocumentViewerDelegate() = default;
    virtual void willBeginPreview(DocumentViewer& viewer) { (void)viewer; }
    virtual void didEndPreview(DocumentViewer& viewer) { (void)viewer; }
    // The file is about to go to another application from the options menu.
    virtual void willBeginSendingToApplication(DocumentViewer& viewer) { (void)viewer; }
    virtual void didDismissOptionsMenu(DocumentViewer& viewer) { (void)viewer; }
};

// Shows a local file: a preview presented full screen for pictures and text, or a menu that
// offers to open it with another application of the desktop. DocumentViewer::create() gives the
// viewer that draws; tests install a factory of fakes. Main thread only.
class DocumentViewer : public std::enable_shared_from_this<DocumentViewer> {
public:
    using Factory = std::function<std::shared_ptr<DocumentViewer>(const QUrl& fileUrl)>;

    explicit DocumentViewer(QUrl fileUrl) : url_(std::move(fileUrl)) {}
    virtual ~DocumentViewer() = default;
    DocumentViewer(const DocumentViewer&) = delete;
    DocumentViewer& operator=(const DocumentViewer&) = delete;

    static std::shared_ptr<DocumentViewer> create(const QUrl& fileUrl);
    // Null goes back to the viewer that draws.
    static void setFactory(Factory factory);

    const QUrl& url() const { return url_; }
    // The file's name.
    QString name() const;
    // Its type from its name and first bytes ("image/png"; "application/octet-stream" when
    // unknown).
    QString mimeType() const;
    std::shared_ptr<DocumentViewerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<DocumentViewerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // A local file that exists and is a picture the reader decodes or text.
    bool canPreview() const;
    // A local file of a known type, which the desktop hands to the application it keeps for it.
    bool canOpenInApplication() const;

    // False, showing nothing, when the file cannot be previewed, `from`'s window has no
    // controller to present from, or a preview is showing.
    bool presentPreview(View& from, bool animated);
    void dismissPreview(bool animated);
    bool isPreviewing() const { return previewing_; }

    // An action sheet at `rect` of `view` offering "Open in Another App" and "Cancel"; false when
    // no application can open the file or `view` is in no window.
    bool presentOptionsMenu(const QRectF& rect, View& view, bool animated);

protected:
    // False when the preview cannot be shown in `window`.
    virtual bool showPreview(Window& window, bool animated) = 0;
    virtual void hidePreview(bool animated, std::function<void()> hidden) = 0;
    // Hands the file to the desktop's application for it; false when that fails.
    virtual bool openInApplication() = 0;

private:
    QString localPath() const;

    QUrl url_;
    std::weak_ptr<DocumentViewerDelegate> delegate_;
    bool previewing_ = false;
    std::shared_ptr<AlertController> menu_;
};

}  // namespace platform
