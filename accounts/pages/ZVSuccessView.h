#pragma once

#include "platform/ui/view/View.h"

#include <memory>

namespace platform {
class ImageView;
}

// The mark shown when a step went through: a checkmark with a spark at its upper right.
class ZVSuccessView : public platform::View {
public:
    // How far in from the checkmark's half width the spark sits.
    static constexpr qreal kSparkInset = 10;

    ZVSuccessView();
    ~ZVSuccessView() override;

    const std::shared_ptr<platform::ImageView>& checkmark() const { return checkmark_; }
    const std::shared_ptr<platform::ImageView>& spark() const { return spark_; }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::ImageView> checkmark_;
    std::shared_ptr<platform::ImageView> spark_;
};
