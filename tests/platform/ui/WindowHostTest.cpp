#include "platform/ui/host/WindowHost.h"
#include "tools/gallery/SampleScreen.h"
#include "tools/gallery/SampleTable.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

using namespace platform;
using gallery::SampleScreen;

namespace {

// Real events need real time: these bound how long the window system may take, they do not time
// anything the code does.
constexpr int kWindowSystemTimeoutMs = 10000;

bool isXcb() {
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

// What the screen shows of the host: the X server's own pixels on a real display, the widget's
// backing store elsewhere.
QImage grab(WindowHost& host) {
    if (isXcb()) {
        return host.screen()->grabWindow(host.winId()).toImage();
    }
    return host.grab().toImage();
}

bool closeTo(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// Lets Qt deliver events and the scheduler run what is due (layout, redraw) until `done`.
bool settle(const std::function<bool()>& done) {
    return Scheduler::main().runUntil(
        [&] {
            QCoreApplication::processEvents();
            Scheduler::main().runPending();
            return done();
        },
        kWindowSystemTimeoutMs);
}

struct Shown {
    std::shared_ptr<Window> window = Window::make();
    SampleScreen screen = SampleScreen::make(window->profile().size);
    std::unique_ptr<WindowHost> host;

    Shown() {
        window->setRootView(screen.root);
        host = std::make_unique<WindowHost>(window);
        host->show();
    }
};

}  // namespace

// Runs on the offscreen platform with every test, and again in a real X window under a virtual
// X server (the real-window step of the test script).
TEST(WindowHost, ScriptedClickThroughTheEventQueueReachesAViewAndTheWindowShowsIt) {
    Shown shown;
    ASSERT_TRUE(settle([&] { return shown.host->windowHandle()->isExposed(); }))
        << "the window never showed on " << QGuiApplication::platformName().toStdString();
    ASSERT_TRUE(settle([&] {
        return closeTo(grab(*shown.host).pixelColor(shown.screen.targetPoint().toPoint()),
                       SampleScreen::kTargetIdle);
    }));
    const QImage before = grab(*shown.host);
    EXPECT_TRUE(closeTo(before.pixelColor(shown.screen.cardInsidePoint().toPoint()),
                        SampleScreen::kCardFill));
    EXPECT_TRUE(closeTo(before.pixelColor(shown.screen.picturePoint().toPoint()),
                        SampleScreen::kPictureFill));

    const QPointF at = shown.screen.targetPoint();
    QWindow* handle = shown.host->windowHandle();
    const QPointF global = handle->mapToGlobal(at.toPoint());
    QCoreApplication::postEvent(
        handle, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        handle, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier));
    ASSERT_TRUE(settle([&] { return shown.screen.target->taps() == 1; }));
    EXPECT_TRUE(settle([&] {
        return closeTo(grab(*shown.host).pixelColor(at.toPoint()), SampleScreen::kTargetTapped);
    })) << "the tapped colour never reached the screen";
}

TEST(WindowHost, NativeChildFollowsItsViewsFrame) {
    Shown shown;
    auto slot = View::make(QRectF(20, 30, 100, 50));
    shown.screen.card->addSubview(slot);
    auto* child = new QWidget();
    shown.host->attachNativeChild(slot, child);
    const QRect expected = slot->convertRectTo(slot->bounds(), nullptr).toAlignedRect();
    EXPECT_EQ(child->geometry(), expected);
    EXPECT_EQ(child->parentWidget(), shown.host.get());

    shown.screen.card->setCenter(shown.screen.card->center() + QPointF(0, 40));
    Scheduler::main().runPending();
    EXPECT_EQ(child->geometry(), expected.translated(0, 40));
    slot->setHidden(true);
    Scheduler::main().runPending();
    EXPECT_TRUE(child->isHidden());
    slot->setHidden(false);
    slot->removeFromSuperview();
    Scheduler::main().runPending();
    EXPECT_TRUE(child->isHidden()) << "a view that left the window takes its child along";
}

TEST(WindowHost, KeysAndInputMethodTextReachTheFirstResponder) {
    Shown shown;
    class Editor : public View {
    public:
        using View::View;
        std::vector<QString> received;
        bool canBecomeFirstResponder() const override { return true; }
        bool keyPressed(const KeyPress& key) override {
            received.push_back(QStringLiteral("key ") + key.text);
            return true;
        }
        bool textInput(const TextInput& input) override {
            received.push_back(
                QStringLiteral("preedit '%1' commit '%2'").arg(input.preedit, input.commit));
            return true;
        }
    };
    auto editor = View::make<Editor>(QRectF(0, 0, 100, 40));
    shown.screen.root->addSubview(editor);
    EXPECT_FALSE(shown.host->inputMethodQuery(Qt::ImEnabled).toBool());
    ASSERT_TRUE(editor->becomeFirstResponder());
    EXPECT_TRUE(shown.host->inputMethodQuery(Qt::ImEnabled).toBool());

    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(shown.host.get(), &key);
    QInputMethodEvent composing(QStringLiteral("ni"), {});
    QCoreApplication::sendEvent(shown.host.get(), &composing);
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("你"));
    QCoreApplication::sendEvent(shown.host.get(), &committed);
    EXPECT_EQ(editor->received,
              (std::vector<QString>{"key x", "preedit 'ni' commit ''", "preedit '' commit '你'"}));
}

