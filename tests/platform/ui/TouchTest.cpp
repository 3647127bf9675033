#include "platform/ui/gesture/TapGestureRecognizer.h"
#include "platform/ui/view/Control.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Writes down what reaches it and, like a plain view, passes it on.
class RecordingView : public View {
public:
    RecordingView(const QRectF& frame, QString name, std::vector<QString>& log, bool handles)
        : View(frame), name_(std::move(name)), log_(log), handles_(handles) {}

    void touchesBegan(const TouchSet& t, const TouchEvent& e) override { note("began", t, e, 0); }
    void touchesMoved(const TouchSet& t, const TouchEvent& e) override { note("moved", t, e, 1); }
    void touchesEnded(const TouchSet& t, const TouchEvent& e) override { note("ended", t, e, 2); }
    void touchesCancelled(const TouchSet& t, const TouchEvent& e) override {
        note("cancelled", t, e, 3);
    }

private:
    void note(const char* what, const TouchSet& touches, const TouchEvent& event, int phase) {
        const QPointF at = touches.front()->locationInView(this);
        log_.push_back(
            QStringLiteral("%1 %2 %3,%4").arg(name_, QLatin1String(what)).arg(at.x()).arg(at.y()));
        if (!handles_) {
            switch (phase) {
                case 0:
                    View::touchesBegan(touches, event);
                    break;
                case 1:
                    View::touchesMoved(touches, event);
                    break;
                case 2:
                    View::touchesEnded(touches, event);
                    break;
                default:
                    View::touchesCancelled(touches, event);
            }
        }
    }

    QString name_;
    std::vector<QString>& log_;
    bool handles_;
};

struct Screen {
    std::shared_ptr<Window> window = Window::make();
    std::vector<QString> log;
    std::shared_ptr<RecordingView> container;
    std::shared_ptr<RecordingView> leaf;

    Screen() {
        auto root = View::make(window->bounds());
        window->setRootView(root);
        container = std::make_shared<RecordingView>(QRectF(20, 40, 300, 300),
                                                    QStringLiteral("container"), log, true);
        leaf = std::make_shared<RecordingView>(QRectF(10, 10, 100, 100), QStringLiteral("leaf"),
                                               log, false);
        root->addSubview(container);
        container->addSubview(leaf);
    }
    void tap(QPointF at) {
        window->sendTouch(1, TouchPhase::Began, at);
        window->sendTouch(1, TouchPhase::Ended, at);
    }
};

}  // namespace

TEST(Touches, ScriptedStreamTravelsUpTheResponderChainFromTheViewUnderTheFinger) {
    Screen screen;
    screen.window->sendTouch(1, TouchPhase::Began, {35, 55});
    screen.window->sendTouch(1, TouchPhase::Moved, {45, 65});
    // The finger leaves the leaf: its touches still belong to the view it landed on.
    screen.window->sendTouch(1, TouchPhase::Moved, {250, 300});
    screen.window->sendTouch(1, TouchPhase::Ended, {250, 300});

    EXPECT_EQ(screen.log, (std::vector<QString>{"leaf began 5,5", "container began 15,15",
                                                "leaf moved 15,15", "container moved 25,25",
                                                "leaf moved 220,250", "container moved 230,260",
                                                "leaf ended 220,250", "container ended 230,260"}));
    EXPECT_FALSE(screen.window->hasActiveTouches());
}

TEST(Touches, ControlKeepsItsTouchFromSuperviewsAndTheirTapRecognizers) {
    Screen screen;
    auto control = View::make<Control>(QRectF(150, 150, 80, 40));
    screen.container->addSubview(control);
    std::vector<QString> events;
    control->addTarget(Control::TouchDown, [&](Control&) { events.push_back("down"); });
    control->addTarget(Control::TouchUpInside, [&](Control&) { events.push_back("up inside"); });
    int containerTaps = 0;
    screen.container->addGestureRecognizer(
        std::make_shared<TapGestureRecognizer>([&](GestureRecognizer& r) {
            containerTaps += r.state() == GestureRecognizerState::Ended;
        }));

    screen.tap({200, 210});
    EXPECT_EQ(events, (std::vector<QString>{"down", "up inside"}));
    EXPECT_TRUE(screen.log.empty()) << "the container heard of the control's touch";
    EXPECT_EQ(containerTaps, 0);
    EXPECT_FALSE(control->isHighlighted());

    // Beside the control, the same tap is the container's.
    screen.tap({100, 250});
    EXPECT_EQ(containerTaps, 1);
    EXPECT_EQ(screen.log.front(), QStringLiteral("container began 80,210"));
    EXPECT_EQ(screen.log.back(), QStringLiteral("container cancelled 80,210"))
        << "the recognized tap takes the touch from the view";

    // A disabled control lets its touches through.
    control->setEnabled(false);
    screen.log.clear();
    screen.tap({200, 210});
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(screen.log.front(), QStringLiteral("container began 180,170"));
}

TEST(Touches, DragOutOfAControlEndsOutsideAndKeysGoToTheFirstResponder) {
    Screen screen;
    auto control = View::make<Control>(QRectF(0, 0, 40, 40));
    screen.container->addSubview(control);
    std::vector<QString> events;
    control->addTarget(
        Control::TouchUpInside | Control::TouchUpOutside | Control::TouchDragExit,
        [&](Control& c) { events.push_back(c.isTouchInside() ? "inside" : "outside"); });
    screen.window->sendTouch(1, TouchPhase::Began, {40, 60});
    screen.window->sendTouch(1, TouchPhase::Moved, {40 + Control::kTouchSlop + 50, 60});
    screen.window->sendTouch(1, TouchPhase::Ended, {40 + Control::kTouchSlop + 50, 60});
    EXPECT_EQ(events, (std::vector<QString>{"outside", "outside"}));

    class KeyView : public View {
    public:
        using View::View;
        std::vector<int> keys;
        bool canBecomeFirstResponder() const override { return true; }
        bool keyPressed(const KeyPress& key) override {
            keys.push_back(key.key);
            return true;
        }
    };
    auto keyView = View::make<KeyView>(QRectF(0, 0, 10, 10));
    EXPECT_FALSE(keyView->becomeFirstResponder()) << "not in a window yet";
    screen.leaf->addSubview(keyView);
    ASSERT_TRUE(keyView->becomeFirstResponder());
    EXPECT_TRUE(screen.window->sendKey({Qt::Key_A, {}, QStringLiteral("a")}));
    EXPECT_EQ(keyView->keys, std::vector<int>{Qt::Key_A});
    keyView->removeFromSuperview();
    EXPECT_EQ(screen.window->firstResponder(), nullptr) << "a view that leaves stops responding";
    EXPECT_FALSE(screen.window->sendKey({Qt::Key_B, {}, QStringLiteral("b")}));
}
