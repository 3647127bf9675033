#pragma once

#include "platform/foundation/ObserverList.h"

#include <QtCore/QMetaObject>
#include <QtNetwork/QNetworkCookie>

#include <memory>
#include <optional>

class QWebEngineCookieStore;

namespace platform {

class CookieStorage;

// Keeps a web engine profile's cookies and a CookieStorage the same: the storage's cookies go to
// the engine first, then every change on either side is copied to the other, so the application
// reads the cookies its pages set and the pages carry the cookies it sets.
class WebCookieBridge {
public:
    WebCookieBridge(QWebEngineCookieStore* engineStore, std::shared_ptr<CookieStorage> storage);
    ~WebCookieBridge();
    WebCookieBridge(const WebCookieBridge&) = delete;
    WebCookieBridge& operator=(const WebCookieBridge&) = delete;

private:
    // The storage's cookie of the same name, domain and path.
    std::optional<QNetworkCookie> stored(const QNetworkCookie& cookie) const;
    void engineAdded(const QNetworkCookie& cookie);
    void engineRemoved(const QNetworkCookie& cookie);

    QWebEngineCookieStore* engineStore_;
    std::shared_ptr<CookieStorage> storage_;
    Observation observation_;
    QMetaObject::Connection added_;
    QMetaObject::Connection removed_;
    // Set while a change from the engine is applied to the storage, so it is not sent back.
    bool applyingEngineChange_ = false;
};

}  // namespace platform
