#include "files/pickers/ZVDocumentViewer.h"

#include "app/shell/ZVGlobals.h"
#include "files/pickers/ZVImagePreviewer.h"
#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/alerts/ZVAlertView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kLibraryScheme = u"assets-library"_s;

std::shared_ptr<platform::NavigationController> documentRightNavigation() {
    ZVGlobals* globals = ZVGlobals::globals();
    return globals ? globals->rightNavigationController() : nullptr;
}

}  // namespace

std::shared_ptr<ZVDocumentViewer> ZVDocumentViewer::instance() {
    static const std::shared_ptr<ZVDocumentViewer> shared = std::make_shared<ZVDocumentViewer>();
    return shared;
}

void ZVDocumentViewer::showDocumentAtUrl(const QUrl& url, platform::View* anchorView) {
    instance()->showDocumentAtUrl(url, anchorView, nullptr);
}

void ZVDocumentViewer::showDocumentAtUrl(
    const QUrl& url, const std::shared_ptr<ZVImagePreviewerDelegate>& delegate) {
    instance()->showDocumentAtUrl(url, nullptr, delegate);
}

void ZVDocumentViewer::showDocumentAtUrl(
    const QUrl& url, platform::View* anchorView,
    const std::shared_ptr<ZVImagePreviewerDelegate>& delegate) {
    const auto navigation = documentRightNavigation();
    if (url.scheme() == kLibraryScheme) {
        if (navigation) {
            navigation->pushViewController(std::make_shared<ZVImagePreviewer>(url, delegate), true);
        }
        return;
    }
    dic_ = platform::DocumentViewer::create(url);
    if (!dic_) {
        return;
    }
    dic_->setDelegate(weak_from_this());
    // The preview covers the whole window: presented from the outermost controller there is.
    platform::View* presentFrom = nullptr;
    ZVGlobals* globals = ZVGlobals::globals();
    if (globals && globals->splitViewController()) {
        presentFrom = globals->splitViewController()->view().get();
    } else if (navigation) {
        presentFrom = navigation->view().get();
    }
    if (presentFrom && dic_->presentPreview(*presentFrom, false)) {
        return;
    }
    platform::View* menuAnchor = anchorView;
    if (!menuAnchor && navigation && navigation->topViewController()) {
        menuAnchor = navigation->topViewController()->view().get();
    }
    if (menuAnchor && dic_->presentOptionsMenu(menuAnchor->bounds(), *menuAnchor, true)) {
        return;
    }
    dic_.reset();
    ZVAlertView::showMessage(kUnknownTypeMessage, kUnknownTypeTitle);
}

void ZVDocumentViewer::didEndPreview(platform::DocumentViewer& viewer) {
    if (dic_ && dic_.get() == &viewer) {
        dic_.reset();
    }
}
