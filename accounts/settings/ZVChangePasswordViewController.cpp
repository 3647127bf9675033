#include "accounts/settings/ZVChangePasswordViewController.h"

#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"

ZVChangePasswordViewController::ZVChangePasswordViewController(
    std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)) {
    setTitle(kTitle);
    oldPassword_ = makeField(QStringLiteral("Current password"), false);
    newPassword_ = makeField(QStringLiteral("New password"), false);
    newPassword2_ = makeField(QStringLiteral("Repeat new password"), true);
    oldPassword_->setBeginsGroup(true);
    newPassword2_->setEndsGroup(true);
    submitButton_ = std::make_shared<ZVButtonCell>(kTitle, kSubmitButtonStyle);
    submitButton_->button()->addTarget(platform::Control::TouchUpInside,
                                       [this](platform::Control&) { changePassword(); });
    addCells({oldPassword_, newPassword_, newPassword2_, submitButton_});
    updateButton();
}

ZVChangePasswordViewController::~ZVChangePasswordViewController() = default;

std::shared_ptr<ZVTextFieldCell> ZVChangePasswordViewController::makeField(
    const QString& placeholder, bool last) {
    auto cell = std::make_shared<ZVTextFieldCell>();
    const auto& field = cell->textField();
    field->setSecureTextEntry(true);
    field->setClearButtonMode(platform::TextFieldViewMode::WhileEditing);
    field->setPlaceholder(placeholder);
    field->setReturnKeyType(last ? platform::ReturnKeyType::Done : platform::ReturnKeyType::Next);
    field->addTarget(platform::Control::EditingChanged,
                     [this](platform::Control&) { updateButton(); });
    return cell;
}

void ZVChangePasswordViewController::updateButton() {
    const bool filled = !oldPassword_->textField()->text().isEmpty() &&
                        !newPassword_->textField()->text().isEmpty() &&
                        !newPassword2_->textField()->text().isEmpty();
    // Typing while a change is on its way must not offer a second one.
    submitButton_->button()->setEnabled(filled && !sending_);
}

void ZVChangePasswordViewController::changePassword() {
    const QString current = oldPassword_->textField()->text();
    const QString wanted = newPassword_->textField()->text();
    if (current.isEmpty() || wanted.isEmpty() || sending_) {
        return;
    }
    if (wanted != newPassword2_->textField()->text()) {
        ZVAlertView::showMessage(kMismatchMessage, kMismatchTitle);
        return;
    }
    sending_ = true;
    updateButton();
    const std::weak_ptr<ZVViewController> weak = weakSelf();
    session_->changePasswordOld(
        current, wanted,
        [weak] {
            const auto self = std::static_pointer_cast<ZVChangePasswordViewController>(weak.lock());
            if (!self) {
                return;
            }
            self->answered();
            ZVAlertView::showMessage(kChangedMessage, QString());
            if (auto* navigation = self->navigationController()) {
                navigation->popViewControllerAnimated(true);
            }
        },
        [weak](const ZVErrorPtr& error) {
            const auto self = std::static_pointer_cast<ZVChangePasswordViewController>(weak.lock());
            if (!self) {
                return;
            }
            self->answered();
            if (error) {
                ZVAlertView::showError(*error);
            }
        });
}

void ZVChangePasswordViewController::answered() {
    sending_ = false;
    updateButton();
}

bool ZVChangePasswordViewController::textFieldShouldReturn(platform::TextField& field) {
    if (&field == oldPassword_->textField().get()) {
        newPassword_->textField()->becomeFirstResponder();
    } else if (&field == newPassword_->textField().get()) {
        newPassword2_->textField()->becomeFirstResponder();
    } else if (&field == newPassword2_->textField().get()) {
        changePassword();
    }
    return true;
}

void ZVChangePasswordViewController::setEditing(bool /*editing*/, bool /*animated*/) {}

void ZVChangePasswordViewController::viewDidAppear(bool animated) {
    ZVDialogCells::viewDidAppear(animated);
    // The field takes the keyboard only from inside the window: the table puts its rows there.
    view()->layoutIfNeeded();
    oldPassword_->textField()->becomeFirstResponder();
}
