#pragma once

#include <QtCore/QString>

// What the system needs to act for one account without asking for its password again: the
// account's e-mail, its uuid, the API ticket and the "token_id" cookie. Main thread only.
class ZVUserCredentials {
public:
    ZVUserCredentials() = default;
    explicit ZVUserCredentials(QString email) : email_(std::move(email)) {}

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

    // "ZVUserCredentials: <e-mail> (<uuid>)"; never the ticket or the cookie.
    QString description() const;

private:
    QString email_;
    QString uuid_;
    QString cookie_;
    QString ticket_;
};
