#include "platform/ui/controllers/navigation/EdgePanGestureRecognizer.h"

namespace platform {

void EdgePanGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    PanGestureRecognizer::touchesBegan(touches, event);
    if (state() != State::Possible || numberOfTouches() != 1) {
        return;
    }
    if (locationInView(view()).x() >= kEdgeWidth || (mayStart_ && !mayStart_())) {
        setState(State::Failed);
    }
}

}  // namespace platform