// The gallery's table in a real window: a mouse drag posted through the event queue scrolls it,
// and other rows show.
TEST(WindowHost, GalleryTableScrollsUnderADragThroughTheEventQueue) {
    auto window = Window::make();
    const gallery::SampleTable sample = gallery::SampleTable::make(window->profile().size);
    window->setRootView(sample.table);
    WindowHost host(window);
    host.show();
    ASSERT_TRUE(settle([&] { return host.windowHandle()->isExposed(); }));
    const auto before = sample.table->indexPathsForVisibleRows();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.front(), IndexPath({0, 0}));

    QWindow* handle = host.windowHandle();
    auto post = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        QCoreApplication::postEvent(
            handle, new QMouseEvent(type, at, handle->mapToGlobal(at.toPoint()), button, buttons,
                                    Qt::NoModifier));
    };
    const qreal x = window->bounds().center().x();
    post(QEvent::MouseButtonPress, {x, 600}, Qt::LeftButton, Qt::LeftButton);
    for (qreal y = 580; y >= 100; y -= 20) {
        post(QEvent::MouseMove, {x, y}, Qt::NoButton, Qt::LeftButton);
    }
    post(QEvent::MouseButtonRelease, {x, 100}, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(settle([&] { return !window->hasActiveTouches(); }));

    EXPECT_GT(sample.table->contentOffset().y(), 400);
    const auto after = sample.table->indexPathsForVisibleRows();
    ASSERT_FALSE(after.empty());
    EXPECT_GT(after.front(), before.front());
    // What the screen shows is what the table laid out: the rows now on top are drawn there.
    const auto top = sample.table->cellForRowAtIndexPath(after.front());
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->convertRectTo(top->bounds(), nullptr).intersects(window->bounds()));
}

// Wheel notches through the event queue move the table under the pointer by a fixed distance
// each, never past its resting offsets.
TEST(WindowHost, GalleryTableScrollsUnderWheelNotches) {
    auto window = Window::make();
    const gallery::SampleTable sample = gallery::SampleTable::make(window->profile().size);
    window->setRootView(sample.table);
    WindowHost host(window);
    host.show();
    ASSERT_TRUE(settle([&] { return host.windowHandle()->isExposed(); }));
    const qreal start = sample.table->contentOffset().y();
    ASSERT_EQ(start, sample.table->minimumContentOffset().y());

    QWindow* handle = host.windowHandle();
    const QPointF at = window->bounds().center();
    auto wheel = [&](int notches) {
        for (int notch = 0; notch < std::abs(notches); ++notch) {
            const QPoint angle(0, notches > 0 ? -int(WindowHost::kWheelNotchAngle)
                                              : int(WindowHost::kWheelNotchAngle));
            QCoreApplication::postEvent(
                handle, new QWheelEvent(at, handle->mapToGlobal(at), QPoint(), angle, Qt::NoButton,
                                        Qt::NoModifier, Qt::NoScrollPhase, false));
        }
    };
    struct Case {
        const char* name;
        int notches;
        qreal expected;
    };
    const qreal top = sample.table->minimumContentOffset().y();
    const std::vector<Case> cases{
        {"three down", 3, top + 3 * WindowHost::kWheelNotchDistance},
        {"one up", -1, top + 2 * WindowHost::kWheelNotchDistance},
        {"past the top", -10, top},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        wheel(test.notches);
        ASSERT_TRUE(settle([&] { return sample.table->contentOffset().y() == test.expected; }));
    }
    // Far past the bottom it rests at the last row.
    wheel(2000);
    ASSERT_TRUE(settle([&] {
        return sample.table->contentOffset().y() == sample.table->maximumContentOffset().y();
    }));
}
