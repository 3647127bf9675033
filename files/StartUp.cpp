#include "files/StartUp.h"

#include "MessageEditor/ZVPendingFilesView.h"
#include "ZelvoKit/model/ZVFileViewServices.h"
#include "app/shell/ZVAppServices.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVFileView.h"
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
}
