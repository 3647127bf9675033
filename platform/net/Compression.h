#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>

#include <memory>
#include <optional>

namespace platform {

// The wrappings a deflate stream comes in.
enum class CompressionFormat {
    // The bare deflate data.
    Raw,
    // With a zlib header and checksum.
    Zlib,
    // As gzip members.
    Gzip,
};

// zlib's own balance of size and speed.
inline constexpr int kDefaultCompressionLevel = -1;
inline constexpr int kBestCompressionLevel = 9;

// `data` compressed at `level` (0, stored, to 9, smallest, or the default); a null array for any
// other level.
QByteArray deflate(QByteArrayView data, CompressionFormat format,
                   int level = kDefaultCompressionLevel);
// `data` inflated; none unless it is one whole stream of the format (for gzip, one or more whole
// members).
std::optional<QByteArray> inflate(QByteArrayView data, CompressionFormat format);

// Inflates a stream that arrives in pieces.
class Inflater {
public:
    explicit Inflater(CompressionFormat format);
    // A stream that begins with a zlib or a gzip header, whichever it is; like gzip members,
    // further streams may follow it.
    static Inflater withZlibOrGzipHeader();

    ~Inflater();
    Inflater(Inflater&&) noexcept;
    Inflater& operator=(Inflater&&) noexcept;

    // Appends what `data` inflates to. False once the input is not a valid stream or goes on past
    // its end; the inflater then stays failed.
    bool feed(QByteArrayView data, QByteArray& out);
    // Whether the stream (for gzip, its last member so far) has ended.
    bool atEnd() const;
    bool failed() const;

private:
    Inflater(int windowBits, bool streamsMayFollow);

    // zlib's state points back at it, so it stays in one place while the inflater moves.
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

}  // namespace platform
