#include "platform/ui/standins/WindowOverlay.h"

#include "platform/ui/animation/ViewAnimation.h"

#include <algorithm>

namespace platform::WindowOverlay {

void show(const std::shared_ptr<View>& view, View& window, bool animated) {
    window.addSubview(view);
    if (!animated) {
        view->setAlpha(1);
        return;
    }
    view->setAlpha(0);
    ViewAnimation::animate(kFadeDuration, [&view] { view->setAlpha(1); });
}

void hide(const std::shared_ptr<View>& view, bool animated, std::function<void()> done) {
    auto finish = [view, done = std::move(done)](bool) {
        if (view) {
            view->removeFromSuperview();
        }
        if (done) {
            done();
        }
    };
    if (!animated || !view || view->window() == nullptr) {
        finish(true);
        return;
    }
    ViewAnimation::animate(
        kFadeDuration, [&view] { view->setAlpha(0); }, std::move(finish));
}

QRectF placeNear(QSizeF size, const QRectF& target, const QRectF& windowBounds, qreal topInset) {
    const qreal minX = windowBounds.left() + kMargin;
    const qreal maxX = std::max(minX, windowBounds.right() - kMargin - size.width());
    const qreal x = std::clamp(target.center().x() - size.width() / 2, minX, maxX);
    qreal y = target.top() - kMargin - size.height();
    if (y < windowBounds.top() + topInset) {
        y = target.bottom() + kMargin;
        if (y + size.height() > windowBounds.bottom()) {
            // No room on either side: over the target, inside the window.
            y = std::clamp(
                target.center().y() - size.height() / 2, windowBounds.top() + topInset,
                std::max(windowBounds.top() + topInset, windowBounds.bottom() - size.height()));
        }
    }
    return {QPointF(x, y), size};
}

}  // namespace platform::WindowOverlay
