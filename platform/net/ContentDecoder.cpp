#include "platform/net/ContentDecoder.h"

namespace platform {

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
        // Either header under either name: servers mix them up.
        inflater_.emplace(Inflater::withZlibOrGzipHeader());
    }
}

bool ContentDecoder::feed(QByteArrayView data, QByteArray& out) {
    if (!inflater_) {
        out.append(data);
        return true;
    }
    if (data.isEmpty()) {
        return !inflater_->failed();
    }
    const bool first = !sawInput_;
    sawInput_ = true;
    const qsizetype before = out.size();
    if (inflater_->feed(data, out)) {
        return true;
    }
    // Some servers send "deflate" as a raw stream without the zlib header.
    if (first && encoding_ == Encoding::Deflate && out.size() == before) {
        inflater_.emplace(CompressionFormat::Raw);
        return inflater_->feed(data, out);
    }
    return false;
}

bool ContentDecoder::finish() const {
    if (!inflater_) {
        return true;
    }
    // An empty body under a compressed encoding is an empty body.
    return !inflater_->failed() && (inflater_->atEnd() || !sawInput_);
}

}  // namespace platform
