#include "platform/ui/controls/ImageView.h"
#include "platform/ui/view/ViewRenderer.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/SmallWindow.h"
#include "tools/gallery/SampleScreen.h"

#include <QtCore/QDir>

#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace platform;
using gallery::SampleScreen;

namespace {

// Colours compared channel by channel within a tolerance: edges are antialiased and text is
// rasterised differently across font versions, so nothing is compared exactly.
bool within(const QColor& actual, const QColor& expected, int tolerance) {
    return std::max({std::abs(actual.red() - expected.red()),
                     std::abs(actual.green() - expected.green()),
                     std::abs(actual.blue() - expected.blue())}) <= tolerance;
}

::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 6) {
    if (within(actual, expected, tolerance)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << actual.name().toStdString() << " is not near " << expected.name().toStdString();
}

QColor at(const QImage& image, QPointF point) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor((point * scale).toPoint());
}

int countNear(const QImage& image, const QRectF& area, const QColor& colour, int tolerance) {
    const qreal scale = image.devicePixelRatio();
    const QRect pixels = QRectF(area.topLeft() * scale, area.size() * scale).toRect();
    int count = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            count += within(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
        }
    }
    return count;
}

// Takes the root's background away and gives it opaque children.
void clearWithChildren(View& root, const std::vector<std::pair<QRectF, QColor>>& children) {
    root.setBackgroundColor(QColor());
    for (const auto& [frame, colour] : children) {
        auto child = View::make(frame);
        child->setBackgroundColor(colour);
        root.addSubview(child);
    }
}

}  // namespace

TEST(Rendering, SampleScreenDrawsItsLayersWhereTheyBelong) {
    for (const DeviceProfile& profile : {DeviceProfile::phone(), DeviceProfile::tablet()}) {
        SCOPED_TRACE(profile.size.width());
        auto window = Window::make(profile);
        const SampleScreen screen = SampleScreen::make(profile.size);
        window->setRootView(screen.root);
        const QImage image = window->render();
        ASSERT_EQ(image.size(), (profile.size * profile.scale).toSize());
        QDir().mkpath(QStringLiteral("snapshots"));
        image.save(QStringLiteral("snapshots/sample-screen-%1.png").arg(profile.size.width()));

        EXPECT_TRUE(near(at(image, {4, 4}), SampleScreen::kBackground));
        EXPECT_TRUE(near(at(image, screen.cardInsidePoint()), SampleScreen::kCardFill));
        EXPECT_TRUE(near(at(image, screen.cardBorderPoint()), SampleScreen::kCardBorder));
        EXPECT_TRUE(near(at(image, screen.picturePoint()), SampleScreen::kPictureFill));
        EXPECT_TRUE(near(at(image, screen.targetPoint()), SampleScreen::kTargetIdle));
        EXPECT_TRUE(near(at(image, screen.checkboxPoint()), SampleScreen::kCheckboxFill));
        EXPECT_TRUE(near(at(image, screen.tintedCheckboxPoint()), SampleScreen::kTint));
        // The shadow darkens the background below the card, fading with distance.
        const QColor shadow = at(image, screen.shadowPoint());
        EXPECT_LT(shadow.lightness(), SampleScreen::kBackground.lightness() - 10);
        EXPECT_GT(shadow.lightness(), 60);
        // The rounded corner leaves the card's outer corner pixel to the background.
        const QPointF corner = screen.card->convertPointTo({0.5, 0.5}, nullptr);
        EXPECT_FALSE(near(at(image, corner), SampleScreen::kCardBorder, 40));
        // Text and its inline placeholder are drawn inside the rich-text view.
        const QRectF textArea = screen.richText->convertRectTo(screen.richText->bounds(), nullptr);
        EXPECT_GT(countNear(image, textArea, Qt::black, 60), 100);
        EXPECT_GT(countNear(image, textArea, QColor(0xF5, 0xC5, 0x18), 10), 50);
        const QRectF titleArea = screen.title->convertRectTo(screen.title->bounds(), nullptr);
        EXPECT_GT(countNear(image, titleArea, QColor(0x22, 0x22, 0x22), 40), 50);
    }
}

