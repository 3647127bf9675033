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

ZVFileViewServices::MenuOnFilePicked& pickerHook() {
    static ZVFileViewServices::MenuOnFilePicked hook;
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

ZVFileViewServices::FilePickerMenu ZVFileViewServices::menuOnFilePicked(
    std::function<void(const QUrl& localUrl)> onPicked, bool preferFrontCamera) {
    return pickerHook() ? pickerHook()(std::move(onPicked), preferFrontCamera) : nullptr;
}

void ZVFileViewServices::setMenuOnFilePicked(MenuOnFilePicked menu) {
    pickerHook() = std::move(menu);
}

void ZVFileViewServices::reset() {
    preloadHook() = nullptr;
    associateHook() = nullptr;
    pickerHook() = nullptr;
}
