// The card's touches, its second page of option rows, and the scroll state of the view it
// points at.
#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/alerts/ViewSpringAnimation.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVArrowView.h"

#include <optional>

std::shared_ptr<ZVAlertButton> ZVAlertView::buttonFromTouches(const platform::TouchSet& touches) {
    if (touches.empty()) {
        return nullptr;
    }
    const QPointF location = touches.front()->locationInView(this);
    platform::View* hit = hitTest(location, nullptr);
    // A row's labels and icon are part of the row.
    for (platform::View* view = hit; view && view != this; view = view->superview()) {
        if (auto* button = dynamic_cast<ZVAlertButton*>(view)) {
            return std::static_pointer_cast<ZVAlertButton>(button->shared_from_this());
        }
    }
    return nullptr;
}

void ZVAlertView::setActiveButton(std::shared_ptr<ZVAlertButton> button) {
    if (activeButton_) {
        activeButton_->setHighlighted(false);
    }
    activeButton_ = std::move(button);
    if (activeButton_) {
        activeButton_->setHighlighted(true);
    }
}

void ZVAlertView::touchesBegan(const platform::TouchSet& touches,
                               const platform::TouchEvent& /*event*/) {
    auto button = buttonFromTouches(touches);
    setActiveButton(button && button->isEnabled() ? button : nullptr);
}

void ZVAlertView::touchesMoved(const platform::TouchSet& touches,
                               const platform::TouchEvent& event) {
    touchesBegan(touches, event);
}

void ZVAlertView::touchesCancelled(const platform::TouchSet& /*touches*/,
                                   const platform::TouchEvent& /*event*/) {
    setActiveButton(nullptr);
}

void ZVAlertView::touchesEnded(const platform::TouchSet& touches,
                               const platform::TouchEvent& /*event*/) {
    // The delegate may drop its last reference to the card.
    const auto keep = shared_from_this();
    const auto button = buttonFromTouches(touches);
    if (button && !button->isEnabled()) {
        setActiveButton(nullptr);
        return;
    }
    setActiveButton(button);
    if (button && button->isSeparator()) {
        toggleSecondaryState();
        setActiveButton(nullptr);
        return;
    }
    setActiveButton(nullptr);
    tellDelegate(button ? button->tag() : ZVAlertViewDelegate::kNoButton);
    // A card that the delegate showed in this one's place stays.
    hide();
}

void ZVAlertView::cancelTapped() {
    const auto keep = shared_from_this();
    hide();
    tellDelegate(ZVAlertViewDelegate::kNoButton);
}

std::shared_ptr<platform::ScrollView> ZVAlertView::scrollView() const {
    for (platform::View* view = pointAtView_.get(); view; view = view->superview()) {
        if (auto* scroll = dynamic_cast<platform::ScrollView*>(view)) {
            return std::static_pointer_cast<platform::ScrollView>(scroll->shared_from_this());
        }
    }
    return nullptr;
}

bool ZVAlertView::scrollPointedViewBy(qreal distance) {
    const auto scroll = scrollView();
    if (!scroll) {
        return false;
    }
    savedContentInset_ = scroll->contentInset().top;
    savedContentOffset_ = scroll->contentOffset().y();
    scroll->setContentOffset(QPointF(scroll->contentOffset().x(), savedContentOffset_ + distance),
                             true);
    viewWasScrolled_ = true;
    return true;
}

void ZVAlertView::restoreScrollPos() {
    const auto scroll = scrollView();
    if (scroll && viewWasScrolled_) {
        viewWasScrolled_ = false;
        scroll->setContentOffset(QPointF(scroll->contentOffset().x(), savedContentOffset_), true);
    }
}

void ZVAlertView::inheritScrollStateFrom(ZVAlertView& other) {
    if (pointAtView_ && other.pointAtView_ == pointAtView_) {
        // The first card's record is the offset from before any card: the scroll is undone
        // once, when the last card on this view goes.
        if (other.viewWasScrolled_) {
            savedContentOffset_ = other.savedContentOffset_;
            savedContentInset_ = other.savedContentInset_;
            viewWasScrolled_ = true;
        }
        other.viewWasScrolled_ = false;
        return;
    }
    other.restoreScrollPos();
}

void ZVAlertView::toggleSecondaryState() {
    secondaryState_ = !secondaryState_;
    qreal firstPageHeight = 0;
    qreal secondPageHeight = 0;
    qreal separatorHeight = 0;
    ZVAlertButton* separatorButton = nullptr;
    ZVAlertButton* firstSecondary = nullptr;
    for (const auto& view : views_) {
        auto* button = dynamic_cast<ZVAlertButton*>(view.get());
        if (!button) {
            continue;
        }
        if (button->isSeparator()) {
            separatorButton = button;
            separatorHeight = button->bounds().height();
        } else if (!separatorButton) {
            firstPageHeight += button->bounds().height();
        } else {
            secondPageHeight += button->bounds().height();
            if (!firstSecondary) {
                firstSecondary = button;
            }
        }
        button->setNeedsDisplay();
    }
    if (separatorButton) {
        separatorButton->setSeparator(!secondaryState_);
    }
    if (firstSecondary) {
        firstSecondary->setSeparator(secondaryState_);
    }
    const qreal height = separatorHeight + (secondaryState_ ? secondPageHeight : firstPageHeight);

    qreal y = secondaryState_ ? -firstPageHeight : 0;
    for (const auto& view : views_) {
        const qreal viewHeight = view->bounds().height();
        animationForProperty(*view, kSpringLayerPosition,
                             QPointF(view->center().x(), y + viewHeight / 2));
        y += viewHeight;
    }
    animationForProperty(*this, kSpringViewFrame, frameForHeight(height));
    animationForProperty(*contentView(), kSpringViewFrame, contentViewRectForHeight(height));
    if (arrow()) {
        animationForProperty(*arrow(), kSpringViewCenter, arrowPosForHeight(height));
    }
}
