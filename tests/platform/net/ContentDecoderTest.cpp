#include "platform/net/ContentDecoder.h"
#include "tests/emulator/EmulatorJson.h"

#include <gtest/gtest.h>

#include <zlib.h>

using platform::ContentDecoder;

namespace {

QByteArray sampleText() {
    QByteArray text;
    for (int i = 0; i < 500; ++i) {
        text += "line " + QByteArray::number(i) + " of an answer that repeats itself\n";
    }
    return text;
}

QByteArray deflate(const QByteArray& data, int windowBits) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))),
                   Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
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
    const QByteArray text = sampleText();
    struct Case {
        const char* encoding;
        QByteArray body;
    };
    const Case cases[] = {
        {"gzip", zvemu::gzipCompress(text)},
        {" X-GZIP ", zvemu::gzipCompress(text)},
        {"deflate", deflate(text, 15)},   // with the zlib header
        {"deflate", deflate(text, -15)},  // raw, as some servers send it
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
                 {std::pair{"deflate", deflate(text, -15)}, std::pair{"deflate", deflate(text, 15)},
                  std::pair{"gzip", zvemu::gzipCompress(text)}}) {
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
    const QByteArray body =
        zvemu::gzipCompress("first half, ") + zvemu::gzipCompress("second half");
    EXPECT_EQ(decodeInPieces(decoder, body), QByteArray("first half, second half"));
    EXPECT_TRUE(decoder.finish());
}

TEST(ContentDecoder, RejectsCorruptAndCutShortStreams) {
    const QByteArray gzip = zvemu::gzipCompress(sampleText());

    ContentDecoder cut(ContentDecoder::Encoding::Gzip);
    EXPECT_TRUE(decodeInPieces(cut, gzip.left(gzip.size() / 2)));
    EXPECT_FALSE(cut.finish());

    ContentDecoder corrupt(ContentDecoder::Encoding::Gzip);
    EXPECT_FALSE(decodeInPieces(corrupt, "{\"plain\": \"json\"}"));
    QByteArray out;
    EXPECT_FALSE(corrupt.feed(gzip, out)) << "stays failed";
    EXPECT_FALSE(corrupt.finish());

    ContentDecoder empty(ContentDecoder::Encoding::Gzip);
    EXPECT_TRUE(empty.finish()) << "an empty body is an empty body";
}
