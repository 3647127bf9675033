#pragma once

#include "platform/ui/view/Touch.h"

#include <QtCore/QPointF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class GestureRecognizer;
class View;

// The numbers are the platform's, which screens compare against.
enum class GestureRecognizerState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5,
};

class GestureRecognizerDelegate {
public:
    virtual ~GestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer&) { return true; }
    virtual bool gestureRecognizerShouldReceiveTouch(GestureRecognizer&, const Touch&) {
        return true;
    }
    virtual bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer&,
                                                                GestureRecognizer& /*other*/) {
        return false;
    }
};

// Watches the touches of its view (and of the view's subviews) and turns them into a gesture.
// Every change of state goes through setState, which subclasses may override; the base decides
// whether a gesture may begin (delegate, views, failure requirements, other recognizers) and then
// sends the actions. Discrete gestures go from possible straight to ended ("recognized").
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    using State = GestureRecognizerState;
    using Action = std::function<void(GestureRecognizer&)>;

    GestureRecognizer() = default;
    explicit GestureRecognizer(Action action);
    virtual ~GestureRecognizer() = default;
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    State state() const { return state_; }
    virtual void setState(State state);

    int addTarget(Action action);
    void removeTarget(int id);
    bool hasTargets() const { return !targets_.empty(); }

    View* view() const { return view_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
    std::shared_ptr<GestureRecognizerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GestureRecognizerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // This recognizer may recognize only after `other` has failed; it fails if `other` recognizes.
    void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);
    bool requiresFailureOf(const GestureRecognizer& other) const;

    // The centroid of the touches being tracked, in `view`'s coordinates (window when null).
    QPointF locationInView(const View* view) const;
    int numberOfTouches() const { return static_cast<int>(touches_.size()); }

    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);
    // Back to a fresh start after a gesture (state is already possible).
    virtual void reset() {}

    // A state that ends a gesture: ended, cancelled or failed.
    static bool isFinal(State state);
    // Began, changed or ended: the gesture is (being) recognized.
    static bool isRecognizing(State state);

    // Sends the actions for the current state now (the arena calls this after touch delivery).
    void sendActions();

protected:
    const TouchSet& trackedTouches() const { return touches_; }

private:
    friend class View;
    friend class GestureArena;
    void setView(View* view);
    bool mayBegin();

    State state_ = State::Possible;
    std::optional<State> pending_;
    std::vector<std::pair<int, Action>> targets_;
    int nextTargetId_ = 0;
    View* view_ = nullptr;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
    std::weak_ptr<GestureRecognizerDelegate> delegate_;
    std::vector<std::weak_ptr<GestureRecognizer>> failureRequirements_;
    TouchSet touches_;
};

}  // namespace platform
