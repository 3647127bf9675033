#pragma once

#include <QtGui/QColor>

// A colour of the colour table, by name, ready to draw with.
QColor alertColor(const char* name);
