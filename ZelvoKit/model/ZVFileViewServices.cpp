#include "ZelvoKit/model/ZVFileViewServices.h"

namespace {

ZVFileViewServices::PreloadPreview& preloadHook() {
    static ZVFileViewServices::PreloadPreview hook;
    return hook;
}

ZVFileViewServices::AssociateLocalUrl& associateHook() {
    static ZVFileViewServices::AssociateLocalUrl hook;
    return hook;
}

}  // namespace

void ZVFileViewServices::preloadPreviewForFile(const std::shared_ptr<File>& file) {
    if (preloadHook() && file) {
        preloadHook()(file);
    }
}

void ZVFileViewServices::setPreloadPreview(PreloadPreview preload) {
    preloadHook() = std::move(preload);
}

void ZVFileViewServices::associateLocalUrl(const QString& localUrl, const QString& sha256) {
    if (associateHook()) {
        associateHook()(localUrl, sha256);
    }
}

void ZVFileViewServices::setAssociateLocalUrl(AssociateLocalUrl associate) {
    associateHook() = std::move(associate);
}

void ZVFileViewServices::reset() {
    preloadHook() = nullptr;
    associateHook() = nullptr;
}
