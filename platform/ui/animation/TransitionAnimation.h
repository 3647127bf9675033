#pragma once

#include "platform/ui/animation/Animation.h"
#include "platform/ui/animation/PropertyAnimation.h"

#include <QtGui/QImage>

namespace platform {

class View;

// Shows a view's old picture giving way to its new content: cross-dissolving, or turning over
// about an axis (the old side for the first half, the new side for the second).
class TransitionAnimation : public Animation {
public:
    static const QString kKey;
    enum class Kind { CrossDissolve, FlipFromLeft, FlipFromRight, FlipFromTop, FlipFromBottom };

    // Takes the picture of `view` as it is now; `optionKind` is the transition bits of the options.
    static std::shared_ptr<TransitionAnimation> make(View& view, unsigned optionKind,
                                                     TimeInterval duration, AnimationCurve curve);

    Kind kind() const { return kind_; }
    const QImage& oldPicture() const { return oldPicture_; }
    // 0 at the start, 1 at the end, shaped by the curve.
    qreal progressAt(TimeInterval now) const;

    bool step(TimeInterval now) override { return now >= endTime(); }
    TimeInterval endTime() const override { return begin_ + duration_; }

private:
    TransitionAnimation(Kind kind, QImage oldPicture, TimeInterval duration, AnimationCurve curve);

    Kind kind_;
    QImage oldPicture_;
    TimeInterval begin_;
    TimeInterval duration_;
    PropertyAnimation progress_;
};

}  // namespace platform
