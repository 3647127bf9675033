#include "toolkit/style/ViewLayout.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/View.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"

#include <QtGui/QPainter>

namespace {

constexpr qreal kGap = 5;
constexpr qreal kInset = 10;
// Below this a row has not started yet, so the first view gets no gap before it.
constexpr qreal kStartedWidth = 0.1;
constexpr int kHorizontalMask = 7;
constexpr int kVerticalMask = 0xF8;
constexpr qreal kLineWidth = 1.0;
constexpr qreal kEdgeLine = 0.5;

}  // namespace

qreal alignViews(const ViewList& views, QRectF rect, int flags,
                 const std::shared_ptr<platform::View>& stretchView) {
    if ((flags & kAlignInset) != 0) {
        rect.adjust(kInset, kInset, -kInset, -kInset);
    }
    if ((flags & kAlignSizeLabelsToFit) != 0) {
        for (const auto& view : views) {
            if (auto* label = dynamic_cast<platform::Label*>(view.get())) {
                label->sizeToFit();
                label->setFrame(QRectF(label->frame().toAlignedRect()));
            }
        }
    }
    qreal width = 0;
    qreal tallest = 0;
    bool stretchPassed = false;
    for (const auto& view : views) {
        if (view->isHidden()) {
            continue;
        }
        if (width > kStartedWidth || stretchPassed) {
            width += kGap;
        }
        if (view == stretchView) {
            stretchPassed = true;
        } else {
            width += view->frame().width();
        }
        tallest = std::max(tallest, view->frame().height());
    }
    qreal rowWidth = width;
    if (stretchView && !stretchView->isHidden()) {
        QRectF frame = stretchView->frame();
        frame.setWidth(rect.width() - width);
        stretchView->setFrame(frame);
        rowWidth = rect.width();
    }
    const int horizontal = flags & kHorizontalMask;
    const int vertical = flags & kVerticalMask;
    qreal x = 0;
    switch (horizontal) {
        case kAlignLeft:
            x = rect.left();
            break;
        case kAlignCenterX:
            x = rect.left() + (rect.width() - rowWidth) / 2;
            break;
        case kAlignRight:
            x = rect.right() - rowWidth;
            break;
        default:
            return width;
    }
    if (vertical != kAlignTop && vertical != kAlignCenterY && vertical != kAlignBottom &&
        vertical != kAlignTallestTop && vertical != kAlignTallestBottom) {
        return width;
    }
    for (const auto& view : views) {
        if (view->isHidden()) {
            continue;
        }
        const QSizeF size = view->frame().size();
        qreal offset = 0;
        switch (vertical) {
            case kAlignCenterY:
                offset = (rect.height() - size.height()) / 2;
                break;
            case kAlignBottom:
                offset = rect.height() - size.height();
                break;
            case kAlignTallestTop:
                offset = (tallest - size.height()) / 2;
                break;
            case kAlignTallestBottom:
                offset = rect.height() - tallest + (tallest - size.height()) / 2;
                break;
            default:
                break;
        }
        view->setFrame(QRectF(QPointF(x, rect.top() + offset), size));
        x += size.width() + kGap;
    }
    return width;
}

void layoutViews(const ViewList& views, const QRectF& rect, int rows, int cols, qreal spacing) {
    if (rows < 1 || cols < 1) {
        return;
    }
    const qreal cellWidth = (rect.width() - (cols - 1) * spacing) / cols;
    const qreal cellHeight = (rect.height() - (rows - 1) * spacing) / rows;
    for (std::size_t i = 0; i < views.size(); ++i) {
        const auto column = static_cast<int>(i % static_cast<std::size_t>(cols));
        const auto row = static_cast<int>(i / static_cast<std::size_t>(cols));
        views[i]->setFrame(QRectF(rect.left() + column * (cellWidth + spacing),
                                  rect.top() + row * (cellHeight + spacing), cellWidth,
                                  cellHeight));
    }
}

void drawHorizontalLine(QPainter& painter, qreal y, qreal fromX, qreal toX, bool lightColor) {
    const platform::Color color =
        lightColor ? colorWithName(QStringLiteral("inboxLabelSeparator")) : ZVColors::border();
    painter.save();
    painter.setPen(QPen(platform::resolveColor(color), kLineWidth));
    painter.drawLine(QPointF(fromX, y), QPointF(toX, y));
    painter.restore();
}

void drawSeparator(QPainter& painter, const QRectF& bounds, bool top, bool bottom,
                   bool lightColor) {
    if (top) {
        drawHorizontalLine(painter, bounds.top() + kEdgeLine, bounds.left(), bounds.right(),
                           lightColor);
    }
    if (bottom) {
        drawHorizontalLine(painter, bounds.bottom() - kEdgeLine, bounds.left(), bounds.right(),
                           lightColor);
    }
}

QPainterPath bezierPathWithArrowInRect(const QRectF& rect, bool pointingUp) {
    QPainterPath path;
    const qreal tip = pointingUp ? rect.top() : rect.bottom();
    const qreal base = pointingUp ? rect.bottom() : rect.top();
    path.moveTo(rect.center().x(), tip);
    path.lineTo(rect.right(), base);
    path.lineTo(rect.left(), base);
    path.closeSubpath();
    return path;
}
