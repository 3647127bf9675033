// Side menus' speed: the right slide-in menu dragged by a finger across a phone screen of twelve
// rich-text rows, one step per frame at 60 frames a second, each frame laid out and drawn
// offscreen; beside the same screen drawn without a menu in the same run. The goal is printed
// after the runs.

#include "GuiBenchmarkMain.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/view/Window.h"
#include "toolkit/StartUp.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"
#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/screens/ZVNavigationController.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVSwipeGestureRecognizer.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/style/ZVTextStyles.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 12;
constexpr qreal kRowHeight = 50;
constexpr double kFrame = 1.0 / 60;
// The finger moves this far each frame, so one sweep across the menu's width takes 40 frames.
constexpr qreal kStep = 5;
constexpr double kGoal = 1.5;

// The window and its one stack, as the application's coordinator offers them.
class BenchCoordinator : public ZVScreenCoordinator {
public:
    std::shared_ptr<platform::Window> shownWindow = platform::Window::make();
    std::shared_ptr<ZVNavigationController> stack;

    std::shared_ptr<platform::Window> window() const override { return shownWindow; }
    std::shared_ptr<platform::NavigationController> leftNavigationController() const override {
        return stack;
    }
    std::shared_ptr<platform::NavigationController> rightNavigationController() const override {
        return stack;
    }
};

// A screen of rich-text rows with a right-hand menu.
class RowsScreen : public ZVViewController, public ZVSwipeGestureRecognizerDelegate {
public:
    std::shared_ptr<ZVSlideInMenu> menu = std::make_shared<ZVSlideInMenu>(ZVMenuSide::Right);

    RowsScreen() {
        for (const char* title : {"Messages", "Pins", "Tasks", "Files", "Settings"}) {
            auto item = std::make_shared<ZVVerticalMenuItem>();
            item->setTitle(QString::fromLatin1(title));
            menu->addItem(item);
        }
        menu->setSelectedItemIndex(0);
    }

    void viewDidLoad() override {
        for (int row = 0; row < kRows; ++row) {
            ZVMessageParser parser;
            parser.allowFormatting = true;
            parser.defaultAttributes = ZVTextStyles::attributesForStyle(0);
            parser.parseMessage(
                QStringLiteral("<msg>Row %1: the <b>build</b> is green again, see "
                               "<a href=\"https://ci.example.test/run/%1\">the run</a> and "
                               "<i>the notes</i> before Friday.</msg>")
                    .arg(row));
            auto text = platform::View::make<ZVRichText>();
            text->setAttributedText(parser.attributedText());
            text->setFrame(QRectF(10, row * kRowHeight, 355, kRowHeight));
            view()->addSubview(text);
        }
    }
    void swipeLeft() override {}
    void swipeRight() override {}
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side) override {
        return side == ZVMenuSide::Right ? menu : nullptr;
    }
};

struct Stage {
    std::shared_ptr<BenchCoordinator> coordinator = std::make_shared<BenchCoordinator>();
    std::shared_ptr<RowsScreen> screen = std::make_shared<RowsScreen>();

    Stage() {
        platform::Scheduler::main().useVirtualClock();
        ZVScreenCoordinator::setShared(coordinator);
        coordinator->stack = std::make_shared<ZVNavigationController>(screen);
        screen->swipeGestureRecognizer()->setTarget(screen);
        coordinator->shownWindow->setRootViewController(coordinator->stack);
        frame();
    }
    ~Stage() { ZVScreenCoordinator::setShared(nullptr); }

    void frame() {
        platform::Scheduler::main().advance(kFrame);
        coordinator->shownWindow->updateNow();
        benchmark::DoNotOptimize(coordinator->shownWindow->render());
    }
};

void DragRightMenu(benchmark::State& state) {
    Stage stage;
    platform::Window& window = *stage.coordinator->shownWindow;
    const QPointF start(300, 300);
    window.sendTouch(1, platform::TouchPhase::Began, start);
    // The finger first travels past the pan's threshold, so that every timed frame moves the menu.
    qreal offset = 0;
    while (!stage.screen->slideInMenu() && offset > -ZVSlideInMenu::kWidth) {
        offset -= kStep;
        window.sendTouch(1, platform::TouchPhase::Moved, start + QPointF(offset, 0));
        stage.frame();
    }
    if (!stage.screen->slideInMenu()) {
        state.SkipWithError("the drag did not bring the menu in");
        return;
    }
    qreal direction = -1;
    for (auto _ : state) {
        // Back and forth across the menu's width, the finger never lifting.
        offset += direction * kStep;
        if (offset <= -ZVSlideInMenu::kWidth || offset >= 0) {
            direction = -direction;
        }
        window.sendTouch(1, platform::TouchPhase::Moved, start + QPointF(offset, 0));
        stage.frame();
    }
    window.sendTouch(1, platform::TouchPhase::Ended, start + QPointF(offset, 0));
}

void ScreenWithoutMenu(benchmark::State& state) {
    Stage stage;
    for (auto _ : state) {
        stage.frame();
    }
}

BENCHMARK(DragRightMenu)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ScreenWithoutMenu)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    return runGuiBenchmarks(argc, argv, &ZVStartUpToolkit, [](const RatioReporter& reporter) {
        reporter.printRatio("DragRightMenu", "ScreenWithoutMenu", kGoal);
    });
}
