#include "files/thumbnails/ZVFileThumbnail.h"

#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/model/File.h"
#include "files/thumbnails/ZVFileViewManager.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColorTable.h"

#include <QtCore/QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kOtherGroup = u"other"_s;

// The cache entry of the file's picture; none for a file without a hash, which would otherwise
// share one entry with every other such file.
std::shared_ptr<ZVCachedImage> sourceFor(const std::shared_ptr<ZVImageCache>& cache,
                                         const File& file, const QString& url, QSizeF size,
                                         bool animated) {
    if (file.fileSha256().isEmpty()) {
        return nullptr;
    }
    return cache->imageWithUrl(url, file.fileSha256(), file.session(), size, animated);
}

QColor loadingColor() {
    return platform::resolveColor(ZVColorTable::colorWithName(ZVFileThumbnail::kLoadingColorName));
}

}  // namespace

ZVFileThumbnail::ZVFileThumbnail(std::shared_ptr<ZVCachedImage> source, QString defaultName,
                                 std::shared_ptr<File> file)
    : ImageView(QRectF(QPointF(0, 0), kThumbnailSize)),
      source_(std::move(source)),
      defaultName_(std::move(defaultName)),
      file_(std::move(file)) {
    layer().setCornerRadius(kCornerRadius);
    setClipsToBounds(true);
    updateImage();
    if (source_ && (source_->loading() || source_->errorCode() != 0)) {
        loading_ = source_->observe(QString(ZVCachedImage::LoadingKey),
                                    [this](const QString&) { sourceChanged(); });
    }
}

ZVFileThumbnail::~ZVFileThumbnail() = default;

const QHash<QString, QString>& ZVFileThumbnail::extensionMap() {
    static const QHash<QString, QString> map = [] {
        const std::pair<QString, QStringList> groups[] = {
            {u"pdf"_s, {u"pdf"_s}},
            {u"image"_s, {u"jpg"_s, u"tiff"_s, u"png"_s, u"jpeg"_s}},
            {u"design"_s,
             {u"ai"_s, u"wmf"_s, u"cdr"_s, u"ppt"_s, u"ps"_s, u"bmp"_s, u"pptx"_s, u"odg"_s,
              u"osi"_s, u"sxi"_s, u"keynote"_s, u"pcx"_s, u"gif"_s, u"svg"_s, u"sda"_s}},
            {u"xl"_s,
             {u"xls"_s, u"xlt"_s, u"xlsx"_s, u"xltx"_s, u"ksp"_s, u"ods"_s, u"sxc"_s, u"sdc"_s}},
            {u"doc"_s,
             {u"doc"_s, u"docx"_s, u"rtf"_s, u"txt"_s, u"log"_s, u"kwd"_s, u"tex"_s, u"latex"_s,
              u"dot"_s, u"dotx"_s, u"odt"_s, u"sxw"_s, u"sxg"_s, u"sdw"_s}},
            {u"zip"_s,
             {u"zip"_s, u"rar"_s, u"arj"_s, u"gz"_s, u"tar"_s, u"jar"_s, u"7z"_s, u"bz"_s, u"bz2"_s,
              u"wad"_s, u"cab"_s}},
            {u"code"_s, {u"c"_s,   u"h"_s,    u"cpp"_s,  u"hpp"_s, u"m"_s,   u"pas"_s,  u"py"_s,
                         u"inc"_s, u"htm"_s,  u"html"_s, u"xml"_s, u"xsl"_s, u"java"_s, u"sh"_s,
                         u"js"_s,  u"json"_s, u"res"_s,  u"css"_s, u"f"_s,   u"rss"_s}},
            {u"cad"_s, {u"dwg"_s, u"dxf"_s}},
            {u"video"_s,
             {u"avi"_s, u"mpg"_s, u"mpeg"_s, u"wmv"_s, u"mov"_s, u"swf"_s, u"flv"_s, u"f4v"_s,
              u"h261"_s, u"h264"_s, u"mp4"_s, u"ogv"_s}},
            {u"music"_s, {u"mp3"_s, u"wav"_s, u"wma"_s, u"oga"_s, u"ram"_s, u"aac"_s}},
        };
        QHash<QString, QString> built;
        for (const auto& [group, extensions] : groups) {
            for (const QString& extension : extensions) {
                built.insert(extension, group);
            }
        }
        return built;
    }();
    return map;
}

QString ZVFileThumbnail::defaultIconForFileName(const QString& name, bool large) {
    // The text after the last dot of the last path component, as a path's extension is read:
    // ".bashrc" has none.
    const QString extension = QFileInfo(name).suffix().toLower();
    const QString group = extensionMap().value(extension, kOtherGroup);
    return (large ? u"file-large-"_s : u"file-"_s) + group;
}

