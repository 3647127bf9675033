#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

namespace platform {
class Button;
class Label;
class TextField;
}  // namespace platform

// A pre-login text field: a white rounded box with a border around the text field, an optional
// hint above it and an info text at its right. A password field that is told its username field
// offers the password manager's button, where a password manager can answer.
class ZVBorderedTextField : public platform::View {
public:
    static constexpr qreal kWidth = 100;
    static constexpr qreal kHeight = 48;
    static constexpr qreal kInsetX = 10;
    static constexpr qreal kInsetY = 5;
    static constexpr qreal kSpacing = 5;
    static constexpr qreal kCornerRadius = 4;
    static constexpr int kTextStyle = 0;
    static constexpr int kInfoStyle = 1;
    static constexpr int kHintStyle = 20;
    static constexpr qreal kPasswordManagerAlpha = 0.5;

    ZVBorderedTextField();
    ~ZVBorderedTextField() override;

    const std::shared_ptr<platform::TextField>& textField() const { return textField_; }
    QString infoText() const;
    // Null removes the label.
    void setInfoText(const QString& text);
    QString hintText() const;
    // Null removes the label; the field grows by the hint's height.
    void setHintText(const QString& text);
    std::shared_ptr<ZVBorderedTextField> usernameField() const { return usernameField_.lock(); }
    void setUsernameField(const std::shared_ptr<ZVBorderedTextField>& field);
    // Null unless the password manager can answer.
    const std::shared_ptr<platform::Button>& passwordManagerButton() const {
        return passwordManagerButton_;
    }
    // Asks the password manager for the service's login and fills both fields with it.
    void invokePasswordManager();

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::TextField> textField_;
    std::shared_ptr<platform::Label> infoLabel_;
    std::shared_ptr<platform::Label> hintLabel_;
    std::shared_ptr<platform::Button> passwordManagerButton_;
    std::weak_ptr<ZVBorderedTextField> usernameField_;
};
