#include "Analytics/Library/ZARequestBuilder.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZACompressionUtil.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAStringUtil.h"

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

}  // namespace

ZARequestBuilder::ZARequestBuilder() : userAgent_(ZAHitUtil::userAgentString()) {}

std::optional<QString> ZARequestBuilder::parameterValueToString(const QVariant& value) {
    if (isZAText(value)) {
        return value.toString();
    }
    if (isZANumber(value)) {
        return ZANumberText(value);
    }
    return std::nullopt;
}

QString ZARequestBuilder::encodeParameter(const QString& name, const QString& value) {
    const QString encodedName =
        ZAStringUtil::percentEncode(ZAStringUtil::stripLeadingAmpersand(name));
    if (value.isEmpty()) {
        return encodedName;
    }
    return encodedName + QLatin1Char('=') + ZAStringUtil::percentEncode(value);
}

QStringList ZARequestBuilder::encodeParameters(const ZAHitParameters& parameters) const {
    QStringList pairs;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (it.key() == za::kZACacheBuster()) {
            continue;
        }
        if (const auto text = parameterValueToString(it.value())) {
            pairs.append(encodeParameter(it.key(), *text));
        }
    }
    return pairs;
}

QString ZARequestBuilder::parametersForHit(const ZAHitRecord& hit) const {
    ZAHitParameters sent;
    for (auto it = hit.parameters.cbegin(); it != hit.parameters.cend(); ++it) {
        if (it.key().startsWith(QLatin1Char('&'))) {
            sent.insert(it.key(), it.value());
        }
    }
    QStringList pairs = encodeParameters(sent);
    const auto hitTime =
        static_cast<std::uint64_t>(static_cast<double>(hit.timestamp.toMSecsSinceEpoch()) /
                                   kMillisecondsPerSecond * kMillisecondsPerSecond);
    pairs.append(encodeParameter(QStringLiteral("ht"), ZAStringUtil::uintString(hitTime)));
    const std::int64_t queued =
        ZAHitUtil::millisecondsElapsedFrom(hit.timestamp, za::currentDate());
    if (queued > 0) {
        pairs.append(encodeParameter(QStringLiteral("qt"),
                                     ZAStringUtil::uintString(static_cast<std::uint64_t>(queued))));
    }
    const auto cacheBuster = hit.parameters.constFind(za::kZACacheBuster());
    if (cacheBuster != hit.parameters.cend()) {
        if (const auto text = parameterValueToString(*cacheBuster)) {
            pairs.append(encodeParameter(QStringLiteral("z"), *text));
        }
    }
    return pairs.join(QLatin1Char('&'));
}

platform::UrlRequest ZARequestBuilder::baseRequest() const {
    platform::UrlRequest request;
    request.headers.set("Content-Type", "application/x-www-form-urlencoded; charset=UTF-8");
    request.headers.set("User-Agent", userAgent_.toUtf8());
    request.timeoutInterval = kRequestTimeout;
    return request;
}

platform::UrlRequest ZARequestBuilder::requestPostUrl(const QString& url, const QString& payload,
                                                      unsigned compression) const {
    ZA_LOG(Verbose, u"building URLRequest for %@", url);
    platform::UrlRequest request = baseRequest();
    request.httpMethod = QByteArrayLiteral("POST");
    QByteArray body = payload.toUtf8();
    if (compression == CompressionGzip) {
        // A failed compression leaves the body empty: nothing unreadable goes out.
        body = ZACompressionUtil::gzip(body).value_or(QByteArray());
        request.headers.set("Content-Encoding", "gzip");
    } else if (compression == CompressionDeflate) {
        body = ZACompressionUtil::deflate(body).value_or(QByteArray());
        request.headers.set("Content-Encoding", "deflate");
    }
    request.headers.set("Content-Length", QByteArray::number(body.size()));
    request.body = body;
    request.url = QUrl(url);
    return request;
}

platform::UrlRequest ZARequestBuilder::requestGetUrl(const QString& url,
                                                     const QString& payload) const {
    ZA_LOG(Verbose, u"building URLRequest for %@", url);
    platform::UrlRequest request = baseRequest();
    request.httpMethod = QByteArrayLiteral("GET");
    request.url = QUrl(url + QLatin1Char('?') + payload, QUrl::TolerantMode);
    return request;
}
