#include "MessageFlow/pages/ZVMessageRowMetrics.h"
#include "MessageFlow/pages/ZVWritersView.h"
#include "MessageFlow/pages/ZVWritersViewAnimation.h"
#include "MessageFlow/pages/ZVWritersViewBubble.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Metrics : ZVMessageRowMetrics {
    int size = 0;
    qreal spacing = 0;
    int avatarSize() const override { return size; }
    qreal screenEdgeSpacing() const override { return spacing; }
};

platform::Scheduler& scheduler() {
    return platform::Scheduler::main();
}

TEST(WritersViewTest, TheTextIndentsLikeTheRowsAndTheDotsFollowIt) {
    const QString shortText = u"Anna is writing"_s;
    const QString longText =
        QString(u"Anna, Bert, Carl, Dora, Emil and Frida are writing"_s).repeated(3);
    const struct {
        int avatarSize;
        qreal spacing;
        QString text;
        qreal indent;
    } cases[] = {
        {1, 7, shortText, 40}, {2, 7, shortText, 50}, {0, 13, shortText, 0},
        {3, 13, shortText, 0}, {2, 13, longText, 50}, {1, 7, QString(), 40},
    };
    const auto metrics = std::make_shared<Metrics>();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.avatarSize << " " << c.spacing << " " << c.text.size());
        metrics->size = c.avatarSize;
        metrics->spacing = c.spacing;
        ZVWritersView line(metrics);
        EXPECT_EQ(line.frame(), QRectF(0, 0, 320, 20));
        line.setLabel(c.text);
        EXPECT_EQ(line.label(), c.text);
        ASSERT_TRUE(line.needsLayout());
        line.layoutIfNeeded();

        const QRectF label = line.textLabel()->frame();
        const qreal fitted = line.textLabel()->sizeThatFits({1e6, 1e6}).width();
        const qreal room = 320 - 30 - c.indent - 21;
        EXPECT_EQ(label.x(), c.indent + c.spacing);
        EXPECT_EQ(label.y(), 0);
        EXPECT_EQ(label.width(), std::min(fitted, room));
        if (c.text == longText) {
            EXPECT_EQ(label.width(), room) << "cut so that the dots stay on screen";
        }
        const QRectF dots = line.animation()->frame();
        EXPECT_EQ(dots.size(), QSizeF(21, 5));
        EXPECT_EQ(dots.x(), label.right() + 2);
        EXPECT_EQ(dots.y(), (label.height() - 5) / 2 + 2);
        EXPECT_LE(dots.right(), 320);
        if (c.text.isEmpty()) {
            EXPECT_EQ(dots.x(), c.indent + c.spacing + 2);
        }
    }

    // The table model is not kept alive by the line: without it there is no indent.
    auto gone = std::make_shared<Metrics>();
    gone->size = 2;
    gone->spacing = 7;
    ZVWritersView orphan(gone);
    gone.reset();
    orphan.setLabel(shortText);
    orphan.layoutIfNeeded();
    EXPECT_EQ(orphan.textLabel()->frame().x(), 0);
}

TEST(WritersViewTest, TheDotsPulseOutOfPhaseOnlyWhileInAWindow) {
    const auto line = std::make_shared<ZVWritersView>(std::weak_ptr<ZVMessageRowMetrics>());
    const auto& bubbles = line->animation()->bubbles();
    for (std::size_t i = 0; i < bubbles.size(); ++i) {
        EXPECT_EQ(bubbles[i]->frame(), QRectF(8.0 * i, 0, 5, 5));
    }
    // Off screen nothing waits to start.
    scheduler().advance(1);
    for (const auto& bubble : bubbles) {
        EXPECT_FALSE(bubble->isPulsing());
    }

    const auto window = platform::Window::make();
    window->addSubview(line);
    const auto scale = [&](int i) { return bubbles[i]->layer().presentationTransform().scale.x(); };
    scheduler().advance(0.1);
    EXPECT_TRUE(bubbles[0]->isPulsing());
    EXPECT_FALSE(bubbles[1]->isPulsing());
    scheduler().advance(0.4);
    ASSERT_TRUE(bubbles[2]->isPulsing());
    // At 0.5 s dot 0 is smallest; dot 1 is 0.2 s and dot 2 0.4 s behind it.
    EXPECT_NEAR(scale(0), ZVWritersViewBubble::kPulseScale, 1e-6);
    scheduler().advance(0.2);
    EXPECT_NEAR(scale(1), ZVWritersViewBubble::kPulseScale, 1e-6);
    EXPECT_GT(scale(0), ZVWritersViewBubble::kPulseScale);
    scheduler().advance(0.2);
    EXPECT_NEAR(scale(2), ZVWritersViewBubble::kPulseScale, 1e-6);
    // Back to full size a second after it started, and again.
    scheduler().advance(0.1);
    EXPECT_NEAR(scale(0), 1, 1e-6);
    scheduler().advance(1);
    EXPECT_NEAR(scale(0), 1, 1e-6);
    EXPECT_TRUE(bubbles[1]->isPulsing());

    // Taken out of the window the dots stop; put back they start over in phase.
    line->removeFromSuperview();
    for (const auto& bubble : bubbles) {
        EXPECT_FALSE(bubble->isPulsing());
    }
    scheduler().advance(0.3);
    window->addSubview(line);
    scheduler().advance(0.5);
    EXPECT_NEAR(scale(0), ZVWritersViewBubble::kPulseScale, 1e-6);
    scheduler().advance(0.2);
    EXPECT_NEAR(scale(1), ZVWritersViewBubble::kPulseScale, 1e-6);
}

}  // namespace
