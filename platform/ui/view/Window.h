#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/gesture/GestureArena.h"
#include "platform/ui/view/DeviceProfile.h"
#include "platform/ui/view/View.h"

#include <QtGui/QImage>

#include <functional>
#include <map>

namespace platform {

class ViewController;

// What the status bar shows, as the window last read it from its controllers.
struct StatusBarAppearance {
    bool hidden = false;
    int style = 0;
    int animation = 1;
};

// The root of a view tree: what a host shows on screen or a test renders into an image. It turns
// touches, keys and text into calls on views, keeps the first responder, and coalesces layout and
// redraw requests into one update on the next turn of the run loop.
class Window : public View {
public:
    explicit Window(DeviceProfile profile = DeviceProfile::phone());
    ~Window() override;

    static std::shared_ptr<Window> make(DeviceProfile profile = DeviceProfile::phone()) {
        return std::make_shared<Window>(profile);
    }

    const DeviceProfile& profile() const { return profile_; }
    void setProfile(const DeviceProfile& profile);
    qreal scale() const { return profile_.scale; }

    // The view that fills the window (a screen's view).
    std::shared_ptr<View> rootView() const { return rootView_; }
    void setRootView(const std::shared_ptr<View>& view);
    void layoutSubviews() override;
    // The controller whose view fills the window. A change runs both controllers' appearance
    // calls: the old one's will-disappear, the new one's will-appear, then the did-calls.
    std::shared_ptr<ViewController> rootViewController() const { return rootViewController_; }
    void setRootViewController(const std::shared_ptr<ViewController>& controller);
    const StatusBarAppearance& statusBarAppearance() const { return statusBar_; }
    void setStatusBarAppearance(const StatusBarAppearance& appearance) { statusBar_ = appearance; }
    // The orientation the interface was last turned to (as an InterfaceOrientation number).
    int interfaceOrientation() const { return interfaceOrientation_; }
    void setInterfaceOrientation(int orientation) { interfaceOrientation_ = orientation; }

    Responder* firstResponder() const { return firstResponder_; }
    // Makes `responder` (null: nobody) the first responder; false when the current one refuses,
    // unless `force` (the current one is told it resigned all the same).
    bool makeFirstResponder(Responder* responder, bool force = false);

    // --- display ---
    void setNeedsUpdate();
    // Lays out what was marked and tells the observers to redraw.
    void updateNow();
    int addDisplayObserver(std::function<void()> observer);
    void removeDisplayObserver(int id);
    // The window as it shows now, at its scale.
    QImage render();
    // Paints the window into `painter`, whose coordinates are the window's points.
    void render(QPainter& painter);

    // --- input ---
    // One finger's phase at `location` (window points). Fingers are told apart by `identifier`.
    void sendTouch(int identifier, TouchPhase phase, QPointF location);
    bool sendKey(const KeyPress& key);
    bool sendTextInput(const TextInput& input);
    bool hasActiveTouches() const { return !activeTouches_.empty(); }

    GestureArena& gestureArena() { return arena_; }
    Window* asWindow() override { return this; }
    const Window* asWindow() const override { return this; }

    // A view is leaving this window: it stops being first responder and its touches end.
    void viewWillLeave(View& view);

private:
    void takeTouchesFromViews(GestureRecognizer& recognizer);
    void deliverToView(const std::shared_ptr<Touch>& touch, TouchPhase phase,
                       const TouchEvent& event);
    std::vector<std::shared_ptr<GestureRecognizer>> recognizersFor(
        const std::shared_ptr<Touch>& touch, View* hit);

    DeviceProfile profile_;
    std::shared_ptr<View> rootView_;
    std::shared_ptr<ViewController> rootViewController_;
    StatusBarAppearance statusBar_;
    int interfaceOrientation_ = 1;
    Responder* firstResponder_ = nullptr;
    bool updateScheduled_ = false;
    ScopedTimer updateTimer_;
    std::map<int, std::function<void()>> displayObservers_;
    int nextObserverId_ = 0;
    std::map<int, std::shared_ptr<Touch>> activeTouches_;
    GestureArena arena_;
};

}  // namespace platform
