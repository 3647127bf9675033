#include "platform/ui/standins/DocumentViewer.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/AlertController.h"
#include "platform/ui/standins/PreviewDocumentViewer.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QFileInfo>
#include <QtCore/QMimeDatabase>
#include <QtGui/QImageReader>

namespace platform {

namespace {

const QString kUnknownType = QStringLiteral("application/octet-stream");
const QString kTextType = QStringLiteral("text/plain");

}  // namespace

std::shared_ptr<DocumentViewer> DocumentViewer::create(const QUrl& fileUrl) {
    const Factory& factory = sharedSlot<Factory>();
    return factory ? factory(fileUrl) : std::make_shared<PreviewDocumentViewer>(fileUrl);
}

void DocumentViewer::setFactory(Factory factory) {
    sharedSlot<Factory>() = std::move(factory);
}

QString DocumentViewer::localPath() const {
    return url_.isLocalFile() ? url_.toLocalFile() : QString();
}

QString DocumentViewer::name() const {
    return QFileInfo(url_.path()).fileName();
}

QString DocumentViewer::mimeType() const {
    const QString path = localPath();
    if (path.isEmpty()) {
        return QMimeDatabase().mimeTypeForUrl(url_).name();
    }
    return QMimeDatabase().mimeTypeForFile(path).name();
}

bool DocumentViewer::canPreview() const {
    const QString path = localPath();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return false;
    }
    if (QImageReader(path).canRead()) {
        return true;
    }
    return QMimeDatabase().mimeTypeForFile(path).inherits(kTextType);
}

bool DocumentViewer::canOpenInApplication() const {
    const QString path = localPath();
    return !path.isEmpty() && QFileInfo(path).isFile() && mimeType() != kUnknownType;
}

bool DocumentViewer::presentPreview(View& from, bool animated) {
    Window* window = from.window();
    if (window == nullptr || previewing_ || !canPreview() || !showPreview(*window, animated)) {
        return false;
    }
    previewing_ = true;
    if (const auto current = delegate()) {
        current->willBeginPreview(*this);
    }
    return true;
}

void DocumentViewer::dismissPreview(bool animated) {
    if (!previewing_) {
        return;
    }
    previewing_ = false;
    hidePreview(animated, [self = shared_from_this()] {
        if (const auto current = self->delegate()) {
            current->didEndPreview(*self);
        }
    });
}

bool DocumentViewer::presentOptionsMenu(const QRectF& rect, View& view, bool animated) {
    if (!canOpenInApplication() || view.window() == nullptr) {
        return false;
    }
    auto menu = AlertController::make(QString(), name(), AlertStyle::ActionSheet);
    // The menu's actions keep the viewer alive until one of them ends it.
    menu->addAction(AlertAction::make(QStringLiteral("Open in Another App"),
                                      AlertActionStyle::Default,
                                      [self = shared_from_this()](AlertAction&) {
                                          self->menu_.reset();
                                          if (const auto current = self->delegate()) {
                                              current->willBeginSendingToApplication(*self);
                                          }
                                          self->openInApplication();
                                          if (const auto current = self->delegate()) {
                                              current->didDismissOptionsMenu(*self);
                                          }
                                      }));
    menu->addAction(AlertAction::make(QStringLiteral("Cancel"), AlertActionStyle::Cancel,
                                      [self = shared_from_this()](AlertAction&) {
                                          self->menu_.reset();
                                          if (const auto current = self->delegate()) {
                                              current->didDismissOptionsMenu(*self);
                                          }
                                      }));
    menu->setSourceView(view.shared_from_this());
    menu->setSourceRect(rect);
    if (!menu->present(view, animated)) {
        return false;
    }
    menu_ = menu;
    return true;
}

}  // namespace platform
