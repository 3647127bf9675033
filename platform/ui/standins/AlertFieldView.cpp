#include "platform/ui/standins/AlertFieldView.h"

#include "platform/ui/text/FontTable.h"

#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTextSize = 14;
constexpr qreal kTextInset = 6;
constexpr QChar kBullet(0x2022);

}  // namespace

AlertFieldView::AlertFieldView(std::shared_ptr<AlertTextField> field) : field_(std::move(field)) {
    setBackgroundColor(Qt::white);
    layer().setBorderWidth(1);
    layer().setBorderColor(QColor(200, 200, 200));
    layer().setCornerRadius(4);
}

bool AlertFieldView::textInput(const TextInput& input) {
    if (input.commit.isEmpty()) {
        return true;
    }
    field_->text += input.commit;
    setNeedsDisplay();
    return true;
}

bool AlertFieldView::keyPressed(const KeyPress& key) {
    if (key.key == Qt::Key_Backspace) {
        // A whole character, not half of a surrogate pair.
        const qsizetype length = field_->text.size();
        const bool pair = length >= 2 && field_->text.at(length - 1).isLowSurrogate() &&
                          field_->text.at(length - 2).isHighSurrogate();
        field_->text.chop(pair ? 2 : std::min<qsizetype>(1, length));
        setNeedsDisplay();
        return true;
    }
    if (!key.text.isEmpty() && key.text.at(0).isPrint()) {
        return textInput({QString(), key.text, 0, 0});
    }
    return View::keyPressed(key);
}

void AlertFieldView::touchesEnded(const TouchSet& /*touches*/, const TouchEvent& /*event*/) {
    becomeFirstResponder();
}

void AlertFieldView::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.setFont(FontTable::systemFont(kTextSize));
    const QRectF area = bounds().adjusted(kTextInset, 0, -kTextInset, 0);
    if (field_->text.isEmpty()) {
        painter.setPen(Qt::gray);
        painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, field_->placeholder);
        return;
    }
    painter.setPen(Qt::black);
    const QString shown =
        field_->secureTextEntry ? QString(field_->text.size(), kBullet) : field_->text;
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

}  // namespace platform
