#include "files/thumbnails/ZVFileViewManager.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/File.h"
#include "files/views/ZVFileView.h"
#include "platform/foundation/SharedSlot.h"

namespace {

struct Shared {
    ZVFileViewManager views;
    std::shared_ptr<ZVImageCache> previews =
        std::make_shared<ZVImageCache>(ZVFileViewManager::kPreviewsPath);
    std::shared_ptr<ZVImageCache> thumbnails =
        std::make_shared<ZVImageCache>(ZVFileViewManager::kThumbnailsPath);
    std::shared_ptr<ZVImageCache> smallPreviews =
        std::make_shared<ZVImageCache>(ZVFileViewManager::kSmallPreviewsPath);
};

// Made on first use and forgotten with the rest of the process's state (tests).
Shared& shared() {
    auto& slot = platform::sharedSlot<std::unique_ptr<Shared>>();
    if (!slot) {
        slot = std::make_unique<Shared>();
    }
    return *slot;
}

}  // namespace

ZVFileViewManager& ZVFileViewManager::fileViewManager() {
    return shared().views;
}

const std::shared_ptr<ZVImageCache>& ZVFileViewManager::previewManager() {
    return shared().previews;
}

const std::shared_ptr<ZVImageCache>& ZVFileViewManager::thumbnailManager() {
    return shared().thumbnails;
}

const std::shared_ptr<ZVImageCache>& ZVFileViewManager::smallPreviewManager() {
    return shared().smallPreviews;
}

void ZVFileViewManager::clearCache() {
    Shared& caches = shared();
    caches.previews->clearCache();
    caches.thumbnails->clearCache();
    caches.smallPreviews->clearCache();
    caches.views.clearViewCache();
}

void ZVFileViewManager::retryLoad() {
    previewManager()->retryLoad();
    thumbnailManager()->retryLoad();
}

void ZVFileViewManager::preloadPreviewForFile(const std::shared_ptr<File>& file) {
    if (!file) {
        return;
    }
    const auto session = file->session();
    const bool previews =
        session && session->profile() && session->profile()->filePreviewsEnabled();
    const QString& url = previews ? file->previewUrl() : file->thumbnailUrl();
    if (url.isNull()) {
        return;
    }
    const auto& cache = previews ? previewManager() : thumbnailManager();
    cache->preloadImageWithUrl(url, file->fileSha256(), session);
}

QString ZVFileViewManager::keyOf(const File& file) {
    // One URL may be shown in two accounts; each has its own file and view.
    const auto session = file.session();
    return (session ? session->sessionId() : QString()) + u'\n' + file.fileUrl();
}

std::shared_ptr<ZVFileView> ZVFileViewManager::cachedViewForFile(const File& file, int kind) const {
    if (kind < 0 || static_cast<std::size_t>(kind) >= cachedViews_.size()) {
        return nullptr;
    }
    const auto view = cachedViews_[static_cast<std::size_t>(kind)].value(keyOf(file));
    return view && !view->superview() ? view : nullptr;
}

void ZVFileViewManager::cacheView(const std::shared_ptr<ZVFileView>& view, const File& file,
                                  int kind) {
    if (kind < 0 || file.fileUrl().isEmpty()) {
        return;
    }
    if (static_cast<std::size_t>(kind) >= cachedViews_.size()) {
        cachedViews_.resize(static_cast<std::size_t>(kind) + 1);
    }
    cachedViews_[static_cast<std::size_t>(kind)].insert(keyOf(file), view);
}

void ZVFileViewManager::clearViewCache() {
    cachedViews_.clear();
}
