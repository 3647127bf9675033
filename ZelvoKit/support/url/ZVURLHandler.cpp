#include "ZelvoKit/support/url/ZVURLHandler.h"

#include "ZelvoKit/support/base/DataUtils.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

struct Registry {
    ZVURLHandler::Factory factory;
    std::unique_ptr<ZVURLHandler> instance;
    std::function<void(const QString&)> confirm;
};

Registry& registry() {
    static Registry registry;
    return registry;
}

constexpr QStringView kAuthorityPrefix = u"//";

// "scheme:" as RFC 3986 spells it: a letter, then letters, digits, "+", "-" and ".".
bool isSchemeCharacter(QChar c, bool first) {
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (first) {
        return letter;
    }
    return letter || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9') {
        return c.unicode() - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c.unicode() - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c.unicode() - u'A' + 10;
    }
    return -1;
}

// The head and query of a "zelvo:" link: the host and the query when the link has an authority,
// else the whole text after the scheme (whose query the caller splits off).
struct ZelvoParts {
    QStringView head;
    QStringView query;
};

ZelvoParts zelvoParts(QStringView rest) {
    if (rest.startsWith(kAuthorityPrefix)) {
        const QStringView authority = rest.mid(kAuthorityPrefix.size());
        qsizetype hostEnd = 0;
        while (hostEnd < authority.size() && authority[hostEnd] != u'/' &&
               authority[hostEnd] != u'?' && authority[hostEnd] != u'#') {
            ++hostEnd;
        }
        if (hostEnd > 0) {
            QStringView query;
            QStringView after = authority.mid(hostEnd);
            const qsizetype fragment = after.indexOf(u'#');
            if (fragment >= 0) {
                after = after.left(fragment);
            }
            const qsizetype mark = after.indexOf(u'?');
            if (mark >= 0) {
                query = after.mid(mark + 1);
            }
            return {authority.left(hostEnd), query};
        }
    }
    return {rest, {}};
}

// A confirmation link's notification id signs an account in: it stays out of the log.
QString maskedForLog(const QString& url) {
    static const QRegularExpression notificationId(u"(notification_id=)[^&#]*"_s);
    QString masked = url;
    return masked.replace(notificationId, u"\\1***"_s);
}

}  // namespace

ZVURLHandler::~ZVURLHandler() = default;

void ZVURLHandler::setUrlHandlerClass(Factory factory) {
    registry().factory = std::move(factory);
    registry().instance.reset();
}

ZVURLHandler& ZVURLHandler::handler() {
    Registry& r = registry();
    if (!r.instance) {
        r.instance = r.factory ? r.factory() : nullptr;
        if (!r.instance) {
            r.instance = std::make_unique<ZVURLHandler>();
        }
    }
    return *r.instance;
}

void ZVURLHandler::reset() {
    registry().instance.reset();
}

void ZVURLHandler::setAccountConfirmation(std::function<void(const QString&)> confirm) {
    registry().confirm = std::move(confirm);
}

bool ZVURLHandler::handle(const QString& url) {
    return handle(url, QRectF(), nullptr);
}

bool ZVURLHandler::handle(const QString& url, const QRectF& rect, platform::View* view) {
    if (url.isEmpty()) {
        return false;
    }
    const QString scheme = schemeOf(url);
    if (scheme == kFileScheme) {
        return handleFileUrl(QUrl(url));
    }
    if (scheme == kZelvoScheme) {
        return handleZelvoUrl(url, rect, view);
    }
    if (scheme == kPhoneScheme) {
        return handlePhoneUrl(url);
    }
    return handleSystemUrl(url);
}

bool ZVURLHandler::handleZelvoUrl(const QString& url, const QRectF& rect, platform::View* view) {
    const ZelvoLink link = parseZelvoUrl(url);
    const bool handled =
        handleZelvoAction(link.action, link.conversationId, link.parameters, rect, view);
    if (!handled) {
        ZVLogError(u"Invalid Zelvo URL: %@", maskedForLog(url));
    }
    return handled;
}

