#include "platform/ui/controllers/popover/PopoverHostView.h"

#include "platform/ui/view/Window.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace platform {

const QColor PopoverHostView::kBodyColor(Qt::white);

namespace {

// Draws the body and its arrow; the content sits in the body.
class PopoverView : public View {
public:
    void setPlacement(const PopoverPlacement& placement) {
        placement_ = placement;
        setNeedsDisplay();
    }

    // Touches on the body around the content stay with the popover.
    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesMoved(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}
    void touchesCancelled(const TouchSet&, const TouchEvent&) override {}

    void drawRect(QPainter& painter, const QRectF&) override {
        const QPointF origin = placement_.frame.topLeft();
        const QRectF body = placement_.bodyFrame().translated(-origin);
        QPainterPath path;
        path.addRoundedRect(body, PopoverPlacement::kCornerRadius, PopoverPlacement::kCornerRadius);
        const qreal h = PopoverPlacement::kArrowHeight;
        const qreal half = PopoverPlacement::kArrowBase / 2;
        const qreal at = placement_.arrowOffset;
        QPolygonF arrow;
        switch (placement_.arrowDirection) {
            case PopoverArrowDirection::Up:
                arrow << QPointF(at - half, h) << QPointF(at, 0) << QPointF(at + half, h);
                break;
            case PopoverArrowDirection::Down:
                arrow << QPointF(at - half, body.bottom()) << QPointF(at, body.bottom() + h)
                      << QPointF(at + half, body.bottom());
                break;
            case PopoverArrowDirection::Left:
                arrow << QPointF(h, at - half) << QPointF(0, at) << QPointF(h, at + half);
                break;
            case PopoverArrowDirection::Right:
                arrow << QPointF(body.right(), at - half) << QPointF(body.right() + h, at)
                      << QPointF(body.right(), at + half);
                break;
            default:
                break;
        }
        if (!arrow.isEmpty()) {
            QPainterPath arrowPath;
            arrowPath.addPolygon(arrow);
            path = path.united(arrowPath);
        }
        painter.fillPath(path, PopoverHostView::kBodyColor);
    }

private:
    PopoverPlacement placement_;
};

}  // namespace

PopoverHostView::PopoverHostView() : popover_(std::make_shared<PopoverView>()) {
    addSubview(popover_);
    popover_->layer().setShadowOpacity(0.3);
    popover_->layer().setShadowRadius(8);
}

void PopoverHostView::setAnchor(const std::weak_ptr<View>& view, const QRectF& rect,
                                unsigned permitted) {
    anchorView_ = view;
    anchorRect_ = rect;
    permitted_ = permitted;
    setNeedsLayout();
}

void PopoverHostView::setContentView(const std::shared_ptr<View>& content) {
    if (const auto old = content_.lock();
        old && old != content && old->superview() == popover_.get()) {
        old->removeFromSuperview();
    }
    content_ = content;
    if (content) {
        popover_->addSubview(content);
    }
    setNeedsLayout();
}

void PopoverHostView::setContentSize(QSizeF size) {
    contentSize_ = size;
    setNeedsLayout();
}

QRectF PopoverHostView::availableArea(const Window& window) {
    const qreal top = window.statusBarAppearance().hidden
                          ? kScreenMargin
                          : std::max(kScreenMargin, window.profile().statusBarHeight);
    return window.bounds().adjusted(kScreenMargin, top, -kScreenMargin, -kScreenMargin);
}

void PopoverHostView::layoutSubviews() {
    const Window* w = window();
    const QRectF area = w != nullptr ? availableArea(*w) : bounds();
    QRectF anchor;
    if (const auto view = anchorView_.lock()) {
        anchor = convertRectFrom(view->convertRectTo(anchorRect_, nullptr), nullptr);
    }
    placement_ = PopoverPlacement::place(anchor, contentSize_, area, permitted_);
    popover_->setFrame(placement_.frame);
    static_cast<PopoverView*>(popover_.get())->setPlacement(placement_);
    if (const auto content = content_.lock()) {
        content->setFrame(placement_.bodyFrame().translated(-placement_.frame.topLeft()));
    }
}

void PopoverHostView::touchesBegan(const TouchSet&, const TouchEvent&) {
    // Touches inside the body go to the content; only those outside reach the host itself.
    if (onTouchOutside_) {
        const auto handler = onTouchOutside_;
        handler();
    }
}

}  // namespace platform
