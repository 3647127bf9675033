#include "TextInputFixture.h"

#include "tools/gallery/SampleControls.h"

using namespace platform;

// The gallery's controls screen, rendered offscreen and driven as a user would.
TEST_F(TextInputTest, GalleryControlsScreenDrawsAndTakesInput) {
    const gallery::SampleControls screen = gallery::SampleControls::make(window->bounds().size());
    window->setRootView(screen.root);
    const QImage image = window->render();
    const qreal scale = window->scale();
    // The switch is on: its track shows the on tint away from the thumb.
    const QPointF track = screen.toggle->convertPointTo({8, Switch::kHeight / 2}, nullptr);
    const QColor pixel = image.pixelColor((track * scale).toPoint());
    EXPECT_GT(pixel.green(), pixel.red());
    for (const auto& label : screen.labels) {
        EXPECT_TRUE(label->isTruncated());
    }

    tap(*screen.fields[0]);
    type("me@example.com");
    key(Qt::Key_Return);
    EXPECT_TRUE(screen.fields[1]->isFirstResponder());
    type("pw");
    key(Qt::Key_Return);
    EXPECT_EQ(window->firstResponder(), nullptr);
    EXPECT_EQ(screen.fields[0]->text(), "me@example.com");
    EXPECT_EQ(screen.fields[1]->text(), "pw");

    tap(*screen.segments);
    EXPECT_EQ(screen.segments->selectedSegmentIndex(), 1);
    Scheduler::main().advance(1);
    EXPECT_TRUE(screen.spinner->isAnimating());
    EXPECT_FALSE(window->render().isNull());
}
