#include "ZelvoKit/support/media/ImageUtils.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>
#include <QtGui/QImageReader>
#include <QtGui/QPainter>

#include <gtest/gtest.h>

namespace {

// Three vertical bands: red, then green over the middle 110 of 200 pixels, then blue.
QImage bandedImage() {
    QImage image(200, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 45, 100, Qt::red);
    painter.fillRect(45, 0, 110, 100, Qt::green);
    painter.fillRect(155, 0, 45, 100, Qt::blue);
    return image;
}

QImage solid(int width, int height, QColor colour, qreal scale = 1) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    image.setDevicePixelRatio(scale);
    return image;
}

bool near(QRgb pixel, QColor expected, int tolerance = 8) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

QImage decode(const QByteArray& bytes, bool autoTransform,
              QImageIOHandler::Transformations* transformation = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(autoTransform);
    QImage image = reader.read();
    if (transformation)
        *transformation = reader.transformation();
    return image;
}

TEST(ResizeImageToSizeTest, FillingABoxCropsTheOverflowEquallyWithoutWhiteBars) {
    const QImage result = ResizeImageToSize(bandedImage(), 50, 50);

    ASSERT_EQ(result.size(), QSize(50, 50));
    // Scaled to 100 x 50 and centred, the box shows source columns 50 to 150: all green.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_TRUE(near(result.pixel(x, y), Qt::green, 30)) << x << "," << y;
}

TEST(ResizeImageToSizeTest, CanvasFollowsTheGivenSidesAndTheImageScale) {
    struct Case {
        QSize sourcePixels;
        qreal scale;
        float width;
        float height;
        QSize expectedPixels;
    };
    const Case cases[] = {
        {{200, 100}, 1, 50, 0, {50, 25}},
        {{200, 100}, 1, 0, 50, {100, 50}},
        {{200, 100}, 1, 0, 0, {200, 100}},
        {{200, 100}, 1, 80, 30, {80, 30}},
        // Sides are rounded up to whole points.
        {{200, 100}, 1, 33.3f, 0, {34, 17}},
        // A side of 0 or less follows the aspect ratio.
        {{200, 100}, 1, -5, 40, {80, 40}},
        // 200 x 100 points at scale 2: the result keeps the scale.
        {{400, 200}, 2, 50, 0, {100, 50}},
        {{400, 200}, 2, 0, 0, {400, 200}},
    };
    for (const Case& c : cases) {
        const QImage source =
            solid(c.sourcePixels.width(), c.sourcePixels.height(), Qt::blue, c.scale);
        const QImage result = ResizeImageToSize(source, c.width, c.height);
        EXPECT_EQ(result.size(), c.expectedPixels) << c.width << " x " << c.height;
        EXPECT_EQ(result.devicePixelRatio(), c.scale);
    }
}

TEST(ResizeImageToSizeTest, TransparencyBecomesWhiteOnAnOpaqueImage) {
    QImage source = solid(20, 10, Qt::transparent);
    QPainter(&source).fillRect(10, 0, 10, 10, Qt::black);

    const QImage result = ResizeImageToSize(source, 0, 0);

    EXPECT_FALSE(result.hasAlphaChannel());
    EXPECT_TRUE(near(result.pixel(2, 5), Qt::white, 0));
    EXPECT_TRUE(near(result.pixel(15, 5), Qt::black, 0));
}

TEST(ResizeImageToSizeTest, FrameIsAFaintRoundedOutline) {
    const QImage source = solid(100, 100, Qt::black);

    const QImage framed = ResizeImageToSize(source, 50, 50, true, 10);
    const QImage plain = ResizeImageToSize(source, 50, 50, false, 10);

    // Grey 0.5 at alpha 0.3 over black along the edge, nothing inside, the corner left out.
    const QColor line = QColor::fromRgbF(0.15, 0.15, 0.15);
    EXPECT_TRUE(near(framed.pixel(25, 0), line)) << std::hex << framed.pixel(25, 0);
    EXPECT_TRUE(near(framed.pixel(0, 25), line));
    EXPECT_TRUE(near(framed.pixel(49, 25), line));
    EXPECT_TRUE(near(framed.pixel(25, 25), Qt::black, 0));
    EXPECT_TRUE(near(framed.pixel(0, 0), Qt::black, 0));
    EXPECT_TRUE(near(plain.pixel(25, 0), Qt::black, 0));
}

