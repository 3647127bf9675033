#include "platform/security/KeychainCodec.h"

#include "platform/foundation/SystemLog.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <array>
#include <utility>

namespace platform {

namespace {

constexpr int kFormatVersion = 1;

const QLatin1String kVersionKey("version");
const QLatin1String kItemsKey("items");
const QLatin1String kClassKey("class");
const QLatin1String kAccountKey("account");
const QLatin1String kServiceKey("service");
const QLatin1String kAccessGroupKey("accessGroup");
const QLatin1String kAccessibilityKey("accessibility");
const QLatin1String kDataKey("data");
const QLatin1String kGenericPassword("genericPassword");

constexpr std::array<std::pair<KeychainAccessibility, const char*>, 7> kAccessibilityNames{{
    {KeychainAccessibility::WhenUnlocked, "whenUnlocked"},
    {KeychainAccessibility::AfterFirstUnlock, "afterFirstUnlock"},
    {KeychainAccessibility::Always, "always"},
    {KeychainAccessibility::WhenPasscodeSetThisDeviceOnly, "whenPasscodeSetThisDeviceOnly"},
    {KeychainAccessibility::WhenUnlockedThisDeviceOnly, "whenUnlockedThisDeviceOnly"},
    {KeychainAccessibility::AfterFirstUnlockThisDeviceOnly, "afterFirstUnlockThisDeviceOnly"},
    {KeychainAccessibility::AlwaysThisDeviceOnly, "alwaysThisDeviceOnly"},
}};

QString accessibilityName(KeychainAccessibility accessibility) {
    for (const auto& [value, name] : kAccessibilityNames) {
        if (value == accessibility) {
            return QString::fromLatin1(name);
        }
    }
    return QString::fromLatin1(kAccessibilityNames.front().second);
}

std::optional<KeychainAccessibility> accessibilityFromName(const QString& text) {
    for (const auto& [value, name] : kAccessibilityNames) {
        if (text == QLatin1String(name)) {
            return value;
        }
    }
    return std::nullopt;
}

QJsonObject toJson(const KeychainItem& item) {
    QJsonObject object{
        {kClassKey, kGenericPassword},
        {kAccountKey, item.account},
        {kAccessibilityKey, accessibilityName(item.accessibility)},
        {kDataKey, QString::fromLatin1(item.data.toBase64())},
    };
    if (!item.service.isEmpty()) {
        object.insert(kServiceKey, item.service);
    }
    if (!item.accessGroup.isEmpty()) {
        object.insert(kAccessGroupKey, item.accessGroup);
    }
    return object;
}

// Never names the item's data: the log may leave the device.
std::optional<KeychainItem> fromJson(const QJsonValue& value, QString* problem) {
    if (!value.isObject()) {
        *problem = QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    if (object.value(kClassKey).toString() != kGenericPassword) {
        *problem = QStringLiteral("not a generic password");
        return std::nullopt;
    }
    const QJsonValue account = object.value(kAccountKey);
    const QJsonValue service = object.value(kServiceKey);
    const QJsonValue accessGroup = object.value(kAccessGroupKey);
    if (!account.isString() || !(service.isUndefined() || service.isString()) ||
        !(accessGroup.isUndefined() || accessGroup.isString())) {
        *problem = QStringLiteral("an attribute is missing or not a string");
        return std::nullopt;
    }
    const QJsonValue data = object.value(kDataKey);
    auto decoded = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!data.isString() || !decoded) {
        *problem = QStringLiteral("its data is not base64 text");
        return std::nullopt;
    }
    KeychainItem item;
    item.account = account.toString();
    item.service = service.toString();
    item.accessGroup = accessGroup.toString();
    item.data = std::move(*decoded);
    // An unknown level reads as the strictest one rather than losing the item.
    item.accessibility = accessibilityFromName(object.value(kAccessibilityKey).toString())
                             .value_or(KeychainAccessibility::WhenUnlocked);
    return item;
}

}  // namespace

QByteArray encodeKeychainItems(const std::vector<KeychainItem>& items) {
    QJsonArray array;
    for (const KeychainItem& item : items) {
        array.append(toJson(item));
    }
    return QJsonDocument(QJsonObject{{kVersionKey, kFormatVersion}, {kItemsKey, array}})
        .toJson(QJsonDocument::Compact);
}

std::vector<KeychainItem> decodeKeychainItems(const QByteArray& bytes, const QString& source) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        systemLogFormat(u"Keychain: %@ is damaged (%@ at offset %d); starting empty", source,
                        error.errorString(), error.offset);
        return {};
    }
    const QJsonValue items = document.object().value(kItemsKey);
    if (!document.isObject() || !items.isArray()) {
        systemLogFormat(u"Keychain: %@ holds no item list; starting empty", source);
        return {};
    }
    std::vector<KeychainItem> result;
    const QJsonArray array = items.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        QString problem;
        if (auto item = fromJson(array.at(i), &problem)) {
            result.push_back(std::move(*item));
        } else {
            systemLogFormat(u"Keychain: skipping item %ld of %@: %@", i, source, problem);
        }
    }
    return result;
}

}  // namespace platform
