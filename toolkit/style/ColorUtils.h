#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>

// Colour operations every screen uses: by name from the colour table, an identifier's avatar
// colour, and what one colour looks like laid over another.
platform::Color colorWithName(const QString& name);
// "avatar_N" with N = (sum of the identifier's hexadecimal digits modulo 10) + 1.
platform::Color colorFromGUID(const QString& guid);
// `over` laid on `base` with over's alpha; the result is opaque and base's own alpha is ignored.
platform::Color colorByBlendingWithColor(const platform::Color& base, const platform::Color& over);
// A colour with the same channels and a new alpha (0 to 1).
platform::Color colorWithAlpha(const platform::Color& color, double alpha);
// A grey of the given white level (0 to 1) and alpha.
platform::Color colorWithWhite(double white, double alpha = 1.0);
