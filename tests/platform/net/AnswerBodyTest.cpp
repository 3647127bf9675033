#include "platform/net/ContentDecoder.h"
#include "platform/net/NetworkReplyMapping.h"

#include <gtest/gtest.h>

using platform::ContentDecoder;
using platform::UrlErrorCode;
using platform::UrlResponse;

TEST(AnswerBody, TellsABodyCutShortFromOneThatCannotBeInflated) {
    const QByteArray gzip =
        platform::deflate(QByteArray(5000, 'z') + "end", platform::CompressionFormat::Gzip);
    const QByteArray wholeLength = QByteArray::number(gzip.size());
    enum class Body { Plain, Gzip, GzipCut, NotGzip };
    struct Case {
        const char* name;
        QByteArray method;
        int status;
        QByteArray contentLength;  // null: none announced
        Body body;
        qint64 received;
        int errorCode;
    };
    const int kLost = static_cast<int>(UrlErrorCode::NetworkConnectionLost);
    const int kUndecodable = static_cast<int>(UrlErrorCode::CannotDecodeRawData);
    const Case cases[] = {
        {"whole", "POST", 200, "100", Body::Plain, 100, 0},
        {"short of its length", "POST", 500, "100", Body::Plain, 60, kLost},
        {"no length, plain: nothing tells", "GET", 200, {}, Body::Plain, 60, 0},
        {"whole gzip", "POST", 404, wholeLength, Body::Gzip, gzip.size(), 0},
        {"gzip short of its length", "POST", 430, wholeLength, Body::GzipCut, gzip.size() / 2,
         kLost},
        {"no length, gzip cut", "POST", 503, {}, Body::GzipCut, gzip.size() / 2, kLost},
        {"whole length, gzip unfinished", "POST", 200, QByteArray::number(gzip.size() / 2),
         Body::GzipCut, gzip.size() / 2, kUndecodable},
        {"not gzip at all", "POST", 200, {}, Body::NotGzip, 20, kUndecodable},
        {"HEAD announces what GET would send", "HEAD", 200, "100", Body::Plain, 0, 0},
        {"no content", "PUT", 204, "100", Body::Plain, 0, 0},
        {"not modified", "GET", 304, "100", Body::Plain, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::HttpHeaders headers;
        if (!c.contentLength.isNull()) {
            headers.append("Content-Length", c.contentLength);
        }
        const UrlResponse response(QUrl("http://127.0.0.1/x"), c.status, headers);
        std::optional<ContentDecoder> decoder;
        QByteArray out;
        switch (c.body) {
            case Body::Plain:
                break;
            case Body::Gzip:
                decoder.emplace(ContentDecoder::Encoding::Gzip);
                decoder->feed(gzip, out);
                break;
            case Body::GzipCut:
                decoder.emplace(ContentDecoder::Encoding::Gzip);
                decoder->feed(gzip.left(gzip.size() / 2), out);
                break;
            case Body::NotGzip:
                decoder.emplace(ContentDecoder::Encoding::Gzip);
                decoder->feed("{\"plain\": \"json\"}", out);
                break;
        }
        const auto error = platform::detail::bodyFailure(response, c.method, c.received,
                                                         decoder ? &*decoder : nullptr);
        EXPECT_EQ(error ? error->code() : 0, c.errorCode);
    }
}
