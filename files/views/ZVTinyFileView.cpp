#include "files/views/ZVTinyFileView.h"

#include "ZelvoKit/model/File.h"
#include "files/views/ZVLabel.h"
#include "toolkit/style/ZVTextStyles.h"

ZVTinyFileView::ZVTinyFileView(std::shared_ptr<File> file) : ZVFileView(std::move(file)) {
    label_ = std::make_shared<ZVLabel>();
    addSubview(label_);
    setBackgroundColor(Qt::white);
    bindFile();
}

void ZVTinyFileView::bindFile() {
    const File* shown = file().get();
    if (shown && shown->isFileDeleted()) {
        label_->setAttributedText(platform::AttributedString(
            kDeletedText, ZVTextStyles::attributesForStyle(kDeletedStyle)));
    } else {
        label_->setAttributedText(platform::AttributedString(
            shown ? shown->fileName() : QString(), ZVTextStyles::attributesForStyle(kNameStyle)));
    }
}

bool ZVTinyFileView::truncated() const {
    return label_->truncated();
}

void ZVTinyFileView::setTruncated(bool truncated) {
    label_->setTruncated(truncated);
}

void ZVTinyFileView::backgroundColorChanged(const QColor& color) {
    label_->setBackgroundColor(color);
}

void ZVTinyFileView::layoutSubviews() {
    label_->setFrame(bounds());
}
