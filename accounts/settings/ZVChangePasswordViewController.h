#pragma once

#include "toolkit/dialogs/ZVDialogCells.h"

#include <memory>

class ZVButtonCell;
class ZVRepositorySession;
class ZVTextFieldCell;

// Changes the signed-in account's password: the current one, the new one twice, and a button that
// sends the change once all three hold text and the two new ones agree.
class ZVChangePasswordViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Change password");
    static inline const QString kMismatchMessage = QStringLiteral("Passwords do not match");
    static inline const QString kMismatchTitle = QStringLiteral("Error");
    static inline const QString kChangedMessage = QStringLiteral("Password changed");
    static constexpr int kSubmitButtonStyle = 1;

    explicit ZVChangePasswordViewController(std::shared_ptr<ZVRepositorySession> session);
    ~ZVChangePasswordViewController() override;

    const std::shared_ptr<ZVTextFieldCell>& oldPassword() const { return oldPassword_; }
    const std::shared_ptr<ZVTextFieldCell>& newPassword() const { return newPassword_; }
    const std::shared_ptr<ZVTextFieldCell>& newPassword2() const { return newPassword2_; }
    const std::shared_ptr<ZVButtonCell>& submitButton() const { return submitButton_; }
    bool isSending() const { return sending_; }

    // Enabled exactly when all three fields hold text and no change is on its way.
    void updateButton();
    void changePassword();

    bool textFieldShouldReturn(platform::TextField& field) override;
    // The form's edit mode ("Cancel" and "Done") has no meaning here.
    void setEditing(bool editing, bool animated) override;
    void viewDidAppear(bool animated) override;

private:
    std::shared_ptr<ZVTextFieldCell> makeField(const QString& placeholder, bool last);
    void answered();

    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVTextFieldCell> oldPassword_;
    std::shared_ptr<ZVTextFieldCell> newPassword_;
    std::shared_ptr<ZVTextFieldCell> newPassword2_;
    std::shared_ptr<ZVButtonCell> submitButton_;
    bool sending_ = false;
};
