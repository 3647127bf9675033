#include "ZelvoKit/markup/ZVParserState.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QJsonArray>

ZVParserState::ZVParserState(const QJsonValue& values) {
    const QJsonArray items = values.toArray();
    if (!values.isArray() || items.size() < 2 || !items[0].isString() || !items[1].isString()) {
        ZVLogError(u"ZVParserState::InitWithValues: values not an array of 2 strings");
        return;
    }
    lineType_ = items[0].toString();
    const QString spec = items[1].toString();
    const qsizetype colon = spec.indexOf(QLatin1Char(':'));
    nextState_ = spec.left(colon);
    valid_ = true;
    if (colon < 0) {
        return;
    }
    for (const QString& tagSpec : spec.mid(colon + 1).split(QLatin1Char(','))) {
        ZVParserTag tag(tagSpec);
        if (tagSpec.isEmpty() || !tag.isValid()) {
            ZVLogError(u"ZVParserState::InitWithValues: invalid tag \"%@\"", tagSpec);
            valid_ = false;
            continue;
        }
        tags_.push_back(std::move(tag));
    }
}

QString ZVParserState::description() const {
    QStringList tags;
    for (const ZVParserTag& tag : tags_) {
        tags << tag.description();
    }
    return QStringLiteral("%1 => %2 %3").arg(lineType_, nextState_, tags.join(QLatin1Char(' ')));
}
