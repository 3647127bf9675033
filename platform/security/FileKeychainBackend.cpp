#include "platform/security/FileKeychainBackend.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

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

FileKeychainBackend::FileKeychainBackend(QString filePath) : filePath_(std::move(filePath)) {}

std::optional<FileKeychainBackend::Stamp> FileKeychainBackend::stat() const {
    struct ::stat info {};
    if (::stat(QFile::encodeName(filePath_).constData(), &info) != 0) {
        if (errno == ENOENT) {
            return Stamp{};
        }
        return std::nullopt;
    }
    constexpr long long kNsPerSecond = 1000000000LL;
    Stamp stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = info.st_mtim.tv_sec * kNsPerSecond + info.st_mtim.tv_nsec;
    stamp.changedNs = info.st_ctim.tv_sec * kNsPerSecond + info.st_ctim.tv_nsec;
    return stamp;
}

std::optional<std::vector<KeychainItem>> FileKeychainBackend::load() {
    if (filePath_.isEmpty()) {
        systemLog(QStringLiteral("Keychain: no place for the keychain file"));
        return std::nullopt;
    }
    const std::optional<Stamp> stamp = stat();
    if (!stamp) {
        systemLogFormat(u"Keychain: cannot examine %@", filePath_);
        return std::nullopt;
    }
    if (loadedStamp_ && *loadedStamp_ == *stamp) {
        return items_;
    }
    if (!stamp->exists) {
        items_.clear();
        loadedStamp_ = stamp;
        return items_;
    }
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        systemLogFormat(u"Keychain: cannot read %@: %@", filePath_, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        systemLogFormat(u"Keychain: cannot read %@: %@", filePath_, file.errorString());
        return std::nullopt;
    }
    items_ = parse(bytes);
    loadedStamp_ = stamp;
    return items_;
}

std::vector<KeychainItem> FileKeychainBackend::parse(const QByteArray& bytes) const {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        systemLogFormat(u"Keychain: %@ is damaged (%@ at offset %d); starting empty", filePath_,
                        error.errorString(), error.offset);
        return {};
    }
    const QJsonValue items = document.object().value(kItemsKey);
    if (!document.isObject() || !items.isArray()) {
        systemLogFormat(u"Keychain: %@ holds no item list; starting empty", filePath_);
        return {};
    }
    std::vector<KeychainItem> result;
    const QJsonArray array = items.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        QString problem;
        if (auto item = fromJson(array.at(i), &problem)) {
            result.push_back(std::move(*item));
        } else {
            systemLogFormat(u"Keychain: skipping item %ld of %@: %@", i, filePath_, problem);
        }
    }
    return result;
}

bool FileKeychainBackend::store(const std::vector<KeychainItem>& items) {
    if (filePath_.isEmpty()) {
        systemLog(QStringLiteral("Keychain: no place for the keychain file"));
        return false;
    }
    QJsonArray array;
    for (const KeychainItem& item : items) {
        array.append(toJson(item));
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{kVersionKey, kFormatVersion}, {kItemsKey, array}})
            .toJson(QJsonDocument::Compact);

    makeOwnerOnlyFolder(QFileInfo(filePath_).absolutePath());
    // On failure the temporary file goes with `file`, and the old file stays as it was.
    QString error;
    if (!writeFileAtomically(filePath_, bytes, kOwnerOnlyFile, &error)) {
        systemLogFormat(u"Keychain: cannot write %@: %@", filePath_, error);
        return false;
    }
    items_ = items;
    loadedStamp_ = stat();
    return true;
}

}  // namespace platform
