#include "ZelvoKit/markup/XMLEncoding.h"

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kNonCharacterFFFE = 0xFFFE;
constexpr char16_t kNonCharacterFFFF = 0xFFFF;

bool needsWork(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < kFirstPrintable || u == u'"' || u == u'&' || u == u'<' || u == u'>' ||
            c.isSurrogate() || u == kNonCharacterFFFE || u == kNonCharacterFFFF) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString xmlEncodedForAttribute(const QString& text, bool forAttribute) {
    if (!needsWork(text)) {
        return text;
    }
    QString result;
    result.reserve(text.size() + text.size() / 8);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            result += c;
            result += text[++i];
            continue;
        }
        if (c.isSurrogate() || u == kNonCharacterFFFE || u == kNonCharacterFFFF) {
            continue;
        }
        switch (u) {
            case u'"':
                result += QLatin1StringView("&quot;");
                continue;
            case u'&':
                result += QLatin1StringView("&amp;");
                continue;
            case u'<':
                result += QLatin1StringView("&lt;");
                continue;
            case u'>':
                result += QLatin1StringView("&gt;");
                continue;
            default:
                break;
        }
        if (u >= kFirstPrintable) {
            result += c;
        } else if (u == u'\t' || u == u'\n') {
            if (forAttribute) {
                result += QStringLiteral("&#%1;").arg(int(u));
            } else {
                result += c;
            }
        } else if (u == u'\r') {
            result += QLatin1StringView("&#13;");
        }
    }
    return result;
}

QString xmlEncoded(const QString& text) {
    return xmlEncodedForAttribute(text, false);
}
