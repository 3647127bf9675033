#pragma once

#include "ZelvoKit/support/media/ImageSource.h"

#include <QtCore/QByteArray>
#include <QtCore/QSizeF>
#include <QtCore/QUrl>
#include <QtGui/QImage>

#include <optional>
#include <vector>

// An image played as a sequence of equally long frames over a duration, built from an animated
// GIF. A GIF image shown longer than others fills several consecutive frames; each image is kept
// once with the number of frames it fills, so a GIF mixing very long and very short delays costs
// no more memory than its images.
class AnimatedImage {
public:
    // Only this many images of a source become frames; the delays of all of them count.
    static constexpr int kMaxImages = 1024;

    // None when the data is not an image or yields no frame.
    static std::optional<AnimatedImage> animatedImageWithAnimatedGIFData(const QByteArray& data);
    // A local file; none as above, and for a file that cannot be read.
    static std::optional<AnimatedImage> animatedImageWithAnimatedGIFURL(const QUrl& url);
    static std::optional<AnimatedImage> animatedImageWithImageSource(ImageSource& source);

    // --- the arithmetic of the builder, in centiseconds ---

    // The delay of one image: 1 without GIF properties; else the unclamped delay, or the delay
    // when that is missing or 0, rounded to centiseconds when it is above 0.
    static int delayCentiseconds(const std::optional<ImageSource::GifProperties>& properties);
    // A greatest common divisor that tolerates a remainder of up to a tenth of the larger delay,
    // so that delays of 10 and 11 share 10. 0 for no delays or a single delay of 0.
    static int commonDelay(const std::vector<int>& delays);
    // How many frames each of the first `usableImages` images fills: its delay divided by the
    // common delay; all 0 when the common delay is 0.
    static std::vector<int> frameRepeats(const std::vector<int>& delays, int usableImages);

    // --- the animation ---

    int frameCount() const { return frameCount_; }
    // Null outside 0 ..< frameCount().
    QImage frameAt(int index) const;
    double duration() const { return duration_; }
    // The frame shown `seconds` after the animation started, playing in a loop.
    QImage imageAtTime(double seconds) const;
    // The point size of the frames.
    QSizeF size() const;

private:
    struct Run {
        QImage image;
        int firstFrame = 0;
        int count = 0;
    };

    AnimatedImage() = default;

    std::vector<Run> runs_;
    int frameCount_ = 0;
    double duration_ = 0;
};
