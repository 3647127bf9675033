#include "platform/ui/text/TextFrame.h"

#include "platform/ui/text/PlaceholderDocumentLayout.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtGui/QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace platform {

namespace {

// Lines whose bottom overshoots the frame by less than this still fit (rounding of metrics).
constexpr qreal kFitTolerance = 0.01;
const QString kEllipsis = QString(QChar(0x2026));

bool isParagraphSeparator(QChar c) {
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QLatin1Char('\r');
}

QTextCharFormat charFormat(const TextLook& look) {
    QTextCharFormat format;
    format.setFont(look.font, QTextCharFormat::FontPropertiesSpecifiedOnly);
    format.setForeground(look.foreground);
    format.setFontUnderline(look.underline);
    format.setFontStrikeOut(look.strikethrough);
    if (look.placeholder) {
        // Makes Qt treat U+FFFC as an inline object and ask the document layout for its size.
        format.setObjectType(QTextFormat::UserObject);
    }
    return format;
}

Qt::Alignment qtAlignment(ParagraphStyle::Alignment alignment) {
    switch (alignment) {
        case ParagraphStyle::Alignment::Right:
            return Qt::AlignRight;
        case ParagraphStyle::Alignment::Center:
            return Qt::AlignHCenter;
        case ParagraphStyle::Alignment::Justified:
            return Qt::AlignJustify;
        case ParagraphStyle::Alignment::Left:
        case ParagraphStyle::Alignment::Natural:
            break;
    }
    return Qt::AlignLeft;
}

struct PlacedLine {
    QTextLine line;
    int blockPosition = 0;
};

}  // namespace

struct TextFrame::Impl {
    StyledText text;
    QSizeF size;
    TextFrameOptions options;
    QTextDocument document;
    PlaceholderDocumentLayout* placeholders = nullptr;
    mutable std::vector<TextLineInfo> lines;
    std::vector<PlacedLine> placed;
    int fitted = 0;
    QSizeF used;
    // The last line drawn with an ellipsis in place of its own glyphs.
    std::unique_ptr<QTextLayout> truncatedLine;
    // Ascent, descent and leading of each style run's font, measured once.
    struct Metrics {
        qreal ascent = 0;
        qreal descent = 0;
        qreal leading = 0;
    };
    mutable std::vector<std::optional<Metrics>> runMetrics;

    const Metrics& metricsOf(const TextLookRun& run) const;

    void build();
    void layOut();
    void addRuns(TextLineInfo& info, const QTextLine& line, int blockPosition) const;
    // Runs are measured when first asked for: sizing and fitting do not need them.
    void makeRuns() const;
    mutable bool runsMade = false;
    void truncateLastLine();
};

void TextFrame::Impl::build() {
    document.setUndoRedoEnabled(false);
    document.setDocumentMargin(0);
    placeholders = new PlaceholderDocumentLayout(&document, text);
    document.setDocumentLayout(placeholders);
    QTextCursor cursor(&document);
    // Messages repeat a few looks many times: make each format once.
    std::vector<std::pair<const TextLook*, QTextCharFormat>> formats;
    for (const TextLookRun& run : text.runs()) {
        const auto same = [&](const auto& made) {
            const TextLook& a = *made.first;
            return a.font == run.look.font && a.foreground == run.look.foreground &&
                   a.underline == run.look.underline && a.strikethrough == run.look.strikethrough &&
                   static_cast<bool>(a.placeholder) == static_cast<bool>(run.look.placeholder);
        };
        auto it = std::find_if(formats.begin(), formats.end(), same);
        if (it == formats.end()) {
            it = formats.insert(formats.end(), {&run.look, charFormat(run.look)});
        }
        cursor.insertText(text.string().mid(run.location, run.length), it->second);
    }
}

void TextFrame::Impl::makeRuns() const {
    if (runsMade) {
        return;
    }
    runsMade = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TextLineInfo& info = lines[i];
        const QTextLine& line = placed[i].line;
        addRuns(info, line, placed[i].blockPosition);
        // The separator that ends a paragraph belongs to the line's last run.
        if (info.length > line.textLength() && !info.runs.empty()) {
            info.runs.back().length += info.length - line.textLength();
        }
    }
}

const TextFrame::Impl::Metrics& TextFrame::Impl::metricsOf(const TextLookRun& run) const {
    const auto index = static_cast<std::size_t>(&run - text.runs().data());
    runMetrics.resize(text.runs().size());
    if (!runMetrics[index]) {
        const QFontMetricsF metrics(run.look.font);
        runMetrics[index] = Metrics{metrics.ascent(), metrics.descent(), metrics.leading()};
    }
    return *runMetrics[index];
}

