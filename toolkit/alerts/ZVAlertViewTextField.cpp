#include "toolkit/alerts/ZVAlertViewTextField.h"

#include "platform/ui/controls/TextField.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/AlertColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>

ZVAlertViewTextField::ZVAlertViewTextField(const QString& placeholder)
    : View(QRectF(0, 0, kDefaultWidth, kHeight)) {
    setBackgroundColor(Qt::white);
    textField_ = std::make_shared<platform::TextField>();
    textField_->setFont(ZVTextStyles::fontForStyle(0));
    textField_->setClearButtonMode(platform::TextFieldViewMode::Always);
    textField_->setPlaceholder(placeholder);
    textField_->addTarget(platform::Control::EditingChanged, [this](platform::Control&) {
        if (onTextChanged_) {
            onTextChanged_(*this);
        }
    });
    addSubview(textField_);
}

QString ZVAlertViewTextField::placeholder() const {
    return textField_->placeholder();
}

void ZVAlertViewTextField::setPlaceholder(const QString& placeholder) {
    textField_->setPlaceholder(placeholder);
}

QString ZVAlertViewTextField::text() const {
    return textField_->text();
}

void ZVAlertViewTextField::setText(const QString& text) {
    textField_->setText(text);
}

bool ZVAlertViewTextField::isPassword() const {
    return textField_->isSecureTextEntry();
}

// No password manager offers itself on this platform, so a password row has no button for one.
void ZVAlertViewTextField::setIsPassword(bool password) {
    textField_->setSecureTextEntry(password);
}

void ZVAlertViewTextField::setSeparator(bool separator) {
    separator_ = separator;
    setNeedsDisplay();
}

bool ZVAlertViewTextField::becomeFirstResponder() {
    return textField_->becomeFirstResponder();
}

void ZVAlertViewTextField::layoutSubviews() {
    textField_->setFrame(bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY));
}

void ZVAlertViewTextField::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    if (separator_) {
        const qreal y = bounds().height() - 1;
        painter.setPen(QPen(alertColor("lighterGray"), 1));
        painter.drawLine(QPointF(0, y), QPointF(bounds().width(), y));
    }
}
