#include "MessageFlow/views/ZVEmailMessageView.h"

#include "MessageFlow/views/ZVMessageViewCells.h"
#include "ZelvoKit/model/Message.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {
// The platform's dark grey.
const QColor kCaptionColor = QColor::fromRgbF(1.0F / 3, 1.0F / 3, 1.0F / 3);
}  // namespace

ZVEmailMessageView::~ZVEmailMessageView() = default;

void ZVEmailMessageView::setMessage(const std::shared_ptr<Message>& message) {
    ZVTextMessageView::setMessage(message);
    const ZVMessageViewCells* table = cells();
    setSubject(message && table && table->showSubjectForMessage(*message) ? message->subject()
                                                                          : QString());
}

void ZVEmailMessageView::setSubject(const QString& subject) {
    if (subject.isEmpty()) {
        if (subjectLabel_) {
            subjectLabel_->setHidden(true);
            subjectText_->setHidden(true);
        }
        return;
    }
    if (!subjectLabel_) {
        subjectLabel_ = std::make_shared<platform::Label>();
        ZVTextStyles::styleLabel(*subjectLabel_, kSubjectStyle);
        subjectLabel_->setTextColor(kCaptionColor);
        subjectLabel_->setText(kSubjectCaption);
        subjectLabel_->sizeToFit();
        subjectText_ = std::make_shared<platform::Label>();
        subjectText_->setFont(subjectLabel_->font());
        addSubview(subjectLabel_);
        addSubview(subjectText_);
    }
    subjectLabel_->setHidden(false);
    subjectText_->setHidden(false);
    subjectText_->setText(subject);
    setNeedsLayout();
}

QRectF ZVEmailMessageView::layoutWithRect(const QRectF& rect) {
    QRectF rest = rect;
    if (subjectLabel_ && !subjectLabel_->isHidden()) {
        QRectF line = CGRectExtractTop(rest, ZVTextStyles::lineHeightForStyle(kSubjectStyle));
        subjectLabel_->setFrame(CGRectExtractLeft(line, subjectLabel_->frame().width()));
        CGRectExtractLeft(line, kSubjectGap);
        subjectText_->setFrame(line);
        CGRectExtractTop(rest, kSubjectGap);
    }
    return ZVTextMessageView::layoutWithRect(rest);
}

qreal ZVEmailMessageView::heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                           const ZVMessageViewCells& cells) {
    qreal height = ZVTextMessageView::heightForMessage(message, width, cells);
    if (message && cells.showSubjectForMessage(*message)) {
        height += ZVTextStyles::lineHeightForStyle(kSubjectStyle) + kSubjectGap;
    }
    return height;
}
