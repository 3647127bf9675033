#include "platform/ui/standins/AlertCardView.h"

#include "platform/ui/standins/AlertFieldView.h"
#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTitleSize = 17;
constexpr qreal kMessageSize = 13;
constexpr qreal kFieldSpacing = 6;
const QColor kCardColor(248, 248, 248);
const QColor kDestructiveColor(255, 59, 48);
const QColor kLineColor(210, 210, 210);

constexpr int kTextFlags = Qt::AlignHCenter | Qt::TextWordWrap;

QRectF textRect(const QFont& font, const QString& text, qreal width) {
    if (text.isEmpty()) {
        return {};
    }
    return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 1e6), kTextFlags, text);
}

}  // namespace

AlertCardView::AlertCardView(const std::shared_ptr<AlertController>& alert, qreal width)
    : alert_(alert) {
    setBackgroundColor(kCardColor);
    layer().setCornerRadius(12);
    setClipsToBounds(true);
    qreal y = textHeight(width - 2 * kPadding);
    for (const auto& field : alert->textFields()) {
        auto view = std::make_shared<AlertFieldView>(field);
        view->setFrame({kPadding, y, width - 2 * kPadding, kFieldHeight});
        addSubview(view);
        fields_.push_back(view);
        y += kFieldHeight + kFieldSpacing;
    }
    if (!alert->textFields().empty()) {
        y += kPadding - kFieldSpacing;
    }
    // Cancel goes last; a popover has none (a tap outside cancels).
    std::vector<int> order;
    int cancel = -1;
    const auto& actions = alert->actions();
    for (int i = 0; i < static_cast<int>(actions.size()); ++i) {
        if (actions[i]->style() == AlertActionStyle::Cancel) {
            cancel = i;
        } else {
            order.push_back(i);
        }
    }
    if (cancel >= 0 && !alert->isPopover()) {
        order.push_back(cancel);
    }
    for (const int index : order) {
        const auto& action = actions[index];
        auto button =
            makeSheetButton(action->title(), [weak = std::weak_ptr<AlertController>(alert), index] {
                if (const auto owner = weak.lock()) {
                    owner->chooseAction(index);
                }
            });
        if (action->style() == AlertActionStyle::Destructive) {
            button->setTitleColor(kDestructiveColor, Button::Normal);
        }
        setSheetButtonFont(*button, kTitleSize, action->style() == AlertActionStyle::Cancel);
        button->setEnabled(action->isEnabled());
        button->setFrame({0, y, width, kButtonHeight});
        addSubview(button);
        buttons_.emplace_back(button, index);
        y += kButtonHeight;
    }
    setFrame({0, 0, width, y});
}

qreal AlertCardView::textHeight(qreal width) const {
    const auto alert = alert_.lock();
    const QRectF title = textRect(FontTable::systemFont(kTitleSize, true), alert->title(), width);
    const QRectF message = textRect(FontTable::systemFont(kMessageSize), alert->message(), width);
    if (title.isEmpty() && message.isEmpty()) {
        return 0;
    }
    return kPadding + title.height() + message.height() + kPadding;
}

void AlertCardView::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const auto alert = alert_.lock();
    if (!alert) {
        return;
    }
    const qreal width = bounds().width() - 2 * kPadding;
    const QFont titleFont = FontTable::systemFont(kTitleSize, true);
    const QFont messageFont = FontTable::systemFont(kMessageSize);
    const QRectF title = textRect(titleFont, alert->title(), width);
    painter.setPen(Qt::black);
    painter.setFont(titleFont);
    painter.drawText(QRectF(kPadding, kPadding, width, title.height()), kTextFlags, alert->title());
    painter.setFont(messageFont);
    painter.drawText(QRectF(kPadding, kPadding + title.height(), width,
                            textRect(messageFont, alert->message(), width).height()),
                     kTextFlags, alert->message());
    painter.setPen(kLineColor);
    for (const auto& [button, index] : buttons_) {
        (void)index;
        painter.drawLine(QPointF(0, button->frame().top()),
                         QPointF(bounds().width(), button->frame().top()));
    }
}

}  // namespace platform
