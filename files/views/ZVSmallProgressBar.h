#pragma once

#include "platform/ui/view/View.h"

#include <memory>

// A thin white bar over a picture that fills from the left as an upload goes on.
class ZVSmallProgressBar : public platform::View {
public:
    static constexpr qreal kCornerRadius = 4;
    static constexpr qreal kTrackAlpha = 0.5;
    static constexpr QRectF kInitialFrame{0, 0, 10, 5};

    ZVSmallProgressBar();

    float progress() const { return progress_; }
    // From 0 to 1.
    void setProgress(float progress);
    const std::shared_ptr<platform::View>& bar() const { return bar_; }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::View> bar_;
    float progress_ = 0;
};
