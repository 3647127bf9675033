#include "platform/ui/gesture/GestureArena.h"

#include "platform/foundation/Scheduler.h"

#include <algorithm>

namespace platform {

using State = GestureRecognizerState;

GestureArena::~GestureArena() = default;

void GestureArena::queueActions(GestureRecognizer& recognizer) {
    const auto self = recognizer.weak_from_this();
    const bool queued = std::any_of(pendingActions_.begin(), pendingActions_.end(),
                                    [&](const auto& w) { return w.lock() == self.lock(); });
    if (!queued) {
        pendingActions_.push_back(self);
    }
}

// Sends the queued actions and resets finished recognizers once nothing is being delivered, so
// that a recognizer's own setState (and any override around it) completes before its actions run.
void GestureArena::flush() {
    flushScheduled_ = false;
    auto actions = std::move(pendingActions_);
    pendingActions_.clear();
    for (const auto& weak : actions) {
        if (auto recognizer = weak.lock()) {
            recognizer->sendActions();
        }
    }
    if (!touchesRemain_) {
        resetFinished();
    }
}

std::vector<std::shared_ptr<GestureRecognizer>> GestureArena::live() const {
    std::vector<std::shared_ptr<GestureRecognizer>> result;
    for (const auto& weak : participants_) {
        if (auto recognizer = weak.lock()) {
            result.push_back(recognizer);
        }
    }
    return result;
}

void GestureArena::join(const std::vector<std::shared_ptr<GestureRecognizer>>& recognizers,
                        bool firstTouch) {
    if (firstTouch) {
        // Recognizers of an earlier sequence that still wait (for a second tap) stay only when
        // they watch this one too.
        participants_.clear();
        for (const auto& recognizer : recognizers) {
            if (recognizer->state() == State::Possible && !recognizer->pending_) {
                recognizer->touches_.clear();
            }
        }
    }
    touchesRemain_ = true;
    for (const auto& recognizer : recognizers) {
        const bool known = std::any_of(participants_.begin(), participants_.end(),
                                       [&](const auto& w) { return w.lock() == recognizer; });
        if (!known) {
            participants_.push_back(recognizer);
        }
    }
}

void GestureArena::endDelivery(bool touchesRemain) {
    touchesRemain_ = touchesRemain;
    if (--delivering_ == 0) {
        flush();
    }
}

bool GestureArena::simultaneous(GestureRecognizer& a, GestureRecognizer& b) {
    const auto da = a.delegate();
    const auto db = b.delegate();
    return (da && da->gestureRecognizerShouldRecognizeSimultaneously(a, b)) ||
           (db && db->gestureRecognizerShouldRecognizeSimultaneously(b, a));
}

bool GestureArena::waitsForFailure(const GestureRecognizer& recognizer) const {
    for (const auto& other : live()) {
        if (other.get() != &recognizer && other->state() == State::Possible &&
            recognizer.requiresFailureOf(*other)) {
            return true;
        }
    }
    return false;
}

bool GestureArena::conflictsWithRunning(const GestureRecognizer& recognizer) const {
    for (const auto& other : live()) {
        if (other.get() != &recognizer &&
            (other->state() == State::Began || other->state() == State::Changed) &&
            !simultaneous(const_cast<GestureRecognizer&>(recognizer), *other)) {
            return true;
        }
    }
    return false;
}

void GestureArena::stateChanged(GestureRecognizer& recognizer, State old) {
    const State now = recognizer.state();
    const bool recognized = old == State::Possible && (now == State::Began || now == State::Ended);
    if (recognized) {
        for (const auto& other : live()) {
            if (other.get() == &recognizer || other->state() != State::Possible) {
                continue;
            }
            if (other->requiresFailureOf(recognizer) || !simultaneous(recognizer, *other)) {
                other->setState(State::Failed);
            }
        }
        if (recognizer.cancelsTouchesInView()) {
            takeTouches_(recognizer);
        }
    }
    if (now == State::Failed) {
        // Those that waited for this one may now have their turn.
        for (const auto& other : live()) {
            if (other->state() == State::Possible && other->pending_ &&
                other->requiresFailureOf(recognizer) && !waitsForFailure(*other)) {
                other->setState(*other->pending_);
            }
        }
    }
    queueActions(recognizer);
    if (delivering_ == 0 && !flushScheduled_) {
        // A change between touches (a timer's): settle on the next turn of the run loop.
        flushScheduled_ = true;
        flushTimer_ = Scheduler::main().after(0, [this] { flush(); });
    }
}

void GestureArena::resetFinished() {
    for (const auto& recognizer : live()) {
        if (GestureRecognizer::isFinal(recognizer->state())) {
            recognizer->setState(State::Possible);
            recognizer->touches_.clear();
            recognizer->reset();
        }
    }
}

}  // namespace platform
