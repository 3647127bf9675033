#pragma once

#include <QtCore/QMap>
#include <QtCore/QRectF>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <memory>

namespace platform {
class View;
}

// The one dispatcher of every URL the application is asked to open: links in rich text and e-mail,
// URLs handed over by the desktop, files and phone numbers. This base holds what needs no user
// interface (the scheme dispatch, the application's own link grammar, account confirmation links
// and the URL-safe form of UUIDs) and answers false to the rest; the application registers a
// subclass at start-up that fills those in. Main thread only.
//
// URLs arrive as text: "zelvo:" and "tel:" links are read from it as written, because a URL parser
// lower-cases hosts (conversation ids are case-sensitive) and refuses "(" and "#" in them (as in
// "tel://+1(555)#2").
class ZVURLHandler {
public:
    static constexpr QStringView kZelvoScheme = u"zelvo";
    static constexpr QStringView kFileScheme = u"file";
    static constexpr QStringView kPhoneScheme = u"tel";
    static constexpr QStringView kConfirmAction = u"confirm";
    static constexpr QStringView kNotificationIdKey = u"notification_id";
    static constexpr QStringView kProfileAction = u"profile";
    static constexpr QStringView kAccountIdKey = u"account_id";
    // Characters of the URL-safe form of a UUID's 16 bytes.
    static constexpr qsizetype kEncodedUUIDLength = 22;

    using Factory = std::function<std::unique_ptr<ZVURLHandler>()>;
    using Parameters = QMap<QString, QString>;

    // What a "zelvo:" link says. A null action when the link names none.
    struct ZelvoLink {
        QString action;
        QString conversationId;
        Parameters parameters;
        bool operator==(const ZelvoLink&) const = default;
    };

    ZVURLHandler() = default;
    virtual ~ZVURLHandler();
    ZVURLHandler(const ZVURLHandler&) = delete;
    ZVURLHandler& operator=(const ZVURLHandler&) = delete;

    // The class handler() makes its one instance of; the base until one is set. Setting it drops
    // an instance already made, so the next handler() uses the new class.
    static void setUrlHandlerClass(Factory factory);
    static ZVURLHandler& handler();
    // Forgets the instance (between tests); the class, registered at start-up, stays.
    static void reset();

    // How an account confirmation link signs in: the API client registers it at start-up, since
    // it lives above this library. Without it "confirm" links are not handled.
    static void setAccountConfirmation(std::function<void(const QString& notificationId)> confirm);

    // True when something handled the URL.
    bool handle(const QString& url);
    bool handle(const QString& url, const QRectF& rect, platform::View* view);

    // Reads a "zelvo:" link and hands it to handleZelvoAction(); logs the links nobody handles.
    virtual bool handleZelvoUrl(const QString& url, const QRectF& rect, platform::View* view);
    // The base handles "confirm" with a non-empty "notification_id".
    virtual bool handleZelvoAction(const QString& action, const QString& conversationId,
                                   const Parameters& parameters, const QRectF& rect,
                                   platform::View* view);
    virtual bool handleFileUrl(const QUrl& url);
    virtual bool handlePhoneUrl(const QString& url);
    virtual bool handleSystemUrl(const QString& url);
    // Calls `completion` once the menu is gone; the base shows none and calls it at once.
    virtual void showShareMenuForUrl(const QString& url, const QRectF& rect, platform::View* view,
                                     std::function<void()> completion);

    // The scheme as written (case kept), or a null string when the text has none.
    static QString schemeOf(const QString& url);
    // The grammar of "zelvo:" links (the text after the scheme is what is read).
    static ZelvoLink parseZelvoUrl(const QString& url);
    // The number of a "tel://NUMBER" link, percent-unescaped; empty without the two slashes.
    static QString phoneNumberOf(const QString& url);

    // The 16 bytes of a UUID in URL-safe Base64 without padding (22 characters); empty when the
    // text is not a UUID.
    static QString urlEncodeUUID(const QString& uuid);
    // The lower-case UUID of a URL-safe form; a null string when it does not hold 16 bytes.
    static QString urlDecodeUUID(const QString& encoded);

    // Strict UTF-8 percent-unescaping; a null string for a malformed escape or invalid UTF-8.
    static QString percentUnescape(QStringView text);
};
