#include "platform/ui/standins/WebCookieBridge.h"

#include "platform/ui/standins/CookieStorage.h"

#include <QtNetwork/QNetworkCookie>
#include <QtWebEngineCore/QWebEngineCookieStore>

namespace platform {

namespace {

bool sameContent(const QNetworkCookie& a, const QNetworkCookie& b) {
    return a.value() == b.value() && a.isSecure() == b.isSecure() &&
           a.isHttpOnly() == b.isHttpOnly() && a.isSessionCookie() == b.isSessionCookie() &&
           (a.isSessionCookie() || a.expirationDate() == b.expirationDate());
}

}  // namespace

WebCookieBridge::WebCookieBridge(QWebEngineCookieStore* engineStore,
                                 std::shared_ptr<CookieStorage> storage)
    : engineStore_(engineStore), storage_(std::move(storage)) {
    for (const QNetworkCookie& cookie : storage_->cookies()) {
        engineStore_->setCookie(cookie);
    }
    observation_ =
        storage_->observe([this](const QNetworkCookie& cookie, CookieStorage::Change change) {
            if (applyingEngineChange_) {
                return;
            }
            if (change == CookieStorage::Change::Set) {
                engineStore_->setCookie(cookie);
            } else {
                engineStore_->deleteCookie(cookie);
            }
        });
    added_ = QObject::connect(engineStore_, &QWebEngineCookieStore::cookieAdded,
                              [this](const QNetworkCookie& cookie) { engineAdded(cookie); });
    removed_ = QObject::connect(engineStore_, &QWebEngineCookieStore::cookieRemoved,
                                [this](const QNetworkCookie& cookie) { engineRemoved(cookie); });
}

WebCookieBridge::~WebCookieBridge() {
    QObject::disconnect(added_);
    QObject::disconnect(removed_);
}

std::optional<QNetworkCookie> WebCookieBridge::stored(const QNetworkCookie& cookie) const {
    for (const QNetworkCookie& existing : storage_->cookies()) {
        if (existing.name() == cookie.name() && existing.path() == cookie.path() &&
            existing.domain().compare(cookie.domain(), Qt::CaseInsensitive) == 0) {
            return existing;
        }
    }
    return std::nullopt;
}

void WebCookieBridge::engineAdded(const QNetworkCookie& cookie) {
    // The engine echoes what the storage gave it; an unchanged cookie is not set again.
    const auto existing = stored(cookie);
    if (existing && sameContent(*existing, cookie)) {
        return;
    }
    applyingEngineChange_ = true;
    storage_->setCookie(cookie);
    applyingEngineChange_ = false;
}

void WebCookieBridge::engineRemoved(const QNetworkCookie& cookie) {
    // The engine removes the old value when it takes a new one from the storage: only a removal
    // of what the storage still holds counts.
    const auto existing = stored(cookie);
    if (!existing || existing->value() != cookie.value()) {
        return;
    }
    applyingEngineChange_ = true;
    storage_->deleteCookie(cookie);
    applyingEngineChange_ = false;
}

}  // namespace platform
