#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtGui/QColor>

namespace platform {

// A view colour as an attributed-text colour value.
inline Color colorValue(const QColor& color) {
    const QColor rgb = color.toRgb();
    return Color{static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                 static_cast<std::uint8_t>(rgb.blue()), static_cast<std::uint8_t>(rgb.alpha())};
}

}  // namespace platform
