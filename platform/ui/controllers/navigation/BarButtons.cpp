#include "platform/ui/controllers/navigation/BarButtons.h"

#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controls/Button.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace platform {

namespace {

constexpr qreal kArrowWidth = 12;
constexpr qreal kArrowHeight = 21;
constexpr qreal kArrowStroke = 3;
constexpr qreal kArrowScale = 2;

// The back arrow as a template picture: the button tints it. Its clear right edge keeps the
// title apart from it.
QImage backArrow() {
    static const QImage arrow = [] {
        QImage image(QSize(qRound((kArrowWidth + BarButtons::kArrowGap) * kArrowScale),
                           qRound(kArrowHeight * kArrowScale)),
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(kArrowScale);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const qreal half = kArrowStroke / 2;
        path.moveTo(kArrowWidth - half, half);
        path.lineTo(half + 1, kArrowHeight / 2);
        path.lineTo(kArrowWidth - half, kArrowHeight - half);
        painter.strokePath(
            path, QPen(Qt::black, kArrowStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        return image;
    }();
    return arrow;
}

std::shared_ptr<Button> barButton(const QColor& tint, bool bold) {
    auto button = Button::make(Button::Type::System);
    FontDescription font;
    font.pointSize = BarButtons::kTitleFontSize;
    font.weight = bold ? FontDescription::kBoldWeight : FontDescription::kRegularWeight;
    button->titleLabel()->setFont(font);
    button->setTintColor(tint);
    button->setContentEdgeInsets({0, BarButtons::kPadding, 0, BarButtons::kPadding});
    return button;
}

}  // namespace

std::shared_ptr<Button> BarButtons::forItem(const std::shared_ptr<BarButtonItem>& item,
                                            const QColor& tint) {
    auto button = barButton(item->tintColor().isValid() ? item->tintColor() : tint,
                            item->style() == BarButtonItem::Style::Done);
    if (!item->image().isNull()) {
        button->setImage(item->image(), Button::Normal);
    } else {
        button->setTitle(item->title(), Button::Normal);
    }
    button->setEnabled(item->isEnabled());
    const std::weak_ptr<BarButtonItem> weakItem = item;
    button->addTarget(Control::TouchUpInside, [weakItem](Control&) {
        if (const auto tapped = weakItem.lock()) {
            tapped->trigger();
        }
    });
    return button;
}

std::shared_ptr<Button> BarButtons::back(const QString& title, const QColor& tint,
                                         const QImage& arrow, std::function<void()> onTap) {
    auto button = barButton(tint, false);
    button->setImage(arrow.isNull() ? backArrow() : arrow, Button::Normal);
    button->setTitle(title, Button::Normal);
    button->addTarget(Control::TouchUpInside, [onTap = std::move(onTap)](Control&) {
        if (onTap) {
            const auto run = onTap;
            run();
        }
    });
    return button;
}

}  // namespace platform
