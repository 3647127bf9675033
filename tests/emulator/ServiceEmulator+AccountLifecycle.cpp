#include "tests/emulator/AccountRecords.h"
#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonArray>
#include <QtCore/QRandomGenerator>

#include <algorithm>

namespace zvemu {

namespace {

using Access = ServiceEmulator::Access;

QString text(const Call& call, const char* key) {
    return call.body().value(QLatin1String(key)).toString();
}

QStringList strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue item : value.toArray()) {
        if (item.isString()) {
            list.append(item.toString());
        }
    }
    return list;
}

std::optional<Account> accountWhere(const ServiceEmulator& emulator,
                                    const std::function<bool(const Account&)>& matches) {
    for (const Account& account : emulator.accounts()) {
        if (matches(account)) {
            return account;
        }
    }
    return std::nullopt;
}

bool zelvoAddressTaken(const ServiceEmulator& emulator, const QString& address,
                       const QString& exceptAccountId) {
    return accountWhere(emulator,
                        [&](const Account& account) {
                            return account.accountId != exceptAccountId &&
                                   account.zelvoAddress.compare(address, Qt::CaseInsensitive) == 0;
                        })
        .has_value();
}

// --- signing out and up ---

Reply logout(Call& call) {
    // The ticket and its cookie stop working: later calls with them are answered 401.
    const QString ticket = text(call, "ticket");
    call.emulator.updateAccount(call.account->accountId, [&](Account& account) {
        std::erase_if(account.issued,
                      [&](const Credentials& issued) { return issued.ticket == ticket; });
    });
    return Reply::ok();
}

Reply confirm(Call& call) {
    const QString notificationId = text(call, "notification_id");
    const std::optional<Account> account = accountWhere(call.emulator, [&](const Account& each) {
        return !notificationId.isEmpty() && each.notificationId == notificationId;
    });
    if (!account) {
        return Reply::error(430, QStringLiteral("invalid_notification"));
    }
    call.emulator.updateAccount(account->accountId,
                                [](Account& confirmed) { confirmed.active = true; });
    return signInAnswer(call.emulator, *call.emulator.account(account->accountId));
}

Reply registerEmail(Call& call) {
    const QString email = text(call, "email");
    if (!email.contains(u'@')) {
        return Reply::error(430, QStringLiteral("invalid_email"));
    }
    std::optional<Account> account = call.emulator.account(email);
    if (account && account->active) {
        return Reply::error(430, QStringLiteral("email_taken"));
    }
    if (!account) {
        account = call.emulator.addAccount(email, {});
    }
    const QString code = QString::number(QRandomGenerator::global()->bounded(100000, 1000000));
    call.emulator.updateAccount(account->accountId, [&](Account& pending) {
        pending.active = false;
        pending.registrationCode = code;
    });
    return Reply::ok();
}

// A code as people type it: the service reads only its digits, so "123-456" is "123456".
QString registrationCodeDigits(const QString& typed) {
    QString digits;
    for (const QChar c : typed) {
        if (c.isDigit()) {
            digits.append(c);
        }
    }
    return digits;
}

Reply prepareRegistration(Call& call) {
    const std::optional<Account> account = call.emulator.account(text(call, "registration_mail"));
    const QString code = registrationCodeDigits(text(call, "registration_code"));
    if (!account || account->active || code.isEmpty() || account->registrationCode != code) {
        return Reply::error(430, QStringLiteral("invalid_code"));
    }
    const QString notificationId = newUuid();
    call.emulator.updateAccount(account->accountId,
                                [&](Account& pending) { pending.notificationId = notificationId; });
    return Reply::ok({{QStringLiteral("notification_id"), notificationId},
                      {QStringLiteral("suggestions"),
                       QJsonArray{account->email.section(u'@', 0, 0).toLower()}}});
}

Reply completeRegistration(Call& call) {
    const QString notificationId = text(call, "notification_id");
    const std::optional<Account> account = accountWhere(call.emulator, [&](const Account& each) {
        return !notificationId.isEmpty() && each.notificationId == notificationId && !each.active;
    });
    if (!account) {
        return Reply::error(430, QStringLiteral("invalid_notification"));
    }
    const QString username = text(call, "zelvo_address");
    if (!username.isEmpty() && zelvoAddressTaken(call.emulator, username, account->accountId)) {
        return Reply::error(430, QStringLiteral("zelvo_id_taken"));
    }
    call.emulator.updateAccount(account->accountId, [&](Account& created) {
        created.active = true;
        created.password = text(call, "password");
        created.displayName = text(call, "display_name");
        created.zelvoAddress = username;
        created.registrationCode.clear();
    });
    return signInAnswer(call.emulator, *call.emulator.account(account->accountId));
}

// The older sign-up: the account waits for the link mailed to it.
Reply registerUser(Call& call) {
    const QString email = text(call, "email");
    if (call.emulator.account(email)) {
        return Reply::error(430, QStringLiteral("email_taken"));
    }
    const Account account =
        call.emulator.addAccount(email, text(call, "password"), text(call, "display_name"));
    call.emulator.updateAccount(account.accountId, [](Account& pending) {
        pending.active = false;
        pending.notificationId = newUuid();
    });
    return Reply::ok();
}

