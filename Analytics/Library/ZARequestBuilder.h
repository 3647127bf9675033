#pragma once

#include "Analytics/Library/ZAHitRecord.h"
#include "platform/net/UrlRequest.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

// Turns stored hits into form-encoded text and the GET or POST request that carries it.
class ZARequestBuilder {
public:
    // No answer within this long fails the request; the hits stay stored.
    static constexpr double kRequestTimeout = 60.0;

    enum Compression : unsigned {
        CompressionNone = 0,
        CompressionDeflate = 1,
        CompressionGzip = 2
    };

    ZARequestBuilder();

    const QString& userAgent() const { return userAgent_; }
    void setUserAgent(const QString& userAgent) { userAgent_ = userAgent; }

    // "name=value" pairs of the "&" fields joined by "&", then "ht", "qt" (when the hit waited) and
    // the cache buster "z" last.
    QString parametersForHit(const ZAHitRecord& hit) const;
    QStringList encodeParameters(const ZAHitParameters& parameters) const;
    static QString encodeParameter(const QString& name, const QString& value);
    // None for the null marker and anything but texts and numbers.
    static std::optional<QString> parameterValueToString(const QVariant& value);

    platform::UrlRequest baseRequest() const;
    // A body that could not be compressed goes out empty, with "Content-Length" 0.
    platform::UrlRequest requestPostUrl(const QString& url, const QString& payload,
                                        unsigned compression) const;
    platform::UrlRequest requestGetUrl(const QString& url, const QString& payload) const;

private:
    QString userAgent_;
};
