#include "files/views/ZVUrlPreviewFileView.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/views/FileUrlPreview.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QUrl>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

ZVUrlPreviewFileView::ZVUrlPreviewFileView(std::shared_ptr<File> file)
    : ZVFileView(std::move(file)) {
    titleLabel_ = std::make_shared<ZVRichText>();
    descriptionLabel_ = std::make_shared<ZVRichText>();
    domainLabel_ = std::make_shared<platform::Label>();
    ZVTextStyles::styleLabel(*domainLabel_, kDomainStyle);
    addSubview(titleLabel_);
    addSubview(descriptionLabel_);
    addSubview(domainLabel_);
    layer().setBorderColor(platform::resolveColor(ZVColors::border()));
    layer().setBorderWidth(1);
    layer().setCornerRadius(kCornerRadius);
    bindFile();
}

ZVUrlPreviewFileView::~ZVUrlPreviewFileView() = default;

qreal ZVUrlPreviewFileView::pictureHeight(const File& file) {
    return file.previewUrl().isNull() ? 0 : file.previewSize().height();
}

qreal ZVUrlPreviewFileView::heightForFile(const File& file) {
    qreal height = pictureHeight(file);
    if (!file.urlTitle().isEmpty()) {
        const qreal title = FileUrlPreview::textHeightForWidth(file, kTextWidth);
        height = FileUrlPreview::showSideBySide(file) ? std::max(height, title) : height + title;
    }
    return height + FileUrlPreview::descriptionHeightForWidth(file, kTextWidth) +
           ZVTextStyles::lineHeightForStyle(kDomainStyle) + 2 * kInset;
}

QString ZVUrlPreviewFileView::domainText(const File& file) {
    QString host = QUrl(file.attachmentId()).host();
    if (host.startsWith(u"www."_s)) {
        host = host.mid(4);
    }
    if (file.urlTitle().isEmpty() && file.urlDescription().isEmpty() &&
        !file.origFileName().isEmpty()) {
        return platform::format(kOriginalFileFormat, file.origFileName(),
                                ZVLocalization::formatFileSize(file.origFileSize()));
    }
    return host;
}

void ZVUrlPreviewFileView::bindFile() {
    if (preview_) {
        preview_->removeFromSuperview();
        preview_.reset();
    }
    const File* shown = file().get();
    if (shown && !shown->previewUrl().isNull()) {
        preview_ = ZVFileThumbnail::previewForFile(file());
        preview_->setFrame(QRectF(QPointF(kInset, kInset), shown->previewSize()));
        preview_->setBackgroundColor(Qt::white);
        preview_->layer().setBorderColor(Qt::transparent);
        preview_->layer().setCornerRadius(kCornerRadius);
        insertSubview(preview_, 0);
    }
    const auto title = shown ? FileUrlPreview::urlText(*shown) : platform::AttributedString();
    const auto description =
        shown ? FileUrlPreview::descriptionText(*shown) : platform::AttributedString();
    titleLabel_->setAttributedText(title);
    titleLabel_->setHidden(title.isEmpty());
    descriptionLabel_->setAttributedText(description);
    descriptionLabel_->setHidden(description.isEmpty());
    const QString domain = shown ? domainText(*shown) : QString();
    domainLabel_->setText(domain);
    domainLabel_->setHidden(domain.isEmpty());
    setNeedsLayout();
}

void ZVUrlPreviewFileView::refresh() {
    if (preview_) {
        preview_->refresh();
    }
}

void ZVUrlPreviewFileView::backgroundColorChanged(const QColor& color) {
    titleLabel_->setBackgroundColor(color);
    descriptionLabel_->setBackgroundColor(color);
    domainLabel_->setBackgroundColor(color);
    if (preview_) {
        preview_->setBackgroundColor(color);
    }
}

void ZVUrlPreviewFileView::layoutSubviews() {
    QRectF rest = bounds().adjusted(kInset, kInset, -kInset, -kInset);
    const File* shown = file().get();
    if (!shown) {
        return;
    }
    const QSizeF picture = preview_ ? preview_->frame().size() : QSizeF();
    const qreal titleHeight = FileUrlPreview::textHeightForWidth(*shown, rest.width());
    QRectF titleArea;
    if (FileUrlPreview::showSideBySide(*shown)) {
        titleArea = rest;
        CGRectExtractLeft(titleArea, picture.width() + FileUrlPreview::kPictureGap);
        CGRectExtractTop(rest, std::max(picture.height(), titleHeight));
    } else {
        if (preview_) {
            CGRectExtractTop(rest, picture.height());
        }
        titleArea = CGRectExtractTop(rest, titleHeight);
    }
    domainLabel_->setFrame(
        CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kDomainStyle)));
    if (!titleLabel_->isHidden()) {
        titleLabel_->setFrame(QRectF(titleArea.topLeft(), QSizeF(titleArea.width(), titleHeight)));
    }
    descriptionLabel_->setFrame(rest);
}
