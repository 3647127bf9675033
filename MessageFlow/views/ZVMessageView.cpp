#include "MessageFlow/views/ZVMessageView.h"

#include "MessageFlow/views/ZVMessageViewCell.h"
#include "ZelvoKit/model/Message.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

ZVMessageView::ZVMessageView(std::weak_ptr<ZVMessageViewCell> cell) : cell_(std::move(cell)) {}

ZVMessageView::~ZVMessageView() = default;

std::shared_ptr<ZVRichMessageRepresentation> ZVMessageView::model() const {
    const auto shown = message();
    return shown ? ZVRichMessageRepresentation::of(shown) : nullptr;
}

const ZVMessageViewCells* ZVMessageView::cells() const {
    const auto holder = cell();
    return holder ? holder->cells() : nullptr;
}

void ZVMessageView::setMessage(const std::shared_ptr<Message>& message) {
    if (const auto old = model()) {
        // Another view may have taken the model over since.
        if (old->presentingView().get() == this) {
            old->setPresentingView(nullptr);
        }
    }
    message_ = message;
    if (const auto current = model()) {
        current->setPresentingView(shared_from_this());
    }
}

void ZVMessageView::updateMessage() {
    setMessage(message());
}

void ZVMessageView::setExpandState(int state) {
    if (state == expandState_) {
        return;
    }
    expandState_ = state;
    if (!showsExpandButton()) {
        return;
    }
    if (!expandButton_) {
        expandButton_ = ZVBranding::createPlainButtonWithTitle(kShowMoreTitle);
        expandButton_->addTarget(platform::Control::TouchUpInside, [this](platform::Control&) {
            if (const auto holder = cell()) {
                holder->toggleExpand();
            }
        });
        addSubview(expandButton_);
    }
    expandButton_->setHidden(state == kNotExpandable);
    expandButton_->setTitle(
        state == kExpanded ? kShowLessTitle.toUpper() : kShowMoreTitle.toUpper(),
        platform::Button::Normal);
    expandButton_->sizeToFit();
    setNeedsLayout();
}

void ZVMessageView::layoutSubviews() {
    QRectF rect = bounds();
    if (expandButton_ && !expandButton_->isHidden()) {
        const QRectF strip =
            CGRectExtractBottom(rect, ZVTextStyles::lineHeightForStyle(kButtonStyle));
        expandButton_->setCenter(CGRectGetCenter(strip));
    }
    layoutWithRect(rect);
}

QRectF ZVMessageView::layoutWithRect(const QRectF& rect) {
    return rect;
}

int ZVMessageView::expandStateOf(const ZVRichMessageRepresentation& model) {
    if (!model.expandable()) {
        return kNotExpandable;
    }
    return model.expanded() ? kExpanded : kCollapsed;
}

qreal ZVMessageView::expandButtonHeight(const std::shared_ptr<Message>& message) {
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    return model && model->expandable() ? ZVTextStyles::lineHeightForStyle(kButtonStyle) : 0;
}

qreal ZVMessageView::heightForMessage(const std::shared_ptr<Message>& /*message*/, qreal /*width*/,
                                      const ZVMessageViewCells& /*cells*/) {
    // The bare view shows hidden and creation messages: nothing, and no button.
    return 0;
}
