#include "platform/ui/view/Touch.h"

#include "platform/ui/gesture/GestureRecognizer.h"
#include "platform/ui/view/View.h"

namespace platform {

Touch::Touch(int identifier, QPointF windowLocation, TimeInterval timestamp)
    : identifier_(identifier),
      location_(windowLocation),
      previous_(windowLocation),
      timestamp_(timestamp) {}

QPointF Touch::locationInView(const View* view) const {
    return view != nullptr ? view->convertFromWindow(location_) : location_;
}

QPointF Touch::previousLocationInView(const View* view) const {
    return view != nullptr ? view->convertFromWindow(previous_) : previous_;
}

std::vector<std::shared_ptr<GestureRecognizer>> Touch::gestureRecognizers() const {
    std::vector<std::shared_ptr<GestureRecognizer>> live;
    for (const auto& weak : recognizers_) {
        if (auto recognizer = weak.lock()) {
            live.push_back(recognizer);
        }
    }
    return live;
}

void Touch::moveTo(QPointF location, TouchPhase phase, TimeInterval timestamp) {
    previous_ = location_;
    location_ = location;
    phase_ = phase;
    timestamp_ = timestamp;
}

}  // namespace platform
