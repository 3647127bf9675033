#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/security/Keychain.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonParseError>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kCookieKey = u"cookie"_s;
const QString kTicketKey = u"ticket"_s;
const QString kUuidKey = u"uuid"_s;

platform::KeychainQuery queryForAccount(const QString& email) {
    platform::KeychainQuery query;
    query.itemClass = platform::KeychainItemClass::GenericPassword;
    query.account = email;
    return query;
}

long statusNumber(platform::KeychainStatus status) {
    return static_cast<long>(status);
}

// A string field of the record; null when absent or of another kind.
QString stringField(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

}  // namespace

std::shared_ptr<ZVUserCredentials> ZVUserCredentials::withUserEmail(const QString& email) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->readKeychain();
    return credentials;
}

std::shared_ptr<ZVUserCredentials> ZVUserCredentials::savedSingleAccount() {
    const auto defaults = platform::UserDefaults::standard();
    const QString email = defaults->stringForKey(LocalUserEmailKey);
    if (email.isNull()) {
        return std::make_shared<ZVUserCredentials>();
    }
    auto credentials = withUserEmail(email);
    if (credentials->uuid_.isNull()) {
        credentials->uuid_ = defaults->stringForKey(LocalUserUUIDKey);
    }
    if (!credentials->valid()) {
        ZVLogError(u"ZVUserCredentials: init (%@) invalid. ticket = %ld, cookie = %ld", email,
                   static_cast<long>(credentials->ticket_.size()),
                   static_cast<long>(credentials->cookie_.size()));
    }
    return credentials;
}

void ZVUserCredentials::readKeychain() {
    const platform::KeychainCopyResult found =
        platform::Keychain::shared().copyMatching(queryForAccount(email_));
    if (found.status != platform::KeychainStatus::Success) {
        ZVLogError(u"SecItemCopyMatching returned %ld", statusNumber(found.status));
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(found.item.data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        // The parser's own text: it names the offset, never the data.
        ZVLogError(u"ZVUserCredentials::InitWithUser: %@",
                   parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                : u"not an object"_s);
        return;
    }
    const QJsonObject record = document.object();
    cookie_ = stringField(record, kCookieKey);
    ticket_ = stringField(record, kTicketKey);
    uuid_ = stringField(record, kUuidKey);
}

bool ZVUserCredentials::valid() const {
    return !email_.isNull() && !uuid_.isNull() && !cookie_.isNull() && !ticket_.isNull();
}

void ZVUserCredentials::save() {
    if (!valid()) {
        return;
    }
    const QByteArray data =
        QJsonDocument(QJsonObject{{kCookieKey, cookie_}, {kTicketKey, ticket_}, {kUuidKey, uuid_}})
            .toJson(QJsonDocument::Compact);
    platform::KeychainItem item;
    item.itemClass = platform::KeychainItemClass::GenericPassword;
    item.account = email_;
    item.accessibility = platform::KeychainAccessibility::AfterFirstUnlock;
    item.data = data;
    platform::Keychain& keychain = platform::Keychain::shared();
    platform::KeychainStatus status = keychain.addItem(item);
    if (status == platform::KeychainStatus::DuplicateItem) {
        status = keychain.updateItems(queryForAccount(email_), data);
    }
    if (status != platform::KeychainStatus::Success) {
        ZVLogError(u"SecItemAdd returned %ld", statusNumber(status));
    }
    const auto defaults = platform::UserDefaults::standard();
    defaults->setString(uuid_, LocalUserUUIDKey);
    defaults->setString(email_, LocalUserEmailKey);
    defaults->synchronize();
}

void ZVUserCredentials::erase() {
    if (email_.isNull()) {
        return;
    }
    const platform::KeychainStatus status =
        platform::Keychain::shared().deleteItems(queryForAccount(email_));
    if (status != platform::KeychainStatus::Success) {
        ZVLogError(u"SecItemDelete returned %ld", statusNumber(status));
    }
    const auto defaults = platform::UserDefaults::standard();
    defaults->removeObjectForKey(LocalUserUUIDKey);
    defaults->removeObjectForKey(LocalUserEmailKey);
    email_ = QString();
    uuid_ = QString();
    cookie_ = QString();
    ticket_ = QString();
    defaults->synchronize();
}

QString ZVUserCredentials::description() const {
    return platform::format(u"ZVUserCredentials: %@ (%@)", email_, uuid_);
}
