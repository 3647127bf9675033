#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/gesture/GestureRecognizer.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Settles the recognizers that watch one window's touches: who may begin while others run,
// who waits for whom to fail, whose touches are taken from the views, and when actions are sent
// (after the touches have been delivered, as one step).
class GestureArena {
public:
    // Called with the recognizer whose gesture took touches, to cancel them in their views.
    using TakeTouches = std::function<void(GestureRecognizer&)>;
    explicit GestureArena(TakeTouches takeTouches) : takeTouches_(std::move(takeTouches)) {}
    ~GestureArena();
    GestureArena(const GestureArena&) = delete;
    GestureArena& operator=(const GestureArena&) = delete;

    // A new touch sequence (first finger down) brings its recognizers.
    void join(const std::vector<std::shared_ptr<GestureRecognizer>>& recognizers, bool firstTouch);
    void beginDelivery() { ++delivering_; }
    void endDelivery(bool touchesRemain);

    bool waitsForFailure(const GestureRecognizer& recognizer) const;
    bool conflictsWithRunning(const GestureRecognizer& recognizer) const;
    void stateChanged(GestureRecognizer& recognizer, GestureRecognizerState old);

private:
    static bool simultaneous(GestureRecognizer& a, GestureRecognizer& b);
    std::vector<std::shared_ptr<GestureRecognizer>> live() const;
    void resetFinished();
    void queueActions(GestureRecognizer& recognizer);
    void flush();

    TakeTouches takeTouches_;
    std::vector<std::weak_ptr<GestureRecognizer>> participants_;
    std::vector<std::weak_ptr<GestureRecognizer>> pendingActions_;
    int delivering_ = 0;
    bool touchesRemain_ = false;
    bool flushScheduled_ = false;
    ScopedTimer flushTimer_;
};

}  // namespace platform
