#include "platform/net/ContentDecoder.h"

#include <gtest/gtest.h>

using platform::CompressionFormat;
using platform::ContentDecoder;
using platform::deflate;

namespace {

QByteArray answerText() {
    QByteArray text;
    for (int i = 0; i < 500; ++i) {
        text += "line " + QByteArray::number(i) + " of an answer that repeats itself\n";
    }
    return text;
}

QByteArray gzip(const QByteArray& data) {
    return deflate(data, CompressionFormat::Gzip);
}

// Feeds the body in small pieces, as a slow network delivers it.
std::optional<QByteArray> decodeInPieces(ContentDecoder& decoder, const QByteArray& body) {
    constexpr qsizetype kPiece = 7;
    QByteArray out;
    for (qsizetype i = 0; i < body.size(); i += kPiece) {
        if (!decoder.feed(QByteArrayView(body).sliced(i, std::min(kPiece, body.size() - i)), out)) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

TEST(ContentDecoder, InflatesWhatTheContentEncodingNames) {
    const QByteArray text = answerText();
    struct Case {
        const char* encoding;
        QByteArray body;
    };
    const Case cases[] = {
        {"gzip", gzip(text)},
        {" X-GZIP ", gzip(text)},
        {"deflate", deflate(text, CompressionFormat::Zlib)},  // with the zlib header
        {"deflate", deflate(text, CompressionFormat::Raw)},   // raw, as some servers send it
        {"", text},
        {"identity", text},
        {"br", text},  // never asked for: passed on as it came
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        ContentDecoder decoder(ContentDecoder::encodingFor(c.encoding));
        EXPECT_EQ(decodeInPieces(decoder, c.body), text);
        EXPECT_TRUE(decoder.finish());
    }
}

TEST(ContentDecoder, ABodyComesOutWholeWhereverItsEndFallsInTheOutput) {
    // Long runs inflate from a few bytes, so the last of the input can leave output waiting.
    for (const qsizetype boundary : {16 * 1024, 64 * 1024}) {
        for (qsizetype size = boundary - 8; size <= boundary + 8; ++size) {
            const QByteArray text(size, 'a');
            for (const auto& [encoding, body] :
                 {std::pair{"deflate", deflate(text, CompressionFormat::Raw)},
                  std::pair{"deflate", deflate(text, CompressionFormat::Zlib)},
                  std::pair{"gzip", gzip(text)}}) {
                SCOPED_TRACE(testing::Message() << encoding << " " << body.size() << " " << size);
                ContentDecoder decoder(ContentDecoder::encodingFor(encoding));
                QByteArray out;
                EXPECT_TRUE(decoder.feed(body, out));
                EXPECT_EQ(out.size(), size);
                EXPECT_TRUE(decoder.finish());
            }
        }
    }
}

TEST(ContentDecoder, GzipMembersOneAfterAnotherFormOneBody) {
    ContentDecoder decoder(ContentDecoder::Encoding::Gzip);
    const QByteArray body = gzip("first half, ") + gzip("second half");
    EXPECT_EQ(decodeInPieces(decoder, body), QByteArray("first half, second half"));
    EXPECT_TRUE(decoder.finish());
}

TEST(ContentDecoder, RejectsCorruptAndCutShortStreams) {
    const QByteArray compressed = gzip(answerText());

    ContentDecoder cut(ContentDecoder::Encoding::Gzip);
    EXPECT_TRUE(decodeInPieces(cut, compressed.left(compressed.size() / 2)));
    EXPECT_FALSE(cut.finish());

    ContentDecoder corrupt(ContentDecoder::Encoding::Gzip);
    EXPECT_FALSE(decodeInPieces(corrupt, "{\"plain\": \"json\"}"));
    QByteArray out;
    EXPECT_FALSE(corrupt.feed(compressed, out)) << "stays failed";
    EXPECT_FALSE(corrupt.finish());

    ContentDecoder empty(ContentDecoder::Encoding::Gzip);
    EXPECT_TRUE(empty.finish()) << "an empty body is an empty body";
}
