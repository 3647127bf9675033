#pragma once

#include "platform/ui/view/LayerTransform.h"

#include <QtCore/QPointF>
#include <QtCore/QRectF>
#include <QtGui/QColor>

#include <variant>
#include <vector>

namespace platform {

// A value that an animation moves from one end to the other.
using AnimatableValue = std::variant<qreal, QPointF, QRectF, QColor, LayerTransform>;

// The value a fraction `t` of the way from `from` to `to` (values of different kinds jump).
AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, qreal t);

// A value as plain numbers and back, for springs that move each number on its own.
std::vector<qreal> toComponents(const AnimatableValue& value);
AnimatableValue fromComponents(const AnimatableValue& like, const std::vector<qreal>& components);

}  // namespace platform
