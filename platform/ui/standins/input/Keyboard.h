#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/standins/input/KeyboardTraits.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QRectF>

#include <memory>

namespace platform {

// What a text input asks of the keyboard when it becomes first responder.
struct KeyboardRequest {
    // The window's bounds, in its points: the keyboard rises from their bottom edge.
    QRectF screen;
    KeyboardType type = KeyboardType::Default;
    ReturnKeyType returnKey = ReturnKeyType::Default;
    bool secure = false;
};

// The keyboard that comes up while a text input is first responder. Screens follow it through
// the default notification centre: will-change-frame and will-show (or will-hide) when it starts
// to move, did-change-frame and did-show (or did-hide) once its animation has run on the
// scheduler's clock. Each carries the begin and end frames (QRectF, window points), the duration
// (seconds) and the animation curve (a view-animation curve number).
//
// Keyboard::shared() is the host's input panel; tests install a FakeKeyboard.
class Keyboard {
public:
    static constexpr QLatin1StringView WillShowNotification{"KeyboardWillShowNotification"};
    static constexpr QLatin1StringView DidShowNotification{"KeyboardDidShowNotification"};
    static constexpr QLatin1StringView WillHideNotification{"KeyboardWillHideNotification"};
    static constexpr QLatin1StringView DidHideNotification{"KeyboardDidHideNotification"};
    static constexpr QLatin1StringView WillChangeFrameNotification{
        "KeyboardWillChangeFrameNotification"};
    static constexpr QLatin1StringView DidChangeFrameNotification{
        "KeyboardDidChangeFrameNotification"};
    static constexpr QLatin1StringView FrameBeginUserInfoKey{"KeyboardFrameBeginUserInfoKey"};
    static constexpr QLatin1StringView FrameEndUserInfoKey{"KeyboardFrameEndUserInfoKey"};
    static constexpr QLatin1StringView AnimationDurationUserInfoKey{
        "KeyboardAnimationDurationUserInfoKey"};
    static constexpr QLatin1StringView AnimationCurveUserInfoKey{
        "KeyboardAnimationCurveUserInfoKey"};

    static constexpr double kAnimationDuration = 0.25;
    // Ease in and out.
    static constexpr int kAnimationCurve = 0;

    Keyboard() = default;
    virtual ~Keyboard();
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    static std::shared_ptr<Keyboard> shared();
    // Replaces the shared keyboard (tests); null goes back to the host's.
    static void setShared(std::shared_ptr<Keyboard> keyboard);

    // A text input became first responder: the keyboard comes up, or changes for the new input.
    void inputDidBegin(const KeyboardRequest& request);
    // The input resigned: the keyboard goes down on the next turn of the run loop, unless another
    // input begins before that (focus moving from field to field keeps it up).
    void inputDidEnd();

    bool isVisible() const { return visible_; }
    // Where the keyboard is (or is going), in window points; empty while it is down.
    QRectF frame() const { return visible_ ? frame_ : QRectF(); }

protected:
    // The frame the keyboard takes for `request`, in window points. A keyboard that takes no room
    // on screen (a hardware one) answers an empty rectangle at the screen's bottom edge.
    virtual QRectF frameFor(const KeyboardRequest& request) = 0;
    virtual void willHide() {}

private:
    void move(const QRectF& from, const QRectF& to, bool showing);
    void hideNow();

    bool visible_ = false;
    QRectF frame_;
    QRectF screen_;
    ScopedTimer pendingHide_;
    ScopedTimer didNotifications_;
};

}  // namespace platform
