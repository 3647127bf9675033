#include "files/views/ZVPreviewFileView.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/views/ZVSmallProgressBar.h"
#include "files/views/ZVThumbnailFileView.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

ZVPreviewFileView::ZVPreviewFileView(std::shared_ptr<File> file) : ZVFileView(std::move(file)) {
    label_ = std::make_shared<ZVRichText>();
    addSubview(label_);
    bindFile();
}

ZVPreviewFileView::~ZVPreviewFileView() = default;

qreal ZVPreviewFileView::heightForFile(const File& file) {
    return file.previewSize().height() + ZVTextStyles::lineHeightForStyle(kNameStyle);
}

qreal ZVPreviewFileView::widthForFile(const File& file) {
    return file.previewSize().width();
}

void ZVPreviewFileView::bindFile() {
    if (preview_) {
        preview_->removeFromSuperview();
        preview_.reset();
    }
    if (progressView_) {
        progressView_->removeFromSuperview();
        progressView_.reset();
    }
    upload_.reset();
    if (file()) {
        preview_ = ZVFileThumbnail::previewForFile(file());
        preview_->setFrame(QRectF(QPointF(0, 0), file()->previewSize()));
        preview_->layer().setCornerRadius(kCornerRadius);
        preview_->setClipsToBounds(true);
        insertSubview(preview_, 0);
        if (file()->isPending()) {
            upload_ = file()->observe(QStringList{u"status"_s, u"uploadProgress"_s},
                                      [this](const QString&) { updateProgress(); });
        }
    }
    updateProgress();
    updateLabel();
    setNeedsLayout();
}

void ZVPreviewFileView::updateProgress() {
    const bool pending = file() && file()->isPending();
    if (!pending) {
        upload_.reset();
        if (progressView_) {
            progressView_->removeFromSuperview();
            progressView_.reset();
        }
        if (preview_) {
            preview_->setAlpha(1);
        }
        return;
    }
    if (!progressView_) {
        progressView_ = std::make_shared<ZVSmallProgressBar>();
        QRectF frame = progressView_->frame();
        frame.setWidth(kProgressWidth);
        progressView_->setFrame(frame);
        addSubview(progressView_);
        setNeedsLayout();
    }
    preview_->setAlpha(kPendingAlpha);
    progressView_->setProgress(std::min(file()->uploadProgress(), kMaximumShownProgress));
}

void ZVPreviewFileView::updateLabel() {
    if (!file()) {
        label_->setAttributedText({});
        return;
    }
    platform::AttributedString text = ZVThumbnailFileView::nameText(*file(), kNameStyle);
    text.append(u' ' + ZVLocalization::formatFileSize(file()->fileSize()),
                ZVTextStyles::attributesForStyle(kSizeStyle));
    label_->setAttributedText(text);
}

void ZVPreviewFileView::refresh() {
    updateLabel();
    if (preview_) {
        preview_->refresh();
    }
}

void ZVPreviewFileView::backgroundColorChanged(const QColor& color) {
    label_->setBackgroundColor(color);
}

void ZVPreviewFileView::layoutSubviews() {
    QRectF rest = bounds();
    label_->setFrame(CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kNameStyle)));
    if (progressView_ && preview_) {
        progressView_->setCenter(preview_->frame().center());
    }
}
