#include "ZelvoKit/support/text/StringUtils.h"

#include "ZelvoKit/support/text/ZVTextAppearance.h"

#include <QtCore/QChar>
#include <QtCore/QTextBoundaryFinder>

#include <algorithm>

namespace {

const QChar kEllipsis(0x2026);

// The code point that ends just before `pos`, joining a surrogate pair.
char32_t codePointBefore(QStringView text, qsizetype pos) {
    const QChar last = text[pos - 1];
    if (last.isLowSurrogate() && pos >= 2 && text[pos - 2].isHighSurrogate()) {
        return QChar::surrogateToUcs4(text[pos - 2], last);
    }
    return last.unicode();
}

}  // namespace

bool inWhitespaceAndPunctuationSet(char32_t c) {
    return QChar::isSpace(c) || QChar::isPunct(c);
}

char32_t codePointAt(QStringView text, qsizetype pos, qsizetype* width) {
    const QChar first = text[pos];
    if (first.isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(first, text[pos + 1]);
    }
    *width = 1;
    return first.unicode();
}

StringRange rangeOfPrefixString(QStringView text, QStringView prefix, StringRange range) {
    const qsizetype prefixLength = prefix.size();
    if (prefixLength == 0 || text.size() < prefixLength || range.location < 0) {
        return {};
    }
    const qsizetype start = std::min(range.location, text.size());
    const qsizetype end =
        std::min(range.location + std::max<qsizetype>(range.length, 0), text.size());
    for (qsizetype p = start; p + prefixLength <= end; ++p) {
        if (p > 0 && !inWhitespaceAndPunctuationSet(codePointBefore(text, p))) {
            continue;
        }
        if (text.mid(p, prefixLength).compare(prefix, Qt::CaseInsensitive) == 0) {
            return {p, prefixLength};
        }
    }
    return {};
}

StringRange rangeOfPrefixString(QStringView text, QStringView prefix) {
    return rangeOfPrefixString(text, prefix, {0, text.size()});
}

QStringView leftAtGraphemeBoundary(QStringView text, qsizetype n) {
    if (n >= text.size()) {
        return text;
    }
    if (n <= 0) {
        return text.first(0);
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    finder.setPosition(n);
    if (!finder.isAtBoundary()) {
        finder.toPreviousBoundary();
    }
    return text.first(std::max<qsizetype>(finder.position(), 0));
}

QString stringTruncatedToLength(const QString& text, qsizetype n) {
    if (n <= 0 || text.size() <= n) {
        return text;
    }
    return leftAtGraphemeBoundary(text, n - 1).toString() + kEllipsis;
}

QString stringOfChar(QChar c, qsizetype n) {
    return n > 0 ? QString(n, c) : QStringLiteral("");
}

platform::AttributedString attributedStringHighlightingRange(const QString& text,
                                                             StringRange range) {
    platform::AttributedString highlighted(text);
    if (!range.found()) {
        return highlighted;
    }
    const QString background(platform::TextAttribute::BackgroundColor);
    highlighted.addAttribute(background, QVariant::fromValue(platform::Color::clear()), 0,
                             text.size());
    highlighted.addAttribute(
        background,
        QVariant::fromValue(ZVTextAppearance::colorWithName(QStringLiteral("highlight"))),
        range.location, range.length);
    return highlighted;
}
