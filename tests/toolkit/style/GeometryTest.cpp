#include "toolkit/style/Geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(Geometry, ExtractingAStripShrinksTheRectangle) {
    const QRectF start(10, 20, 100, 50);
    const struct {
        QRectF (*extract)(QRectF&, qreal);
        QRectF strip;
        QRectF rest;
    } cases[] = {
        {&CGRectExtractLeft, {10, 20, 30, 50}, {40, 20, 70, 50}},
        {&CGRectExtractTop, {10, 20, 100, 30}, {10, 50, 100, 20}},
        {&CGRectExtractRight, {80, 20, 30, 50}, {10, 20, 70, 50}},
        {&CGRectExtractBottom, {10, 40, 100, 30}, {10, 20, 100, 20}},
    };
    for (const auto& c : cases) {
        QRectF rect = start;
        EXPECT_EQ(c.extract(rect, 30), c.strip);
        EXPECT_EQ(rect, c.rest);
    }
    EXPECT_EQ(CGRectApplyInsets(start, QMarginsF(1, 2, 3, 4)), QRectF(11, 22, 96, 44));
    EXPECT_EQ(CGRectGetCenter(start), QPointF(60, 45));
}

}  // namespace
