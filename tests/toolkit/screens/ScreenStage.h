#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "tests/toolkit/screens/FakeCoordinator.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/screens/ZVSwipeGestureRecognizer.h"
#include "toolkit/screens/ZVViewController.h"

#include <map>

// A screen that is its own swipe target when it is given menus, and writes down what reached it.
class TestScreen : public ZVViewController, public ZVSwipeGestureRecognizerDelegate {
public:
    std::map<ZVMenuSide, std::shared_ptr<ZVSlideInMenu>> menus;
    std::vector<qreal> insets;
    int swipesRight = 0;

    // Makes the screen its own target with a menu on each side in `sides`.
    static std::shared_ptr<TestScreen> withMenus(std::initializer_list<ZVMenuSide> sides) {
        auto screen = std::make_shared<TestScreen>();
        for (const ZVMenuSide side : sides) {
            screen->menus[side] = std::make_shared<ZVSlideInMenu>(side);
        }
        screen->swipeGestureRecognizer()->setTarget(screen);
        return screen;
    }

    void setTopInset(qreal inset) override { insets.push_back(inset); }
    void swipeLeft() override {}
    void swipeRight() override { ++swipesRight; }
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side) override {
        const auto it = menus.find(side);
        return it == menus.end() ? nullptr : it->second;
    }
};

// A phone (or tablet) window run by a fake coordinator, with its left stack showing a root screen,
// fingers and the virtual clock.
struct ScreenStage {
    static constexpr double kSettle = 1;

    std::shared_ptr<FakeCoordinator> coordinator;

    explicit ScreenStage(platform::DeviceProfile profile = platform::DeviceProfile::phone())
        : coordinator(FakeCoordinator::install(std::move(profile))) {}

    platform::Window& window() const { return *coordinator->shownWindow; }
    platform::NavigationController& left() const { return *coordinator->left; }

    // Pushes `screen` on the left stack without animation and lets everything settle.
    template <typename Screen>
    std::shared_ptr<Screen> show(std::shared_ptr<Screen> screen) {
        left().pushViewController(screen, false);
        settle();
        return screen;
    }

    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }
    void settle() {
        wait(kSettle);
        window().updateNow();
    }

    // A finger from `from` through `steps` even moves to `to`, each `stepTime` apart, then up.
    void drag(QPointF from, QPointF to, int steps = 4, double stepTime = 0.05) {
        down(from);
        for (int i = 1; i <= steps; ++i) {
            wait(stepTime);
            move(from + (to - from) * i / steps);
        }
        wait(stepTime);
        up(to);
    }
    void down(QPointF at) { window().sendTouch(1, platform::TouchPhase::Began, at); }
    void move(QPointF to) { window().sendTouch(1, platform::TouchPhase::Moved, to); }
    void up(QPointF at) { window().sendTouch(1, platform::TouchPhase::Ended, at); }

    std::size_t depth() const { return left().viewControllers().size(); }
};
