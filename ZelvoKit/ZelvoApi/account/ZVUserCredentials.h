#pragma once

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <memory>

// What the system needs to act for one account without asking for its password again: the
// account's e-mail, its uuid, the API ticket and the "token_id" cookie.
//
// They are kept as one generic-password keychain item per account, named by the e-mail, whose
// data is the JSON object {"cookie", "ticket", "uuid"}. The account saved last is also named in the
// standard defaults, as the single-account installations of old kept it. Keychain failures are
// logged by their status and never raised. Main thread only.
class ZVUserCredentials {
public:
    // Standard-defaults keys of the account saved last.
    static constexpr QLatin1StringView LocalUserEmailKey{"LocalUserEmail"};
    static constexpr QLatin1StringView LocalUserUUIDKey{"LocalUserUUID"};

    // Plain values; nothing is read.
    ZVUserCredentials() = default;
    explicit ZVUserCredentials(QString email) : email_(std::move(email)) {}

    // The keychain record of the account. The e-mail is always set; the other fields stay null
    // when there is no readable record, so callers test valid().
    static std::shared_ptr<ZVUserCredentials> withUserEmail(const QString& email);
    // The account of a single-account installation, named by the "LocalUserEmail" default (with
    // the uuid of "LocalUserUUID" when the record lacks one); empty credentials when none is named.
    static std::shared_ptr<ZVUserCredentials> savedSingleAccount();

    const QString& email() const { return email_; }
    void setEmail(const QString& email) { email_ = email; }
    const QString& uuid() const { return uuid_; }
    void setUuid(const QString& uuid) { uuid_ = uuid; }
    const QString& cookie() const { return cookie_; }
    void setCookie(const QString& cookie) { cookie_ = cookie; }
    const QString& ticket() const { return ticket_; }
    void setTicket(const QString& ticket) { ticket_ = ticket; }

    // All four fields are present; an empty string counts as present.
    bool valid() const;

    // Writes the keychain record (adding it, or replacing its data when it exists) and names the
    // account in the defaults. Credentials that are not valid write nothing.
    void save();
    // Deletes the keychain record and the defaults' names, and clears every field. Nothing happens
    // without an e-mail.
    void erase();

    // "ZVUserCredentials: <e-mail> (<uuid>)"; never the ticket or the cookie.
    QString description() const;

private:
    void readKeychain();

    QString email_;
    QString uuid_;
    QString cookie_;
    QString ticket_;
};
