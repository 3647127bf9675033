#pragma once

#include "platform/ui/controls/ImageView.h"

#include <functional>
#include <memory>

namespace platform {
class Button;
}

// The onboarding background behind every pre-login page, with optional clouds and a back arrow
// at the top left. A touch on it ends editing.
class ZVLoginBackground : public platform::ImageView {
public:
    static constexpr qreal kBackGrow = 10;
    static constexpr QPointF kBackCenter{20, 40};

    ZVLoginBackground();
    ~ZVLoginBackground() override;

    bool showClouds() const { return clouds_ != nullptr; }
    void setShowClouds(bool show);
    const std::shared_ptr<platform::View>& clouds() const { return clouds_; }
    bool backVisible() const { return backButton_ != nullptr; }
    void setBackVisible(bool visible);
    const std::shared_ptr<platform::Button>& backButton() const { return backButton_; }
    // What a tap on the back arrow does (the target's action, bound by the caller).
    void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }

    void layoutSubviews() override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    std::shared_ptr<platform::View> clouds_;
    std::shared_ptr<platform::Button> backButton_;
    std::function<void()> backAction_;
};
