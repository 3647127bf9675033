#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/NumberConversion.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QUrl>

#include <cmath>
#include <limits>
#include <map>

namespace platform {

namespace {

// Values JSON cannot hold are written as {"$type": <tag>, "value": ...}; a dictionary that has a
// "$type" key of its own is wrapped the same way, so that every value reads back as it was.
const QString kTypeKey = QStringLiteral("$type");
const QString kValueKey = QStringLiteral("value");
const QString kDataTag = QStringLiteral("data");
const QString kDateTag = QStringLiteral("date");
const QString kDoubleTag = QStringLiteral("double");
const QString kDictionaryTag = QStringLiteral("dictionary");

QString& configuredStandardDomain() {
    static QString name;
    return name;
}

std::map<QString, std::shared_ptr<UserDefaults>>& defaultsByName() {
    // Never destroyed: nothing should be written while the process's statics go away.
    static auto* domains = [] {
        auto* created = new std::map<QString, std::shared_ptr<UserDefaults>>;
        onResetSharedState([created] { std::exchange(*created, {}); });
        return created;
    }();
    return *domains;
}

std::shared_ptr<UserDefaults> findDomain(const QString& name) {
    const auto it = defaultsByName().find(name);
    return it == defaultsByName().end() ? nullptr : it->second;
}

// --- property-list values ---------------------------------------------------------------------

std::optional<QVariant> plistValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::QString:
        case QMetaType::QByteArray:
            return value;
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
            return QVariant(value.toLongLong());
        case QMetaType::ULongLong: {
            const qulonglong number = value.toULongLong();
            if (number > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
                return QVariant(static_cast<double>(number));
            }
            return QVariant(static_cast<qlonglong>(number));
        }
        case QMetaType::Float:
        case QMetaType::Double:
            return QVariant(value.toDouble());
        case QMetaType::QDateTime:
            if (!value.toDateTime().isValid()) {
                return std::nullopt;
            }
            return QVariant(value.toDateTime().toUTC());
        case QMetaType::QStringList:
            return QVariant(QVariant(value.toStringList()).toList());
        case QMetaType::QVariantList: {
            QVariantList list;
            for (const QVariant& element : value.toList()) {
                const auto converted = plistValue(element);
                if (!converted) {
                    return std::nullopt;
                }
                list.append(*converted);
            }
            return QVariant(list);
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            QVariantMap map;
            const QVariantMap source = value.toMap();
            for (auto it = source.begin(); it != source.end(); ++it) {
                const auto converted = plistValue(it.value());
                if (!converted) {
                    return std::nullopt;
                }
                map.insert(it.key(), *converted);
            }
            return QVariant(map);
        }
        default:
            return std::nullopt;
    }
}

QJsonObject tagged(const QString& tag, const QJsonValue& value) {
    return QJsonObject{{kTypeKey, tag}, {kValueKey, value}};
}

QJsonValue toJson(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::LongLong:
            return static_cast<qint64>(value.toLongLong());
        case QMetaType::Double: {
            const double number = value.toDouble();
            if (std::isfinite(number)) {
                return number;
            }
            return tagged(kDoubleTag, std::isnan(number) ? QStringLiteral("nan")
                                      : number > 0       ? QStringLiteral("inf")
                                                         : QStringLiteral("-inf"));
        }
        case QMetaType::QString:
            return value.toString();
        case QMetaType::QByteArray:
            return tagged(kDataTag, QString::fromLatin1(value.toByteArray().toBase64()));
        case QMetaType::QDateTime:
            return tagged(kDateTag, value.toDateTime().toUTC().toString(Qt::ISODateWithMs));
        case QMetaType::QVariantList: {
            QJsonArray array;
            for (const QVariant& element : value.toList()) {
                array.append(toJson(element));
            }
            return array;
        }
        case QMetaType::QVariantMap: {
            QJsonObject object;
            const QVariantMap map = value.toMap();
            for (auto it = map.begin(); it != map.end(); ++it) {
                object.insert(it.key(), toJson(it.value()));
            }
            return map.contains(kTypeKey) ? tagged(kDictionaryTag, object) : object;
        }
        default:
            return QJsonValue::Null;  // setObject lets no other type in
    }
}

QVariant fromJson(const QJsonValue& json);

QVariantMap mapFromJson(const QJsonObject& object) {
    QVariantMap map;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QVariant value = fromJson(it.value());
        if (value.isValid()) {
            map.insert(it.key(), value);
        }
    }
    return map;
}

