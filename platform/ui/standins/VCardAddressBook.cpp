#include "platform/ui/standins/VCardAddressBook.h"

#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SystemLog.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/standins/LibraryFile.h"
#include "platform/ui/standins/VCardReader.h"

#include <QtCore/QFile>
#include <QtCore/QLocale>

namespace platform {

const QString VCardAddressBook::kAccessKey = QStringLiteral("AddressBookAccess");

VCardAddressBook::VCardAddressBook(QString path)
    : VCardAddressBook(std::move(path), systemNameFormat()) {}

VCardAddressBook::VCardAddressBook(QString path, CompositeNameFormat nameFormat)
    : path_(std::move(path)), nameFormat_(nameFormat) {}

QString VCardAddressBook::defaultPath() {
    return libraryFilePath(QStringLiteral("AddressBook/Contacts.vcf"));
}

CompositeNameFormat VCardAddressBook::systemNameFormat() {
    // Languages whose names are written family name first.
    switch (QLocale::system().language()) {
        case QLocale::Chinese:
        case QLocale::Japanese:
        case QLocale::Korean:
        case QLocale::Hungarian:
        case QLocale::Vietnamese:
            return CompositeNameFormat::LastNameFirst;
        default:
            return CompositeNameFormat::FirstNameFirst;
    }
}

AddressBookAuthorizationStatus VCardAddressBook::authorizationStatus() const {
    const QVariant stored = UserDefaults::standard()->objectForKey(kAccessKey);
    if (!stored.isValid()) {
        return AddressBookAuthorizationStatus::NotDetermined;
    }
    return UserDefaults::standard()->boolForKey(kAccessKey)
               ? AddressBookAuthorizationStatus::Authorized
               : AddressBookAuthorizationStatus::Denied;
}

void VCardAddressBook::requestAccess(AccessHandler handler) {
    if (authorizationStatus() == AddressBookAuthorizationStatus::NotDetermined) {
        UserDefaults::standard()->setBool(true, kAccessKey);
    }
    const bool granted = authorizationStatus() == AddressBookAuthorizationStatus::Authorized;
    Scheduler::main().post([handler = std::move(handler), granted] {
        if (handler) {
            handler(granted);
        }
    });
}

std::vector<AddressBookPerson> VCardAddressBook::people() const {
    if (authorizationStatus() != AddressBookAuthorizationStatus::Authorized || path_.isEmpty()) {
        return {};
    }
    QFile file(path_);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        systemLog(
            QStringLiteral("Address book %1 cannot be read: %2").arg(path_, file.errorString()));
        return {};
    }
    return VCardReader::read(file.readAll(), nameFormat_);
}

}  // namespace platform
