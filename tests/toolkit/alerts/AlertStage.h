#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/standins/AlertController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QRectF>

#include <memory>
#include <vector>

// A window that cards show in, with a root controller whose view fills it (native sheets are
// presented from it), fingers and the virtual clock.
struct AlertStage {
    static constexpr double kSettle = 3;

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::ViewController> controller = platform::ViewController::make();
    std::shared_ptr<platform::View> root;

    explicit AlertStage(QSizeF size = {375, 667}, qreal scale = 2, bool screenReader = false)
        : window(platform::Window::make(
              {platform::DeviceProfile::Idiom::Phone, size, scale, 20, screenReader})) {
        window->setRootViewController(controller);
        root = controller->view();
        root->setBackgroundColor(Qt::white);
        manager().setKeyWindow(window);
    }

    static ZVAlertViewManager& manager() { return ZVAlertViewManager::alertViewManager(); }
    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }
    // Every animation and spring at rest.
    static void settle() { wait(kSettle); }

    // A finger down and up at `at` (window points), `via` a second place on the way.
    void tap(QPointF at) { drag(at, at); }
    void drag(QPointF from, QPointF to) {
        window->sendTouch(1, platform::TouchPhase::Began, from);
        window->sendTouch(1, platform::TouchPhase::Moved, to);
        window->sendTouch(1, platform::TouchPhase::Ended, to);
    }
    // The native alert or sheet shown over the screens, if any.
    std::shared_ptr<platform::AlertController> nativeAlert() const {
        return std::dynamic_pointer_cast<platform::AlertController>(
            controller->presentedViewController());
    }
    QStringList nativeTitles() const {
        QStringList titles;
        if (const auto shown = nativeAlert()) {
            for (const auto& action : shown->actions()) {
                titles << action->title();
            }
        }
        return titles;
    }
    // Chooses the native action titled `title`; false when none shows.
    bool choose(const QString& title) const {
        const int index = static_cast<int>(nativeTitles().indexOf(title));
        return index >= 0 && nativeAlert()->chooseAction(index);
    }
    // The middle of `view` in window points.
    static QPointF middleOf(const platform::View& view) {
        return view.convertPointTo(view.bounds().center(), nullptr);
    }
};

// Writes down each dismissal it hears, and whether the card was still showing then.
class RecordingDelegate : public ZVAlertViewDelegate {
public:
    struct Heard {
        int index;
        bool wasCurrent;
    };
    std::vector<Heard> heard;
    std::function<void(ZVAlertView&, int)> also;

    void alertView(ZVAlertView& alertView, int buttonIndex) override {
        heard.push_back(
            {buttonIndex,
             ZVAlertViewManager::alertViewManager().currentAlertView().get() == &alertView});
        if (also) {
            also(alertView, buttonIndex);
        }
    }
    std::vector<int> indexes() const {
        std::vector<int> out;
        for (const auto& h : heard) {
            out.push_back(h.index);
        }
        return out;
    }
};
