#pragma once

#include "platform/ui/controllers/PresentationContainerView.h"
#include "platform/ui/controllers/popover/PopoverPlacement.h"

#include <functional>

namespace platform {

// A popover in a window: a rounded body with an arrow that points at a rectangle of some view,
// and around it a clear layer over the whole window whose first touch outside the body is
// reported (and taken, so that it reaches nothing below).
class PopoverHostView : public PresentationContainerView {
public:
    static constexpr qreal kScreenMargin = 10;
    static const QColor kBodyColor;

    PopoverHostView();

    // Where the arrow points: `rect` in `view`'s coordinates.
    void setAnchor(const std::weak_ptr<View>& view, const QRectF& rect, unsigned permitted);
    void setContentView(const std::shared_ptr<View>& content);
    std::shared_ptr<View> contentView() const { return content_.lock(); }
    void setContentSize(QSizeF size);
    QSizeF contentSize() const { return contentSize_; }
    const PopoverPlacement& placement() const { return placement_; }
    std::shared_ptr<View> popoverView() const { return popover_; }
    void setOnTouchOutside(std::function<void()> handler) { onTouchOutside_ = std::move(handler); }

    // The room popovers may use in `window`: its bounds less a margin and the status bar.
    static QRectF availableArea(const Window& window);

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}
    void touchesCancelled(const TouchSet&, const TouchEvent&) override {}

private:
    std::shared_ptr<View> popover_;
    std::weak_ptr<View> content_;
    std::weak_ptr<View> anchorView_;
    QRectF anchorRect_;
    unsigned permitted_ = 0;
    QSizeF contentSize_;
    PopoverPlacement placement_;
    std::function<void()> onTouchOutside_;
};

}  // namespace platform
