#include "files/views/ZVDetailedFileView.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/ZVTextStyles.h"

ZVDetailedFileView::ZVDetailedFileView(std::shared_ptr<File> file)
    : ZVThumbnailFileView(std::move(file)) {
    timestampLabel_ = std::make_shared<platform::Label>();
    ZVTextStyles::styleLabel(*timestampLabel_, kTimestampStyle);
    timestampLabel_->setBackgroundColor(backgroundColor());
    addSubview(timestampLabel_);
    bindFile();
}

void ZVDetailedFileView::bindFile() {
    ZVThumbnailFileView::bindFile();
    // The base's constructor binds before this view has its own label.
    if (timestampLabel_) {
        timestampLabel_->setText(file() ? ZVLocalization::formatDate(file()->postedTime(), true)
                                        : QString());
    }
}

QString ZVDetailedFileView::uploadedText(const QString& size) const {
    const auto session = file() ? file()->repositorySession() : nullptr;
    const QString sender = session ? session->fullNameOfContact(file()->accountId()) : QString();
    return platform::format(kSenderFormat, sender, size);
}

void ZVDetailedFileView::backgroundColorChanged(const QColor& color) {
    ZVThumbnailFileView::backgroundColorChanged(color);
    if (timestampLabel_) {
        timestampLabel_->setBackgroundColor(color);
    }
}

void ZVDetailedFileView::layoutSubviews() {
    QRectF inset;
    QRectF name = layoutRows(inset);
    timestampLabel_->sizeToFit();
    const QSizeF stamp = timestampLabel_->frame().size();
    timestampLabel_->setFrame(QRectF(QPointF(inset.right() - stamp.width(), name.top()), stamp));
    name.setRight(timestampLabel_->frame().left() - kTimestampGap);
    label()->setFrame(name);
}
