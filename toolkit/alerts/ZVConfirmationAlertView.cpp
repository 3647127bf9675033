#include "toolkit/alerts/ZVConfirmationAlertView.h"

std::shared_ptr<ZVConfirmationAlertView> ZVConfirmationAlertView::make(
    const QString& title, const QString& message, const QString& confirmButtonTitle,
    std::function<void()> action) {
    auto alert = std::make_shared<ZVConfirmationAlertView>();
    alert->setUp(title, message, std::weak_ptr<ZVAlertViewDelegate>(alert),
                 QStringLiteral("Cancel"), {confirmButtonTitle});
    alert->action_ = std::move(action);
    return alert;
}

void ZVConfirmationAlertView::alertView(ZVAlertView& /*alertView*/, int buttonIndex) {
    if (buttonIndex == kConfirmIndex && action_) {
        action_();
    }
}
