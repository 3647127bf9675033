#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"
#include "toolkit/style/ViewLayout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

ViewList makeViews(int count, QSizeF size) {
    ViewList views;
    for (int i = 0; i < count; ++i) {
        views.push_back(platform::View::make(QRectF(QPointF(0, 0), size)));
    }
    return views;
}

std::vector<qreal> xs(const ViewList& views) {
    std::vector<qreal> result;
    for (const auto& view : views) {
        result.push_back(view->frame().x());
    }
    return result;
}

TEST(ViewLayout, RowPlacementByFlags) {
    const QRectF rect(0, 0, 100, 40);
    const struct {
        int flags;
        std::vector<qreal> x;
        qreal y;
    } cases[] = {
        {kAlignCenterX | kAlignCenterY, {15, 40, 65}, 10},
        {kAlignLeft | kAlignTop, {0, 25, 50}, 0},
        {kAlignRight | kAlignBottom, {30, 55, 80}, 20},
        {kAlignInset | kAlignLeft | kAlignTop, {10, 35, 60}, 10},
    };
    for (const auto& c : cases) {
        const ViewList views = makeViews(3, {20, 20});
        EXPECT_EQ(alignViews(views, rect, c.flags), 70) << c.flags;
        EXPECT_EQ(xs(views), c.x) << c.flags;
        EXPECT_EQ(views[1]->frame().y(), c.y) << c.flags;
    }
    // Without a horizontal placement nothing moves.
    const ViewList still = makeViews(3, {20, 20});
    alignViews(still, rect, kAlignTop);
    EXPECT_EQ(xs(still), (std::vector<qreal>{0, 0, 0}));
}

TEST(ViewLayout, HiddenViewsTakeNoRoomAndTheStretchViewTakesWhatIsLeft) {
    const ViewList views = makeViews(3, {20, 20});
    views[1]->setHidden(true);
    EXPECT_EQ(alignViews(views, QRectF(0, 0, 100, 20), kAlignLeft | kAlignTop), 45);
    EXPECT_EQ(views[2]->frame().x(), 25);

    const ViewList row = makeViews(3, {20, 20});
    alignViews(row, QRectF(0, 0, 100, 20), kAlignLeft | kAlignTop, row[1]);
    EXPECT_EQ(row[1]->frame().width(), 50);
    EXPECT_EQ(xs(row), (std::vector<qreal>{0, 25, 80}));
}

TEST(ViewLayout, LabelsAreSizedToTheirTextOnlyWhenAsked) {
    auto label = std::make_shared<platform::Label>(QRectF(0, 0, 200, 50));
    label->setText(QStringLiteral("Unread"));
    const QSizeF fitting = label->sizeThatFits(QSizeF(200, 50));
    const ViewList row{makeViews(1, {20, 20})[0], label};

    alignViews(row, QRectF(0, 0, 300, 60), kAlignLeft | kAlignTop);
    EXPECT_EQ(label->frame().size(), QSizeF(200, 50));

    alignViews(row, QRectF(0, 0, 300, 60), kAlignLeft | kAlignTop | kAlignSizeLabelsToFit);
    const QRectF frame = label->frame();
    EXPECT_EQ(frame.x(), 25);
    EXPECT_EQ(frame.width(), std::ceil(fitting.width()));
    EXPECT_EQ(frame.height(), std::ceil(fitting.height()));
    EXPECT_EQ(frame, QRectF(frame.toAlignedRect()));
}

TEST(ViewLayout, GridFillsRowsThenGoesOnBelow) {
    const ViewList views = makeViews(5, {1, 1});
    layoutViews(views, QRectF(0, 0, 110, 50), 2, 2, 10);
    EXPECT_EQ(views[0]->frame(), QRectF(0, 0, 50, 20));
    EXPECT_EQ(views[1]->frame(), QRectF(60, 0, 50, 20));
    EXPECT_EQ(views[3]->frame(), QRectF(60, 30, 50, 20));
    EXPECT_EQ(views[4]->frame(), QRectF(0, 60, 50, 20));
}

TEST(ViewLayout, ArrowPointsUpOrDown) {
    const QRectF rect(0, 0, 10, 6);
    const QPainterPath up = bezierPathWithArrowInRect(rect, true);
    EXPECT_TRUE(up.contains(QPointF(5, 5)));
    EXPECT_FALSE(up.contains(QPointF(1, 1)));
    const QPainterPath down = bezierPathWithArrowInRect(rect, false);
    EXPECT_TRUE(down.contains(QPointF(5, 1)));
    EXPECT_FALSE(down.contains(QPointF(1, 5)));
}

}  // namespace
