#pragma once

#include "platform/ui/standins/AlertCardView.h"
#include "platform/ui/standins/AlertPresenter.h"

#include <vector>

namespace platform {

// The presenter a user sees: the window dims and the alert's card shows in the middle, an action
// sheet's at the bottom, or, on the tablet idiom, next to its source rectangle as a popover that a
// tap outside cancels.
class OverlayAlertPresenter : public AlertPresenter {
public:
    static constexpr qreal kSheetInset = 8;

    ~OverlayAlertPresenter() override;

    // The card of an alert on screen; null when it is not showing.
    std::shared_ptr<AlertCardView> cardFor(const std::shared_ptr<AlertController>& alert) const;

    void show(const std::shared_ptr<AlertController>& alert, View& window, bool animated,
              std::function<void()> shown) override;
    void hide(const std::shared_ptr<AlertController>& alert, bool animated,
              std::function<void()> hidden) override;

private:
    struct Shown {
        std::weak_ptr<AlertController> alert;
        std::shared_ptr<View> dim;
        std::shared_ptr<AlertCardView> card;
    };
    std::vector<Shown> shown_;
};

}  // namespace platform
