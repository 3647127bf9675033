#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QUrl>
#include <QtGui/QImage>

#include <memory>
#include <optional>
#include <vector>

class QBuffer;
class QImageReader;

// An encoded image opened for reading its images one by one, with the properties a GIF states for
// each of them. GIF frames come out composed on the whole canvas, as they are shown.
//
// One thread at a time; any thread (it decodes into QImage only).
class ImageSource {
public:
    // What a GIF's graphic control block says of one image, in seconds.
    struct GifProperties {
        std::optional<double> unclampedDelayTime;
        std::optional<double> delayTime;
    };

    // Null when the data is not an image that can be decoded.
    static std::unique_ptr<ImageSource> createWithData(const QByteArray& data);
    // Local files only; null for any other URL or an unreadable file.
    static std::unique_ptr<ImageSource> createWithURL(const QUrl& url);

    ~ImageSource();
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;

    int count() const { return count_; }
    // Null past the end or when the image cannot be decoded. Reading forward is cheap; going back
    // decodes again from the first image.
    QImage imageAtIndex(int index);
    // None for an image without a graphic control block, and for every image of other formats.
    std::optional<GifProperties> gifPropertiesAtIndex(int index) const;

private:
    explicit ImageSource(QByteArray data);
    // Starts decoding again from the first image.
    void rewind();

    QByteArray data_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QImageReader> reader_;
    int nextIndex_ = 0;
    int count_ = 0;
    bool isGif_ = false;
    // Per image of a GIF: its delay in centiseconds when a control block precedes it.
    std::vector<std::optional<int>> gifDelays_;
};
