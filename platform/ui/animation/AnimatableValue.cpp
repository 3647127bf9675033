#include "platform/ui/animation/AnimatableValue.h"

namespace platform {

namespace {

qreal mix(qreal a, qreal b, qreal t) {
    return a + (b - a) * t;
}

QPointF mix(QPointF a, QPointF b, qreal t) {
    return a + (b - a) * t;
}

}  // namespace

AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, qreal t) {
    if (from.index() != to.index()) {
        return t < 1 ? from : to;
    }
    return std::visit(
        [&](const auto& a) -> AnimatableValue {
            using T = std::decay_t<decltype(a)>;
            const T& b = std::get<T>(to);
            if constexpr (std::is_same_v<T, qreal>) {
                return mix(a, b, t);
            } else if constexpr (std::is_same_v<T, QPointF>) {
                return mix(a, b, t);
            } else if constexpr (std::is_same_v<T, QRectF>) {
                return QRectF(mix(a.topLeft(), b.topLeft(), t),
                              QSizeF(mix(a.width(), b.width(), t), mix(a.height(), b.height(), t)));
            } else if constexpr (std::is_same_v<T, QColor>) {
                const QColor ca = a.isValid() ? a : QColor(0, 0, 0, 0);
                const QColor cb = b.isValid() ? b : QColor(0, 0, 0, 0);
                return QColor::fromRgbF(
                    mix(ca.redF(), cb.redF(), t), mix(ca.greenF(), cb.greenF(), t),
                    mix(ca.blueF(), cb.blueF(), t), mix(ca.alphaF(), cb.alphaF(), t));
            } else {
                LayerTransform r;
                r.translation = mix(a.translation, b.translation, t);
                r.scale = mix(a.scale, b.scale, t);
                r.rotation = mix(a.rotation, b.rotation, t);
                r.rotationX = mix(a.rotationX, b.rotationX, t);
                r.perspective = mix(a.perspective, b.perspective, t);
                return r;
            }
        },
        from);
}

std::vector<qreal> toComponents(const AnimatableValue& value) {
    return std::visit(
        [](const auto& v) -> std::vector<qreal> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, qreal>) {
                return {v};
            } else if constexpr (std::is_same_v<T, QPointF>) {
                return {v.x(), v.y()};
            } else if constexpr (std::is_same_v<T, QRectF>) {
                return {v.x(), v.y(), v.width(), v.height()};
            } else if constexpr (std::is_same_v<T, QColor>) {
                return {v.redF(), v.greenF(), v.blueF(), v.alphaF()};
            } else {
                return {v.translation.x(), v.translation.y(), v.scale.x(),  v.scale.y(),
                        v.rotation,        v.rotationX,       v.perspective};
            }
        },
        value);
}

AnimatableValue fromComponents(const AnimatableValue& like, const std::vector<qreal>& c) {
    return std::visit(
        [&](const auto& v) -> AnimatableValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, qreal>) {
                return c.at(0);
            } else if constexpr (std::is_same_v<T, QPointF>) {
                return QPointF(c.at(0), c.at(1));
            } else if constexpr (std::is_same_v<T, QRectF>) {
                return QRectF(c.at(0), c.at(1), c.at(2), c.at(3));
            } else if constexpr (std::is_same_v<T, QColor>) {
                return QColor::fromRgbF(c.at(0), c.at(1), c.at(2), c.at(3));
            } else {
                LayerTransform t;
                t.translation = {c.at(0), c.at(1)};
                t.scale = {c.at(2), c.at(3)};
                t.rotation = c.at(4);
                t.rotationX = c.at(5);
                t.perspective = c.at(6);
                return t;
            }
        },
        like);
}

}  // namespace platform
