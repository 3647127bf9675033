#include "platform/ui/controls/LineTruncation.h"

#include <QtGui/QFontMetricsF>

namespace platform {

namespace {

const QChar kEllipsis(0x2026);

bool endsParagraph(QChar c) {
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QLatin1Char('\r');
}

// Appends the characters [from, to) of `text` with their looks; with `joinLines` line separators
// become spaces, as the elided line holds what stood on several.
void appendSlice(StyledText& out, const StyledText& text, int from, int to, bool joinLines) {
    for (const TextLookRun& run : text.runs()) {
        const int start = std::max(from, run.location);
        const int end = std::min(to, run.location + run.length);
        if (start < end) {
            QString part = text.string().mid(start, end - start);
            if (joinLines) {
                part.replace(QChar::LineSeparator, u' ');
            }
            out.append(part, run.look);
        }
    }
}

// The frame, laid out already, given its fallback for low bounds and its ellipsis.
std::unique_ptr<TextFrame> truncated(std::unique_ptr<TextFrame> frame, TextFrameOptions options,
                                     Qt::TextElideMode mode) {
    QSizeF size = frame->size();
    if (frame->lines().empty() && !frame->text().isEmpty()) {
        // Bounds lower than a line still show the first line, overflowing them.
        size.setHeight(TextFrame::kUnlimited);
        options.maximumLines = 1;
        frame = std::make_unique<TextFrame>(StyledText(frame->text()), size, options);
    }
    const StyledText& text = frame->text();
    if (!frame->isTruncated() || frame->lines().empty() || mode == Qt::ElideNone) {
        return frame;
    }
    // The last line shown is replaced by its paragraph's rest, elided to the line's width.
    const TextLineInfo& last = frame->lines().back();
    const QString& string = text.string();
    int paragraphEnd = last.location;
    while (paragraphEnd < text.length() && !endsParagraph(string.at(paragraphEnd))) {
        ++paragraphEnd;
    }
    const QString rest =
        string.mid(last.location, paragraphEnd - last.location).replace(QChar::LineSeparator, u' ');
    const QFontMetricsF metrics(text.runAt(last.location)->look.font);
    QString elided = metrics.elidedText(rest, mode, size.width());
    qsizetype ellipsisAt = elided.indexOf(kEllipsis);
    qsizetype kept = 0;
    if (ellipsisAt >= 0) {
        kept = elided.size() - ellipsisAt - 1;
    } else {
        // The paragraph fits and the ones after it are cut: the ellipsis ends what is shown.
        elided = metrics.elidedText(rest, Qt::ElideRight,
                                    size.width() - metrics.horizontalAdvance(kEllipsis));
        ellipsisAt = elided.indexOf(kEllipsis);
        if (ellipsisAt < 0) {
            ellipsisAt = elided.size();
        }
    }
    const int prefixEnd = last.location + static_cast<int>(ellipsisAt);
    StyledText cut;
    appendSlice(cut, text, 0, last.location, false);
    appendSlice(cut, text, last.location, prefixEnd, true);
    TextLook ellipsisLook = text.runAt(std::max(last.location, prefixEnd - 1))->look;
    ellipsisLook.placeholder = nullptr;
    cut.append(QString(kEllipsis), ellipsisLook);
    appendSlice(cut, text, paragraphEnd - static_cast<int>(kept), paragraphEnd, true);
    return std::make_unique<TextFrame>(cut, size, options);
}

TextFrameOptions optionsFor(int maximumLines, bool wrapAnywhere) {
    TextFrameOptions options;
    options.maximumLines = maximumLines;
    options.wrapAnywhere = wrapAnywhere;
    return options;
}

}  // namespace

std::unique_ptr<TextFrame> layOutTruncated(const StyledText& text, QSizeF size, int maximumLines,
                                           Qt::TextElideMode mode, bool wrapAnywhere) {
    const TextFrameOptions options = optionsFor(maximumLines, wrapAnywhere);
    return truncated(std::make_unique<TextFrame>(text, size, options), options, mode);
}

std::unique_ptr<TextFrame> layOutTruncated(std::unique_ptr<TextFrame> frame, QSizeF size,
                                           int maximumLines, Qt::TextElideMode mode,
                                           bool wrapAnywhere) {
    frame->setSize(size);
    return truncated(std::move(frame), optionsFor(maximumLines, wrapAnywhere), mode);
}

}  // namespace platform
