#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>
#include <QtCore/QStringView>

// String operations shared by search, name lists and the anonymiser. Lengths and positions are in
// UTF-16 units, as everywhere in the system.

// A span of UTF-16 units; `location` is NotFound when a search finds nothing.
struct StringRange {
    static constexpr qsizetype NotFound = -1;

    qsizetype location = NotFound;
    qsizetype length = 0;

    bool found() const { return location != NotFound; }
    qsizetype end() const { return location + length; }
    friend bool operator==(const StringRange&, const StringRange&) = default;
};

// The word separators: white space, line breaks and punctuation.
bool inWhitespaceAndPunctuationSet(char32_t c);

// The character that starts at `pos` (inside the text), a surrogate pair joined; `width` receives
// how many UTF-16 units it takes.
char32_t codePointAt(QStringView text, qsizetype pos, qsizetype* width);

// Where `prefix` begins a word inside `range` of `text`, ignoring case: the first position that is
// the start of the text or follows a separator. Not found for an empty prefix or when nothing fits.
StringRange rangeOfPrefixString(QStringView text, QStringView prefix, StringRange range);
StringRange rangeOfPrefixString(QStringView text, QStringView prefix);

// The text itself when n is 0 or the text fits in n units; otherwise its start followed by "…", n
// units at most. The cut never splits a character or a grapheme, so the result may be shorter.
QString stringTruncatedToLength(const QString& text, qsizetype n);

// n copies of `c`; empty for n <= 0.
QString stringOfChar(QChar c, qsizetype n);

// The longest start of `text` of at most n units that ends on a grapheme boundary, so that a cut
// never leaves half a surrogate pair or a letter without its accents.
QStringView leftAtGraphemeBoundary(QStringView text, qsizetype n);

// The text with `range` on the background colour named "highlight" and the rest on a clear
// background; for a range not found, the text without attributes.
platform::AttributedString attributedStringHighlightingRange(const QString& text,
                                                             StringRange range);
