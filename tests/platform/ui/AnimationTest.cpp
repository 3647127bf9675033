#include "platform/ui/animation/PropertyAnimation.h"
#include "platform/ui/animation/SpringAnimation.h"
#include "platform/ui/animation/TransitionAnimation.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/SmallWindow.h"

#include <QtCore/QtMath>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void advance(TimeInterval seconds) {
    Scheduler::main().advance(seconds);
}

}  // namespace

TEST(Animations, CompletionsRunInTheOrderTheAnimationsEnd) {
    auto window = Window::make();
    auto a = View::make(QRectF(0, 0, 10, 10));
    auto b = View::make(QRectF(0, 0, 10, 10));
    auto c = View::make(QRectF(0, 0, 10, 10));
    for (const auto& v : {a, b, c}) {
        window->addSubview(v);
    }
    std::vector<QString> done;
    const auto note = [&](const char* name) {
        return [&done, name](bool finished) {
            done.push_back(QString::fromLatin1(name) + (finished ? "" : " (cut)"));
        };
    };
    ViewAnimation::animate(
        0.3, [&] { a->setAlpha(0); }, note("a 0.3"));
    ViewAnimation::animate(
        0.1, 0.15, 0,
        [&] {
            b->setCenter({100, 100});
        },
        note("b 0.1 after 0.15"));
    ViewAnimation::animate(
        0.2, [&] { c->setFrame(QRectF(0, 0, 50, 50)); }, note("c 0.2"));
    ViewAnimation::animate(
        0.2, [] {}, note("nothing changed"));

    // The model takes the new values at once; the screen shows them moving.
    EXPECT_EQ(a->alpha(), 0);
    advance(0.15);
    EXPECT_NEAR(a->layer().presentationOpacity(), 0.5, 0.15);
    EXPECT_EQ(b->layer().presentationPosition(), QPointF(5, 5)) << "a delayed animation waits";
    EXPECT_EQ(done, std::vector<QString>{"nothing changed"});
    advance(0.5);
    EXPECT_EQ(done,
              (std::vector<QString>{"nothing changed", "c 0.2", "b 0.1 after 0.15", "a 0.3"}));
    EXPECT_EQ(a->layer().presentationOpacity(), 0);
    EXPECT_TRUE(a->layer().animationKeys().isEmpty());

    // A new animation of the same property cuts the running one short.
    done.clear();
    ViewAnimation::animate(
        0.3, [&] { a->setAlpha(1); }, note("first"));
    advance(0.1);
    ViewAnimation::animate(
        0.3, 0, ViewAnimation::BeginFromCurrentState, [&] { a->setAlpha(0.5); }, note("second"));
    const qreal shown = a->layer().presentationOpacity();
    EXPECT_GT(shown, 0) << "the second starts where the first was";
    EXPECT_LT(shown, 1);
    advance(0.5);
    EXPECT_EQ(done, (std::vector<QString>{"first (cut)", "second"}));
}

TEST(Animations, InstantModeLandsAtOnceAndStillCompletesInOrder) {
    ViewAnimation::setInstant(true);
    auto view = View::make(QRectF(0, 0, 10, 10));
    std::vector<int> order;
    ViewAnimation::animate(
        0.5, [&] { view->setAlpha(0.2); }, [&](bool f) { order.push_back(f ? 1 : -1); });
    ViewAnimation::animate(
        0.1,
        [&] {
            view->setCenter({1, 1});
        },
        [&](bool f) { order.push_back(f ? 2 : -2); });
    EXPECT_EQ(view->layer().presentationOpacity(), 0.2);
    EXPECT_TRUE(order.empty()) << "completions wait for the run loop";
    advance(0);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Animations, SpringRetargetedMidFlightSettlesOnTheNewTarget) {
    auto window = Window::make();
    auto view = View::make(QRectF(0, 0, 20, 20));
    window->addSubview(view);
    const QString key = QStringLiteral("kSpringLayerPosition");
    auto spring = SpringAnimation::make(*view, SpringProperty::LayerPosition, QPointF(200, 10));
    bool finished = false;
    spring->setCompletion([&](bool f) { finished = f; });
    view->layer().addAnimation(spring, key);

    advance(0.1);
    const QPointF midway = view->center();
    EXPECT_GT(midway.x(), 10);
    EXPECT_LT(midway.x(), 200);
    // Retargeting keeps the same animation and its momentum.
    auto running = std::dynamic_pointer_cast<SpringAnimation>(view->layer().animationForKey(key));
    ASSERT_EQ(running, spring);
    running->setTarget(QPointF(50, 300));
    advance(0.05);
    EXPECT_GT(view->center().x(), midway.x()) << "it keeps moving the old way for a moment";
    advance(5);
    EXPECT_TRUE(finished);
    EXPECT_EQ(view->center(), QPointF(50, 300));
    EXPECT_EQ(view->layer().animationForKey(key), nullptr);

    // The springs of a card: scale and the turn about x.
    view->layer().setTransform(LayerTransform::scaled(0.2, 0.2));
    view->layer().addAnimation(
        SpringAnimation::make(*view, SpringProperty::LayerScaleXY, QPointF(1, 1), 11, 18),
        QStringLiteral("scale"));
    view->layer().addAnimation(
        SpringAnimation::make(*view, SpringProperty::LayerRotationX, qreal(0), 11, 18),
        QStringLiteral("rotation"));
    view->layer().setValueForKey(QStringLiteral("transform.rotation.x"), qreal(M_PI_2));
    advance(5);
    EXPECT_EQ(view->layer().transform().scale, QPointF(1, 1));
    EXPECT_EQ(view->layer().transform().rotationX, 0);
}