QVariant fromTagged(const QJsonObject& object) {
    const QString tag = object.value(kTypeKey).toString();
    const QJsonValue value = object.value(kValueKey);
    if (tag == kDataTag && value.isString()) {
        QByteArray bytes = QByteArray::fromBase64(value.toString().toLatin1());
        if (bytes.isNull()) {
            bytes = QByteArray("");  // stored data, though empty, is not absent
        }
        return bytes;
    }
    if (tag == kDateTag && value.isString()) {
        const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        return date.isValid() ? QVariant(date.toUTC()) : QVariant();
    }
    if (tag == kDoubleTag && value.isString()) {
        const QString text = value.toString();
        const double infinity = std::numeric_limits<double>::infinity();
        return text == QLatin1String("inf")    ? QVariant(infinity)
               : text == QLatin1String("-inf") ? QVariant(-infinity)
                                               : QVariant(std::numeric_limits<double>::quiet_NaN());
    }
    if (tag == kDictionaryTag && value.isObject()) {
        return mapFromJson(value.toObject());
    }
    return mapFromJson(object);  // not one of ours: an ordinary dictionary
}

QVariant fromJson(const QJsonValue& json) {
    switch (json.type()) {
        case QJsonValue::Bool:
            return json.toBool();
        case QJsonValue::Double:
            // Integers come back as qlonglong, exactly; other numbers as double.
            return json.toVariant();
        case QJsonValue::String:
            return json.toString();
        case QJsonValue::Array: {
            QVariantList list;
            for (const QJsonValue& element : json.toArray()) {
                const QVariant value = fromJson(element);
                if (value.isValid()) {
                    list.append(value);
                }
            }
            return list;
        }
        case QJsonValue::Object: {
            const QJsonObject object = json.toObject();
            return object.contains(kTypeKey) ? fromTagged(object) : mapFromJson(object);
        }
        default:
            return {};
    }
}

// --- the platform's conversions of strings to numbers -----------------------------------------

// The leading integer of `text` after white space, as the platform's string-to-integer reading
// does: "12abc" is 12, "abc" is 0, out-of-range values clamp.
std::int64_t leadingInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text.at(i).unicode() - u'0');
        if (magnitude > static_cast<std::uint64_t>(kMax)) {
            return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
        }
    }
    return negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

// The leading decimal number of `text` after white space: "2.5kg" is 2.5, "x" is 0.
double leadingDouble(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace()) {
        ++start;
    }
    qsizetype end = start;
    const auto digitsFrom = [&](qsizetype at) {
        while (at < text.size() && text.at(at) >= u'0' && text.at(at) <= u'9') {
            ++at;
        }
        return at;
    };
    if (end < text.size() && (text.at(end) == u'-' || text.at(end) == u'+')) {
        ++end;
    }
    const qsizetype intStart = end;
    end = digitsFrom(end);
    bool digits = end > intStart;
    if (end < text.size() && text.at(end) == u'.') {
        const qsizetype fraction = digitsFrom(end + 1);
        digits = digits || fraction > end + 1;
        end = fraction;
    }
    if (!digits) {
        return 0;
    }
    if (end < text.size() && (text.at(end) == u'e' || text.at(end) == u'E')) {
        qsizetype exponent = end + 1;
        if (exponent < text.size() && (text.at(exponent) == u'-' || text.at(exponent) == u'+')) {
            ++exponent;
        }
        const qsizetype exponentEnd = digitsFrom(exponent);
        if (exponentEnd > exponent) {
            end = exponentEnd;
        }
    }
    return text.mid(start, end - start).toDouble();
}

}  // namespace

// --- shared objects ---------------------------------------------------------------------------

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    return suite(standardDomainName());
}

std::shared_ptr<UserDefaults> UserDefaults::suite(const QString& name) {
    if (name.isEmpty()) {
        return standard();
    }
    if (auto existing = findDomain(name)) {
        return existing;
    }
    const QString path = filePathForDomain(name);
    auto created = std::make_shared<UserDefaults>(Private{}, name, path);
    defaultsByName().emplace(name, created);
    return created;
}

QString UserDefaults::standardDomainName() {
    if (!configuredStandardDomain().isEmpty()) {
        return configuredStandardDomain();
    }
    // The standard store is the application's own domain: its bundle identifier, as the sign-out
    // code removes it by that name.
    const Application& application = Application::shared();
    const QString bundle = application.bundleIdentifier();
    return bundle.isEmpty() ? application.executableName() : bundle;
}

void UserDefaults::setStandardDomainName(const QString& name) {
    configuredStandardDomain() = name;
}

UserDefaults::UserDefaults(Private, const QString& domain, const QString& path)
    : domain_(domain), path_(path), values_(readFile(path)) {}

UserDefaults::~UserDefaults() {
    cancelSave();
}

QString UserDefaults::filePathForDomain(const QString& domain) {
    const QString directory = Paths::preferencesDirectory();
    if (directory.isEmpty()) {
        return {};
    }
    // Any domain name makes one file name of its own inside the folder.
    QString fileName = QString::fromLatin1(QUrl::toPercentEncoding(domain));
    if (fileName.startsWith(QLatin1Char('.'))) {
        fileName.replace(0, 1, QStringLiteral("%2E"));
    }
    return directory + QLatin1Char('/') + fileName + QStringLiteral(".json");
}

QVariantMap UserDefaults::readFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        systemLogFormat(u"UserDefaults: cannot read %@: %@", path, file.errorString());
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        systemLogFormat(u"UserDefaults: ignoring unreadable %@: %@", path,
                        error.error != QJsonParseError::NoError ? error.errorString()
                                                                : QStringLiteral("not an object"));
        return {};
    }
    return fromJson(document.object()).toMap();
}

