#pragma once

#include "platform/net/Compression.h"

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>

#include <optional>

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
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    Encoding encoding() const { return encoding_; }
    // Appends what `data` inflates to. False when the data is not a valid compressed stream; the
    // decoder then stays failed.
    bool feed(QByteArrayView data, QByteArray& out);
    // Whether the body ended where its compressed stream ends (a cut-off stream does not).
    bool finish() const;
    // Whether data that is not a valid compressed stream was fed.
    bool failed() const { return inflater_ && inflater_->failed(); }

private:
    Encoding encoding_;
    // None for a body that is not compressed.
    std::optional<Inflater> inflater_;
    bool sawInput_ = false;
};

}  // namespace platform
