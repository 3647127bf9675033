#include "files/views/ZVThumbnailFileView.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kStatusKey = u"status"_s;
const QString kUploadProgressKey = u"uploadProgress"_s;
const QString kUnknownName = u"?"_s;

}  // namespace

const QColor ZVThumbnailFileView::kFailedColor(255, 59, 48);

ZVThumbnailFileView::ZVThumbnailFileView(std::shared_ptr<File> file) : ZVFileView(std::move(file)) {
    label_ = std::make_shared<ZVRichText>();
    detailLabel_ = std::make_shared<platform::Label>();
    ZVTextStyles::styleLabel(*detailLabel_, kDetailStyle);
    addSubview(label_);
    addSubview(detailLabel_);
    setBackgroundColor(Qt::white);
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
    layer().setBorderColor(platform::resolveColor(ZVColors::border()));
    layer().setBorderWidth(1);
    layer().setCornerRadius(kCornerRadius);
    bindFile();
}

ZVThumbnailFileView::~ZVThumbnailFileView() = default;

void ZVThumbnailFileView::bindFile() {
    if (thumbnail_) {
        thumbnail_->removeFromSuperview();
        thumbnail_.reset();
    }
    if (file()) {
        thumbnail_ = ZVFileThumbnail::thumbnailForFile(file());
        thumbnail_->setFrame(QRectF(QPointF(kInset, kInset), ZVFileThumbnail::kThumbnailSize));
        addSubview(thumbnail_);
    }
    updateLabel();
    updateFileSize();
    observeUpload();
    setNeedsLayout();
}

void ZVThumbnailFileView::observeUpload() {
    upload_.reset();
    if (!file() || !file()->isPending()) {
        return;
    }
    upload_ = file()->observe(QStringList{kStatusKey, kUploadProgressKey}, [this](const QString&) {
        if (!file() || !file()->isPending()) {
            upload_.reset();
        }
        updateFileSize();
    });
}

platform::AttributedString ZVThumbnailFileView::nameText(const File& file, int style) {
    if (!file.highlightedName().isEmpty()) {
        return truncateFileName(file.highlightedName());
    }
    const QString name = file.fileName().isEmpty() ? kUnknownName : file.fileName();
    return truncateFileName(
        platform::AttributedString(name, ZVTextStyles::attributesForStyle(style)));
}

void ZVThumbnailFileView::updateLabel() {
    label_->setAttributedText(file() ? nameText(*file(), kNameStyle)
                                     : platform::AttributedString());
}

void ZVThumbnailFileView::updateFileSize() {
    if (!file()) {
        detailLabel_->setText(QString());
        return;
    }
    const QString size = ZVLocalization::formatFileSize(file()->fileSize());
    QColor color = platform::resolveColor(ZVColorTable::colorWithName(kDetailColorName));
    QString text;
    switch (file()->status()) {
        case File::Status::Uploading: {
            const auto percent = static_cast<long>(std::floor(file()->uploadProgress() * 100));
            text = platform::format(kUploadingFormat, percent, size);
            break;
        }
        case File::Status::OnService:
            text = uploadedText(size);
            break;
        default:
            text = platform::format(kFailedFormat, size, kFailedText);
            color = kFailedColor;
            break;
    }
    detailLabel_->setText(text);
    detailLabel_->setTextColor(color);
}

void ZVThumbnailFileView::refresh() {
    updateLabel();
    if (thumbnail_) {
        thumbnail_->refresh();
    }
}

void ZVThumbnailFileView::backgroundColorChanged(const QColor& color) {
    label_->setBackgroundColor(color);
    detailLabel_->setBackgroundColor(color);
}

QRectF ZVThumbnailFileView::layoutRows(QRectF& inset) {
    inset = bounds().adjusted(kInset, kInset, -kInset, -kInset);
    QRectF rest = inset;
    if (thumbnail_) {
        const QSizeF size = thumbnail_->frame().size();
        thumbnail_->setFrame(
            QRectF(QPointF(inset.left(), inset.center().y() - size.height() / 2), size));
        CGRectExtractLeft(rest, size.width() + kThumbnailGap);
    }
    const QRectF name = CGRectExtractTop(rest, ZVTextStyles::lineHeightForStyle(kNameLineStyle));
    detailLabel_->setFrame(
        CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kDetailStyle)));
    return name;
}

void ZVThumbnailFileView::layoutSubviews() {
    QRectF inset;
    label_->setFrame(layoutRows(inset));
}
