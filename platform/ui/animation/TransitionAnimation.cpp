#include "platform/ui/animation/TransitionAnimation.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/view/View.h"

namespace platform {

const QString TransitionAnimation::kKey = QStringLiteral("transition");

std::shared_ptr<TransitionAnimation> TransitionAnimation::make(View& view, unsigned optionKind,
                                                               TimeInterval duration,
                                                               AnimationCurve curve) {
    Kind kind = Kind::CrossDissolve;
    switch (optionKind) {
        case ViewAnimation::TransitionFlipFromLeft:
            kind = Kind::FlipFromLeft;
            break;
        case ViewAnimation::TransitionFlipFromRight:
            kind = Kind::FlipFromRight;
            break;
        case ViewAnimation::TransitionFlipFromTop:
            kind = Kind::FlipFromTop;
            break;
        case ViewAnimation::TransitionFlipFromBottom:
            kind = Kind::FlipFromBottom;
            break;
        default:
            break;
    }
    return std::shared_ptr<TransitionAnimation>(
        new TransitionAnimation(kind, view.snapshot(), duration, curve));
}

TransitionAnimation::TransitionAnimation(Kind kind, QImage oldPicture, TimeInterval duration,
                                         AnimationCurve curve)
    : kind_(kind),
      oldPicture_(std::move(oldPicture)),
      begin_(Scheduler::main().now()),
      duration_(duration),
      progress_(0.0, 1.0, {begin_, duration, curve, 0, false}) {}

qreal TransitionAnimation::progressAt(TimeInterval now) const {
    const auto value = progress_.presentationAt(now);
    return value ? std::get<qreal>(*value) : 1.0;
}

}  // namespace platform
