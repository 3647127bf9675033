#include "toolkit/style/ZVColorTable.h"

#include "platform/foundation/Resources.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSet>

#include <memory>

namespace {

constexpr QChar kHexMark = u'#';
constexpr double kChannelMax = 255.0;
constexpr int kDigitBase = 16;
constexpr int kFirstLetterDigit = 10;

std::unique_ptr<ZVColorTable>& sharedSlot() {
    static std::unique_ptr<ZVColorTable> table;
    return table;
}

}  // namespace

ZVColorTable ZVColorTable::fromJson(const QByteArray& json) {
    ZVColorTable table;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject()) {
        platform::systemLogFormat(u"ZVColorTable::init: %@",
                                  error.error == QJsonParseError::NoError
                                      ? QStringLiteral("not a JSON object")
                                      : error.errorString());
        return table;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        // A name is followed to its "#" value; a loop or a missing entry would never get there,
        // so the name stays unknown (magenta) rather than a guessed colour.
        QString value = it.value().toString();
        QSet<QString> seen{it.key()};
        while (!value.startsWith(kHexMark) && object.contains(value) && !seen.contains(value)) {
            seen.insert(value);
            value = object.value(value).toString();
        }
        if (!value.startsWith(kHexMark)) {
            platform::systemLogFormat(u"ZVColorTable::init: no colour for %@", it.key());
            continue;
        }
        table.colorMap_.insert(it.key(), colorWithHex(value));
    }
    return table;
}

const ZVColorTable& ZVColorTable::shared() {
    auto& slot = sharedSlot();
    if (!slot) {
        static const bool registered = [] {
            platform::onResetSharedState([] { sharedSlot().reset(); });
            return true;
        }();
        (void)registered;
        QByteArray json;
        QFile file(
            platform::Resources::pathForResource(QStringLiteral("Colors"), QStringLiteral("json")));
        if (file.open(QIODevice::ReadOnly)) {
            json = file.readAll();
        }
        slot = std::make_unique<ZVColorTable>(fromJson(json));
    }
    return *slot;
}

platform::Color ZVColorTable::colorWithName(const QString& name) {
    return shared().color(name);
}

platform::Color ZVColorTable::color(const QString& name) const {
    return colorMap_.value(name, kUnknownColor);
}

platform::Color ZVColorTable::colorWithHex(QStringView hex) {
    if (hex.startsWith(kHexMark)) {
        hex = hex.mid(1);
    }
    const auto channel = [&](qsizetype index) {
        return static_cast<std::uint8_t>(valueOfHexByte(hex, index));
    };
    return {channel(0), channel(2), channel(4), static_cast<std::uint8_t>(kChannelMax)};
}

int ZVColorTable::valueOfHexByte(QStringView hex, qsizetype index) {
    const auto digit = [&](qsizetype at) {
        return at >= 0 && at < hex.size() ? valueOfHexDigit(hex[at]) : 0;
    };
    return digit(index) * kDigitBase + digit(index + 1);
}

int ZVColorTable::valueOfHexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + kFirstLetterDigit;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + kFirstLetterDigit;
    }
    return 0;
}
