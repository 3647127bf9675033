#pragma once

#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <functional>
#include <memory>

namespace platform {
class TextField;
}

// A white row of a card holding a borderless text field; the card does not inset it.
class ZVAlertViewTextField : public platform::View, public ZVAlertViewInsetting {
public:
    static constexpr qreal kDefaultWidth = 100;
    static constexpr qreal kHeight = 50;
    static constexpr qreal kInsetX = 10;
    static constexpr qreal kInsetY = 5;

    explicit ZVAlertViewTextField(const QString& placeholder = QString());

    const std::shared_ptr<platform::TextField>& textField() const { return textField_; }
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    QString text() const;
    void setText(const QString& text);
    bool isPassword() const;
    void setIsPassword(bool password);
    bool separator() const { return separator_; }
    void setSeparator(bool separator);
    // Told of every edit, with the row.
    void setOnTextChanged(std::function<void(ZVAlertViewTextField&)> changed) {
        onTextChanged_ = std::move(changed);
    }

    bool becomeFirstResponder() override;
    bool requiresInset() const override { return false; }

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<platform::TextField> textField_;
    std::function<void(ZVAlertViewTextField&)> onTextChanged_;
    bool separator_ = false;
};
