#pragma once

#include <QtCore/qglobal.h>

// What applying one changed item did to a sorted array, for its owner to turn into notifications:
// needsReload set means redraw everything; fromIndex equal to toIndex means nothing moved (the
// item may have changed in place); only toIndex found means the item appeared there; only
// fromIndex found means it disappeared from there; both found and different means it moved.
struct ZVSortedArrayChange {
    static constexpr qsizetype kNotFound = -1;

    bool needsReload = false;
    qsizetype fromIndex = kNotFound;
    qsizetype toIndex = kNotFound;

    friend bool operator==(const ZVSortedArrayChange&, const ZVSortedArrayChange&) = default;
};
