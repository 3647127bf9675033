#pragma once

#include "platform/ui/controllers/popover/PopoverPlacement.h"

#include <QtCore/QRectF>

#include <functional>
#include <memory>

namespace platform {

class BarButtonItem;
class View;

// Where a controller presented in the popover style points, and who hears of its dismissal by
// a touch outside it. On a phone the popover style shows full screen.
class PopoverPresentation {
public:
    std::shared_ptr<View> sourceView() const { return sourceView_.lock(); }
    void setSourceView(const std::shared_ptr<View>& view) { sourceView_ = view; }
    // In the source view's coordinates; empty means its bounds.
    QRectF sourceRect() const { return sourceRect_; }
    void setSourceRect(const QRectF& rect) { sourceRect_ = rect; }
    // Points at the view a bar shows the item with, in place of a source view.
    std::shared_ptr<BarButtonItem> barButtonItem() const { return barButtonItem_.lock(); }
    void setBarButtonItem(const std::shared_ptr<BarButtonItem>& item) { barButtonItem_ = item; }
    unsigned permittedArrowDirections() const { return permitted_; }
    void setPermittedArrowDirections(unsigned directions) { permitted_ = directions; }
    // The direction the arrow took when shown.
    unsigned arrowDirection() const { return arrowDirection_; }
    void setArrowDirection(unsigned direction) { arrowDirection_ = direction; }

    // Asked before a touch outside dismisses the popover; false keeps it.
    std::function<bool()> shouldDismiss;
    // Told after a touch outside dismissed it (not after a dismissal in code).
    std::function<void()> didDismiss;

private:
    std::weak_ptr<View> sourceView_;
    QRectF sourceRect_;
    std::weak_ptr<BarButtonItem> barButtonItem_;
    unsigned permitted_ = PopoverArrowDirection::Any;
    unsigned arrowDirection_ = PopoverArrowDirection::Unknown;
};

}  // namespace platform
