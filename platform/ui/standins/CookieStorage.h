#pragma once

#include "platform/foundation/ObserverList.h"

#include <QtCore/QList>
#include <QtCore/QUrl>
#include <QtNetwork/QNetworkCookie>

#include <functional>
#include <memory>

namespace platform {

// The cookies of web content: those the application sets for its own pages and those the pages
// set themselves. A cookie is known by its name, domain and path; setting it again replaces it.
// Expiry follows the main scheduler's clock. This base keeps them in memory (tests, and processes
// that keep nothing); FileCookieStorage keeps them on disk. Main thread only.
class CookieStorage {
public:
    enum class Change { Set, Deleted };
    using Handler = std::function<void(const QNetworkCookie& cookie, Change change)>;

    CookieStorage() = default;
    virtual ~CookieStorage() = default;
    CookieStorage(const CookieStorage&) = delete;
    CookieStorage& operator=(const CookieStorage&) = delete;

    // The file-backed store in the application's library unless another one is installed.
    static std::shared_ptr<CookieStorage> shared();
    // Replaces the shared store (tests, or the application group's store); null goes back to the
    // default one.
    static void setShared(std::shared_ptr<CookieStorage> storage);

    // Adds or replaces the cookie. A cookie without a domain is refused (false); one that has
    // already expired removes its namesake instead.
    bool setCookie(const QNetworkCookie& cookie);
    // False when no such cookie was stored.
    bool deleteCookie(const QNetworkCookie& cookie);
    // Every cookie that has not expired, in the order they were first set.
    QList<QNetworkCookie> cookies() const;
    // The cookies a request to `url` carries: domain, path and secure flag match, not expired.
    QList<QNetworkCookie> cookiesForUrl(const QUrl& url) const;

    // Told of every change after it is made.
    Observation observe(Handler handler);

    static bool matchesDomain(const QNetworkCookie& cookie, const QString& host);
    static bool matchesPath(const QNetworkCookie& cookie, const QString& path);

protected:
    // Replaces the whole set without telling anyone (a store reading its file).
    void restore(QList<QNetworkCookie> cookies);
    // After every change; a persistent store writes itself here.
    virtual void cookiesChanged() {}

private:
    bool isExpired(const QNetworkCookie& cookie) const;
    void notify(const QNetworkCookie& cookie, Change change);

    QList<QNetworkCookie> cookies_;
    ObserverList<Handler> observers_;
};

}  // namespace platform
