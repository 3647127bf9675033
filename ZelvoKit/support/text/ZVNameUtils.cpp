#include "ZelvoKit/support/text/ZVNameUtils.h"

#include "ZelvoKit/support/text/StringUtils.h"

#include <QtCore/QTextBoundaryFinder>

namespace {

constexpr char32_t kFirstWideEmoji = 0x1D000;
constexpr char32_t kLastWideEmoji = 0x1F99F;
constexpr char32_t kFirstSymbol = 0x2100;
constexpr char32_t kLastSymbol = 0x27BF;
constexpr qsizetype kMaxInitialsLength = 2;

}  // namespace

bool ZVNameUtils::isEmoji(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const QChar first = text.front();
    if (first.isHighSurrogate()) {
        if (text.size() < 2 || !text[1].isLowSurrogate()) {
            return false;
        }
        const char32_t c = QChar::surrogateToUcs4(first, text[1]);
        return c >= kFirstWideEmoji && c <= kLastWideEmoji;
    }
    return first.unicode() >= kFirstSymbol && first.unicode() <= kLastSymbol;
}

QString ZVNameUtils::extractInitials(const QString& name) {
    return extractInitials(name, nullptr);
}

QString ZVNameUtils::stripDecorations(const QString& name) {
    QString stripped;
    extractInitials(name, &stripped);
    return stripped.isNull() ? name : stripped;
}

QString ZVNameUtils::extractInitials(const QString& name, QString* strippedName) {
    QString initials;
    // Where the first initial ends in the name, for stripping an emoji that stands first.
    qsizetype firstInitialEnd = 0;
    bool afterSeparator = true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    qsizetype start = 0;
    while (initials.size() < kMaxInitialsLength) {
        const qsizetype end = finder.toNextBoundary();
        if (end < 0) {
            break;
        }
        const QStringView sequence = QStringView(name).sliced(start, end - start);
        const bool separator =
            sequence.size() == 1 && inWhitespaceAndPunctuationSet(sequence.front().unicode());
        if (!separator && afterSeparator) {
            if (initials.isEmpty()) {
                firstInitialEnd = end;
            }
            initials += sequence;
        }
        afterSeparator = separator;
        start = end;
    }
    if (strippedName && isEmoji(initials)) {
        *strippedName = name.sliced(firstInitialEnd).trimmed();
    }
    return initials.toUpper();
}

QString ZVNameUtils::shortenName(const QString& name) {
    qsizetype i = 0;
    while (i < name.size()) {
        qsizetype width = 1;
        if (inWhitespaceAndPunctuationSet(codePointAt(name, i, &width))) {
            break;
        }
        i += width;
    }
    return name.first(i);
}
