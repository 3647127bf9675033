#pragma once

#include "platform/ui/standins/CookieStorage.h"

namespace platform {

// Cookies kept in a file that other programs of the application (its extensions) may read: a
// JSON array of {"name", "value", "domain", "path", "expires" (ISO 8601, absent for a session
// cookie), "secure", "httpOnly"}, names and values as UTF-8 with any other byte percent-encoded.
// Written whole after every change, atomically and readable by the user alone, since cookies
// carry sign-ins. Session cookies are kept too: the other programs need the sign-in's cookie.
class FileCookieStorage : public CookieStorage {
public:
    // Reads the file; a missing file is an empty store, an unreadable one is logged and treated
    // as empty (and replaced by the next change).
    explicit FileCookieStorage(QString path);

    // "<Library>/Cookies/Cookies.json".
    static QString defaultPath();

    QString path() const { return path_; }

protected:
    void cookiesChanged() override;

private:
    QString path_;
};

}  // namespace platform
