#pragma once

#include "accounts/pages/ZVLoginBackground.h"

#include <memory>

namespace platform {
class ViewController;
}

// The about screen's background: the pre-login pages' picture with its clouds and back arrow; a
// touch anywhere on it closes the screen.
class ZVAboutBackground : public ZVLoginBackground {
public:
    // The clouds and the back arrow on; the arrow needs the view's own shared owner.
    static std::shared_ptr<ZVAboutBackground> make(std::weak_ptr<platform::ViewController> vc);
    ~ZVAboutBackground() override;

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    ZVAboutBackground() = default;
    std::weak_ptr<platform::ViewController> vc_;
};
