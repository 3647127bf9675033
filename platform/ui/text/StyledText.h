#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QFont>

#include <functional>
#include <vector>

namespace platform {

// The room an inline placeholder (U+FFFC) takes in its line, in points.
struct PlaceholderMetrics {
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
};
// Asked each time the placeholder is laid out, so that its owner can size it late.
using PlaceholderCallback = std::function<PlaceholderMetrics()>;

// The look of one run of text with every attribute resolved: what the text frame needs to lay it
// out and draw it.
struct TextLook {
    QFont font;
    QColor foreground = Qt::black;
    bool underline = false;
    bool strikethrough = false;
    // A paragraph takes the style of its first character.
    ParagraphStyle paragraph;
    // Set on a run of U+FFFC characters that stand for inline objects.
    PlaceholderCallback placeholder;
};

struct TextLookRun {
    int location = 0;
    int length = 0;
    TextLook look;
};

// Text with its looks resolved, runs in order and covering the whole string. Built from an
// attributed string (fonts and colours resolved) or directly.
class StyledText {
public:
    StyledText() = default;
    StyledText(const QString& text, const TextLook& look) { append(text, look); }

    void append(const QString& text, const TextLook& look);
    // One placeholder character whose size comes from `callback`.
    void appendPlaceholder(const TextLook& look, PlaceholderCallback callback);

    const QString& string() const { return string_; }
    const std::vector<TextLookRun>& runs() const { return runs_; }
    int length() const { return static_cast<int>(string_.size()); }
    bool isEmpty() const { return string_.isEmpty(); }
    // The run holding character `index` (the last run past the end); null when there is none.
    const TextLookRun* runAt(int index) const;

private:
    QString string_;
    std::vector<TextLookRun> runs_;
};

}  // namespace platform
