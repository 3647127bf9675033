#include "ZelvoKit/support/media/AnimatedImage.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kFrameDelayUnitsPerSecond = 100.0;
// A GIF cannot state a longer delay; other sources are held to it so the sums stay exact.
constexpr double kMaxDelaySeconds = 655.35;
// The remainder the common delay tolerates, as a share of the larger delay.
constexpr double kDelayTolerance = 0.1;

}  // namespace

int AnimatedImage::delayCentiseconds(const std::optional<ImageSource::GifProperties>& properties) {
    int delay = 1;
    if (!properties)
        return delay;
    std::optional<double> value = properties->unclampedDelayTime;
    if (!value || *value == 0)
        value = properties->delayTime;
    if (value && *value > 0)
        delay = int(std::lrint(std::min(*value, kMaxDelaySeconds) * kFrameDelayUnitsPerSecond));
    return delay;
}

int AnimatedImage::commonDelay(const std::vector<int>& delays) {
    if (delays.empty())
        return 0;
    int common = delays.front();
    for (std::size_t i = 1; i < delays.size(); ++i) {
        int a = std::max(common, delays[i]);
        int b = std::min(common, delays[i]);
        const int tolerance = int(a * kDelayTolerance);
        int divisor = 0;
        int remainder = 0;
        do {
            divisor = std::max(b, 1);
            remainder = a % divisor;
            a = b;
            b = remainder;
        } while (remainder > tolerance);
        common = divisor;
    }
    return common;
}

std::vector<int> AnimatedImage::frameRepeats(const std::vector<int>& delays, int usableImages) {
    const int usable = std::clamp(usableImages, 0, int(delays.size()));
    std::vector<int> repeats(usable, 0);
    const int common = commonDelay(delays);
    if (common <= 0)
        return repeats;
    const long long total = std::accumulate(delays.begin(), delays.end(), 0LL);
    long long slotsLeft = total / common;
    for (int i = 0; i < usable; ++i) {
        repeats[i] = int(std::min<long long>(delays[i] / common, slotsLeft));
        slotsLeft -= repeats[i];
    }
    return repeats;
}

std::optional<AnimatedImage> AnimatedImage::animatedImageWithAnimatedGIFData(
    const QByteArray& data) {
    const std::unique_ptr<ImageSource> source = ImageSource::createWithData(data);
    if (!source)
        return std::nullopt;
    return animatedImageWithImageSource(*source);
}

std::optional<AnimatedImage> AnimatedImage::animatedImageWithAnimatedGIFURL(const QUrl& url) {
    const std::unique_ptr<ImageSource> source = ImageSource::createWithURL(url);
    if (!source)
        return std::nullopt;
    return animatedImageWithImageSource(*source);
}

std::optional<AnimatedImage> AnimatedImage::animatedImageWithImageSource(ImageSource& source) {
    const int count = source.count();
    std::vector<int> delays(count);
    for (int i = 0; i < count; ++i)
        delays[i] = delayCentiseconds(source.gifPropertiesAtIndex(i));

    std::vector<QImage> images;
    const int wanted = std::min(count, kMaxImages);
    images.reserve(wanted);
    for (int i = 0; i < wanted; ++i) {
        QImage image = source.imageAtIndex(i);
        // A damaged image ends the animation with the images before it.
        if (image.isNull())
            break;
        images.push_back(std::move(image));
    }

    const std::vector<int> repeats = frameRepeats(delays, int(images.size()));
    AnimatedImage animated;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (repeats[i] == 0)
            continue;
        animated.runs_.push_back({std::move(images[i]), animated.frameCount_, repeats[i]});
        animated.frameCount_ += repeats[i];
    }
    if (animated.frameCount_ == 0)
        return std::nullopt;
    const long long total = std::accumulate(delays.begin(), delays.end(), 0LL);
    animated.duration_ = double(total) / kFrameDelayUnitsPerSecond;
    return animated;
}

QImage AnimatedImage::frameAt(int index) const {
    if (index < 0 || index >= frameCount_)
        return {};
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](int at, const Run& r) { return at < r.firstFrame; });
    return std::prev(run)->image;
}

QImage AnimatedImage::imageAtTime(double seconds) const {
    if (frameCount_ == 0)
        return {};
    if (duration_ <= 0 || !std::isfinite(seconds))
        return frameAt(0);
    double into = std::fmod(seconds, duration_);
    if (into < 0)
        into += duration_;
    const int index = int(into / duration_ * frameCount_);
    return frameAt(std::min(index, frameCount_ - 1));
}

QSizeF AnimatedImage::size() const {
    return runs_.empty() ? QSizeF() : runs_.front().image.deviceIndependentSize();
}
