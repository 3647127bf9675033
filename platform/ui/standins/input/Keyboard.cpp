#include "platform/ui/standins/input/Keyboard.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/input/InputPanelKeyboard.h"

#include <QtCore/QVariantMap>

namespace platform {

namespace {

// Below the screen's bottom edge, as wide as `frame`: where the keyboard comes from and goes to.
QRectF offScreen(const QRectF& frame, const QRectF& screen) {
    return {frame.left(), screen.bottom(), frame.width(), frame.height()};
}

}  // namespace

Keyboard::~Keyboard() = default;

std::shared_ptr<Keyboard> Keyboard::shared() {
    return sharedService<Keyboard>([] { return std::make_shared<InputPanelKeyboard>(); });
}

void Keyboard::setShared(std::shared_ptr<Keyboard> keyboard) {
    sharedSlot<std::shared_ptr<Keyboard>>() = std::move(keyboard);
}

void Keyboard::inputDidBegin(const KeyboardRequest& request) {
    pendingHide_.cancel();
    const QRectF target = frameFor(request);
    if (visible_ && target == frame_) {
        return;
    }
    const QRectF from = visible_ ? frame_ : offScreen(target, request.screen);
    visible_ = true;
    frame_ = target;
    screen_ = request.screen;
    move(from, target, true);
}

void Keyboard::inputDidEnd() {
    if (!visible_ || pendingHide_.isValid()) {
        return;
    }
    pendingHide_ = Scheduler::main().after(0, [this] { hideNow(); });
}

void Keyboard::hideNow() {
    pendingHide_.cancel();
    if (!visible_) {
        return;
    }
    willHide();
    visible_ = false;
    move(frame_, offScreen(frame_, screen_), false);
}

void Keyboard::move(const QRectF& from, const QRectF& to, bool showing) {
    const QVariantMap info{
        {FrameBeginUserInfoKey, QVariant::fromValue(from)},
        {FrameEndUserInfoKey, QVariant::fromValue(to)},
        {AnimationDurationUserInfoKey, kAnimationDuration},
        {AnimationCurveUserInfoKey, kAnimationCurve},
    };
    auto& centre = NotificationCenter::defaultCenter();
    centre.postNotificationName(WillChangeFrameNotification, nullptr, {}, info);
    centre.postNotificationName(showing ? WillShowNotification : WillHideNotification, nullptr, {},
                                info);
    // A move that starts before the last one ended replaces it: only its own did-notices come.
    didNotifications_ = Scheduler::main().after(kAnimationDuration, [info, showing] {
        auto& center = NotificationCenter::defaultCenter();
        center.postNotificationName(DidChangeFrameNotification, nullptr, {}, info);
        center.postNotificationName(showing ? DidShowNotification : DidHideNotification, nullptr,
                                    {}, info);
    });
}

}  // namespace platform