Reply resetPassword(Call& call) {
    if (!call.emulator.account(text(call, "email"))) {
        return Reply::error(430, QStringLiteral("unknown_email"));
    }
    return Reply::ok();
}

// --- the account's own settings ---

Reply configureApn(Call& call) {
    const QString token = text(call, "apn_token");
    const QStringList tokenIds = strings(call.body().value(QStringLiteral("token_ids")));
    call.emulator.updateAccount(call.account->accountId, [&](Account& account) {
        account.apnToken = token;
        account.apnTokenIds = tokenIds;
    });
    return Reply::ok();
}

// The changed account's contact record goes into its stream, as the service tells every client.
void announce(ServiceEmulator& emulator, const QString& accountId) {
    if (const std::optional<Account> account = emulator.account(accountId)) {
        emulator.appendEvent(accountId, contactRecord(*account));
    }
}

Reply setFlag(Call& call) {
    const QString flag = text(call, "client_flag");
    const QJsonValue value = call.body().value(QStringLiteral("bool_value"));
    if (flag.isEmpty() || !value.isBool()) {
        return Reply::error(400, QStringLiteral("bad_request"));
    }
    call.emulator.updateAccount(call.account->accountId, [&](Account& account) {
        account.clientFlags.removeAll(flag);
        if (value.toBool()) {
            account.clientFlags.append(flag);
        }
    });
    announce(call.emulator, call.account->accountId);
    return Reply::ok();
}

Reply suggestZelvoAddress(Call& call) {
    const QString base = call.account->email.section(u'@', 0, 0).toLower();
    QJsonArray suggestions;
    for (const QString& candidate :
         {base, base + QStringLiteral("1"), base + QStringLiteral("2")}) {
        if (!zelvoAddressTaken(call.emulator, candidate, call.account->accountId)) {
            suggestions.append(candidate);
        }
    }
    return Reply::ok({{QStringLiteral("suggestions"), suggestions}});
}

Reply addZelvoAddress(Call& call) {
    const QString address = text(call, "zelvo_address");
    if (address.isEmpty()) {
        return Reply::error(400, QStringLiteral("bad_request"));
    }
    if (zelvoAddressTaken(call.emulator, address, call.account->accountId)) {
        return Reply::error(430, QStringLiteral("zelvo_id_taken"));
    }
    call.emulator.updateAccount(call.account->accountId,
                                [&](Account& account) { account.zelvoAddress = address; });
    announce(call.emulator, call.account->accountId);
    return Reply::ok(contactRecord(*call.emulator.account(call.account->accountId)));
}

// --- contacts ---

Reply syncContact(Call& call) {
    const std::optional<Account> contact = call.emulator.account(text(call, "contact_id"));
    if (!contact) {
        return Reply::error(430, QStringLiteral("unknown_contact"));
    }
    return Reply::ok(contactRecord(*contact));
}

Reply syncContactList(Call& call) {
    QJsonArray contacts;
    for (const QString& id : strings(call.body().value(QStringLiteral("contacts")))) {
        if (const std::optional<Account> contact = call.emulator.account(id)) {
            contacts.append(contactRecord(*contact));
        }
    }
    return Reply::ok({{QStringLiteral("contacts"), contacts}});
}

Reply searchContacts(Call& call) {
    const QString search = text(call, "search_str");
    const QStringList ignore = strings(call.body().value(QStringLiteral("ignore")));
    QJsonArray contacts;
    for (const Account& account : call.emulator.accounts()) {
        if (account.active && !ignore.contains(account.accountId) &&
            (account.email.contains(search, Qt::CaseInsensitive) ||
             account.displayName.contains(search, Qt::CaseInsensitive))) {
            contacts.append(contactRecord(account));
        }
    }
    return Reply::ok({{QStringLiteral("contacts"), contacts}});
}

}  // namespace

QList<Account> ServiceEmulator::accounts() const {
    std::lock_guard lock(mutex_);
    QList<Account> list;
    for (const auto& [id, account] : accounts_) {
        list.append(account);
    }
    return list;
}

void installAccountLifecycleRoutes(ServiceEmulator& emulator) {
    emulator.route(QStringLiteral("account/logout"), Access::Session, logout);
    emulator.route(QStringLiteral("account/confirm"), Access::Public, confirm);
    emulator.route(QStringLiteral("account/register/v2"), Access::Public, registerEmail);
    emulator.route(QStringLiteral("account/prepare/v2"), Access::Public, prepareRegistration);
    emulator.route(QStringLiteral("account/confirm/v2"), Access::Public, completeRegistration);
    emulator.route(QStringLiteral("account/register"), Access::Public, registerUser);
    emulator.route(QStringLiteral("account/reset_password"), Access::Public, resetPassword);
    emulator.route(QStringLiteral("account/configure_apn"), Access::Session, configureApn);
    emulator.route(QStringLiteral("account/set_flag"), Access::Session, setFlag);
    emulator.route(QStringLiteral("zelvo_address/suggest"), Access::Session, suggestZelvoAddress);
    emulator.route(QStringLiteral("zelvo_address/add"), Access::Session, addZelvoAddress);
    emulator.route(QStringLiteral("contact/sync"), Access::Session, syncContact);
    emulator.route(QStringLiteral("contact/sync/list"), Access::Session, syncContactList);
    emulator.route(QStringLiteral("contact/sync/all"), Access::Session, searchContacts);
}

}  // namespace zvemu
