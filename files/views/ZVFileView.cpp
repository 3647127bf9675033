#include "files/views/ZVFileView.h"

#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/model/File.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "files/views/ZVDetailedFileView.h"
#include "files/views/ZVPreviewFileView.h"
#include "files/views/ZVThumbnailFileView.h"
#include "files/views/ZVTinyFileView.h"
#include "files/views/ZVUrlPreviewFileView.h"
#include "platform/foundation/Scheduler.h"

ZVFileView::ZVFileView(std::shared_ptr<File> file) : file_(std::move(file)) {}

ZVFileView::~ZVFileView() = default;

void ZVFileView::setFile(const std::shared_ptr<File>& file) {
    file_ = file;
    bindFile();
}

void ZVFileView::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
}

void ZVFileView::cancelHighlight() {
    highlightTimer_.cancel();
    setHighlighted(false);
}

void ZVFileView::setBackgroundColor(const QColor& color) {
    View::setBackgroundColor(color);
    backgroundColorChanged(color);
}

void ZVFileView::touchesBegan(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    highlightTimer_.cancel();
    setHighlighted(true);
    View::touchesBegan(touches, event);
}

void ZVFileView::touchesEnded(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    // The highlight stays a moment, so that a quick tap is seen.
    highlightTimer_ =
        platform::Scheduler::main().after(kHighlightDelay, [this] { cancelHighlight(); });
    View::touchesEnded(touches, event);
}

void ZVFileView::touchesCancelled(const platform::TouchSet& touches,
                                  const platform::TouchEvent& event) {
    cancelHighlight();
    View::touchesCancelled(touches, event);
}

ZVFileView::ViewClass ZVFileView::identifyViewClass(const File* file, int kind) {
    if (kind == kNoFiles) {
        return ViewClass::None;
    }
    if ((file && file->isFileDeleted()) || kind == kTinyRows) {
        return ViewClass::Tiny;
    }
    if (file && file->isUrlPreview()) {
        return ViewClass::UrlPreview;
    }
    if (kind == kMessageWithPreviews && file && !file->previewUrl().isNull()) {
        return ViewClass::Preview;
    }
    if (kind == kFilesPage) {
        return ViewClass::Detailed;
    }
    return ViewClass::Thumbnail;
}

qreal ZVFileView::heightForFile(const File* file, int kind) {
    switch (identifyViewClass(file, kind)) {
        case ViewClass::None:
            return 0;
        case ViewClass::Tiny:
            return ZVTinyFileView::kHeight;
        case ViewClass::Thumbnail:
        case ViewClass::Detailed:
            return ZVThumbnailFileView::kHeight;
        case ViewClass::Preview:
            return ZVPreviewFileView::heightForFile(*file);
        case ViewClass::UrlPreview:
            return ZVUrlPreviewFileView::heightForFile(*file);
    }
    return 0;
}

qreal ZVFileView::widthForFile(const File* file, int kind) {
    switch (identifyViewClass(file, kind)) {
        case ViewClass::None:
            return 0;
        case ViewClass::Tiny:
            return ZVTinyFileView::kWidth;
        case ViewClass::Thumbnail:
        case ViewClass::Detailed:
            return ZVThumbnailFileView::kWidth;
        case ViewClass::Preview:
            return ZVPreviewFileView::widthForFile(*file);
        case ViewClass::UrlPreview:
            return ZVUrlPreviewFileView::kWidth;
    }
    return 0;
}

qreal ZVFileView::requiredSpacingWithViewClass(ViewClass above, ViewClass below) {
    // Tiny rows of a collapsed message read as one list.
    if (above == ViewClass::Tiny && below == ViewClass::Tiny) {
        return 0;
    }
    return kSpacing;
}

qreal ZVFileView::spacingWithFile(const File* file, const File* other, int kind) {
    if (kind == kNoFiles) {
        return 0;
    }
    return requiredSpacingWithViewClass(identifyViewClass(file, kind),
                                        identifyViewClass(other, kind));
}

std::shared_ptr<ZVFileView> ZVFileView::makeView(ViewClass viewClass,
                                                 const std::shared_ptr<File>& file) {
    switch (viewClass) {
        case ViewClass::None:
            return nullptr;
        case ViewClass::Tiny:
            return std::make_shared<ZVTinyFileView>(file);
        case ViewClass::Thumbnail:
            return std::make_shared<ZVThumbnailFileView>(file);
        case ViewClass::Detailed:
            return std::make_shared<ZVDetailedFileView>(file);
        case ViewClass::Preview:
            return std::make_shared<ZVPreviewFileView>(file);
        case ViewClass::UrlPreview:
            return std::make_shared<ZVUrlPreviewFileView>(file);
    }
    return nullptr;
}

std::shared_ptr<ZVFileView> ZVFileView::viewForFile(const std::shared_ptr<File>& file, int kind) {
    const ViewClass viewClass = identifyViewClass(file.get(), kind);
    if (!file || viewClass == ViewClass::None) {
        return nullptr;
    }
    const QRectF frame(0, 0, widthForFile(file.get(), kind), heightForFile(file.get(), kind));
    ZVFileViewManager& manager = ZVFileViewManager::fileViewManager();
    auto view = manager.cachedViewForFile(*file, kind);
    // The same URL may now stand for a file that shows in another form (deleted, a preview
    // arrived): such a view is not reused.
    if (view && identifyViewClass(view->file().get(), kind) == viewClass) {
        view->setFrame(frame);
        if (view->file() != file) {
            view->setFile(file);
        }
        view->refresh();
        return view;
    }
    view = makeView(viewClass, file);
    view->setFrame(frame);
    manager.cacheView(view, *file, kind);
    return view;
}

void ZVFileView::associateLocalUrl(const QString& localUrl, const QString& sha256) {
    if (localUrl.isEmpty() || sha256.isEmpty()) {
        return;
    }
    ZVFileViewManager::previewManager()->imageWithUrl(localUrl, sha256, nullptr, QSizeF(), false);
    ZVFileViewManager::thumbnailManager()->imageWithUrl(localUrl, sha256, nullptr,
                                                        ZVFileThumbnail::kThumbnailSize, false);
    ZVFileViewManager::smallPreviewManager()->imageWithUrl(
        localUrl, sha256, nullptr, QSizeF(0, ZVFileThumbnail::kSmallPreviewHeight), false);
}

platform::AttributedString ZVFileView::truncateFileName(const platform::AttributedString& name) {
    const qsizetype length = name.length();
    if (length <= kMaximumNameLength) {
        return name;
    }
    const QString& text = name.string();
    qsizetype dot = text.lastIndexOf(u'.');
    if (dot < 0) {
        dot = length;
    }
    const qsizetype extension = length - dot;
    qsizetype keep = kMaximumNameLength - extension;
    qsizetype tail = dot;
    if (keep < 0) {
        // The extension alone is too long: its name is all there is to show.
        keep = kMaximumNameLength;
        tail = length;
    }
    // A cut between the halves of a surrogate pair would leave half a character.
    if (keep > 0 && text.at(keep - 1).isHighSurrogate()) {
        --keep;
    }
    platform::AttributedString cut = name.substring(0, keep);
    cut.append(kEllipsis, name.attributesAt(length - 1));
    cut.append(name.substring(tail, length - tail));
    return cut;
}
