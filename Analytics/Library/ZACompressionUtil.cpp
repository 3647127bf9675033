#include "Analytics/Library/ZACompressionUtil.h"

#include "platform/foundation/SystemLog.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr int kChunkSize = 1024;
constexpr int kZlibWindowBits = 15;
constexpr int kGzipWindowBits = 31;
constexpr int kRawWindowBits = -15;
// Inflating: zlib or gzip header, whichever it is.
constexpr int kDetectHeaderWindowBits = 47;
constexpr int kMemoryLevel = 8;
constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 9;

int windowBitsFor(ZACompressionUtil::Mode mode) {
    switch (mode) {
        case ZACompressionUtil::Mode::Gzip:
            return kGzipWindowBits;
        case ZACompressionUtil::Mode::Raw:
            return kRawWindowBits;
        case ZACompressionUtil::Mode::Zlib:
            break;
    }
    return kZlibWindowBits;
}

// Runs `step` (one deflate or inflate call) in 1024-byte output chunks, appending what each
// produced, until the stream ends; answers the zlib result that stopped it.
template <class Step>
int pump(z_stream& stream, QByteArray& out, Step step) {
    char chunk[kChunkSize];
    int result = Z_OK;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = kChunkSize;
        result = step();
        if (result != Z_OK && result != Z_STREAM_END) {
            return result;
        }
        out.append(chunk, kChunkSize - static_cast<int>(stream.avail_out));
    } while (result != Z_STREAM_END);
    return result;
}

}  // namespace

int ZACompressionUtil::effectiveLevel(int level) {
    if (level == kDefaultLevel) {
        return level;
    }
    return std::clamp(level, kMinLevel, kMaxLevel);
}

std::optional<QByteArray> ZACompressionUtil::compress(const QByteArray& data, int level,
                                                      Mode mode) {
    if (data.isEmpty()) {
        return std::nullopt;
    }
    const int used = effectiveLevel(level);
    z_stream stream{};
    int result = deflateInit2(&stream, used, Z_DEFLATED, windowBitsFor(mode), kMemoryLevel,
                              Z_DEFAULT_STRATEGY);
    if (result != Z_OK) {
        platform::systemLogFormat(u"Failed to init for deflate w/ level %d, error %d", used,
                                  result);
        return std::nullopt;
    }
    QByteArray out;
    out.reserve(data.size() / 4);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    result = pump(stream, out, [&] { return ::deflate(&stream, Z_FINISH); });
    if (result != Z_STREAM_END) {
        platform::systemLogFormat(u"Error trying to deflate some of the payload, error %d", result);
        deflateEnd(&stream);
        return std::nullopt;
    }
    if (stream.avail_in != 0) {
        platform::systemLogFormat(u"finished deflate w/o using all input, %u bytes left",
                                  stream.avail_in);
    }
    deflateEnd(&stream);
    return out;
}

std::optional<QByteArray> ZACompressionUtil::inflate(const QByteArray& data, bool isRawData) {
    if (data.isEmpty()) {
        return std::nullopt;
    }
    z_stream stream{};
    int result = inflateInit2(&stream, isRawData ? kRawWindowBits : kDetectHeaderWindowBits);
    if (result != Z_OK) {
        platform::systemLogFormat(u"Failed to init for inflate, error %d", result);
        return std::nullopt;
    }
    QByteArray out;
    out.reserve(data.size() * 4);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    // Input that ends before the stream does stops with Z_BUF_ERROR.
    result = pump(stream, out, [&] { return ::inflate(&stream, Z_NO_FLUSH); });
    if (result != Z_STREAM_END) {
        platform::systemLogFormat(u"Error trying to inflate some of the payload, error %d: %s",
                                  result, stream.msg ? stream.msg : "");
        inflateEnd(&stream);
        return std::nullopt;
    }
    const uInt left = stream.avail_in;
    inflateEnd(&stream);
    if (left != 0) {
        platform::systemLogFormat(u"tfinished inflate w/o using all input, %u bytes left", left);
        return std::nullopt;
    }
    return out;
}
