#include "files/StartUp.h"

#include "MessageEditor/ZVPendingFilesView.h"
#include "ZelvoKit/model/ZVFileViewServices.h"
#include "app/shell/ZVAppServices.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "files/pickers/ZVDocumentViewer.h"
#include "files/pickers/ZVFilePicker.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVFileView.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/richtext/message/ZVFileThumbnailReset.h"

void ZVStartUpFiles() {
    ZVFileViewServices::setPreloadPreview(&ZVFileViewManager::preloadPreviewForFile);
    ZVFileViewServices::setAssociateLocalUrl(&ZVFileView::associateLocalUrl);
    ZVFileThumbnailReset::setReset(&ZVFileThumbnail::resetCachedImage);
    ZVPendingFilesView::setPreviewFactory(&ZVFileThumbnail::proportionalThumbnailForFile);
    ZVPendingFilesView::setCardViewFactory([](const std::shared_ptr<File>& file) {
        return ZVFileView::viewForFile(file, ZVFileView::kMessageWithPreviews);
    });
    ZVAppServices& services = ZVAppServices::shared();
    services.clearFileViewCache = &ZVFileViewManager::clearCache;
    services.retryFileViewLoads = &ZVFileViewManager::retryLoad;
    services.cancelDownloads = &ZVModalFileDownloader::cancelDownloads;
    ZVFileViewServices::setMenuOnFilePicked(
        [](std::function<void(const QUrl&)> onPicked, bool preferFrontCamera) {
            return std::static_pointer_cast<void>(
                ZVFilePicker::menuOnFilePicked(std::move(onPicked), preferFrontCamera));
        });
    ZVModalFileDownloader::setDocumentOpener([](const QUrl& fileUrl, platform::View* anchor) {
        ZVDocumentViewer::showDocumentAtUrl(fileUrl, anchor);
    });
}
