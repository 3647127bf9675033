#include "platform/net/Compression.h"

#include <zlib.h>

#include <algorithm>

namespace platform {

namespace {

constexpr int kMaxWindowBits = 15;
// Added to the window bits: zlib writes and reads a gzip wrapping, or tells gzip from zlib itself.
constexpr int kGzipWrapping = 16;
constexpr int kEitherWrapping = 32;
constexpr int kMemoryLevel = 8;
constexpr qsizetype kOutputChunk = 64 * 1024;
// zlib counts its input in 32 bits.
constexpr qsizetype kMaxInputPiece = qsizetype{1} << 30;

int windowBits(CompressionFormat format) {
    switch (format) {
        case CompressionFormat::Raw:
            return -kMaxWindowBits;
        case CompressionFormat::Zlib:
            return kMaxWindowBits;
        case CompressionFormat::Gzip:
            return kMaxWindowBits + kGzipWrapping;
    }
    return kMaxWindowBits;
}

// Room for the next output at the end of `out`; returns where it starts.
qsizetype growOutput(z_stream& z, QByteArray& out) {
    const qsizetype offset = out.size();
    out.resize(offset + kOutputChunk);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + offset);
    z.avail_out = static_cast<uInt>(kOutputChunk);
    return offset;
}

void trimOutput(const z_stream& z, QByteArray& out, qsizetype offset) {
    out.resize(offset + kOutputChunk - static_cast<qsizetype>(z.avail_out));
}

// Hands zlib the next piece of `data` once it has taken the last one.
void supplyInput(z_stream& z, QByteArrayView& data) {
    if (z.avail_in > 0 || data.isEmpty()) {
        return;
    }
    const QByteArrayView piece = data.first(std::min(data.size(), kMaxInputPiece));
    data = data.sliced(piece.size());
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
}

}  // namespace

QByteArray deflate(QByteArrayView data, CompressionFormat format, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, windowBits(format), kMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK) {
        supplyInput(z, data);
        const qsizetype offset = growOutput(z, out);
        status = ::deflate(&z, data.isEmpty() ? Z_FINISH : Z_NO_FLUSH);
        trimOutput(z, out, offset);
    }
    deflateEnd(&z);
    return status == Z_STREAM_END ? out : QByteArray();
}

std::optional<QByteArray> inflate(QByteArrayView data, CompressionFormat format) {
    Inflater inflater(format);
    QByteArray out;
    if (!inflater.feed(data, out) || !inflater.atEnd()) {
        return std::nullopt;
    }
    return out;
}

struct Inflater::Stream {
    z_stream z{};
    bool open = false;
    bool streamsMayFollow = false;
    bool ended = false;
    bool failed = false;

    ~Stream() {
        if (open) {
            inflateEnd(&z);
        }
    }

    // Inflates what zlib holds of the input; false when it is not a valid stream.
    bool run(QByteArray& out) {
        // zlib may hold output back once it has taken the last input: go on while it fills all.
        bool outputFull = false;
        while (z.avail_in > 0 || outputFull) {
            if (ended) {
                if (z.avail_in == 0) {
                    return true;
                }
                if (!streamsMayFollow || inflateReset(&z) != Z_OK) {
                    return false;
                }
                ended = false;
            }
            const qsizetype offset = growOutput(z, out);
            const int status = ::inflate(&z, Z_NO_FLUSH);
            outputFull = z.avail_out == 0;
            trimOutput(z, out, offset);
            if (status == Z_STREAM_END) {
                ended = true;
            } else if (status == Z_BUF_ERROR && z.avail_in == 0) {
                // Nothing was held back after all.
                return true;
            } else if (status != Z_OK) {
                // Z_BUF_ERROR with input left means no progress: the input cannot be inflated.
                return false;
            }
        }
        return true;
    }
};

Inflater::Inflater(int windowBits, bool streamsMayFollow) : stream_(std::make_unique<Stream>()) {
    stream_->open = inflateInit2(&stream_->z, windowBits) == Z_OK;
    stream_->failed = !stream_->open;
    stream_->streamsMayFollow = streamsMayFollow;
}

Inflater::Inflater(CompressionFormat format)
    : Inflater(windowBits(format), format == CompressionFormat::Gzip) {}

Inflater Inflater::withZlibOrGzipHeader() {
    return Inflater(kMaxWindowBits + kEitherWrapping, true);
}

Inflater::~Inflater() = default;
Inflater::Inflater(Inflater&&) noexcept = default;
Inflater& Inflater::operator=(Inflater&&) noexcept = default;

bool Inflater::feed(QByteArrayView data, QByteArray& out) {
    Stream& stream = *stream_;
    while (!stream.failed && !data.isEmpty()) {
        supplyInput(stream.z, data);
        stream.failed = !stream.run(out);
    }
    return !stream.failed;
}

bool Inflater::atEnd() const {
    return stream_->ended;
}

bool Inflater::failed() const {
    return stream_->failed;
}

}  // namespace platform
