#include "toolkit/style/AttributedStringUtils.h"

#include "platform/foundation/SystemLog.h"
#include "toolkit/style/ZVColorTable.h"

#include <QtCore/QHash>

namespace {

namespace Attr = platform::TextAttribute;

const QString kEllipsis = QStringLiteral("...");

bool isNewline(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x85);
}

bool isHighlight(const QVariant& value) {
    return value.canConvert<platform::Color>() && value.value<platform::Color>().alpha != 0;
}

void logInvalid(const QString& format) {
    platform::systemLogFormat(u"Invalid format string: %@", format);
}

platform::AttributedString valueText(const TemplateValue& value, const QString& name) {
    if (const auto* text = std::get_if<QString>(&value)) {
        return platform::AttributedString(*text);
    }
    if (const auto* list = std::get_if<QStringList>(&value)) {
        return platform::AttributedString(list->join(u' '));
    }
    if (const auto* styled = std::get_if<platform::AttributedString>(&value)) {
        return *styled;
    }
    return platform::AttributedString(QStringLiteral("{%1}").arg(name));
}

}  // namespace

platform::AttributedString extractHighlightedFragmentFitInLength(
    const platform::AttributedString& text, qsizetype length) {
    platform::AttributedString fragment = text;
    for (qsizetype i = 0; i < fragment.length(); ++i) {
        if (isNewline(fragment.string()[i])) {
            fragment.replaceCharacters(i, 1, QStringLiteral(" "));
        }
    }
    qsizetype location = -1;
    qsizetype highlightLength = 0;
    fragment.enumerateAttribute(Attr::BackgroundColor, 0, fragment.length(),
                                [&](const QVariant& value, qsizetype at, qsizetype count) {
                                    if (!isHighlight(value)) {
                                        return false;
                                    }
                                    location = at;
                                    highlightLength = count;
                                    return true;
                                });
    if (location < 0) {
        return fragment;
    }
    const QString& string = fragment.string();
    qsizetype start = std::min(location - length / 2, fragment.length() - length);
    if (start >= 0) {
        while (start < location && string[start].isSpace()) {
            ++start;
        }
        if (start < location && string[start].isLowSurrogate()) {
            ++start;
        }
        if (start > 0) {
            fragment.deleteCharacters(0, start);
            fragment.insert(0, platform::AttributedString(kEllipsis));
            location += kEllipsis.size() - start;
        }
    }
    qsizetype end = std::max(length, location + highlightLength);
    if (fragment.length() > end) {
        if (fragment.string()[end].isLowSurrogate()) {
            ++end;
        }
        if (fragment.length() > end) {
            fragment.deleteCharacters(end, fragment.length() - end);
            fragment.append(kEllipsis, {});
        }
    }
    fragment.addAttribute(Attr::BackgroundColor, QVariant::fromValue(platform::Color::clear()), 0,
                          fragment.length());
    fragment.addAttribute(
        Attr::BackgroundColor,
        QVariant::fromValue(ZVColorTable::colorWithName(QStringLiteral("highlight"))), location,
        highlightLength);
    return fragment;
}

platform::AttributedString attributedStringWithFormat(const QString& format,
                                                      const TemplateVariables& variables,
                                                      const platform::TextAttributes& defaults) {
    platform::AttributedString result(format, defaults);
    qsizetype open = -1;
    for (qsizetype i = 0; i < result.length(); ++i) {
        const QChar c = result.string()[i];
        if (c == u'\\') {
            ++i;
        } else if (c == u'{') {
            open = i;
        } else if (c == u'}' && open >= 0) {
            // A closing brace with none open is plain text: an escaped placeholder leaves one.
            if (i == open + 1) {
                logInvalid(format);
                return result;
            }
            const QString name = result.string().mid(open + 1, i - open - 1);
            platform::AttributedString value = valueText(variables(name), name);
            for (auto it = defaults.begin(); it != defaults.end(); ++it) {
                value.addAttributeIfMissing(it.key(), it.value(), 0, value.length());
            }
            result.replaceCharacters(open, i - open + 1, value);
            i = open + value.length() - 1;
            open = -1;
        }
    }
    if (open >= 0) {
        logInvalid(format);
    }
    return result;
}

QString stringWithFormat(const QString& format, const QHash<QString, QString>& variables) {
    return attributedStringWithFormat(format,
                                      [&variables](const QString& name) -> TemplateValue {
                                          const auto it = variables.constFind(name);
                                          return it == variables.constEnd() ? TemplateValue{}
                                                                            : TemplateValue{*it};
                                      },
                                      {})
        .string();
}
