#include "files/page/ZVFileCell.h"

#include "files/views/ZVFileView.h"

#include <QtGui/QPainterPath>

ZVFileCell::ZVFileCell(Style style, QString reuseIdentifier)
    : ZVTableViewCell(style, std::move(reuseIdentifier)) {}

ZVFileCell::~ZVFileCell() = default;

std::shared_ptr<File> ZVFileCell::file() const {
    return fileView_ ? fileView_->file() : nullptr;
}

void ZVFileCell::setFile(const std::shared_ptr<File>& file) {
    if (fileView_) {
        fileView_->removeFromSuperview();
    }
    fileView_ = file ? ZVFileView::viewForFile(file, kFileViewKind) : nullptr;
    if (fileView_) {
        contentView()->addSubview(fileView_);
        fileView_->refresh();
    }
    setNeedsLayout();
}

void ZVFileCell::layoutSubviews() {
    ZVTableViewCell::layoutSubviews();
    if (fileView_) {
        fileView_->setFrame(contentView()->bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY));
    }
}

QPainterPath ZVFileCell::highlightShape() const {
    if (!fileView_) {
        return ZVTableViewCell::highlightShape();
    }
    QPainterPath shape;
    shape.addRoundedRect(fileView_->frame(), kHighlightCornerRadius, kHighlightCornerRadius);
    return shape;
}
