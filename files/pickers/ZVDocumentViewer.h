#pragma once

#include "platform/ui/standins/DocumentViewer.h"

#include <QtCore/QUrl>

#include <memory>

class ZVImagePreviewerDelegate;

// The one place that opens a local file for viewing: a photo of the library in the image
// previewer, any other file in the system's preview, failing that in the menu of applications that
// can open it, failing that an alert. Main thread only.
class ZVDocumentViewer : public platform::DocumentViewerDelegate,
                         public std::enable_shared_from_this<ZVDocumentViewer> {
public:
    static inline const QString kUnknownTypeTitle = QStringLiteral("Unknown file type");
    static inline const QString kUnknownTypeMessage =
        QStringLiteral("You have no apps installed capable of opening this type of file.");

    static std::shared_ptr<ZVDocumentViewer> instance();

    static void showDocumentAtUrl(const QUrl& url, platform::View* anchorView);
    static void showDocumentAtUrl(const QUrl& url,
                                  const std::shared_ptr<ZVImagePreviewerDelegate>& delegate);
    void showDocumentAtUrl(const QUrl& url, platform::View* anchorView,
                           const std::shared_ptr<ZVImagePreviewerDelegate>& delegate);

    // The system viewer in use; null when none is.
    const std::shared_ptr<platform::DocumentViewer>& documentViewer() const { return dic_; }

    void didEndPreview(platform::DocumentViewer& viewer) override;

private:
    std::shared_ptr<platform::DocumentViewer> dic_;
};
