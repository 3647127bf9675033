#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

using namespace platform;
using Mode = SplitViewController::DisplayMode;

namespace {

class RecordingSplitDelegate : public SplitViewControllerDelegate {
public:
    void willChangeToDisplayMode(SplitViewController& split, Mode mode) override {
        modes.push_back(mode);
        modeBefore.push_back(split.displayMode());
    }
    std::vector<Mode> modes;
    std::vector<Mode> modeBefore;
};

// A tablet window showing a split of two navigation stacks, as the inbox and a conversation.
struct Split {
    CallLog log = makeLog();
    std::shared_ptr<Window> window = Window::make(DeviceProfile::tablet());
    std::shared_ptr<RecordingController> left = recording("L", log);
    std::shared_ptr<RecordingController> right = recording("R", log);
    std::shared_ptr<NavigationController> primary = std::make_shared<NavigationController>(left);
    std::shared_ptr<NavigationController> secondary = std::make_shared<NavigationController>(right);
    std::shared_ptr<SplitViewController> split = std::make_shared<SplitViewController>();
    std::shared_ptr<RecordingSplitDelegate> delegate = std::make_shared<RecordingSplitDelegate>();

    Split() {
        left->showContainment = false;
        right->showContainment = false;
        split->setDelegate(delegate);
        split->setViewControllers({primary, secondary});
        split->setPreferredPrimaryColumnWidthFraction(0.3);
        split->setMinimumPrimaryColumnWidth(320);
        split->setMaximumPrimaryColumnWidth(400);
        log->clear();
        window->setRootViewController(split);
        window->layoutIfNeeded();
    }

    QRectF primaryFrame() const { return primary->view()->frame(); }
    QRectF secondaryFrame() const { return secondary->view()->frame(); }
};

}  // namespace

TEST(SplitViewController, BothColumnsAppearAndThePrimaryIsHiddenInPortrait) {
    Split s;
    EXPECT_EQ(*s.log, (QStringList{"R didLoad", "L didLoad", "L willAppear", "R willAppear",
                                   "L didAppear", "R didAppear"}));
    EXPECT_EQ(s.left->splitViewController(), s.split.get());
    EXPECT_EQ(s.split->displayMode(), Mode::PrimaryHidden);
    EXPECT_EQ(s.primaryFrame().width(), 320) << "0.3 of 768 is below the minimum";
    EXPECT_LT(s.primaryFrame().x(), 0) << "waiting left of the screen";
    EXPECT_EQ(s.secondaryFrame(), QRectF(0, 0, 768, 1024));
}

TEST(SplitViewController, LandscapeShowsBothSideBySide) {
    Split s;
    ASSERT_TRUE(rotateWindow(*s.window, InterfaceOrientation::LandscapeLeft, 0));
    s.window->layoutIfNeeded();
    EXPECT_EQ(s.split->displayMode(), Mode::AllVisible);
    EXPECT_EQ(s.delegate->modes, std::vector<Mode>{Mode::AllVisible});
    EXPECT_EQ(s.delegate->modeBefore, std::vector<Mode>{Mode::PrimaryHidden}) << "told before";
    EXPECT_EQ(s.primaryFrame(), QRectF(0, 0, 320, 768)) << "0.3 of 1024 is below the minimum";
    EXPECT_EQ(s.secondaryFrame(), QRectF(321, 0, 703, 768));

    // The width follows the fraction between the limits.
    struct Case {
        qreal fraction, minimum, maximum, width;
    };
    for (const Case& c :
         {Case{0.35, 320, 400, 358.4}, Case{0.5, 320, 400, 400}, Case{0.1, 320, 400, 320},
          Case{0.5, 320, 200, 320}, Case{1.0, 0, 2000, 1024}}) {
        s.split->setPreferredPrimaryColumnWidthFraction(c.fraction);
        s.split->setMinimumPrimaryColumnWidth(c.minimum);
        s.split->setMaximumPrimaryColumnWidth(c.maximum);
        EXPECT_NEAR(s.split->primaryColumnWidth(), c.width, 0.01) << c.fraction;
    }
}

TEST(SplitViewController, TheModeButtonShowsThePrimaryOverTheSecondaryAndATouchBesideHidesIt) {
    Split s;
    const auto button = s.split->displayModeButtonItem();
    s.right->navigationItem().setLeftBarButtonItem(button);
    s.window->layoutIfNeeded();
    button->trigger();
    EXPECT_EQ(s.split->displayMode(), Mode::PrimaryOverlay);
    Scheduler::main().advance(1);
    EXPECT_EQ(s.primaryFrame().x(), 0);
    EXPECT_EQ(s.secondaryFrame().x(), 0) << "the secondary stays where it is";

    // A touch on the uncovered secondary hides the primary and goes no further.
    int secondaryTouches = 0;
    struct Counter : View {
        int* count;
        explicit Counter(int* c) : count(c) {}
        void touchesBegan(const TouchSet&, const TouchEvent&) override { ++*count; }
    };
    auto counter = std::make_shared<Counter>(&secondaryTouches);
    counter->setFrame(s.right->view()->bounds());
    s.right->view()->addSubview(counter);
    s.window->sendTouch(1, TouchPhase::Began, {600, 500});
    s.window->sendTouch(1, TouchPhase::Ended, {600, 500});
    EXPECT_EQ(s.split->displayMode(), Mode::PrimaryHidden);
    EXPECT_EQ(secondaryTouches, 0);
    Scheduler::main().advance(1);
    EXPECT_LT(s.primaryFrame().right(), 0);
    s.window->sendTouch(2, TouchPhase::Began, {600, 500});
    s.window->sendTouch(2, TouchPhase::Ended, {600, 500});
    EXPECT_EQ(secondaryTouches, 1);

    // A preferred mode wins over the orientation.
    s.split->setPreferredDisplayMode(Mode::AllVisible);
    EXPECT_EQ(s.split->displayMode(), Mode::AllVisible);
    s.window->layoutIfNeeded();
    EXPECT_EQ(s.secondaryFrame().x(), 320 + SplitViewController::kDividerWidth);
    EXPECT_EQ(s.delegate->modes,
              (std::vector<Mode>{Mode::PrimaryOverlay, Mode::PrimaryHidden, Mode::AllVisible}));
}
