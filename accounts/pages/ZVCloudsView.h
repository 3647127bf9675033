#pragma once

#include "platform/ui/view/View.h"

#include <array>
#include <memory>

namespace platform {
class ImageView;
}

// Three clouds over the onboarding background, drifting against the device's tilt.
class ZVCloudsView : public platform::View {
public:
    static constexpr int kCloudCount = 3;
    // How far the clouds move with the tilt, each way.
    static constexpr qreal kMotionRange = 20;
    static constexpr qreal kSecondCloudLift = 20;

    ZVCloudsView();
    ~ZVCloudsView() override;

    const std::shared_ptr<platform::ImageView>& cloud(int index) const { return clouds_[index]; }

    void layoutSubviews() override;

private:
    std::array<std::shared_ptr<platform::ImageView>, kCloudCount> clouds_;
};
