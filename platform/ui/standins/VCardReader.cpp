#include "platform/ui/standins/VCardReader.h"

#include <QtCore/QStringList>

namespace platform {

namespace {

struct Property {
    QString name;
    // Upper-cased parameter names with their values; a bare 2.1 parameter ("WORK") is a TYPE.
    QList<std::pair<QString, QString>> parameters;
    QByteArray rawValue;

    QString parameter(const QString& key) const {
        for (const auto& [name, value] : parameters) {
            if (name == key) {
                return value;
            }
        }
        return {};
    }
    QStringList types() const {
        QStringList result;
        for (const auto& [name, value] : parameters) {
            if (name == QLatin1String("TYPE")) {
                for (const QString& type : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                    result << type.trimmed().remove(QLatin1Char('"'));
                }
            }
        }
        return result;
    }
};

bool isQuotedPrintable(const QByteArray& line) {
    const int colon = line.indexOf(':');
    return colon > 0 && line.left(colon).toUpper().contains("QUOTED-PRINTABLE");
}

// Joins folded lines: a line that starts with a space or a tab continues the one before; in a
// quoted-printable value a line that ends with "=" continues on the next.
QList<QByteArray> unfold(const QByteArray& text) {
    QByteArray normalised = text;
    normalised.replace("\r\n", "\n");
    normalised.replace('\r', '\n');
    QList<QByteArray> lines;
    bool softBreak = false;
    for (const QByteArray& line : normalised.split('\n')) {
        if (!lines.isEmpty() && softBreak) {
            lines.last().chop(1);
            lines.last() += line;
        } else if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t'))) {
            lines.last() += line.mid(1);
        } else {
            lines << line;
        }
        softBreak = isQuotedPrintable(lines.last()) && lines.last().endsWith('=');
    }
    return lines;
}

QByteArray decodeQuotedPrintable(const QByteArray& value) {
    QByteArray result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size()) {
            bool ok = false;
            const int byte = value.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                result += char(byte);
                i += 2;
                continue;
            }
        }
        result += value[i];
    }
    return result;
}

std::optional<Property> parseProperty(const QByteArray& line) {
    // The value starts at the first colon outside a quoted parameter value.
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0) {
        return std::nullopt;
    }
    const QString head = QString::fromUtf8(line.left(colon));
    QStringList parts = head.split(QLatin1Char(';'));
    Property property;
    QString name = parts.takeFirst().trimmed().toUpper();
    // "item1.EMAIL": the group only ties properties together.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    property.name = dot >= 0 ? name.mid(dot + 1) : name;
    for (const QString& part : parts) {
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals < 0) {
            property.parameters.append({QStringLiteral("TYPE"), part.trimmed()});
        } else {
            property.parameters.append(
                {part.left(equals).trimmed().toUpper(), part.mid(equals + 1).trimmed()});
        }
    }
    property.rawValue = line.mid(colon + 1);
    return property;
}

QString decodedValue(const Property& property) {
    QByteArray bytes = property.rawValue;
    if (property.parameter(QStringLiteral("ENCODING")).toUpper() ==
        QLatin1String("QUOTED-PRINTABLE")) {
        bytes = decodeQuotedPrintable(bytes);
    }
    const QString charset = property.parameter(QStringLiteral("CHARSET")).toUpper();
    if (charset == QLatin1String("ISO-8859-1") || charset == QLatin1String("LATIN1")) {
        return QString::fromLatin1(bytes);
    }
    return QString::fromUtf8(bytes);
}

// Splits at unescaped separators and resolves the escapes of each component.
QStringList components(const QString& value, QChar separator) {
    QStringList result;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            current += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(u'\n') : next;
        } else if (c == separator) {
            result << current;
            current.clear();
        } else {
            current += c;
        }
    }
    result << current;
    return result;
}

QString orNull(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? QString() : trimmed;
}

// Types that say how a value is carried, not what it is.
bool isTransportType(const QString& type) {
    static const QStringList kTransport = {QStringLiteral("INTERNET"), QStringLiteral("PREF"),
                                           QStringLiteral("X400")};
    return kTransport.contains(type.toUpper());
}

QString labelOf(const Property& property) {
    for (const QString& type : property.types()) {
        if (!isTransportType(type)) {
            return type.toLower();
        }
    }
    return QLatin1String("");
}

}  // namespace

std::vector<AddressBookPerson> VCardReader::read(const QByteArray& text,
                                                 CompositeNameFormat nameFormat) {
    std::vector<AddressBookPerson> people;
    std::optional<AddressBookPerson> current;
    for (const QByteArray& line : unfold(text)) {
        const auto property = parseProperty(line.trimmed());
        if (!property) {
            continue;
        }
        const QString value = decodedValue(*property);
        if (property->name == QLatin1String("BEGIN") &&
            value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            if (current) {
                people.push_back(*current);
            }
            current = AddressBookPerson{};
            current->nameFormat = nameFormat;
        } else if (!current) {
            continue;
        } else if (property->name == QLatin1String("END")) {
            people.push_back(*current);
            current.reset();
        } else if (property->name == QLatin1String("N")) {
            const QStringList parts = components(value, QLatin1Char(';'));
            current->lastName = orNull(parts.value(0));
            current->firstName = orNull(parts.value(1));
        } else if (property->name == QLatin1String("EMAIL")) {
            // No separator in an address: only its escapes are resolved.
            const QString address = orNull(components(value, QChar()).join(QString()));
            if (!address.isNull()) {
                current->emails.push_back({labelOf(*property), address});
            }
        }
    }
    if (current) {
        people.push_back(*current);
    }
    return people;
}

}  // namespace platform
