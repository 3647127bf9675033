#include "ZelvoKit/support/media/AnimatedImage.h"

#include "tests/ZelvoKit/support/GifEncoder.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>

#include <gtest/gtest.h>

using zvtest::GifEncoder;
using GifProperties = ImageSource::GifProperties;

namespace {

const std::vector<QColor> kColours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};

// Which of the source's images each frame shows, told apart by their colours.
std::vector<int> frameImages(const AnimatedImage& image) {
    std::vector<int> indices;
    for (int i = 0; i < image.frameCount(); ++i) {
        const QRgb pixel = image.frameAt(i).pixel(0, 0);
        int found = -1;
        for (std::size_t c = 0; c < kColours.size(); ++c)
            if (QColor(pixel) == kColours[c])
                found = int(c);
        indices.push_back(found);
    }
    return indices;
}

std::optional<AnimatedImage> fromDelays(const std::vector<std::optional<int>>& delays) {
    const std::vector<QColor> colours(kColours.begin(), kColours.begin() + delays.size());
    return AnimatedImage::animatedImageWithAnimatedGIFData(
        GifEncoder::encodeSolid(colours, delays));
}

TEST(AnimatedImageTest, FramesRepeatByDelayOverTheTotalDuration) {
    struct Case {
        std::vector<std::optional<int>> delays;
        std::vector<int> frames;
        double duration;
    };
    const Case cases[] = {
        {{10, 10, 10}, {0, 1, 2}, 0.3},
        {{10, 20}, {0, 1, 1}, 0.3},
        // 11 is within a tenth of 10, so both share 10 and the duration keeps the extra 0.01 s.
        {{10, 11}, {0, 1}, 0.21},
        {{20, 30}, {0, 0, 1, 1, 1}, 0.5},
        // Without a control block, or with a delay of 0, an image counts 1 centisecond.
        {{std::nullopt, 3}, {0, 1, 1, 1}, 0.04},
        {{0, 0}, {0, 1}, 0.02},
        {{5}, {0}, 0.05},
    };
    for (const Case& c : cases) {
        const std::optional<AnimatedImage> image = fromDelays(c.delays);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(frameImages(*image), c.frames);
        EXPECT_DOUBLE_EQ(image->duration(), c.duration);
        EXPECT_EQ(image->size(), QSizeF(4, 4));
    }
}

TEST(AnimatedImageTest, PlaysInALoopOverEqualFrames) {
    const std::optional<AnimatedImage> image = fromDelays({10, 20});
    ASSERT_TRUE(image.has_value());

    const std::pair<double, QColor> cases[] = {
        {0, Qt::red},      {0.09, Qt::red}, {0.11, Qt::green},
        {0.29, Qt::green}, {0.31, Qt::red}, {-0.05, Qt::green},
    };
    for (const auto& [seconds, colour] : cases)
        EXPECT_EQ(QColor(image->imageAtTime(seconds).pixel(0, 0)), colour) << seconds;
}

TEST(AnimatedImageTest, DelayOfOneImage) {
    struct Case {
        std::optional<GifProperties> properties;
        int expected;
    };
    const Case cases[] = {
        {std::nullopt, 1},
        {GifProperties{0.1, 0.2}, 10},
        // The unclamped delay wins unless it is missing or 0.
        {GifProperties{0, 0.05}, 5},
        {GifProperties{std::nullopt, 0.05}, 5},
        {GifProperties{0, 0}, 1},
        {GifProperties{std::nullopt, std::nullopt}, 1},
        {GifProperties{-1, 0.5}, 1},
        {GifProperties{0.126, 0.1}, 13},
        // Positive but below half a centisecond.
        {GifProperties{0.004, 0.004}, 0},
        // Held to the longest delay a GIF can state.
        {GifProperties{1e12, 1e12}, 65535},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnimatedImage::delayCentiseconds(c.properties), c.expected)
            << (c.properties && c.properties->unclampedDelayTime ? *c.properties->unclampedDelayTime
                                                                 : -99);
}

