#include "platform/ui/controllers/PresentationContainerView.h"

namespace platform {

void PresentationContainerView::setContent(const std::shared_ptr<View>& content) {
    content_ = content;
    if (content) {
        content->setFrame(bounds());
        addSubview(content);
    }
}

void PresentationContainerView::layoutSubviews() {
    if (const auto content = content_.lock(); content && content->superview() == this) {
        const QRectF frame = content->frame();
        // Only the size follows: a cover animation moves the content's origin.
        content->setFrame(QRectF(frame.topLeft(), bounds().size()));
    }
}

}  // namespace platform
