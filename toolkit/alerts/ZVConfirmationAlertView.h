#pragma once

#include "toolkit/alerts/ZVAlertView.h"

#include <functional>

// A card with "Cancel" and a confirm button that runs its action when dismissed through the
// confirm button; it is its own delegate.
class ZVConfirmationAlertView : public ZVAlertView, public ZVAlertViewDelegate {
public:
    static constexpr int kConfirmIndex = 1;

    static std::shared_ptr<ZVConfirmationAlertView> make(const QString& title,
                                                         const QString& message,
                                                         const QString& confirmButtonTitle,
                                                         std::function<void()> action);

    const std::function<void()>& action() const { return action_; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    void alertView(ZVAlertView& alertView, int buttonIndex) override;

private:
    std::function<void()> action_;
};
