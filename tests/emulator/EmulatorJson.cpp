#include "tests/emulator/EmulatorJson.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QLocale>
#include <QtCore/QRegularExpression>
#include <QtCore/QUuid>

#include <zlib.h>

namespace zvemu {

QByteArray toJson(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QJsonObject> parseObject(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

QJsonArray toArray(const QList<QJsonObject>& records) {
    QJsonArray array;
    for (const QJsonObject& record : records) {
        array.append(record);
    }
    return array;
}

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

bool isLowerCaseUuid(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return pattern.match(text).hasMatch();
}

QByteArray httpDate(const QDateTime& date) {
    return QLocale::c()
        .toString(date.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

QByteArray gzipCompress(const QByteArray& data) {
    // 15 window bits plus 16 asks zlib for a gzip header and trailer.
    constexpr int kGzipWindowBits = 15 + 16;
    constexpr int kMemLevel = 8;
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))),
                   Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return status == Z_STREAM_END ? out : QByteArray();
}

}  // namespace zvemu
