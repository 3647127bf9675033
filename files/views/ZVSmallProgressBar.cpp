#include "files/views/ZVSmallProgressBar.h"

ZVSmallProgressBar::ZVSmallProgressBar() : View(kInitialFrame) {
    layer().setCornerRadius(kCornerRadius);
    QColor track(Qt::white);
    track.setAlphaF(kTrackAlpha);
    setBackgroundColor(track);
    bar_ = View::make();
    bar_->setBackgroundColor(Qt::white);
    bar_->layer().setCornerRadius(kCornerRadius);
    addSubview(bar_);
    setNeedsLayout();
}

void ZVSmallProgressBar::setProgress(float progress) {
    progress_ = progress;
    setNeedsLayout();
}

void ZVSmallProgressBar::layoutSubviews() {
    QRectF filled = bounds();
    filled.setWidth(filled.width() * progress_);
    bar_->setFrame(filled);
}