bool ZVURLHandler::handleZelvoAction(const QString& action, const QString& /*conversationId*/,
                                     const Parameters& parameters, const QRectF& /*rect*/,
                                     platform::View* /*view*/) {
    if (action != kConfirmAction) {
        return false;
    }
    const QString notificationId = parameters.value(kNotificationIdKey.toString());
    const auto& confirm = registry().confirm;
    if (notificationId.isEmpty() || !confirm) {
        return false;
    }
    confirm(notificationId);
    return true;
}

bool ZVURLHandler::handleFileUrl(const QUrl& /*url*/) {
    return false;
}

bool ZVURLHandler::handlePhoneUrl(const QString& /*url*/) {
    return false;
}

bool ZVURLHandler::handleSystemUrl(const QString& /*url*/) {
    return false;
}

void ZVURLHandler::showShareMenuForUrl(const QString& /*url*/, const QRectF& /*rect*/,
                                       platform::View* /*view*/, std::function<void()> completion) {
    if (completion) {
        completion();
    }
}

QString ZVURLHandler::schemeOf(const QString& url) {
    const qsizetype colon = url.indexOf(u':');
    if (colon <= 0) {
        return {};
    }
    for (qsizetype i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(url[i], i == 0)) {
            return {};
        }
    }
    return url.left(colon);
}

ZVURLHandler::ZelvoLink ZVURLHandler::parseZelvoUrl(const QString& url) {
    ZelvoLink link;
    const QString scheme = schemeOf(url);
    const QStringView rest = QStringView(url).mid(scheme.isNull() ? 0 : scheme.size() + 1);
    ZelvoParts parts = zelvoParts(rest);

    const qsizetype mark = parts.head.indexOf(u'?');
    if (mark >= 0) {
        const QStringView afterMark = parts.head.mid(mark + 1);
        // Only the piece up to a further "?" is the query.
        parts.query = afterMark.left(afterMark.indexOf(u'?'));
        parts.head = parts.head.left(mark);
    }
    link.conversationId = parts.head.toString();

    // Empty components ("a&&b", a trailing "&") name nothing.
    for (const QStringView component : parts.query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = component.indexOf(u'=');
        if (equals < 0) {
            link.action = component.toString();
            continue;
        }
        const QString key = component.left(equals).toString();
        const QStringView afterKey = component.mid(equals + 1);
        const QString value = percentUnescape(afterKey.left(afterKey.indexOf(u'=')));
        if (value.isNull()) {
            link.parameters.remove(key);
        } else {
            link.parameters.insert(key, value);
        }
    }
    return link;
}

QString ZVURLHandler::phoneNumberOf(const QString& url) {
    const QString scheme = schemeOf(url);
    const QStringView rest = QStringView(url).mid(scheme.isNull() ? 0 : scheme.size() + 1);
    if (!rest.startsWith(kAuthorityPrefix)) {
        return QString(u""_s);
    }
    QStringView number = rest.mid(kAuthorityPrefix.size());
    number = number.left(number.indexOf(u'/'));
    const QString unescaped = percentUnescape(number);
    return unescaped.isNull() ? number.toString() : unescaped;
}

QString ZVURLHandler::urlEncodeUUID(const QString& uuid) {
    const QByteArray bytes = ZelvoUtils::dataFromUUIDString(uuid);
    if (bytes.isEmpty()) {
        return QString(u""_s);
    }
    QString text = asBase64String(bytes);
    text.remove(u'=');
    text.replace(u'+', u'-');
    text.replace(u'/', u'_');
    return text;
}

QString ZVURLHandler::urlDecodeUUID(const QString& encoded) {
    QString text = encoded;
    text.replace(u'-', u'+');
    text.replace(u'_', u'/');
    constexpr int kBase64Group = 4;
    switch (text.size() % kBase64Group) {
        case 2:
            text += u"=="_s;
            break;
        case 3:
            text += u"="_s;
            break;
        default:
            break;
    }
    return ZelvoUtils::uuidFromData(dataWithBase64String(text));
}

QString ZVURLHandler::percentUnescape(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            qsizetype end = i + 1;
            while (end < text.size() && text[end] != u'%') {
                ++end;
            }
            bytes += text.mid(i, end - i).toUtf8();
            i = end - 1;
            continue;
        }
        if (i + 2 >= text.size()) {
            return {};
        }
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return {};
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    // An empty value stays distinguishable from a malformed one.
    return decoded.isNull() ? QString(u""_s) : decoded;
}
