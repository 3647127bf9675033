#include "ZelvoKit/support/media/ImageSource.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtGui/QImageReader>

namespace {

constexpr int kGifHeaderSize = 6;
constexpr int kGifScreenDescriptorSize = 7;
constexpr int kGifImageDescriptorSize = 9;
constexpr uchar kGifExtension = 0x21;
constexpr uchar kGifImage = 0x2c;
constexpr uchar kGifTrailer = 0x3b;
constexpr uchar kGifGraphicControl = 0xf9;
constexpr uchar kGifHasColourTable = 0x80;
constexpr double kCentisecondsPerSecond = 100.0;

bool isGif(const QByteArray& data) {
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}

// Walks the blocks of a GIF and lists, for every complete image, the delay of the control block
// before it. Stops quietly at the first malformed or truncated block.
class GifBlockWalker {
public:
    explicit GifBlockWalker(const QByteArray& data) : data_(data) {}

    std::vector<std::optional<int>> delays() {
        std::vector<std::optional<int>> result;
        pos_ = kGifHeaderSize;
        if (!has(kGifScreenDescriptorSize))
            return result;
        const uchar screenFlags = byteAt(pos_ + 4);
        pos_ += kGifScreenDescriptorSize;
        if (!skipColourTable(screenFlags))
            return result;

        std::optional<int> pendingDelay;
        while (has(1)) {
            const uchar introducer = byteAt(pos_++);
            if (introducer == kGifExtension) {
                if (!has(1))
                    break;
                const uchar label = byteAt(pos_++);
                if (label == kGifGraphicControl && has(5) && byteAt(pos_) >= 4)
                    pendingDelay = byteAt(pos_ + 2) | (byteAt(pos_ + 3) << 8);
                if (!skipSubBlocks())
                    break;
            } else if (introducer == kGifImage) {
                if (!has(kGifImageDescriptorSize))
                    break;
                const uchar imageFlags = byteAt(pos_ + 8);
                pos_ += kGifImageDescriptorSize;
                // The colour table, then the code size byte before the data.
                if (!skipColourTable(imageFlags) || !has(1))
                    break;
                ++pos_;
                if (!skipSubBlocks())
                    break;
                result.push_back(pendingDelay);
                pendingDelay.reset();
            } else {
                // The trailer, or something that is not GIF.
                break;
            }
        }
        return result;
    }

private:
    bool has(qsizetype bytes) const { return pos_ + bytes <= data_.size(); }
    uchar byteAt(qsizetype at) const { return uchar(data_[at]); }

    bool skipColourTable(uchar flags) {
        if (flags & kGifHasColourTable)
            pos_ += 3 * (qsizetype(1) << ((flags & 0x07) + 1));
        return pos_ <= data_.size();
    }

    bool skipSubBlocks() {
        while (has(1)) {
            const int length = byteAt(pos_++);
            if (length == 0)
                return true;
            pos_ += length;
        }
        return false;
    }

    const QByteArray& data_;
    qsizetype pos_ = 0;
};

}  // namespace

ImageSource::ImageSource(QByteArray data) : data_(std::move(data)) {}

ImageSource::~ImageSource() = default;

std::unique_ptr<ImageSource> ImageSource::createWithData(const QByteArray& data) {
    std::unique_ptr<ImageSource> source(new ImageSource(data));
    source->rewind();
    if (!source->reader_->canRead())
        return nullptr;
    source->isGif_ = isGif(source->data_);
    if (source->isGif_) {
        source->gifDelays_ = GifBlockWalker(source->data_).delays();
        source->count_ = int(source->gifDelays_.size());
    } else {
        source->count_ = std::max(source->reader_->imageCount(), 1);
    }
    if (source->count_ == 0)
        return nullptr;
    return source;
}

std::unique_ptr<ImageSource> ImageSource::createWithURL(const QUrl& url) {
    if (!url.isLocalFile())
        return nullptr;
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return createWithData(file.readAll());
}

void ImageSource::rewind() {
    // The reader goes before the buffer it reads from.
    reader_.reset();
    buffer_ = std::make_unique<QBuffer>(&data_);
    buffer_->open(QIODevice::ReadOnly);
    reader_ = std::make_unique<QImageReader>(buffer_.get());
    reader_->setAutoTransform(false);
    nextIndex_ = 0;
}

QImage ImageSource::imageAtIndex(int index) {
    if (index < 0 || index >= count_)
        return {};
    if (index < nextIndex_)
        rewind();
    QImage image;
    while (nextIndex_ <= index) {
        image = reader_->read();
        ++nextIndex_;
        if (image.isNull()) {
            // The reader cannot go on past a frame it failed on.
            nextIndex_ = count_;
            return {};
        }
    }
    return image;
}

std::optional<ImageSource::GifProperties> ImageSource::gifPropertiesAtIndex(int index) const {
    if (!isGif_ || index < 0 || index >= count_ || !gifDelays_[index])
        return std::nullopt;
    const double seconds = *gifDelays_[index] / kCentisecondsPerSecond;
    return GifProperties{seconds, seconds};
}
