#include "platform/ui/standins/OverlayPage.h"

#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTitleSize = 17;
constexpr qreal kNoticeInset = 20;
const QColor kBarColor(247, 247, 247);

}  // namespace

OverlayPage::OverlayPage(const QRectF& windowBounds, qreal statusBarHeight, QString title,
                         const QString& buttonTitle, std::function<void()> buttonAction)
    : View(windowBounds), title_(std::move(title)), top_(statusBarHeight + kBarHeight) {
    setBackgroundColor(Qt::white);
    button_ = makeSheetButton(buttonTitle, std::move(buttonAction));
    button_->setFrame(
        {windowBounds.width() - kButtonWidth, statusBarHeight, kButtonWidth, kBarHeight});
    addSubview(button_);
}

QRectF OverlayPage::contentArea() const {
    return bounds().adjusted(0, top_, 0, 0);
}

void OverlayPage::setNotice(QString notice) {
    notice_ = std::move(notice);
    setNeedsDisplay();
}

void OverlayPage::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.fillRect(QRectF(0, 0, bounds().width(), top_), kBarColor);
    painter.setPen(Qt::black);
    painter.setFont(FontTable::systemFont(kTitleSize, true));
    // Clear of the button on either side, so a long title stays centred.
    painter.drawText(
        QRectF(kButtonWidth, top_ - kBarHeight, bounds().width() - 2 * kButtonWidth, kBarHeight),
        Qt::AlignCenter,
        painter.fontMetrics().elidedText(title_, Qt::ElideMiddle,
                                         static_cast<int>(bounds().width() - 2 * kButtonWidth)));
    if (!notice_.isEmpty()) {
        painter.setFont(FontTable::systemFont(kTitleSize));
        painter.drawText(contentArea().adjusted(kNoticeInset, 0, -kNoticeInset, 0),
                         Qt::AlignCenter | Qt::TextWordWrap, notice_);
    }
}

}  // namespace platform
