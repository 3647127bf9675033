#include "platform/net/ContentDecoder.h"

#include <zlib.h>

namespace platform {

namespace {
// zlib's window bits: 15 with 32 added detects a gzip or a zlib header by itself.
constexpr int kAutoHeaderWindowBits = 15 + 32;
// Some servers send "deflate" as a raw stream without the zlib header.
constexpr int kRawDeflateWindowBits = -15;
constexpr qsizetype kChunkSize = 16 * 1024;
}  // namespace

struct ContentDecoder::Stream {
    z_stream z{};
    bool open = false;

    bool init(int windowBits) {
        close();
        z = z_stream{};
        open = inflateInit2(&z, windowBits) == Z_OK;
        return open;
    }
    void close() {
        if (open) {
            inflateEnd(&z);
            open = false;
        }
    }
    ~Stream() { close(); }
};

ContentDecoder::Encoding ContentDecoder::encodingFor(QByteArrayView contentEncoding) {
    const QByteArray name = contentEncoding.trimmed().toByteArray().toLower();
    if (name == "gzip" || name == "x-gzip") {
        return Encoding::Gzip;
    }
    if (name == "deflate") {
        return Encoding::Deflate;
    }
    return Encoding::Identity;
}

ContentDecoder::ContentDecoder(Encoding encoding) : encoding_(encoding) {
    if (encoding_ != Encoding::Identity) {
        stream_ = std::make_unique<Stream>();
        failed_ = !stream_->init(kAutoHeaderWindowBits);
    }
}

ContentDecoder::~ContentDecoder() = default;

bool ContentDecoder::feed(QByteArrayView data, QByteArray& out) {
    if (failed_) {
        return false;
    }
    if (encoding_ == Encoding::Identity) {
        out.append(data);
        return true;
    }
    if (data.isEmpty()) {
        return true;
    }
    const bool first = !sawInput_;
    sawInput_ = true;
    const qsizetype before = out.size();
    if (inflateChunk(data, out)) {
        return true;
    }
    if (first && encoding_ == Encoding::Deflate && out.size() == before &&
        stream_->init(kRawDeflateWindowBits)) {
        failed_ = false;
        ended_ = false;
        if (inflateChunk(data, out)) {
            return true;
        }
    }
    failed_ = true;
    return false;
}

bool ContentDecoder::inflateChunk(QByteArrayView data, QByteArray& out) {
    z_stream& z = stream_->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    // zlib may hold output back once it has taken the last input: go on while the buffer fills.
    bool outputFull = false;
    while (z.avail_in > 0 || outputFull) {
        if (ended_) {
            if (z.avail_in == 0) {
                break;
            }
            // A gzip body may hold several members one after another.
            if (encoding_ != Encoding::Gzip || inflateReset(&z) != Z_OK) {
                return false;
            }
            ended_ = false;
        }
        const qsizetype offset = out.size();
        out.resize(offset + kChunkSize);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + offset);
        z.avail_out = static_cast<uInt>(kChunkSize);
        const int status = inflate(&z, Z_NO_FLUSH);
        outputFull = z.avail_out == 0;
        out.resize(offset + (kChunkSize - static_cast<qsizetype>(z.avail_out)));
        if (status == Z_STREAM_END) {
            ended_ = true;
        } else if (status == Z_BUF_ERROR && z.avail_in == 0) {
            // Nothing was held back after all.
            break;
        } else if (status != Z_OK) {
            // Z_BUF_ERROR with input left means no progress: the input cannot be inflated.
            return false;
        }
    }
    return true;
}

bool ContentDecoder::finish() const {
    if (encoding_ == Encoding::Identity) {
        return true;
    }
    // An empty body under a compressed encoding is an empty body.
    return !failed_ && (ended_ || !sawInput_);
}

}  // namespace platform
