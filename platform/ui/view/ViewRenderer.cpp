#include "platform/ui/view/ViewRenderer.h"

#include "platform/ui/animation/TransitionAnimation.h"
#include "platform/ui/view/ShadowPainter.h"
#include "platform/ui/view/View.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRegion>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The viewing distance of transition flips, in points.
constexpr qreal kFlipPerspective = -1.0 / 500.0;

QPainterPath shapeOf(const QRectF& bounds, qreal cornerRadius) {
    QPainterPath path;
    if (cornerRadius > 0) {
        path.addRoundedRect(bounds, cornerRadius, cornerRadius);
    } else {
        path.addRect(bounds);
    }
    return path;
}

QTransform presentationToSuperview(const View& view) {
    const Layer& layer = view.layer();
    const QPointF boundsCenter = layer.presentationBounds().center();
    const QPointF position = layer.presentationPosition();
    const LayerTransform t = layer.presentationTransform();
    const QTransform own = t.isIdentity() ? QTransform() : t.toQTransform();
    return QTransform::fromTranslate(-boundsCenter.x(), -boundsCenter.y()) * own *
           QTransform::fromTranslate(position.x(), position.y());
}

// Turning by `angle` about the vertical (or horizontal) axis through the centre of `bounds`.
QTransform flipAbout(const QRectF& bounds, qreal angle, bool vertical) {
    const qreal c = std::cos(angle);
    const qreal s = std::sin(angle);
    const QTransform turn = vertical ? QTransform(c, 0, kFlipPerspective * s, 0, 1, 0, 0, 0, 1)
                                     : QTransform(1, 0, 0, 0, c, kFlipPerspective * s, 0, 0, 1);
    const QPointF centre = bounds.center();
    return QTransform::fromTranslate(-centre.x(), -centre.y()) * turn *
           QTransform::fromTranslate(centre.x(), centre.y());
}

void drawTransition(const View& view, QPainter& painter, const TransitionAnimation& transition) {
    const qreal progress = transition.progressAt(Scheduler::main().now());
    const QRectF bounds = view.layer().presentationBounds();
    if (transition.kind() == TransitionAnimation::Kind::CrossDissolve) {
        const qreal opacity = painter.opacity();
        painter.setOpacity(opacity * progress);
        ViewRenderer::drawContents(view, painter);
        painter.setOpacity(opacity * (1 - progress));
        painter.drawImage(bounds, transition.oldPicture());
        painter.setOpacity(opacity);
        return;
    }
    const bool vertical = transition.kind() == TransitionAnimation::Kind::FlipFromLeft ||
                          transition.kind() == TransitionAnimation::Kind::FlipFromRight;
    const qreal direction = transition.kind() == TransitionAnimation::Kind::FlipFromLeft ||
                                    transition.kind() == TransitionAnimation::Kind::FlipFromTop
                                ? 1
                                : -1;
    // The old side turns away for the first half, the new side turns in for the second.
    const bool oldSide = progress < 0.5;
    const qreal angle = direction * M_PI * (oldSide ? progress : progress - 1);
    painter.save();
    painter.setTransform(flipAbout(bounds, angle, vertical), true);
    if (oldSide) {
        painter.drawImage(bounds, transition.oldPicture());
    } else {
        ViewRenderer::drawContents(view, painter);
    }
    painter.restore();
}

}  // namespace

void ViewRenderer::draw(const View& view, QPainter& painter) {
    const Layer& layer = view.layer();
    const qreal opacity = layer.presentationOpacity();
    if (layer.isHidden() || opacity <= 0) {
        return;
    }
    painter.save();
    painter.setTransform(presentationToSuperview(view), true);
    painter.setOpacity(painter.opacity() * std::min<qreal>(opacity, 1));
    if (const auto transition = std::dynamic_pointer_cast<TransitionAnimation>(
            layer.animationForKey(TransitionAnimation::kKey))) {
        drawTransition(view, painter, *transition);
    } else {
        drawContents(view, painter);
    }
    painter.restore();
}