TEST(Rendering, ClippingZOrderAndAlphaShowInPixels) {
    SmallWindow small;
    const auto& window = small.window;
    const auto& root = small.root;
    auto clipper = View::make(QRectF(10, 10, 40, 40));
    clipper->setClipsToBounds(true);
    auto overflowing = View::make(QRectF(20, 20, 60, 60));
    overflowing->setBackgroundColor(Qt::red);
    clipper->addSubview(overflowing);
    auto low = View::make(QRectF(60, 60, 30, 30));
    low->setBackgroundColor(Qt::green);
    low->layer().setZPosition(1);
    auto high = View::make(QRectF(60, 60, 30, 30));
    high->setBackgroundColor(Qt::blue);
    root->addSubview(clipper);
    root->addSubview(low);
    root->addSubview(high);  // added later but lower in z
    auto faint = View::make(QRectF(0, 80, 20, 20));
    faint->setBackgroundColor(Qt::black);
    faint->setAlpha(0.5);
    root->addSubview(faint);

    const QImage image = window->render();
    EXPECT_TRUE(near(image.pixelColor(40, 40), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(55, 40), Qt::white)) << "clipped away";
    EXPECT_TRUE(near(image.pixelColor(75, 75), Qt::green)) << "z position wins over order";
    EXPECT_TRUE(near(image.pixelColor(10, 90), QColor(128, 128, 128), 2));
    // A snapshot is the view alone, in its own coordinates.
    const QImage snap = clipper->snapshot(1);
    EXPECT_EQ(snap.size(), QSize(40, 40));
    EXPECT_TRUE(near(snap.pixelColor(30, 30), Qt::red));
    EXPECT_EQ(snap.pixelColor(2, 2).alpha(), 0);
}

// The window skips clearing to black where an opaque view covers it; everything else must still
// show over opaque black (a fresh image is transparent, a reused one holds old pixels).
TEST(Rendering, WindowIsClearedWhereNoOpaqueViewCoversIt) {
    struct Case {
        const char* name;
        std::function<void(View& root)> setUp;
        bool covers;
        QPoint probe;
        QColor expected;
    };
    const QColor grey(128, 128, 128);
    const std::vector<Case> cases = {
        {"opaque root", [](View&) {}, true, {50, 50}, Qt::white},
        {"translucent background",
         [](View& r) { r.setBackgroundColor(QColor(255, 255, 255, 128)); },
         false,
         {50, 50},
         grey},
        {"faded root", [](View& r) { r.setAlpha(0.5); }, false, {50, 50}, grey},
        {"rounded corners",
         [](View& r) { r.layer().setCornerRadius(30); },
         false,
         {0, 0},
         Qt::black},
        {"hidden root", [](View& r) { r.setHidden(true); }, false, {50, 50}, Qt::black},
        {"turned root",
         [](View& r) { r.setTransform(QTransform().rotate(10)); },
         false,
         {1, 1},
         Qt::black},
        {"clear root, opaque child over all",
         [](View& r) {
             clearWithChildren(r, {{QRectF(-5, -5, 110, 110), Qt::blue}});
         },
         true,
         {50, 50},
         Qt::blue},
        {"clear root, a bar and a page below it",
         [](View& r) {
             clearWithChildren(
                 r, {{QRectF(0, 0, 100, 20), Qt::blue}, {QRectF(0, 20, 100, 80), Qt::green}});
         },
         true,
         {50, 60},
         Qt::green},
        {"clear root, opaque child over part",
         [](View& r) {
             clearWithChildren(r, {{QRectF(0, 0, 100, 50), Qt::blue}});
         },
         false,
         {50, 75},
         Qt::black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallWindow small;
        c.setUp(*small.root);
        const QRegion uncovered =
            QRegion(0, 0, 100, 100) - ViewRenderer::opaquePixels(*small.window, 1);
        EXPECT_EQ(uncovered.isEmpty(), c.covers);
        // Twice: the second image may reuse the first one's memory.
        for (int run = 0; run < 2; ++run) {
            const QImage image = small.window->render();
            const QColor pixel = image.pixelColor(c.probe);
            EXPECT_EQ(pixel.alpha(), 255);
            EXPECT_TRUE(near(pixel, c.expected, 2));
        }
    }
}

// A picture shown at its own size off the pixel grid lands on whole pixels, unblurred.
TEST(Rendering, PicturesAtTheirOwnSizeLandOnWholePixels) {
    auto window = Window::make({DeviceProfile::Idiom::Phone, {100, 100}, 2, 20});
    auto root = View::make(window->bounds());
    root->setBackgroundColor(Qt::white);
    window->setRootView(root);
    QImage square(20, 20, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::red);
    square.setDevicePixelRatio(2);
    auto view = std::make_shared<ImageView>(QRectF(10.3, 20.6, 10, 10));
    view->setImage(square);
    root->addSubview(view);
    const QImage image = window->render();
    // At (20.6, 41.2) in pixels, moved by less than half a pixel to (21, 41), each pixel whole.
    EXPECT_EQ(image.pixelColor(21, 41), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(40, 60), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(20, 41), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(41, 60), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, 40), QColor(Qt::white));
}
