#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/TextAttributes.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <QtCore/QString>

#include <memory>

class ZVStatusViewClient;

namespace platform {
class Label;
class NavigationController;
}  // namespace platform

// The thin bar that slides out from under the inbox side's navigation bar while the application
// is offline, connecting, synchronising or failing, or while another part shows a progress
// message in it. Short-lived states are damped: only the synced and error states show at once.
// While out it takes room at the top of the screens; a tap opens a card that explains the state
// and offers a retry. Main thread only.
class ZVStatusView : public platform::View, public ZVAlertViewDelegate {
    struct Passkey {};

public:
    static constexpr qreal kHeight = 30;
    static constexpr platform::TimeInterval kAnimationDuration = 0.3;
    // A state other than synced or error shows once it has lasted longer than this.
    static constexpr platform::TimeInterval kDampingInterval = 3.0;
    static constexpr platform::TimeInterval kRetryInterval = 1.0;
    // Progress strictly between these counts as synchronising.
    static constexpr float kProgressStarted = 0.01f;
    static constexpr float kProgressFinished = 0.99f;
    static constexpr int kTextStyle = 19;
    // The state shown while nothing is: the client's synced state.
    static constexpr int kNothingShown = 2;
    // International roaming is off.
    static constexpr int kRoamingOffErrorCode = -1018;
    static constexpr int kServiceErrorFirst = 500;
    static constexpr int kServiceErrorLast = 599;
    static constexpr int kOkButton = 0;
    static constexpr int kRetryButton = 1;

    // A bar of `superview`'s (the left navigation stack), watching `client`.
    static std::shared_ptr<ZVStatusView> make(
        const std::shared_ptr<platform::NavigationController>& superview,
        std::shared_ptr<ZVStatusViewClient> client);
    static std::shared_ptr<ZVStatusView> make(
        const std::shared_ptr<platform::NavigationController>& superview);

    ZVStatusView(Passkey, const std::shared_ptr<platform::NavigationController>& superview,
                 std::shared_ptr<ZVStatusViewClient> client);
    ~ZVStatusView() override;

    int status() const { return status_; }
    bool isShown() const { return shown_; }
    bool delayingUpdate() const { return delayingUpdate_; }
    platform::TimeInterval statusResetTime() const { return statusResetTime_; }
    const std::shared_ptr<platform::Label>& label() const { return label_; }
    QString text() const;
    void setText(const QString& text);

    // Shows a message of another part (a download's progress) until it calls hideAndUpdate().
    void showWithMessage(const QString& text);
    void showProgress();
    void showWithColor(const platform::Color& color);
    // Slides the bar away.
    void hide();
    // Takes the bar away at once and evaluates the state afresh.
    void hideAndUpdate();

    // Places the bar for its state again (after a rotation or a size change).
    void updateLocation();
    void updateLocationShown(bool shown);
    // The room the bar takes at the top of the screens: its height while shown, else 0.
    qreal contentInset() const { return shown_ ? kHeight : 0; }
    // Gives the screens that take the room the current inset.
    void notifyInsetChange();

    // The damped state machine.
    void updateStatusDelayed();
    void tryUpdateStatus();
    void updateStatus();

    // Opens the card that explains the client's state.
    void statusButtonClicked();
    // The card's title and message for the client's state now.
    QString alertTitle() const;
    QString alertMessage() const;
    void alertView(ZVAlertView& alertView, int buttonIndex) override;

    void layoutSubviews() override;
    // The bar keeps its touches: a lift on it is a tap.
    void touchesBegan(const platform::TouchSet& /*touches*/,
                      const platform::TouchEvent& /*event*/) override {}
    void touchesMoved(const platform::TouchSet& /*touches*/,
                      const platform::TouchEvent& /*event*/) override {}
    void touchesCancelled(const platform::TouchSet& /*touches*/,
                          const platform::TouchEvent& /*event*/) override {}
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    void start();
    platform::TimeInterval now() const;

    std::weak_ptr<platform::NavigationController> superview_;
    std::shared_ptr<ZVStatusViewClient> client_;
    int status_ = kNothingShown;
    platform::TimeInterval statusResetTime_ = 0;
    bool delayingUpdate_ = false;
    bool shown_ = false;
    std::shared_ptr<platform::Label> label_;
    platform::Observation connectionObservation_;
    platform::Observation progressObservation_;
    // The retries capture this bar and end with it; declared last, so that they go first.
    platform::TimerGroup timers_;
};
