#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>

#include <memory>

namespace platform {

// Inflates an answer body as it arrives, according to its Content-Encoding. We ask for gzip
// ourselves, which stops the transport from inflating, so every body passes through here; an
// answer that is not compressed passes through unchanged.
class ContentDecoder {
public:
    enum class Encoding { Identity, Gzip, Deflate };

    // "gzip" and "x-gzip", "deflate"; anything else (none, "identity", one we never asked for) is
    // passed through as it is.
    static Encoding encodingFor(QByteArrayView contentEncoding);

    explicit ContentDecoder(Encoding encoding);
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    Encoding encoding() const { return encoding_; }
    // Appends what `data` inflates to. False when the data is not a valid compressed stream; the
    // decoder then stays failed.
    bool feed(QByteArrayView data, QByteArray& out);
    // Whether the body ended where its compressed stream ends (a cut-off stream does not).
    bool finish() const;
    // Whether data that is not a valid compressed stream was fed.
    bool failed() const { return failed_; }

private:
    bool inflateChunk(QByteArrayView data, QByteArray& out);

    struct Stream;
    Encoding encoding_;
    std::unique_ptr<Stream> stream_;
    bool failed_ = false;
    bool ended_ = false;
    bool sawInput_ = false;
};

}  // namespace platform