void TextFrame::Impl::addRuns(TextLineInfo& info, const QTextLine& line, int blockPosition) const {
    const int lineEnd = info.location + line.textLength();
    int position = info.location;
    // Each boundary's x is measured once: a run ends where the next begins.
    qreal startX = line.cursorToX(position - blockPosition);
    while (position < lineEnd) {
        const TextLookRun* run = text.runAt(position);
        const bool placeholder = run->look.placeholder &&
                                 text.string().at(position) == QChar::ObjectReplacementCharacter;
        const int end = placeholder ? position + 1 : std::min(run->location + run->length, lineEnd);
        TextRunInfo runInfo;
        runInfo.location = position;
        runInfo.length = end - position;
        const qreal endX = line.cursorToX(end - blockPosition);
        runInfo.x = std::min(startX, endX) - info.origin.x();
        runInfo.width = std::abs(endX - startX);
        runInfo.isPlaceholder = placeholder;
        if (placeholder) {
            const PlaceholderMetrics metrics = placeholders->metricsAt(position);
            runInfo.ascent = metrics.ascent;
            runInfo.descent = metrics.descent;
        } else {
            const Metrics& metrics = metricsOf(*run);
            runInfo.ascent = metrics.ascent;
            runInfo.descent = metrics.descent;
            runInfo.leading = metrics.leading;
        }
        info.runs.push_back(runInfo);
        position = end;
        startX = endX;
    }
}

void TextFrame::Impl::layOut() {
    const QString& string = text.string();
    const int textLength = text.length();
    qreal y = 0;
    bool stopped = false;
    bool firstParagraph = true;
    for (QTextBlock block = document.begin(); block.isValid() && !stopped; block = block.next()) {
        const int blockPosition = block.position();
        // A final separator ends the last paragraph; it does not open an empty one.
        if (blockPosition >= textLength && textLength > 0) {
            break;
        }
        const TextLookRun* styleRun = text.runAt(blockPosition);
        const ParagraphStyle paragraph = styleRun ? styleRun->look.paragraph : ParagraphStyle();
        if (!firstParagraph) {
            y += paragraph.paragraphSpacingBefore;
        }
        QTextLayout* layout = block.layout();
        QTextOption option;
        option.setWrapMode(options.wrapAnywhere ? QTextOption::WrapAnywhere
                                                : QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setAlignment(qtAlignment(paragraph.alignment));
        layout->setTextOption(option);
        layout->beginLayout();
        bool firstLine = true;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            if (options.maximumLines > 0 &&
                static_cast<int>(lines.size()) >= options.maximumLines) {
                stopped = true;
                break;
            }
            const qreal indent = firstLine ? paragraph.firstLineHeadIndent : paragraph.headIndent;
            const qreal right = paragraph.tailIndent > 0 ? paragraph.tailIndent
                                                         : size.width() + paragraph.tailIndent;
            line.setLineWidth(std::max<qreal>(0, right - indent));
            const qreal natural = line.ascent() + line.descent();
            qreal height =
                paragraph.lineHeightMultiple > 0 ? natural * paragraph.lineHeightMultiple : natural;
            if (paragraph.minimumLineHeight > 0) {
                height = std::max(height, paragraph.minimumLineHeight);
            }
            // Extra height goes above the baseline, so that the glyphs sit on the line's floor.
            const qreal extra = height - natural;
            const qreal bottom = y + height + line.leading();
            if (bottom > size.height() + kFitTolerance) {
                stopped = true;
                break;
            }
            line.setPosition(QPointF(indent, y + extra));

            TextLineInfo info;
            info.location = blockPosition + line.textStart();
            info.length = line.textLength();
            info.origin = QPointF(line.cursorToX(line.textStart()), y + extra + line.ascent());
            info.width = line.naturalTextWidth();
            info.ascent = line.ascent() + extra;
            info.descent = line.descent();
            info.leading = line.leading();
            const int lineEnd = info.location + info.length;
            if (lineEnd < textLength && isParagraphSeparator(string.at(lineEnd)) &&
                line.textStart() + line.textLength() >= block.length() - 1) {
                info.length += 1;
            }
            used.setWidth(std::max(used.width(), info.origin.x() + info.width));
            used.setHeight(bottom);
            fitted = info.location + info.length;
            lines.push_back(std::move(info));
            placed.push_back({line, blockPosition});
            y = bottom;
            firstLine = false;
        }
        layout->endLayout();
        if (!stopped) {
            y += paragraph.paragraphSpacing;
        }
        firstParagraph = false;
    }
    if (stopped && options.truncateTail && !lines.empty()) {
        truncateLastLine();
    }
}

