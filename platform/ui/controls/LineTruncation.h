#pragma once

#include "platform/ui/text/TextFrame.h"

#include <QtCore/Qt>

#include <memory>

namespace platform {

// Lays `text` out in `size` on at most `maximumLines` lines (0: no limit) and, when some of it
// does not fit, ends the last line shown with an ellipsis placed as `mode` says: at the end, at
// the start (the paragraph's end stays in view) or in the middle. Qt::ElideNone cuts without one.
// The frame's text is then what is shown, ellipsis included.
// `wrapAnywhere` breaks lines after any character rather than between words.
std::unique_ptr<TextFrame> layOutTruncated(const StyledText& text, QSizeF size, int maximumLines,
                                           Qt::TextElideMode mode, bool wrapAnywhere = false);
// The same for a frame of the text made already (with the same line limit and wrapping), laid out
// again in `size`: what does not depend on the size is not made again.
std::unique_ptr<TextFrame> layOutTruncated(std::unique_ptr<TextFrame> frame, QSizeF size,
                                           int maximumLines, Qt::TextElideMode mode,
                                           bool wrapAnywhere = false);

}  // namespace platform