TEST(AnimatedImageTest, CommonDelayToleratesATenthOfTheLargerDelay) {
    struct Case {
        std::vector<int> delays;
        int expected;
    };
    const Case cases[] = {
        {{}, 0},
        {{0}, 0},
        {{7}, 7},
        {{10, 10, 10}, 10},
        {{10, 20}, 10},
        {{10, 11}, 10},
        // Below 10 centiseconds the search is exact.
        {{6, 9}, 3},
        {{3, 7, 5}, 1},
        {{150, 100}, 50},
        {{100, 105}, 100},
        {{0, 5}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnimatedImage::commonDelay(c.delays), c.expected)
            << testing::PrintToString(c.delays);
}

TEST(AnimatedImageTest, NoDelayToDivideByGivesNoFrames) {
    EXPECT_EQ(AnimatedImage::frameRepeats({0}, 1), std::vector<int>{0});
    EXPECT_EQ(AnimatedImage::frameRepeats({}, 0), std::vector<int>{});
    // The usable images are fewer than the delays, which all count.
    EXPECT_EQ(AnimatedImage::frameRepeats({10, 20, 30}, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(AnimatedImage::frameRepeats({10, 20}, 5), (std::vector<int>{1, 2}));
}

TEST(AnimatedImageTest, OnlyTheFirstImagesBecomeFramesButAllDelaysCount) {
    const int images = AnimatedImage::kMaxImages + 6;
    std::vector<GifEncoder::Frame> frames;
    QImage pixel(1, 1, QImage::Format_ARGB32);
    pixel.fill(Qt::red);
    for (int i = 0; i < images; ++i)
        frames.push_back({pixel, 10});

    const std::optional<AnimatedImage> image =
        AnimatedImage::animatedImageWithAnimatedGIFData(GifEncoder::encode(frames));

    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->frameCount(), AnimatedImage::kMaxImages);
    EXPECT_DOUBLE_EQ(image->duration(), images * 0.1);
}

TEST(AnimatedImageTest, InputWithoutFramesGivesNone) {
    const QByteArray gif = GifEncoder::encodeSolid({Qt::red, Qt::green}, {10, 10});
    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("not an image at all"),
        GifEncoder::encode({}),
        gif.left(20),
    };
    for (const QByteArray& input : inputs)
        EXPECT_FALSE(AnimatedImage::animatedImageWithAnimatedGIFData(input).has_value())
            << input.size();
}

TEST(AnimatedImageTest, TruncatedGifKeepsItsCompleteImages) {
    const QByteArray gif = GifEncoder::encodeSolid({Qt::red, Qt::green, Qt::blue}, {10, 10, 10});
    // Cut inside the last image's data.
    const std::optional<AnimatedImage> image =
        AnimatedImage::animatedImageWithAnimatedGIFData(gif.left(gif.size() - 6));

    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(frameImages(*image), (std::vector<int>{0, 1}));
    EXPECT_DOUBLE_EQ(image->duration(), 0.2);
}

TEST(AnimatedImageTest, StillImageIsOneShortFrame) {
    QImage still(6, 3, QImage::Format_RGB32);
    still.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(still.save(&buffer, "PNG"));

    const std::optional<AnimatedImage> image = AnimatedImage::animatedImageWithAnimatedGIFData(png);

    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->frameCount(), 1);
    EXPECT_EQ(image->size(), QSizeF(6, 3));
    EXPECT_DOUBLE_EQ(image->duration(), 0.01);
}

TEST(AnimatedImageTest, ReadsLocalFilesOnly) {
    const QString path = zvtest::makeTempDir() + QStringLiteral("/spinner.gif");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GifEncoder::encodeSolid({Qt::red, Qt::green}, {10, 20}));
    file.close();

    const std::optional<AnimatedImage> image =
        AnimatedImage::animatedImageWithAnimatedGIFURL(QUrl::fromLocalFile(path));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(frameImages(*image), (std::vector<int>{0, 1, 1}));

    EXPECT_FALSE(AnimatedImage::animatedImageWithAnimatedGIFURL(
                     QUrl::fromLocalFile(path + QStringLiteral(".missing")))
                     .has_value());
    EXPECT_FALSE(AnimatedImage::animatedImageWithAnimatedGIFURL(
                     QUrl(QStringLiteral("https://example.com/spinner.gif")))
                     .has_value());
}

}  // namespace
