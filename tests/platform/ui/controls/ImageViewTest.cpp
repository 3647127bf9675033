#include "platform/ui/controls/ImageView.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ContentMode, PlacesContentInTheBounds) {
    const QRectF bounds(10, 20, 100, 50);
    const QSizeF wide(40, 10);
    const QSizeF tall(10, 100);
    struct Case {
        ContentMode mode;
        QSizeF size;
        QRectF expected;
    };
    const Case cases[] = {
        {ContentMode::ScaleToFill, wide, bounds},
        {ContentMode::ScaleAspectFit, wide, {10, 32.5, 100, 25}},
        {ContentMode::ScaleAspectFit, tall, {57.5, 20, 5, 50}},
        {ContentMode::ScaleAspectFill, wide, {-40, 20, 200, 50}},
        {ContentMode::Center, tall, {55, -5, 10, 100}},
        {ContentMode::TopLeft, wide, {10, 20, 40, 10}},
        {ContentMode::BottomRight, wide, {70, 60, 40, 10}},
        {ContentMode::Left, wide, {10, 40, 40, 10}},
        {ContentMode::Top, wide, {40, 20, 40, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        EXPECT_EQ(placeContent(c.mode, c.size, bounds), c.expected);
    }
}

TEST(ImageView, TemplateImagesAreDrawnInTheTintAndHighlightSwapsTheImage) {
    QImage shape(8, 8, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    shape.setPixelColor(2, 2, Qt::black);
    shape.setDevicePixelRatio(2);
    QImage other(8, 8, QImage::Format_ARGB32_Premultiplied);
    other.fill(Qt::red);
    other.setDevicePixelRatio(2);

    const auto view = View::make<ImageView>(shape);
    EXPECT_EQ(view->bounds().size(), QSizeF(4, 4));
    EXPECT_EQ(view->displayedImage().pixelColor(2, 2), QColor(Qt::black));

    view->setRenderingMode(ImageRenderingMode::AlwaysTemplate);
    view->setTintColor(Qt::green);
    EXPECT_EQ(view->displayedImage().pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(view->displayedImage().pixelColor(0, 0).alpha(), 0);

    view->setHighlightedImage(other);
    view->setRenderingMode(ImageRenderingMode::AlwaysOriginal);
    view->setHighlighted(true);
    EXPECT_EQ(view->displayedImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_FALSE(view->isUserInteractionEnabled());
}

TEST(ImageView, DrawsTheImageWhereTheContentModePutsIt) {
    QImage dot(4, 4, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::red);
    dot.setDevicePixelRatio(1);
    const auto view = View::make<ImageView>(QRectF(0, 0, 20, 20));
    view->setBackgroundColor(Qt::white);
    view->setImage(dot);
    view->setContentMode(ContentMode::BottomRight);
    const QImage shot = view->snapshot(1);
    EXPECT_EQ(shot.pixelColor(18, 18), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(view->sizeThatFits({}), QSizeF(4, 4));
}
