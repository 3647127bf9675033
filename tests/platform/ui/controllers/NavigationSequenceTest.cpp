#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace platform;
using Appearance = ViewController::Appearance;

namespace {

// Checks every controller's calls against the cycle will-appear, did-appear, will-disappear,
// did-disappear (a will-call may be turned back by the opposite will-call, as a called-off pop
// does) and counts the delegate's calls.
class CycleChecker : public NavigationControllerDelegate {
public:
    void note(const QString& line) {
        const QString name = line.section(' ', 0, 0);
        const QString call = line.section(' ', 1, 1);
        Appearance& state = states_[name];
        const std::map<std::pair<Appearance, QString>, Appearance> allowed{
            {{Appearance::Disappeared, "willAppear"}, Appearance::Appearing},
            {{Appearance::Disappearing, "willAppear"}, Appearance::Appearing},
            {{Appearance::Appearing, "didAppear"}, Appearance::Appeared},
            {{Appearance::Appeared, "willDisappear"}, Appearance::Disappearing},
            {{Appearance::Appearing, "willDisappear"}, Appearance::Disappearing},
            {{Appearance::Disappearing, "didDisappear"}, Appearance::Disappeared},
        };
        const auto it = allowed.find({state, call});
        if (it == allowed.end()) {
            ADD_FAILURE() << "out of order: " << line.toStdString();
            return;
        }
        state = it->second;
    }

    void willShowViewController(NavigationController& navigation, ViewController&, bool) override {
        ++willShow;
        meddle(navigation);
    }
    void didShowViewController(NavigationController& navigation, ViewController&, bool) override {
        ++didShow;
        meddle(navigation);
    }

    // Now and then the delegate changes the stack itself from inside a call, at most once per
    // request of the test.
    void meddle(NavigationController& navigation) {
        if (!mayMeddle || random == nullptr || (*random)() % 4 != 0) {
            return;
        }
        mayMeddle = false;
        ++meddled;
        if ((*random)() % 2 == 0) {
            navigation.popViewControllerAnimated((*random)() % 2 == 0);
        } else {
            for (const auto& c : *pool) {
                if (c->parentViewController() == nullptr) {
                    navigation.pushViewController(c, (*random)() % 2 == 0);
                    break;
                }
            }
        }
    }

    std::mt19937* random = nullptr;
    const std::vector<std::shared_ptr<ViewController>>* pool = nullptr;
    bool mayMeddle = false;
    int meddled = 0;
    void didCancelShowViewController(NavigationController&, ViewController&) override {
        ++cancelled;
    }

    int willShow = 0;
    int didShow = 0;
    int cancelled = 0;

private:
    std::map<QString, Appearance> states_;
};

class CheckedController : public ViewController {
public:
    CheckedController(const QString& name, CycleChecker& checker) : checker_(checker) {
        setTitle(name);
    }
    void viewWillAppear(bool) override { checker_.note(title() + " willAppear"); }
    void viewDidAppear(bool) override { checker_.note(title() + " didAppear"); }
    void viewWillDisappear(bool) override { checker_.note(title() + " willDisappear"); }
    void viewDidDisappear(bool) override { checker_.note(title() + " didDisappear"); }

private:
    CycleChecker& checker_;
};

}  // namespace

// Random pushes, pops, stack changes and edge drags, some cut short by the next request or by the
// delegate changing the stack from inside its calls: every
// controller keeps its cycle and, once things settle, only the top screen shows.
TEST(NavigationSequences, EveryControllerKeepsItsCycleWhateverTheOrderOfRequests) {
    int shown = 0;
    int cancelled = 0;
    int meddled = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto checker = std::make_shared<CycleChecker>();
        std::vector<std::shared_ptr<ViewController>> pool;
        for (int i = 0; i < 6; ++i) {
            pool.push_back(std::make_shared<CheckedController>(QString::number(i), *checker));
        }
        auto window = Window::make();
        const auto navigation = std::make_shared<NavigationController>(pool[0]);
        navigation->setDelegate(checker);
        window->setRootViewController(navigation);
        window->layoutIfNeeded();
        checker->random = &random;
        checker->pool = &pool;

        for (int step = 0; step < 40; ++step) {
            checker->mayMeddle = true;
            const bool animated = random() % 2 == 0;
            switch (random() % 6) {
                case 0:
                case 1: {
                    const auto& candidate = pool[random() % pool.size()];
                    if (candidate->parentViewController() == nullptr) {
                        navigation->pushViewController(candidate, animated);
                    }
                    break;
                }
                case 2:
                    navigation->popViewControllerAnimated(animated);
                    break;
                case 3:
                    navigation->popToRootViewControllerAnimated(animated);
                    break;
                case 4: {
                    NavigationController::Stack stack;
                    for (const auto& c : pool) {
                        if (random() % 3 == 0) {
                            stack.push_back(c);
                        }
                    }
                    if (!stack.empty()) {
                        navigation->setViewControllers(stack, animated);
                    }
                    break;
                }
                case 5: {
                    const qreal to = 40 + random() % 300;
                    window->sendTouch(1, TouchPhase::Began, {5, 300});
                    Scheduler::main().advance(0.02);
                    window->sendTouch(1, TouchPhase::Moved, {to, 300});
                    Scheduler::main().advance(0.02 * (random() % 10));
                    window->sendTouch(1, TouchPhase::Ended, {to, 300});
                    break;
                }
            }
            Scheduler::main().advance(0.1 * (random() % 5));
        }
        checker->mayMeddle = false;
        Scheduler::main().advance(2);

        ASSERT_FALSE(navigation->isTransitioning());
        ViewController* top = navigation->topViewController();
        ASSERT_NE(top, nullptr);
        for (const auto& c : pool) {
            const bool isTop = c.get() == top;
            EXPECT_EQ(c->appearance(), isTop ? Appearance::Appeared : Appearance::Disappeared)
                << c->title().toStdString();
            EXPECT_EQ(c->isViewLoaded() && c->viewIfLoaded()->window() != nullptr, isTop)
                << c->title().toStdString();
        }
        EXPECT_EQ(top->view()->frame(), navigation->contentFrameFor(*top));
        EXPECT_EQ(navigation->navigationBar().shownTitle(), top->title());
        EXPECT_EQ(checker->willShow, checker->didShow + checker->cancelled);
        shown += checker->didShow;
        cancelled += checker->cancelled;
        meddled += checker->meddled;
    }
    // The sequences reached both ends of a transition.
    EXPECT_GT(shown, 100);
    EXPECT_GT(cancelled, 0);
    EXPECT_GT(meddled, 20);
}
