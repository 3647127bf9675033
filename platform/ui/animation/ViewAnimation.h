#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/AnimatableValue.h"

#include <QtCore/QString>

#include <functional>

namespace platform {

class Layer;
class View;

// Block animations: property changes made inside `animations` are shown moving from their old to
// their new values over the duration, and `completion` runs when every one of them has ended (with
// false when one was replaced or removed first). Timed by the main scheduler's clock.
//
// Options are the bit masks the screens pass as numbers.
class ViewAnimation {
public:
    enum Option : unsigned {
        AllowUserInteraction = 1u << 1,
        BeginFromCurrentState = 1u << 2,
        Repeat = 1u << 3,
        Autoreverse = 1u << 4,
        CurveEaseInOut = 0u << 16,
        CurveEaseIn = 1u << 16,
        CurveEaseOut = 2u << 16,
        CurveLinear = 3u << 16,
        TransitionFlipFromLeft = 1u << 20,
        TransitionFlipFromRight = 2u << 20,
        TransitionCrossDissolve = 5u << 20,
        TransitionFlipFromTop = 6u << 20,
        TransitionFlipFromBottom = 7u << 20,
    };
    static constexpr unsigned kCurveMask = 3u << 16;
    static constexpr unsigned kTransitionMask = 7u << 20;

    using Completion = std::function<void(bool finished)>;

    static void animate(TimeInterval duration, TimeInterval delay, unsigned options,
                        const std::function<void()>& animations, Completion completion = {});
    static void animate(TimeInterval duration, const std::function<void()>& animations,
                        Completion completion = {});
    static void performWithoutAnimation(const std::function<void()>& changes);

    // Replaces what `view` shows with the result of `animations` through a cross-dissolve or a
    // flip (the transition option of `options`).
    static void transition(View& view, TimeInterval duration, unsigned options,
                           const std::function<void()>& animations, Completion completion = {});

    // Instant mode: changes land at once and completions still run, in order, on the next turn of
    // the run loop. For tests that do not look at motion, and for reduced motion.
    static void setInstant(bool instant);
    static bool isInstant();

    // Called by layers for every change of an animatable property.
    static void recordChange(Layer& layer, const QString& key, const AnimatableValue& from,
                             const AnimatableValue& to);
};

}  // namespace platform
