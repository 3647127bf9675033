#include "platform/ui/standins/CookieStorage.h"

#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/FileCookieStorage.h"

namespace platform {

namespace {

QString normalisedDomain(const QNetworkCookie& cookie) {
    return cookie.domain().toLower();
}

QString normalisedPath(const QNetworkCookie& cookie) {
    return cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path();
}

// Name, domain (without regard to case) and path make a cookie's identity.
bool isSameCookie(const QNetworkCookie& a, const QNetworkCookie& b) {
    return a.name() == b.name() && normalisedPath(a) == normalisedPath(b) &&
           normalisedDomain(a) == normalisedDomain(b);
}

}  // namespace

std::shared_ptr<CookieStorage> CookieStorage::shared() {
    return sharedService<CookieStorage>(
        [] { return std::make_shared<FileCookieStorage>(FileCookieStorage::defaultPath()); });
}

void CookieStorage::setShared(std::shared_ptr<CookieStorage> storage) {
    sharedSlot<std::shared_ptr<CookieStorage>>() = std::move(storage);
}

bool CookieStorage::setCookie(const QNetworkCookie& cookie) {
    if (cookie.domain().isEmpty() || cookie.name().isEmpty()) {
        return false;
    }
    QNetworkCookie stored = cookie;
    if (stored.path().isEmpty()) {
        stored.setPath(QStringLiteral("/"));
    }
    if (isExpired(stored)) {
        deleteCookie(stored);
        return true;
    }
    bool replaced = false;
    for (QNetworkCookie& existing : cookies_) {
        if (isSameCookie(existing, stored)) {
            existing = stored;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        cookies_.append(stored);
    }
    cookiesChanged();
    notify(stored, Change::Set);
    return true;
}

bool CookieStorage::deleteCookie(const QNetworkCookie& cookie) {
    for (qsizetype i = 0; i < cookies_.size(); ++i) {
        if (isSameCookie(cookies_[i], cookie)) {
            const QNetworkCookie removed = cookies_.takeAt(i);
            cookiesChanged();
            notify(removed, Change::Deleted);
            return true;
        }
    }
    return false;
}

QList<QNetworkCookie> CookieStorage::cookies() const {
    QList<QNetworkCookie> result;
    for (const QNetworkCookie& cookie : cookies_) {
        if (!isExpired(cookie)) {
            result.append(cookie);
        }
    }
    return result;
}

QList<QNetworkCookie> CookieStorage::cookiesForUrl(const QUrl& url) const {
    QList<QNetworkCookie> result;
    const QString host = url.host().toLower();
    if (host.isEmpty()) {
        return result;
    }
    const bool secureScheme = url.scheme() == QLatin1String("https");
    const QString path = url.path().isEmpty() ? QStringLiteral("/") : url.path();
    for (const QNetworkCookie& cookie : cookies_) {
        if (isExpired(cookie) || (cookie.isSecure() && !secureScheme) ||
            !matchesDomain(cookie, host) || !matchesPath(cookie, path)) {
            continue;
        }
        result.append(cookie);
    }
    return result;
}

Observation CookieStorage::observe(Handler handler) {
    return observers_.add(std::move(handler));
}

bool CookieStorage::matchesDomain(const QNetworkCookie& cookie, const QString& host) {
    const QString domain = normalisedDomain(cookie);
    const QString lowerHost = host.toLower();
    if (!domain.startsWith(QLatin1Char('.'))) {
        // A host-only cookie goes back to its host alone.
        return lowerHost == domain;
    }
    return lowerHost == domain.mid(1) || lowerHost.endsWith(domain);
}

bool CookieStorage::matchesPath(const QNetworkCookie& cookie, const QString& path) {
    const QString cookiePath = normalisedPath(cookie);
    if (path == cookiePath) {
        return true;
    }
    if (!path.startsWith(cookiePath)) {
        return false;
    }
    // "/docs" covers "/docs/a" but not "/docsets".
    return cookiePath.endsWith(QLatin1Char('/')) || path.at(cookiePath.size()) == QLatin1Char('/');
}

void CookieStorage::restore(QList<QNetworkCookie> cookies) {
    cookies_ = std::move(cookies);
}

bool CookieStorage::isExpired(const QNetworkCookie& cookie) const {
    return !cookie.isSessionCookie() && cookie.expirationDate() <= Scheduler::main().currentDate();
}

void CookieStorage::notify(const QNetworkCookie& cookie, Change change) {
    observers_.deliver([](const Handler&) { return true; },
                       [&](const Handler& handler) { handler(cookie, change); });
}

}  // namespace platform
