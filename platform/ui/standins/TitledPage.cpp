#include "platform/ui/standins/TitledPage.h"

#include "platform/ui/standins/SheetButtons.h"
#include "platform/ui/text/FontTable.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTitleSize = 17;
constexpr qreal kNoticeInset = 20;
const QColor kBarColor(247, 247, 247);

}  // namespace

TitledPage::TitledPage(QString title, const QString& buttonTitle,
                       std::function<void()> buttonAction)
    : title_(std::move(title)) {
    setBackgroundColor(Qt::white);
    button_ = makeSheetButton(buttonTitle, std::move(buttonAction));
    addSubview(button_);
}

qreal TitledPage::top() const {
    const Window* shownIn = window();
    return (shownIn != nullptr ? shownIn->profile().statusBarHeight : 0) + kBarHeight;
}

QRectF TitledPage::contentArea() const {
    return bounds().adjusted(0, top(), 0, 0);
}

void TitledPage::setContentView(const std::shared_ptr<View>& view) {
    if (content_) {
        content_->removeFromSuperview();
    }
    content_ = view;
    if (content_) {
        insertSubview(content_, 0);
        setNeedsLayout();
    }
}

void TitledPage::layoutSubviews() {
    button_->setFrame(
        {bounds().width() - kButtonWidth, top() - kBarHeight, kButtonWidth, kBarHeight});
    if (content_) {
        content_->setFrame(contentArea());
    }
}

void TitledPage::setNotice(QString notice) {
    notice_ = std::move(notice);
    setNeedsDisplay();
}

void TitledPage::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.fillRect(QRectF(0, 0, bounds().width(), top()), kBarColor);
    painter.setPen(Qt::black);
    painter.setFont(FontTable::systemFont(kTitleSize, true));
    // Clear of the button on either side, so a long title stays centred.
    painter.drawText(
        QRectF(kButtonWidth, top() - kBarHeight, bounds().width() - 2 * kButtonWidth, kBarHeight),
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
