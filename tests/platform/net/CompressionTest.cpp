#include "platform/net/Compression.h"

#include <gtest/gtest.h>

using platform::CompressionFormat;
using platform::deflate;
using platform::inflate;
using platform::Inflater;

namespace {

// Repetitive, and longer than any one buffer of the compressor.
QByteArray sampleText() {
    QByteArray text;
    for (int i = 0; i < 20000; ++i) {
        text += "record " + QByteArray::number(i % 97) + " of a batch\n";
    }
    return text;
}

const std::pair<CompressionFormat, const char*> kFormats[] = {{CompressionFormat::Raw, "raw"},
                                                              {CompressionFormat::Zlib, "zlib"},
                                                              {CompressionFormat::Gzip, "gzip"}};

}  // namespace

TEST(Compression, EachFormatRoundTripsAtEachLevel) {
    const QByteArray text = sampleText();
    for (const auto& [format, name] : kFormats) {
        for (const int level : {0, 1, platform::kDefaultCompressionLevel, 9}) {
            SCOPED_TRACE(testing::Message() << name << " level " << level);
            const QByteArray compressed = deflate(text, format, level);
            ASSERT_FALSE(compressed.isNull());
            if (level == 0) {
                EXPECT_GT(compressed.size(), text.size()) << "stored, not compressed";
            } else {
                EXPECT_LT(compressed.size(), text.size() / 10);
            }
            EXPECT_EQ(inflate(compressed, format), text);
        }
        SCOPED_TRACE(name);
        EXPECT_EQ(inflate(deflate("", format), format), QByteArray(""));
    }
    // The wrappings are what the formats' readers expect.
    EXPECT_TRUE(deflate(text, CompressionFormat::Gzip).startsWith("\x1f\x8b"));
    EXPECT_EQ(deflate(text, CompressionFormat::Zlib).at(0), '\x78');
}

TEST(Compression, InflateTakesOnlyWholeStreamsOfItsFormat) {
    const QByteArray zlib = deflate("payload", CompressionFormat::Zlib);
    const QByteArray gzip = deflate("payload", CompressionFormat::Gzip);
    struct Case {
        const char* name;
        QByteArray data;
        CompressionFormat format;
        std::optional<QByteArray> result;
    };
    const Case cases[] = {
        {"gzip members one after another", gzip + deflate(", more", CompressionFormat::Gzip),
         CompressionFormat::Gzip, QByteArray("payload, more")},
        {"cut short", zlib.left(zlib.size() - 1), CompressionFormat::Zlib, std::nullopt},
        {"data after the end", zlib + "x", CompressionFormat::Zlib, std::nullopt},
        {"another format", gzip, CompressionFormat::Zlib, std::nullopt},
        {"a zlib header read as raw", zlib, CompressionFormat::Raw, std::nullopt},
        {"not compressed", "payload", CompressionFormat::Gzip, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(inflate(c.data, c.format), c.result);
    }
    EXPECT_TRUE(deflate("payload", CompressionFormat::Zlib, 10).isNull());
}

TEST(Compression, AnInflaterTakesAStreamInAnyPiecesAndTellsItsHeader) {
    const QByteArray text = sampleText();
    for (const auto& [format, name] : kFormats) {
        if (format == CompressionFormat::Raw) {
            continue;
        }
        SCOPED_TRACE(name);
        const QByteArray compressed = deflate(text, format);
        Inflater inflater = Inflater::withZlibOrGzipHeader();
        QByteArray out;
        for (qsizetype i = 0; i < compressed.size(); i += 5) {
            ASSERT_TRUE(inflater.feed(QByteArrayView(compressed)
                                          .sliced(i)
                                          .first(std::min<qsizetype>(5, compressed.size() - i)),
                                      out));
            EXPECT_EQ(inflater.atEnd(), i + 5 >= compressed.size());
        }
        EXPECT_EQ(out, text);
        EXPECT_FALSE(inflater.failed());
    }
}