void TextFrame::Impl::truncateLastLine() {
    TextLineInfo& last = lines.back();
    int paragraphEnd = last.location;
    const QString& string = text.string();
    while (paragraphEnd < text.length() && !isParagraphSeparator(string.at(paragraphEnd))) {
        ++paragraphEnd;
    }
    const TextLookRun* run = text.runAt(last.location);
    const qreal available = placed.back().line.width();
    const QString rest = string.mid(last.location, paragraphEnd - last.location)
                             .replace(QChar::LineSeparator, QLatin1Char(' '));
    QString kept = QFontMetricsF(run->look.font).elidedText(rest, Qt::ElideRight, available);
    if (!kept.endsWith(kEllipsis)) {
        kept = kept.left(std::max<qsizetype>(0, kept.size() - 1)) + kEllipsis;
    }
    const int keptLength = static_cast<int>(kept.size()) - 1;
    QList<QTextLayout::FormatRange> formats;
    for (int position = last.location; position < last.location + keptLength;) {
        const TextLookRun* look = text.runAt(position);
        const int end = std::min(look->location + look->length, last.location + keptLength);
        formats.append({position - last.location, end - position, charFormat(look->look)});
        position = end;
    }
    const TextLookRun* lastLook = text.runAt(last.location + std::max(0, keptLength - 1));
    TextLook ellipsisLook = lastLook->look;
    ellipsisLook.placeholder = nullptr;
    formats.append({keptLength, 1, charFormat(ellipsisLook)});
    truncatedLine = std::make_unique<QTextLayout>(kept, run->look.font);
    truncatedLine->setFormats(formats);
    truncatedLine->beginLayout();
    QTextLine line = truncatedLine->createLine();
    line.setLineWidth(available + QFontMetricsF(ellipsisLook.font).horizontalAdvance(kEllipsis));
    line.setPosition(placed.back().line.position());
    truncatedLine->endLayout();
    last.width = line.naturalTextWidth();
}

TextFrame::TextFrame(StyledText text, QSizeF size, TextFrameOptions options)
    : d_(std::make_unique<Impl>()) {
    d_->text = std::move(text);
    d_->size = size;
    d_->options = options;
    if (!d_->text.isEmpty()) {
        d_->build();
        d_->layOut();
    }
}

TextFrame::~TextFrame() = default;

void TextFrame::setSize(QSizeF size) {
    if (size == d_->size) {
        return;
    }
    d_->size = size;
    d_->lines.clear();
    d_->runsMade = false;
    d_->placed.clear();
    d_->fitted = 0;
    d_->used = QSizeF();
    d_->truncatedLine.reset();
    if (!d_->text.isEmpty()) {
        d_->layOut();
    }
}

const StyledText& TextFrame::text() const {
    return d_->text;
}

QSizeF TextFrame::size() const {
    return d_->size;
}

const std::vector<TextLineInfo>& TextFrame::lines() const {
    d_->makeRuns();
    return d_->lines;
}

int TextFrame::fittedLength() const {
    return d_->fitted;
}

QSizeF TextFrame::usedSize() const {
    return d_->used;
}

QRectF TextFrame::runRect(const TextLineInfo& line, const TextRunInfo& run) {
    return {line.origin.x() + run.x, line.origin.y() - run.ascent, run.width,
            run.ascent + run.descent};
}

int TextFrame::characterIndexAt(QPointF point) const {
    if (d_->placed.empty()) {
        return -1;
    }
    std::size_t index = 0;
    while (index + 1 < d_->lines.size() &&
           point.y() > d_->lines[index].origin.y() + d_->lines[index].descent) {
        ++index;
    }
    const PlacedLine& placed = d_->placed[index];
    return placed.blockPosition + placed.line.xToCursor(point.x());
}

void TextFrame::draw(QPainter& painter, QPointF topLeft) const {
    const std::size_t count = d_->placed.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + 1 == count && d_->truncatedLine) {
            d_->truncatedLine->draw(&painter, topLeft);
            break;
        }
        d_->placed[i].line.draw(&painter, topLeft);
    }
}

QSizeF TextFrame::suggestedSize(const StyledText& text, QSizeF constraints, int* fittedLength) {
    const TextFrame frame(text, constraints);
    if (fittedLength != nullptr) {
        *fittedLength = frame.fittedLength();
    }
    return frame.usedSize();
}

}  // namespace platform
