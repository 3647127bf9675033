#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/gesture/GestureArena.h"
#include "platform/ui/view/DeviceProfile.h"
#include "platform/ui/view/View.h"

#include <QtGui/QImage>

#include <functional>
#include <map>

namespace platform {

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

    Responder* firstResponder() const { return firstResponder_; }
    // Makes `responder` (null: nobody) the first responder; false when the current one refuses.
    bool makeFirstResponder(Responder* responder);

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
    Responder* firstResponder_ = nullptr;
    bool updateScheduled_ = false;
    ScopedTimer updateTimer_;
    std::map<int, std::function<void()>> displayObservers_;
    int nextObserverId_ = 0;
    std::map<int, std::shared_ptr<Touch>> activeTouches_;
    GestureArena arena_;
};

}  // namespace platform
