#include "ZelvoKit/markup/ZVLineType.h"

#include "ZelvoKit/markup/SyntaxPattern.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QJsonArray>

ZVLineType::ZVLineType(const QJsonValue& values) {
    if (!values.isArray()) {
        ZVLogError(u"ZVLineType::InitWithValues: values not an array");
        return;
    }
    const QJsonArray items = values.toArray();
    if (items.size() < 2) {
        ZVLogError(u"ZVLineType::InitWithValues: values not an array of at least 2 items");
        return;
    }
    if (!items[0].isString() || !items[1].isDouble()) {
        ZVLogError(u"ZVLineType::InitWithValues: values not a pattern and flags");
        return;
    }
    flags_ = items[1].toInt();
    QString error;
    regex_ = compileSyntaxPattern(items[0].toString(), QRegularExpression::MultilineOption, &error);
    if (!regex_) {
        ZVLogError(u"ZVLineType::InitWithValues: invalid regex: %@", error);
    }
}