// --- reading ----------------------------------------------------------------------------------

QVariant UserDefaults::objectForKey(const QString& key) const {
    return values_.value(key);
}

std::int64_t UserDefaults::integerForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? 1 : 0;
        case QMetaType::LongLong:
            return value.toLongLong();
        case QMetaType::Double:
            return saturatingInt64(value.toDouble());
        case QMetaType::QString:
            return leadingInteger(value.toString());
        default:
            return 0;
    }
}

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::LongLong:
            return value.toLongLong() != 0;
        case QMetaType::Double:
            return value.toDouble() != 0;
        case QMetaType::QString: {
            const QString text = value.toString().trimmed();
            if (text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
                text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
                return true;
            }
            return leadingInteger(text) != 0;
        }
        default:
            return false;
    }
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? 1 : 0;
        case QMetaType::LongLong:
            return static_cast<double>(value.toLongLong());
        case QMetaType::Double:
            return value.toDouble();
        case QMetaType::QString:
            return leadingDouble(value.toString());
        default:
            return 0;
    }
}

QString UserDefaults::stringForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::LongLong:
            return QString::number(value.toLongLong());
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        default:
            return {};
    }
}

std::optional<QVariantList> UserDefaults::arrayForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    return value.toList();
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString& key) const {
    const auto array = arrayForKey(key);
    if (!array) {
        return std::nullopt;
    }
    QStringList strings;
    for (const QVariant& element : *array) {
        if (element.typeId() != QMetaType::QString) {
            return std::nullopt;
        }
        strings.append(element.toString());
    }
    return strings;
}

std::optional<QVariantMap> UserDefaults::dictionaryForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return value.toMap();
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    if (value.typeId() != QMetaType::QByteArray) {
        return {};
    }
    QByteArray bytes = value.toByteArray();
    return bytes.isNull() ? QByteArray("") : bytes;
}

QDateTime UserDefaults::dateForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

// --- writing ----------------------------------------------------------------------------------

void UserDefaults::setObject(const QVariant& value, const QString& key) {
    if (!value.isValid() || (value.typeId() == QMetaType::QString && value.toString().isNull())) {
        removeObjectForKey(key);
        return;
    }
    const auto stored = plistValue(value);
    if (!stored) {
        systemLogFormat(u"UserDefaults: refusing to store a value of type %@ for key %@",
                        QString::fromLatin1(value.typeName()), key);
        return;
    }
    if (values_.value(key) == *stored && values_.value(key).typeId() == stored->typeId()) {
        return;
    }
    values_.insert(key, *stored);
    changed();
}

void UserDefaults::setInteger(std::int64_t value, const QString& key) {
    setObject(QVariant(static_cast<qlonglong>(value)), key);
}

void UserDefaults::setBool(bool value, const QString& key) {
    setObject(QVariant(value), key);
}

void UserDefaults::setDouble(double value, const QString& key) {
    setObject(QVariant(value), key);
}

void UserDefaults::setString(const QString& value, const QString& key) {
    setObject(QVariant(value), key);
}

void UserDefaults::removeObjectForKey(const QString& key) {
    if (values_.remove(key) > 0) {
        changed();
    }
}

void UserDefaults::changed() {
    dirty_ = true;
    scheduleSave();
}

void UserDefaults::scheduleSave() {
    if (save_.isValid()) {
        return;
    }
    save_ = Scheduler::main().after(0, [weak = weak_from_this()] {
        if (const auto defaults = weak.lock()) {
            defaults->synchronize();
        }
    });
}

void UserDefaults::cancelSave() {
    save_.cancel();
    save_ = {};
}

bool UserDefaults::synchronize() {
    cancelSave();
    if (!dirty_) {
        return true;
    }
    const QByteArray json =
        QJsonDocument(toJson(QVariant(values_)).toObject()).toJson(QJsonDocument::Compact);
    QString error;
    if (!writeFileAtomically(path_, json, {}, &error)) {
        systemLogFormat(u"UserDefaults: cannot write %@: %@", path_.isEmpty() ? domain_ : path_,
                        error);
        return false;
    }
    dirty_ = false;
    return true;
}

QVariantMap UserDefaults::persistentDomainForName(const QString& name) const {
    if (const auto live = findDomain(name)) {
        return live->values_;
    }
    return readFile(filePathForDomain(name));
}

void UserDefaults::removePersistentDomainForName(const QString& name) {
    if (name.isEmpty()) {
        return;
    }
    if (const auto live = findDomain(name)) {
        live->cancelSave();
        live->values_.clear();
        live->dirty_ = false;
    }
    const QString path = filePathForDomain(name);
    if (!path.isEmpty() && QFileInfo::exists(path) && !QFile::remove(path)) {
        systemLogFormat(u"UserDefaults: cannot remove %@", path);
    }
}

}  // namespace platform
