#include "platform/ui/controls/Button.h"
#include "platform/ui/view/Window.h"
#include "tools/gallery/GalleryScreens.h"

#include <QtCore/QDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void tap(Window& window, int finger, QPointF point) {
    window.sendTouch(finger, TouchPhase::Began, point);
    window.sendTouch(finger, TouchPhase::Ended, point);
}

}  // namespace

TEST(GalleryStack, APickedRowPushesItsScreenAndBackReturnsToTheTable) {
    auto window = Window::make();
    const auto stack = gallery::makeGalleryStack();
    window->setRootViewController(stack);
    window->layoutIfNeeded();
    auto* tableScreen = dynamic_cast<gallery::TableScreen*>(stack->topViewController());
    ASSERT_NE(tableScreen, nullptr);
    const auto& table = tableScreen->sample().table;
    EXPECT_EQ(table->frame().top(), 64) << "below the status bar and the navigation bar";
    EXPECT_EQ(stack->navigationBar().shownTitle(), "Gallery");

    // The second row of the first section, below its header.
    const QRectF row = table->rectForRowAtIndexPath({0, 1});
    tap(*window, 1, table->convertRectTo(row, nullptr).center());
    Scheduler::main().advance(1);
    ASSERT_EQ(stack->viewControllers().size(), 2u);
    EXPECT_EQ(stack->topViewController()->title(), "Row 2");
    EXPECT_EQ(stack->navigationBar().shownTitle(), "Row 2");
    EXPECT_EQ(table->window(), nullptr);
    // For people to look at, beside the view layer's other snapshots.
    QDir().mkpath(QStringLiteral("snapshots"));
    window->render().save(QStringLiteral("snapshots/gallery-pushed-row.png"));

    const auto back = stack->navigationBar().backButton();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->currentTitle(), "Gallery");
    tap(*window, 2, back->convertPointTo(back->bounds().center(), nullptr));
    Scheduler::main().advance(1);
    EXPECT_EQ(stack->viewControllers().size(), 1u);
    EXPECT_EQ(table->window(), window.get());
}
