#pragma once

#include "platform/ui/gesture/PanGestureRecognizer.h"

#include <functional>

namespace platform {

// A pan that starts only from the left edge of its view: the finger must come down within
// kEdgeWidth of it. Drives a navigation stack's interactive pop.
class EdgePanGestureRecognizer : public PanGestureRecognizer {
public:
    static constexpr qreal kEdgeWidth = 20;

    using PanGestureRecognizer::PanGestureRecognizer;

    // Asked when a finger comes down at the edge; false lets the gesture fail.
    void setMayStart(std::function<bool()> mayStart) { mayStart_ = std::move(mayStart); }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;

private:
    std::function<bool()> mayStart_;
};

}  // namespace platform