void ViewRenderer::drawContents(const View& view, QPainter& painter) {
    // Views draw with the window's hints, set once for a whole tree: a hint a view turns on
    // inside a path clip makes the raster engine rasterise the clip again.
    const QPainter::RenderHints given = painter.renderHints();
    if ((given & kRenderHints) != kRenderHints) {
        painter.setRenderHints(kRenderHints);
        drawContents(view, painter);
        painter.setRenderHints(kRenderHints & ~given, false);
        return;
    }
    const Layer& layer = view.layer();
    const QRectF bounds = layer.presentationBounds();
    const QPainterPath shape = shapeOf(bounds, layer.cornerRadius());
    const QColor background = layer.presentationBackgroundColor();
    if (layer.shadowOpacity() > 0 && layer.shadowColor().alpha() > 0) {
        paintShadow(painter, shape, layer.shadowColor(), layer.shadowOpacity(),
                    layer.shadowRadius(), layer.shadowOffset());
    }
    if (background.isValid() && background.alpha() > 0) {
        // A rectangle fills by spans; as a path it goes through the antialiasing rasteriser.
        if (layer.cornerRadius() > 0) {
            painter.fillPath(shape, background);
        } else {
            painter.fillRect(bounds, background);
        }
    }
    painter.save();
    if (layer.masksToBounds()) {
        // A rectangle clips without a mask; a path clip makes the raster engine allocate and
        // clear span buffers the height of the whole device, for every view drawn.
        if (layer.cornerRadius() > 0) {
            painter.setClipPath(shape, Qt::IntersectClip);
        } else {
            painter.setClipRect(bounds, Qt::IntersectClip);
        }
    }
    const_cast<View&>(view).drawRect(painter, bounds);
    std::vector<const View*> ordered;
    for (const auto& subview : view.subviews()) {
        ordered.push_back(subview.get());
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const View* a, const View* b) {
        return a->layer().zPosition() < b->layer().zPosition();
    });
    for (const View* subview : ordered) {
        draw(*subview, painter);
    }
    painter.restore();
    if (layer.borderWidth() > 0 && layer.borderColor().alpha() > 0) {
        const qreal inset = layer.borderWidth() / 2;
        const QPainterPath border = shapeOf(bounds.adjusted(inset, inset, -inset, -inset),
                                            std::max<qreal>(0, layer.cornerRadius() - inset));
        painter.strokePath(border, QPen(layer.borderColor(), layer.borderWidth()));
    }
}

namespace {

// Slack for coordinates that land on a pixel edge give or take rounding.
constexpr qreal kPixelEdgeSlack = 1e-6;

// The pixels wholly inside `rect` (window pixels).
QRect innerPixels(const QRectF& rect) {
    const int left = qCeil(rect.left() - kPixelEdgeSlack);
    const int top = qCeil(rect.top() - kPixelEdgeSlack);
    const int right = qFloor(rect.right() + kPixelEdgeSlack);
    const int bottom = qFloor(rect.bottom() + kPixelEdgeSlack);
    return right > left && bottom > top ? QRect(left, top, right - left, bottom - top) : QRect();
}

// Adds what `view` paints opaquely; `origin` is its superview's bounds origin in window points.
void addOpaquePixels(const View& view, QPointF origin, qreal scale, QRegion& region) {
    const Layer& layer = view.layer();
    // Anything turned, faded or mid-transition may leave parts of its frame unpainted.
    if (layer.isHidden() || layer.presentationOpacity() < 1 ||
        !layer.presentationTransform().isIdentity() ||
        layer.animationForKey(TransitionAnimation::kKey)) {
        return;
    }
    const QRectF bounds = layer.presentationBounds();
    const QPointF shift = origin + layer.presentationPosition() - bounds.center();
    const QRect pixels =
        innerPixels(QRectF((bounds.topLeft() + shift) * scale, bounds.size() * scale));
    const QColor background = layer.presentationBackgroundColor();
    if (background.isValid() && background.alpha() == 255 && layer.cornerRadius() <= 0) {
        region += pixels;
    }
    QRegion inside;
    for (const auto& subview : view.subviews()) {
        addOpaquePixels(*subview, shift, scale, inside);
    }
    region += layer.masksToBounds() ? inside.intersected(pixels) : inside;
}

}  // namespace

QRegion ViewRenderer::opaquePixels(const View& view, qreal scale) {
    QRegion region;
    addOpaquePixels(view, QPointF(0, 0), scale, region);
    return region;
}

}  // namespace platform