TEST(ResizeImageToMaxSideTest, TheLongerSideGetsTheLength) {
    struct Case {
        QSize source;
        QSize expected;
    };
    const Case cases[] = {
        {{300, 100}, {60, 20}}, {{100, 300}, {20, 60}}, {{100, 100}, {60, 60}},
        {{7, 3}, {60, 26}},     {{30, 20}, {60, 40}},
    };
    for (const Case& c : cases) {
        const QImage result =
            ResizeImageToMaxSide(solid(c.source.width(), c.source.height(), Qt::red), 60);
        EXPECT_EQ(result.size(), c.expected) << c.source.width() << " x " << c.source.height();
    }
}

TEST(ResizeImageTest, NullImageGivesNullImage) {
    EXPECT_TRUE(ResizeImageToSize(QImage(), 50, 50, true, 4).isNull());
    EXPECT_TRUE(ResizeImageToMaxSide(QImage(), 50).isNull());
}

TEST(ImageToJpegTest, WritesTheImageWithoutOrientationByDefault) {
    const QByteArray jpeg = ImageToJpeg(solid(40, 20, Qt::red));

    QImageIOHandler::Transformations transformation;
    const QImage back = decode(jpeg, false, &transformation);
    ASSERT_EQ(back.size(), QSize(40, 20));
    EXPECT_TRUE(near(back.pixel(20, 10), Qt::red, 12));
    EXPECT_EQ(transformation, QImageIOHandler::TransformationNone);
}

TEST(ImageToJpegTest, KeepsTheOrientationAsATagAndThePixelsAsTheyAre) {
    const QImageIOHandler::Transformations expected[] = {
        QImageIOHandler::TransformationNone,
        QImageIOHandler::TransformationMirror,
        QImageIOHandler::TransformationRotate180,
        QImageIOHandler::TransformationFlip,
        QImageIOHandler::TransformationFlipAndRotate90,
        QImageIOHandler::TransformationRotate90,
        QImageIOHandler::TransformationMirrorAndRotate90,
        QImageIOHandler::TransformationRotate270,
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QVariantMap metadata{{QString::fromLatin1(kImageMetadataOrientation), orientation},
                                   {QStringLiteral("DPIWidth"), 300}};
        const QByteArray jpeg = ImageToJpeg(solid(40, 20, Qt::red), metadata);

        QImageIOHandler::Transformations transformation;
        EXPECT_EQ(decode(jpeg, false, &transformation).size(), QSize(40, 20)) << orientation;
        EXPECT_EQ(transformation, expected[orientation - 1]) << orientation;
    }
    // Shown as the camera held it.
    const QByteArray rotated =
        ImageToJpeg(solid(40, 20, Qt::red), {{QString::fromLatin1(kImageMetadataOrientation), 6}});
    EXPECT_EQ(decode(rotated, true).size(), QSize(20, 40));
}

TEST(ImageToJpegTest, IgnoresAnOrientationOutOfRange) {
    for (const QVariant& value : {QVariant(0), QVariant(9), QVariant(QStringLiteral("up"))}) {
        const QByteArray jpeg = ImageToJpeg(
            solid(40, 20, Qt::red), {{QString::fromLatin1(kImageMetadataOrientation), value}});
        QImageIOHandler::Transformations transformation;
        EXPECT_EQ(decode(jpeg, false, &transformation).size(), QSize(40, 20));
        EXPECT_EQ(transformation, QImageIOHandler::TransformationNone);
    }
}

TEST(ImageToJpegTest, FailureIsLoggedAndGivesNull) {
    EXPECT_TRUE(ImageToJpeg(QImage()).isNull());

    QFile log(ZVErrorLog::errorLog().logFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("CGImageDestinationFinalize() returned false"));
}

}  // namespace
