#include "ZelvoKit/support/media/AnimatedImage.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/support/GifEncoder.h"
#include "toolkit/widgets/ZVAnimatedImageView.h"

#include <gtest/gtest.h>

using platform::Scheduler;

namespace {

// Red for 10 cs, then green for 20 cs: frames red, green, green over 0.3 s.
std::shared_ptr<const AnimatedImage> redThenGreen() {
    auto image = AnimatedImage::animatedImageWithAnimatedGIFData(
        zvtest::GifEncoder::encodeSolid({Qt::red, Qt::green}, {10, 20}));
    return image ? std::make_shared<const AnimatedImage>(*image) : nullptr;
}

QColor shown(const ZVAnimatedImageView& view) {
    return view.image().isNull() ? QColor() : view.image().pixelColor(0, 0);
}

}  // namespace

TEST(AnimatedImageView, PlaysInALoopChangingTheImageOnlyWithTheFrame) {
    auto window = platform::Window::make();
    auto view = std::make_shared<ZVAnimatedImageView>();
    window->addSubview(view);
    const auto gif = redThenGreen();
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->frameCount(), 3);

    view->setAnimatedImage(gif);
    EXPECT_TRUE(view->isAnimating());
    const QColor red(Qt::red);
    const QColor green(Qt::green);
    EXPECT_EQ(shown(*view), red);

    Scheduler::main().advance(0.05);
    EXPECT_EQ(shown(*view), red);
    Scheduler::main().advance(0.1);  // 0.15 s
    EXPECT_EQ(shown(*view), green);
    const qint64 greenKey = view->image().cacheKey();
    Scheduler::main().advance(0.1);  // 0.25 s: the second green frame is the same image
    EXPECT_EQ(shown(*view), green);
    EXPECT_EQ(view->image().cacheKey(), greenKey) << "not set again";
    Scheduler::main().advance(0.1);  // 0.35 s
    EXPECT_EQ(shown(*view), red) << "loops";
    Scheduler::main().advance(0.3 * 10);
    EXPECT_EQ(shown(*view), red) << "3.35 s is 0.05 s into the eleventh loop";
}

TEST(AnimatedImageView, TicksOnlyInAWindowAndShown) {
    auto window = platform::Window::make();
    auto view = std::make_shared<ZVAnimatedImageView>();
    view->setAnimatedImage(redThenGreen());
    EXPECT_FALSE(view->isAnimating()) << "not in a window";
    EXPECT_EQ(shown(*view), QColor(Qt::red)) << "the first frame shows still";

    window->addSubview(view);
    EXPECT_TRUE(view->isAnimating());
    Scheduler::main().advance(0.15);
    view->setHidden(true);
    EXPECT_FALSE(view->isAnimating());
    view->setHidden(false);
    EXPECT_TRUE(view->isAnimating());
    // Through the plain view too, as a superview or an animation hides it.
    platform::View& plain = *view;
    plain.setHidden(true);
    EXPECT_FALSE(view->isAnimating());
    plain.setHidden(false);
    EXPECT_TRUE(view->isAnimating());

    view->removeFromSuperview();
    EXPECT_FALSE(view->isAnimating());
    Scheduler::main().runPending();
    EXPECT_EQ(Scheduler::main().pendingCount(), 0u) << "no timer is left";
    const QColor before = shown(*view);
    Scheduler::main().advance(1);
    EXPECT_EQ(shown(*view), before);

    window->addSubview(view);
    view->setAnimatedImage(nullptr);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_TRUE(view->image().isNull());
}
