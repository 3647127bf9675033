#pragma once

#include <QtCore/QRectF>
#include <QtGui/QColor>

// What a table row offers the cards and menus that point at it: the part of it a popover points
// at, whether the user is selecting its text, and a highlight that stays while a menu about the
// row is open and then fades back. Other views are pointed at by their bounds and lose their
// plain highlight.
class ZVHighlightableCell {
public:
    virtual ~ZVHighlightableCell() = default;

    // In the row's own coordinates.
    virtual QRectF contentRect() const = 0;
    virtual bool selecting() const = 0;
    virtual void setKeepHighlight(bool keep) = 0;
    // An invalid colour goes back to the row's own highlight colour.
    virtual void setHighlightColor(const QColor& color, double duration) = 0;
};
