#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QtMath>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void expectPointNear(QPointF actual, QPointF expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-6);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-6);
}

void expectRectNear(const QRectF& actual, const QRectF& expected) {
    expectPointNear(actual.topLeft(), expected.topLeft());
    EXPECT_NEAR(actual.width(), expected.width(), 1e-6);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-6);
}

}  // namespace

TEST(ViewGeometry, FrameFollowsCentreBoundsAndTransform) {
    struct Case {
        const char* name;
        QRectF frame;
        QTransform transform;
        QRectF expectedFrame;
        QPointF expectedCentre;
    };
    const Case cases[] = {
        {"plain", {10, 20, 100, 50}, {}, {10, 20, 100, 50}, {60, 45}},
        {"scaled about the centre",
         {10, 20, 100, 50},
         QTransform::fromScale(2, 2),
         {-40, -5, 200, 100},
         {60, 45}},
        {"translated",
         {10, 20, 100, 50},
         QTransform::fromTranslate(5, -5),
         {15, 15, 100, 50},
         {60, 45}},
        {"quarter turn", {0, 0, 100, 50}, QTransform().rotate(90), {25, -25, 50, 100}, {50, 25}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = View::make(c.frame);
        view->setTransform(c.transform);
        expectRectNear(view->frame(), c.expectedFrame);
        expectPointNear(view->center(), c.expectedCentre);
        // The transform changes the frame, never the bounds.
        expectRectNear(view->bounds(), QRectF(0, 0, c.frame.width(), c.frame.height()));
    }
}

TEST(ViewGeometry, PointsConvertBetweenViewsThroughOriginsBoundsAndTransforms) {
    auto window = Window::make();
    auto outer = View::make(QRectF(50, 100, 200, 200));
    auto scrolled = View::make(QRectF(10, 10, 100, 100));
    scrolled->setBounds(QRectF(0, 30, 100, 100));  // content moved up by 30
    auto scaled = View::make(QRectF(20, 40, 40, 40));
    scaled->setTransform(QTransform::fromScale(2, 2));
    window->addSubview(outer);
    outer->addSubview(scrolled);
    scrolled->addSubview(scaled);

    struct Case {
        const char* name;
        const View* from;
        const View* to;
        QPointF point;
        QPointF expected;
    };
    const Case cases[] = {
        {"to the window", outer.get(), nullptr, {0, 0}, {50, 100}},
        {"through a bounds origin", scrolled.get(), nullptr, {0, 30}, {60, 110}},
        {"through a scale", scaled.get(), scrolled.get(), {0, 0}, {0, 20}},
        {"scaled corner to the window", scaled.get(), nullptr, {40, 40}, {140, 180}},
        {"between siblings' branches", scaled.get(), outer.get(), {20, 20}, {50, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QPointF there = c.from->convertPointTo(c.point, c.to);
        expectPointNear(there, c.expected);
        expectPointNear(c.from->convertPointFrom(there, c.to), c.point);
    }
    expectRectNear(scaled->convertRectTo(scaled->bounds(), nullptr), QRectF(60, 100, 80, 80));
}

TEST(ViewGeometry, HitTestingSkipsHiddenTransparentAndNonInteractiveViews) {
    auto window = Window::make();
    auto root = View::make(window->bounds());
    window->setRootView(root);
    auto back = View::make(QRectF(0, 0, 200, 200));
    auto front = View::make(QRectF(0, 0, 100, 100));
    auto child = View::make(QRectF(10, 10, 20, 20));
    auto outside = View::make(QRectF(150, 150, 100, 100));  // sticks out of `front`
    root->addSubview(back);
    root->addSubview(front);
    front->addSubview(child);
    front->addSubview(outside);

    struct Case {
        const char* name;
        std::function<void()> change;
        QPointF point;
        const View* expected;
    };
    const Case cases[] = {
        {"deepest view", [] {}, {15, 15}, child.get()},
        {"front sibling first", [] {}, {50, 50}, front.get()},
        {"hidden child", [&] { child->setHidden(true); }, {15, 15}, front.get()},
        {"non-interactive front",
         [&] { front->setUserInteractionEnabled(false); },
         {15, 15},
         back.get()},
        {"transparent front", [&] { front->setAlpha(0); }, {15, 15}, back.get()},
        {"outside the superview's bounds", [] {}, {160, 160}, back.get()},
        {"outside everything", [] {}, {300, 300}, root.get()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        child->setHidden(false);
        front->setUserInteractionEnabled(true);
        front->setAlpha(1);
        c.change();
        EXPECT_EQ(window->hitTest(c.point, nullptr), c.expected);
    }
    // A transformed view is hit where it shows, not where its frame would be untransformed.
    front->setTransform(QTransform::fromTranslate(100, 0));
    EXPECT_EQ(window->hitTest({115, 15}, nullptr), child.get());
    EXPECT_EQ(window->hitTest({15, 15}, nullptr), back.get());
}

TEST(ViewGeometry, SubviewOrderFollowsInsertionAndMoves) {
    auto parent = View::make();
    auto a = View::make();
    auto b = View::make();
    auto c = View::make();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubviewBelow(c, a.get());
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{c, a, b}));
    parent->bringSubviewToFront(c.get());
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{a, b, c}));
    parent->insertSubviewAbove(a, b.get());
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{b, a, c}));
    auto other = View::make();
    other->addSubview(a);  // moving to another superview takes it out of the first
    EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{b, c}));
    EXPECT_EQ(a->superview(), other.get());
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_TRUE(other->subviews().empty());
}

namespace {

class CountingView : public View {
public:
    using View::View;
    int layouts = 0;
    void layoutSubviews() override { ++layouts; }
};

}  // namespace

TEST(ViewLayout, LayoutRunsOncePerPassHoweverOftenItWasAskedFor) {
    auto window = Window::make();
    auto view = View::make<CountingView>(QRectF(0, 0, 10, 10));
    window->addSubview(view);
    Scheduler::main().advance(0);
    view->layouts = 0;

    view->setNeedsLayout();
    view->setNeedsLayout();
    view->setFrame(QRectF(0, 0, 20, 20));  // a new size asks again
    EXPECT_EQ(view->layouts, 0) << "layout waits for the pass";
    Scheduler::main().advance(0);
    EXPECT_EQ(view->layouts, 1);
    Scheduler::main().advance(1);
    EXPECT_EQ(view->layouts, 1) << "nothing more was asked for";

    view->setNeedsLayout();
    view->layoutIfNeeded();
    view->layoutIfNeeded();
    EXPECT_EQ(view->layouts, 2);
    view->setCenter({40, 40});  // moving is not resizing
    view->layoutIfNeeded();
    EXPECT_EQ(view->layouts, 2);
}
