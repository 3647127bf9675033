#pragma once

#include "platform/ui/text/StyledText.h"

#include <QtCore/QPointF>
#include <QtCore/QRectF>
#include <QtCore/QSizeF>

#include <limits>
#include <memory>
#include <vector>

class QPainter;

namespace platform {

// A stretch of one line drawn with one look: a style run cut by the line's ends, or one
// placeholder. Widths and offsets in points; `x` is measured from the line's origin.
struct TextRunInfo {
    int location = 0;
    int length = 0;
    qreal x = 0;
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
    qreal leading = 0;
    bool isPlaceholder = false;
};

// One laid-out line. `origin` is the left end of its baseline, measured from the frame's top-left
// corner with y growing downwards. A line that ends its paragraph includes the separator.
struct TextLineInfo {
    int location = 0;
    int length = 0;
    QPointF origin;
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
    qreal leading = 0;
    std::vector<TextRunInfo> runs;
};

struct TextFrameOptions {
    // At most this many lines (0: no limit).
    int maximumLines = 0;
    // When text is left over, the last line ends in an ellipsis that fits its width.
    bool truncateTail = false;
    // Lines break after any character that fills them, not only between words.
    bool wrapAnywhere = false;
};

// Styled text laid out in a rectangle of the given size: whole lines from the top for as long as
// they fit. "\n" and U+2029 end paragraphs (paragraph spacing applies), U+2028 only breaks the
// line. Placeholders (U+FFFC runs with a callback) take the width, ascent and descent the callback
// gives.
class TextFrame {
public:
    static constexpr qreal kUnlimited = std::numeric_limits<qreal>::max();

    TextFrame(StyledText text, QSizeF size, TextFrameOptions options = {});
    ~TextFrame();
    TextFrame(const TextFrame&) = delete;
    TextFrame& operator=(const TextFrame&) = delete;

    // Lays the same text out again in a rectangle of another size, reusing what does not depend
    // on the size.
    void setSize(QSizeF size);

    const StyledText& text() const;
    QSizeF size() const;
    const std::vector<TextLineInfo>& lines() const;
    // Characters from the start held by the lines that fit.
    int fittedLength() const;
    bool isTruncated() const { return fittedLength() < text().length(); }
    // Widest line's right end and the last line's bottom: the smallest size that shows the lines.
    QSizeF usedSize() const;
    // A run's glyph box in frame coordinates.
    static QRectF runRect(const TextLineInfo& line, const TextRunInfo& run);
    // The character nearest to `point` (frame coordinates), or -1 when there are no lines.
    int characterIndexAt(QPointF point) const;

    // Draws the lines with their top-left frame corner at `topLeft`. Placeholders are left empty:
    // their owners draw in the room they were given.
    void draw(QPainter& painter, QPointF topLeft) const;

    // The size that `text` needs within `constraints` (width and height limits, kUnlimited for
    // none), and how many characters fit.
    static QSizeF suggestedSize(const StyledText& text, QSizeF constraints,
                                int* fittedLength = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
