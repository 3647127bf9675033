#include "ZelvoKit/markup/ZVParserTag.h"

#include <QtCore/QRegularExpression>

ZVParserTag::ZVParserTag(const QString& spec) {
    QString rest = spec;
    if (rest.endsWith(QLatin1Char('/'))) {
        type_ = Empty;
        rest.chop(1);
        if (rest.endsWith(QLatin1Char('%'))) {
            rest.chop(1);
            preserveContent_ = true;
        }
    } else {
        if (rest.endsWith(QLatin1Char('%'))) {
            rest.chop(1);
            preserveContent_ = true;
        }
        if (rest.startsWith(QLatin1Char('/'))) {
            type_ = Closing;
            rest.remove(0, 1);
        }
    }
    const QStringList pieces = rest.split(QLatin1Char('|'));
    name_ = pieces.first();
    if (pieces.size() < 2) {
        return;
    }
    attributeMap_.emplace();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QStringList parts = pieces[i].split(QLatin1Char('='));
        if (parts.size() != 2 || parts[0].isEmpty()) {
            continue;
        }
        bool ok = false;
        const int index = parts[1].toInt(&ok);
        if (ok && index >= 0) {
            attributeMap_->insert(parts[0], index);
        }
    }
}

bool ZVParserTag::isXmlName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral(R"(^[A-Za-z_][A-Za-z0-9._\-]*$)"));
    return pattern.match(name).hasMatch();
}

bool ZVParserTag::isValid() const {
    if (!isXmlName(name_)) {
        return false;
    }
    if (attributeMap_) {
        for (auto it = attributeMap_->cbegin(); it != attributeMap_->cend(); ++it) {
            if (!isXmlName(it.key())) {
                return false;
            }
        }
    }
    return true;
}

std::optional<ZVParserTag::Attributes> ZVParserTag::attributesFromMatches(
    const QStringList* matches) const {
    if (!attributeMap_ || !matches) {
        return std::nullopt;
    }
    Attributes attributes;
    for (auto it = attributeMap_->cbegin(); it != attributeMap_->cend(); ++it) {
        if (it.value() < matches->size()) {
            attributes.emplace_back(it.key(), matches->at(it.value()));
        }
    }
    if (attributes.empty()) {
        return std::nullopt;
    }
    return attributes;
}

QString ZVParserTag::description() const {
    return QStringLiteral("<%1%2%3%4>")
        .arg(type_ == Closing ? QStringLiteral("/") : QString(), name_,
             type_ == Empty ? QStringLiteral("/") : QString(),
             preserveContent_ ? QStringLiteral("%") : QString());
}
