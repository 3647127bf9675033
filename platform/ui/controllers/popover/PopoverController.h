#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/popover/PopoverPlacement.h"

#include <functional>
#include <memory>

namespace platform {

class BarButtonItem;
class PopoverHostView;

// Shows a controller's view in a popover that points at a rectangle of a view (or at a bar
// item). A touch outside it dismisses it, after asking shouldDismiss, and then didDismiss is told;
// a dismissal in code tells nobody. didDismiss comes once the popover has faded. The owner keeps
// the popover controller while it shows; one destroyed while showing takes its popover away at
// once.
class PopoverController {
public:
    static constexpr TimeInterval kFadeDuration = 0.2;
    static constexpr QSizeF kDefaultContentSize{320, 480};

    explicit PopoverController(std::shared_ptr<ViewController> content);
    ~PopoverController();
    PopoverController(const PopoverController&) = delete;
    PopoverController& operator=(const PopoverController&) = delete;

    std::shared_ptr<ViewController> contentViewController() const { return content_; }
    void setContentViewController(std::shared_ptr<ViewController> content, bool animated);
    // The content's size; empty means the content's preferred size, else kDefaultContentSize.
    QSizeF popoverContentSize() const;
    void setPopoverContentSize(QSizeF size, bool animated);

    // False (with a warning) when `view` is not in a window.
    bool presentFromRect(const QRectF& rect, const std::shared_ptr<View>& view,
                         unsigned permittedArrowDirections, bool animated);
    bool presentFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                  unsigned permittedArrowDirections, bool animated);
    void dismissPopoverAnimated(bool animated);
    bool isPopoverVisible() const { return host_ != nullptr; }
    unsigned popoverArrowDirection() const;
    // The frame the popover takes in its window, arrow included.
    QRectF popoverFrame() const;

    std::function<bool(PopoverController&)> shouldDismissPopover;
    std::function<void(PopoverController&)> didDismissPopover;

private:
    void dismiss(bool animated, std::function<void()> then);
    void touchedOutside();
    void removeHost();

    std::shared_ptr<ViewController> content_;
    QSizeF contentSize_;
    std::shared_ptr<PopoverHostView> host_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