std::shared_ptr<ZVFileThumbnail> ZVFileThumbnail::thumbnailForFile(
    const std::shared_ptr<File>& file) {
    const auto source = sourceFor(ZVFileViewManager::thumbnailManager(), *file,
                                  file->thumbnailUrl(), kThumbnailSize, false);
    return std::make_shared<ZVFileThumbnail>(source,
                                             defaultIconForFileName(file->fileName(), false), file);
}

std::shared_ptr<ZVFileThumbnail> ZVFileThumbnail::previewForFile(
    const std::shared_ptr<File>& file) {
    const auto source = sourceFor(ZVFileViewManager::previewManager(), *file, file->previewUrl(),
                                  file->previewSize(), file->isAnimated());
    return std::make_shared<ZVFileThumbnail>(source, QString(), file);
}

std::shared_ptr<ZVFileThumbnail> ZVFileThumbnail::proportionalThumbnailForFile(
    const std::shared_ptr<File>& file) {
    const auto source = sourceFor(ZVFileViewManager::smallPreviewManager(), *file,
                                  file->previewUrl(), QSizeF(0, kSmallPreviewHeight), false);
    auto thumbnail = std::make_shared<ZVFileThumbnail>(
        source, defaultIconForFileName(file->fileName(), true), file);
    thumbnail->setAutoSize(true);
    return thumbnail;
}

void ZVFileThumbnail::resetCachedImage(const std::shared_ptr<File>& file) {
    if (file) {
        ZVFileViewManager::previewManager()->removeImage(file->fileSha256());
    }
}

void ZVFileThumbnail::setAutoSize(bool autoSize) {
    if (autoSize_ == autoSize) {
        return;
    }
    autoSize_ = autoSize;
    updateSize();
}

bool ZVFileThumbnail::sourceLoading() const {
    return source_ && source_->loading();
}

void ZVFileThumbnail::updateActivity() {
    if (sourceLoading()) {
        if (!activityIndicator_) {
            activityIndicator_ = std::make_shared<platform::ActivityIndicator>(
                platform::ActivityIndicator::Style::White);
            activityIndicator_->sizeToFit();
            addSubview(activityIndicator_);
            setNeedsLayout();
        }
        activityIndicator_->startAnimating();
    } else if (activityIndicator_) {
        activityIndicator_->stopAnimating();
        activityIndicator_->removeFromSuperview();
        activityIndicator_.reset();
    }
}

void ZVFileThumbnail::sourceChanged() {
    if (source_ && !source_->loading() && source_->errorCode() == 0) {
        loading_.reset();
    }
    updateImage();
}

void ZVFileThumbnail::updateImage() {
    updateActivity();
    if (sourceLoading()) {
        setDefault();
        showMissingImage(false);
        return;
    }
    QImage picture = source_ ? source_->image() : QImage();
    if (picture.isNull() && source_ && source_->animatedImage()) {
        picture = source_->animatedImage()->frameAt(0);
    }
    if (!picture.isNull()) {
        showMissingImage(false);
        setImage(picture);
        updateSize();
    } else if (!defaultName_.isEmpty()) {
        setDefault();
    } else {
        showMissingImage(true);
    }
}

void ZVFileThumbnail::setDefault() {
    if (!defaultName_.isEmpty()) {
        setImage(platform::Images::named(defaultName_));
        setBackgroundColor(Qt::white);
        return;
    }
    setImage(QImage());
    if (!sourceLoading()) {
        showMissingImage(true);
    }
    setBackgroundColor(loadingColor());
}

void ZVFileThumbnail::showMissingImage(bool show) {
    if (show == (missingImageView_ != nullptr)) {
        return;
    }
    if (show) {
        missingImageView_ =
            std::make_shared<platform::ImageView>(platform::Images::named(kMissingImageName));
        missingImageView_->sizeToFit();
        addSubview(missingImageView_);
        setBackgroundColor(loadingColor());
        setNeedsLayout();
    } else {
        missingImageView_->removeFromSuperview();
        missingImageView_.reset();
    }
}

void ZVFileThumbnail::updateSize() {
    if (!autoSize_ || image().isNull()) {
        return;
    }
    const QSizeF size = platform::Images::pointSize(image());
    const QRectF current = frame();
    if (current.size() == size) {
        return;
    }
    setFrame(QRectF(current.topLeft(), size));
    if (superview()) {
        superview()->setNeedsLayout();
    }
}

void ZVFileThumbnail::refresh() {
    if (activityIndicator_) {
        activityIndicator_->stopAnimating();
        activityIndicator_->startAnimating();
    }
    setImage(QImage());
    updateImage();
}

void ZVFileThumbnail::layoutSubviews() {
    const QPointF centre = bounds().center();
    for (platform::View* view : {static_cast<platform::View*>(activityIndicator_.get()),
                                 static_cast<platform::View*>(missingImageView_.get())}) {
        if (view) {
            view->setCenter(centre);
        }
    }
}