TEST(Animations, LayerAnimationsRepeatAndReverseWithoutTouchingTheModel) {
    auto window = Window::make();
    auto view = View::make(QRectF(0, 0, 20, 20));
    window->addSubview(view);
    PropertyAnimation::Timing timing;
    timing.beginTime = Scheduler::main().now();
    timing.duration = 1;
    timing.curve = AnimationCurve::Linear;
    timing.repeatCount = 2;
    timing.autoreverses = true;
    bool finished = false;
    auto pulse = std::make_shared<PropertyAnimation>(qreal(1), qreal(0), timing);
    pulse->setCompletion([&](bool f) { finished = f; });
    view->layer().addAnimation(pulse, QStringLiteral("opacity"));

    const std::pair<TimeInterval, qreal> samples[] = {
        {0.25, 0.75}, {0.5, 0.25}, {0.75, 0.5}, {0.75, 0.75}, {0.5, 0.25}};
    for (const auto& [step, expected] : samples) {
        advance(step);
        EXPECT_NEAR(view->layer().presentationOpacity(), expected, 1e-3);
    }
    EXPECT_EQ(view->alpha(), 1) << "the model never moved";
    advance(1.5);  // two runs there and back: four seconds in all
    EXPECT_TRUE(finished);
    EXPECT_EQ(view->layer().presentationOpacity(), 1);
}

TEST(Animations, AnimatingViewsTakeNoTouchesUnlessAllowed) {
    auto window = Window::make();
    auto view = View::make(QRectF(0, 0, 100, 100));
    window->addSubview(view);
    ViewAnimation::animate(0.3, [&] { view->setAlpha(0.5); });
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), window.get());
    advance(0.4);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), view.get());
    ViewAnimation::animate(
        0.3, 0, ViewAnimation::AllowUserInteraction | ViewAnimation::BeginFromCurrentState,
        [&] { view->setAlpha(1); });
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), view.get());
}

TEST(Animations, TransitionsShowTheOldPictureGivingWayToTheNew) {
    SmallWindow small;
    const auto& window = small.window;
    const auto& root = small.root;
    auto card = View::make(QRectF(0, 0, 100, 100));
    card->setBackgroundColor(Qt::red);
    root->addSubview(card);

    for (const unsigned kind : {unsigned(ViewAnimation::TransitionCrossDissolve),
                                unsigned(ViewAnimation::TransitionFlipFromLeft)}) {
        SCOPED_TRACE(kind);
        const QColor from = card->backgroundColor();
        const QColor to = from == Qt::red ? QColor(Qt::blue) : QColor(Qt::red);
        bool done = false;
        ViewAnimation::transition(
            *card, 0.4, kind, [&] { card->setBackgroundColor(to); },
            [&](bool finished) { done = finished; });
        EXPECT_EQ(card->backgroundColor(), to);
        EXPECT_EQ(window->render().pixelColor(50, 50), from) << "the old picture shows first";
        advance(0.5);
        EXPECT_TRUE(done);
        EXPECT_EQ(window->render().pixelColor(50, 50), to);
    }
}
